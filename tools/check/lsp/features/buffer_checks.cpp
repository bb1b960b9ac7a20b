#include "lsp/features/buffer_checks.h"

#include <algorithm>
#include <utility>

#include "lsp/documents/uri.h"
#include "lsp/features/diagnostics.h"

namespace weft::check::lsp {

BufferChecks::BufferChecks(Workspace& workspace, Outbox& outbox, CheckFunction check)
    : workspace_(workspace), outbox_(outbox), check_(std::move(check)) {}

std::unique_ptr<CheckJob> BufferChecks::jobFor(Document& document, bool searchLines) {
  std::vector<CheckJob::Buffer> buffers;
  for (const auto& [uri, open] : workspace_.documents())
    buffers.emplace_back(open->path, open->text);
  auto job = std::make_unique<CheckJob>(document.uri, document.path, searchLines,
                                        std::move(buffers), workspace_.readDisk(), check_);
  job->version = document.version;
  if (searchLines) {
    document.lineOddsStale = false;
  } else {
    document.stale = false;
    document.lineOddsStale = true;
  }
  return job;
}

void BufferChecks::finish(CheckJob& job) {
  Document* document = workspace_.byUri(job.uri());
  if (document == nullptr) return;
  if (job.searchesLines()) {
    document->lineOdds = std::move(job.result().odds);
    if (job.stopped()) {
      outbox_.send(logMessage(LogKind::Warning, "weft-check could not search the lines of " +
                                                    document->path + ": " + *job.stopped()));
    }
    return;
  }
  document->analysed = true;
  document->result = std::move(job.result());
  document->resultVersion = job.version;
  if (job.stopped()) {
    // A search would stop the same way: it waits for the next edit.
    document->lineOdds.clear();
    document->lineOddsStale = false;
    publishFailure(workspace_, *document, outbox_, *job.stopped());
    return;
  }
  publishDiagnostics(workspace_, *document, outbox_);
}

void BufferChecks::analyse(Document& document) {
  const std::unique_ptr<CheckJob> job = jobFor(document, false);
  job->run();
  finish(*job);
}

std::optional<Place> BufferChecks::placeOf(const Json& params) {
  Document* document = workspace_.find(params);
  if (document == nullptr) return std::nullopt;
  analyseOnce(*document);
  return workspace_.placeOf(*document, params);
}

const FileOdds* BufferChecks::odds(const Document& document, const std::string& path) const {
  for (const FileOdds& odds : document.result.odds) {
    if (odds.path == path) return &odds;
  }
  return nullptr;
}

const FileOdds* BufferChecks::searchedOdds(const Document& document,
                                           const std::string& path) const {
  if (document.lineOddsStale) return nullptr;
  for (const FileOdds& odds : document.lineOdds) {
    if (odds.path == path) return &odds;
  }
  return nullptr;
}

const LoadedFile* BufferChecks::listedFile(const Document& document, std::string_view name) const {
  const CheckResult& result = document.result;
  const auto it = result.listedByName.find(name);
  if (it == result.listedByName.end() || it->second >= result.files.size()) return nullptr;
  return &result.files[it->second];
}

const LoadedFile* BufferChecks::fileListedAt(const Document& document, std::uint64_t line) const {
  const std::string self = nameOf(document.path);
  for (const LoadedFile& file : document.result.files) {
    if (file.listedBy == self && file.line == line) return &file;
  }
  return nullptr;
}

std::unique_ptr<CheckJob> BufferChecks::takeWork(bool search) {
  for (const auto& [uri, document] : workspace_.documents()) {
    if (search ? document->lineOddsStale : document->stale) return jobFor(*document, search);
  }
  return nullptr;
}

bool BufferChecks::hasIdleWork() const {
  const auto& documents = workspace_.documents();
  return std::any_of(documents.begin(), documents.end(),
                     [](const auto& entry) { return entry.second->stale; });
}

bool BufferChecks::hasDeferredWork() const {
  const auto& documents = workspace_.documents();
  return std::any_of(documents.begin(), documents.end(),
                     [](const auto& entry) { return entry.second->lineOddsStale; });
}

}  // namespace weft::check::lsp
