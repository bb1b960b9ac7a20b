#include "lsp/features/diagnostics.h"

#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
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

// The diagnostics of one file: the first kShownDiagnostics as they are, the
// others counted, with the place of the first of them.
class FileDiagnostics {
 public:
  FileDiagnostics(std::string uri, const TextLines& lines) : uri_(std::move(uri)), lines_(lines) {}

  void add(const Diagnostic& diagnostic, const ClientOptions& client) {
    if (shown_.size() < kShownDiagnostics) {
      shown_.push_back(diagnosticJson(diagnostic, uri_, lines_, client));
      return;
    }
    if (hidden_++ == 0) firstHidden_ = &diagnostic;
    hiddenError_ = hiddenError_ || diagnostic.severity == Severity::Error;
  }

  // Returns the diagnostics to publish, the summary of those not shown last.
  Json take(const ClientOptions& client) {
    if (hidden_ == 0) return std::move(shown_);
    Json summary = diagnosticJson(*firstHidden_, uri_, lines_, client);
    summary.erase("relatedInformation");
    summary["severity"] = hiddenError_ ? 1 : 2;
    summary["message"] =
        std::to_string(hidden_) + (hidden_ == 1 ? " more problem" : " more problems") +
        " in this file " + (hidden_ == 1 ? "is" : "are") + " not shown, " +
        (hidden_ == 1 ? "here" : "the first of them here") + " at line " +
        std::to_string(firstHidden_->line) + ": weft-check on the command line reports every one";
    shown_.push_back(std::move(summary));
    return std::move(shown_);
  }

 private:
  std::string uri_;
  const TextLines& lines_;
  Json shown_ = Json::array();
  std::size_t hidden_ = 0;
  const Diagnostic* firstHidden_ = nullptr;
  bool hiddenError_ = false;
};

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

}  // namespace

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
               {"severity", diagnostic.severity == Severity::Error ? 1 : 2},
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
  std::map<std::string, FileDiagnostics> byUri;
  byUri.emplace(document.uri, FileDiagnostics(document.uri, *document.lines));
  std::map<std::string, std::unique_ptr<DiskText>> disk;
  // The report sorts by file: each file is looked up once for its run.
  const std::string* lastFile = nullptr;
  FileDiagnostics* target = nullptr;
  for (const Diagnostic& diagnostic : document.result.diagnostics) {
    if (lastFile == nullptr || diagnostic.file != *lastFile) {
      lastFile = &diagnostic.file;
      const std::string path = absolutePath(folder, diagnostic.file);
      const Document* open = workspace.at(path);
      target = nullptr;
      if (open != nullptr && open != &document) continue;
      const std::string uri = open != nullptr ? open->uri : uriOfPath(path);
      auto it = byUri.find(uri);
      if (it == byUri.end()) {
        auto& read = disk[path];
        if (!read) {
          std::string text;
          if (workspace.readDisk()) {
            std::ifstream stream(path, std::ios::binary);
            text.assign(std::istreambuf_iterator<char>(stream), {});
          }
          read = std::make_unique<DiskText>(std::move(text));
        }
        it = byUri.emplace(uri, FileDiagnostics(uri, read->lines)).first;
      }
      target = &it->second;
    }
    if (target != nullptr) target->add(diagnostic, workspace.client);
  }
  std::set<std::string> published;
  for (auto& [uri, diagnostics] : byUri) {
    const bool own = uri == document.uri;
    if (!own) published.insert(uri);
    publish(outbox, uri, diagnostics.take(workspace.client),
            own ? document.resultVersion : std::nullopt);
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
