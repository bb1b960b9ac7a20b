#include "lsp/features/buffer_checks.h"

#include <algorithm>
#include <utility>

#include "lsp/documents/uri.h"
#include "lsp/features/diagnostics.h"
#include "lsp/protocol/guard.h"
#include "support/clock.h"
#include "support/console.h"
#include "support/file_system.h"

namespace weft::check::lsp {

namespace {

// A console that keeps nothing: the checker writes no output while loading.
class QuietConsole final : public Console {
 protected:
  int writeOutBytes(std::string_view) override { return 0; }
  void writeErr(std::string_view) override {}
};

}  // namespace

BufferChecks::BufferChecks(Workspace& workspace, Outbox& outbox, CheckFunction check)
    : workspace_(workspace), outbox_(outbox), check_(std::move(check)) {}

CheckResult BufferChecks::check(const Document& document, bool searchLines) {
  const std::string folder = folderOf(document.path);
  OverlayFileSystem overlay(folder);
  MemoryFileSystem memory;
  for (const auto& [uri, open] : workspace_.documents()) {
    if (workspace_.readDisk()) {
      overlay.setBuffer(open->path, open->text);
    } else {
      memory.addFile(open->path, open->text);
    }
  }
  memory.changeDirectory(folder);
  QuietConsole console;
  FixedClock clock;
  Engine engine(console, workspace_.readDisk() ? static_cast<FileSystem&>(overlay) : memory,
                clock);
  return check_(engine, nameOf(document.path), searchLines);
}

void BufferChecks::analyse(Document& document) {
  document.stale = false;
  document.analysed = true;
  document.lineOddsStale = true;
  document.result = CheckResult();
  if (const std::optional<std::string> stopped =
          guarded([&] { document.result = check(document, false); })) {
    // A search would stop the same way: it waits for the next edit.
    document.result = CheckResult();
    document.lineOdds.clear();
    document.lineOddsStale = false;
    publishFailure(workspace_, document, outbox_, *stopped);
    return;
  }
  publishDiagnostics(workspace_, document, outbox_);
}

void BufferChecks::searchLines(Document& document) {
  document.lineOddsStale = false;
  document.lineOdds.clear();
  if (const std::optional<std::string> stopped =
          guarded([&] { document.lineOdds = check(document, true).odds; })) {
    document.lineOdds.clear();
    outbox_.send(logMessage(LogKind::Warning, "weft-check could not search the lines of " +
                                                  document.path + ": " + *stopped));
  }
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

const FileOdds* BufferChecks::lineOdds(Document& document, const std::string& path) {
  if (document.lineOddsStale) searchLines(document);
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

void BufferChecks::idleStep() {
  for (const auto& [uri, document] : workspace_.documents()) {
    if (document->stale) return analyse(*document);
  }
  for (const auto& [uri, document] : workspace_.documents()) {
    if (document->lineOddsStale) return searchLines(*document);
  }
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
