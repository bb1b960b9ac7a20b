#include "lsp/features/diagnostics.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <system_error>
#include <utility>

#include "lsp/documents/uri.h"

namespace weft::check::lsp {

namespace {

// The text of a file that is not open, read for the columns of its diagnostics.
struct DiskText {
  explicit DiskText(std::string content) : text(std::move(content)), lines(text) {}
  std::string text;
  TextLines lines;  // over `text`
};

// The diagnostics of a file past those shown.
struct Hidden {
  Diagnostic first;
  std::size_t count = 0;
  Severity gravest = Severity::Note;
};

Diagnostic summaryOf(Hidden hidden) {
  Diagnostic summary = std::move(hidden.first);
  const bool one = hidden.count == 1;
  summary.severity = hidden.gravest;
  summary.message = std::to_string(hidden.count) + (one ? " more problem" : " more problems") +
                    " in this file " + (one ? "is" : "are") + " not shown, " +
                    (one ? "here" : "the first of them here") + " at line " +
                    std::to_string(summary.line) +
                    ": weft-check on the command line reports every one";
  summary.note.clear();
  summary.hasFix = false;
  summary.fix.clear();
  return summary;
}

// Returns the text of the file at `path`, empty for anything but a file (a
// folder cannot be read as one).
std::string readFile(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return {};
  std::ifstream stream(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(stream), {});
}

// Publishes an empty list for each file of `document.published` that is
// neither in `now` nor open, and keeps `now` as its published files.
void clearOthers(Workspace& workspace, Document& document, Outbox& outbox,
                 std::set<std::string> now) {
  for (const std::string& uri : document.published) {
    if (!now.count(uri) && workspace.at(pathOfUri(uri)) == nullptr) {
      publish(outbox, uri, Json::array());
    }
  }
  document.published = std::move(now);
}

// The protocol's severity: 1 error, 2 warning, 3 information. A note is
// information, which editors list with the problems (a hint, 4, they only
// mark faintly in the text).
int protocolSeverity(Severity severity) {
  switch (severity) {
    case Severity::Error:
      return 1;
    case Severity::Warning:
      return 2;
    case Severity::Note:
      break;
  }
  return 3;
}

}  // namespace

void capDiagnostics(std::vector<Diagnostic>& diagnostics) {
  std::map<std::string, std::size_t, std::less<>> shown;
  std::map<std::string, Hidden, std::less<>> hidden;
  std::vector<Diagnostic> kept;
  for (Diagnostic& diagnostic : diagnostics) {
    if (shown[diagnostic.file]++ < kShownDiagnostics) {
      kept.push_back(std::move(diagnostic));
      continue;
    }
    Hidden& rest = hidden[diagnostic.file];
    rest.gravest = std::max(rest.gravest, diagnostic.severity);
    if (rest.count++ == 0) rest.first = std::move(diagnostic);
  }
  for (auto& [file, rest] : hidden) kept.push_back(summaryOf(std::move(rest)));
  diagnostics = std::move(kept);
}

Json diagnosticJson(const Diagnostic& diagnostic, const std::string& uri, const TextLines& lines,
                    const ClientOptions& client) {
  const std::uint32_t line =
      diagnostic.line > 0 ? static_cast<std::uint32_t>(diagnostic.line - 1) : 0;
  std::size_t begin = 0;
  std::size_t end = lines.line(line).size();
  if (diagnostic.endColumn > diagnostic.column) {
    begin = diagnostic.column;
    end = diagnostic.endColumn;
  }
  const Json where = {
      {"start", {{"line", line}, {"character", lines.column(line, begin, client.utf8)}}},
      {"end", {{"line", line}, {"character", lines.column(line, end, client.utf8)}}}};
  Json json = {{"range", where},
               {"severity", protocolSeverity(diagnostic.severity)},
               {"source", "weft-check"},
               {"message", diagnostic.message}};
  if (diagnostic.note.empty()) return json;
  if (client.notesAsRelated) {
    json["relatedInformation"] = Json::array();
    json["relatedInformation"].push_back(
        {{"location", {{"uri", uri}, {"range", where}}}, {"message", diagnostic.note}});
  } else {
    json["message"] = diagnostic.message + "\nnote: " + diagnostic.note;
  }
  return json;
}

void publishDiagnostics(Workspace& workspace, Document& document, Outbox& outbox) {
  const std::string folder = folderOf(document.path);
  std::map<std::string, Json> byUri;
  byUri[document.uri] = Json::array();
  std::map<std::string, std::unique_ptr<DiskText>> disk;
  for (const Diagnostic& diagnostic : document.result.diagnostics) {
    const std::string path = absolutePath(folder, diagnostic.file);
    const Document* open = workspace.at(path);
    if (open != nullptr && open != &document) continue;
    const TextLines* lines = open != nullptr ? open->lines.get() : nullptr;
    if (lines == nullptr) {
      auto& read = disk[path];
      if (!read) read = std::make_unique<DiskText>(workspace.readDisk() ? readFile(path) : "");
      lines = &read->lines;
    }
    const std::string uri = open != nullptr ? open->uri : uriOfPath(path);
    auto& list = byUri[uri];
    if (list.is_null()) list = Json::array();
    list.push_back(diagnosticJson(diagnostic, uri, *lines, workspace.client));
  }
  std::set<std::string> published;
  for (auto& [uri, diagnostics] : byUri) {
    const bool own = uri == document.uri;
    if (!own) published.insert(uri);
    publish(outbox, uri, std::move(diagnostics), own ? document.resultVersion : std::nullopt);
  }
  clearOthers(workspace, document, outbox, std::move(published));
}

void publishFailure(Workspace& workspace, Document& document, Outbox& outbox,
                    const std::string& reason) {
  const Json diagnostic = {{"range", workspace.lineRange(document, 0)},
                           {"severity", 1},
                           {"source", "weft-check"},
                           {"message", "weft-check could not analyse this file: " + reason}};
  publish(outbox, document.uri, Json::array({diagnostic}), document.resultVersion);
  clearOthers(workspace, document, outbox, {});
}

void publish(Outbox& outbox, const std::string& uri, Json diagnostics,
             std::optional<std::int64_t> version) {
  Json params = {{"uri", uri}};
  if (version) params["version"] = *version;
  params["diagnostics"] = std::move(diagnostics);
  outbox.send(notification("textDocument/publishDiagnostics", std::move(params)));
}

}  // namespace weft::check::lsp
