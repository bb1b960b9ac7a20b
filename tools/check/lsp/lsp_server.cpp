#include "lsp/lsp_server.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <utility>

#include "model/report.h"
#include "odds/dice_odds.h"
#include "output/odds_text.h"
#include "support/ascii.h"
#include "support/clock.h"
#include "support/console.h"
#include "support/engine.h"
#include "support/file_system.h"
#include "support/random_source.h"
#include "text/quoting.h"

namespace weft::check::lsp {

namespace {

using Json = nlohmann::ordered_json;

enum ErrorCode {
  kParseError = -32700,
  kInvalidRequest = -32600,
  kMethodNotFound = -32601,
  kInvalidParams = -32602,
  kInternalError = -32603,
  kServerNotInitialized = -32002,
};

// The kinds of symbols and completions used, as the protocol numbers them.
enum Kind {
  kSymbolFile = 1,
  kSymbolModule = 2,
  kSymbolClass = 5,
  kSymbolString = 15,
  kCompletionFunction = 3,
  kCompletionVariable = 6,
  kCompletionFile = 17,
};

// The token types of semantic highlighting, in the order of TokenKind.
const char* const kTokenTypes[] = {"comment",  "keyword",  "number",
                                   "variable", "function", "string"};

std::string dump(const Json& json) {
  // Text from a data file on disk may hold bytes that are not UTF-8.
  return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

Json reply(const Json& id, Json result) {
  return Json{{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}};
}

Json failure(const Json& id, int code, const std::string& message) {
  return Json{
      {"jsonrpc", "2.0"}, {"id", id}, {"error", Json{{"code", code}, {"message", message}}}};
}

Json notification(const char* method, Json params) {
  return Json{{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
}

// The member `key` of `json` when it is an object holding one, else null.
const Json& member(const Json& json, const char* key) {
  static const Json kNull;
  if (!json.is_object()) return kNull;
  const auto it = json.find(key);
  return it == json.end() ? kNull : *it;
}

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos || slash == 0) return "/";
  return path.substr(0, slash);
}

std::string nameOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// A name from the report, relative to `folder` unless absolute.
std::string absolutePath(const std::string& folder, const std::string& name) {
  if (!name.empty() && name[0] == '/') return name;
  return folder == "/" ? "/" + name : folder + "/" + name;
}

// A console that keeps nothing: the checker writes no output while loading.
class QuietConsole final : public Console {
 protected:
  int writeOutBytes(std::string_view) override { return 0; }
  void writeErr(std::string_view) override {}
};

std::string chanceText(double p) { return percentText(p) + ", " + oneInText(p); }

}  // namespace

std::string pathOfUri(std::string_view uri) {
  constexpr std::string_view kScheme = "file://";
  if (uri.substr(0, kScheme.size()) != kScheme) return {};
  std::string_view rest = uri.substr(kScheme.size());
  const std::size_t slash = rest.find('/');
  if (slash == std::string_view::npos) return {};
  rest.remove_prefix(slash);  // a host name, as in file://localhost/, goes
  std::string path;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] == '%' && i + 2 < rest.size()) {
      const std::string hex(rest.substr(i + 1, 2));
      char* end = nullptr;
      const long value = std::strtol(hex.c_str(), &end, 16);
      if (end == hex.c_str() + 2) {
        path += static_cast<char>(value);
        i += 2;
        continue;
      }
    }
    path += rest[i];
  }
  return path;
}

std::string uriOfPath(std::string_view path) {
  std::string uri = "file://";
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (std::isalnum(byte) || c == '/' || c == '-' || c == '.' || c == '_' || c == '~') {
      uri += c;
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", byte);
      uri += escaped;
    }
  }
  return uri;
}

// The state of one editing session: the open buffers and what the client
// said it understands.
class LanguageServer::Session {
 public:
  explicit Session(bool readDisk)
      : startDirectory_(readDisk ? SystemFileSystem().workingDirectory() : "/"),
        readDisk_(readDisk) {}

  std::vector<Json> out;  // messages to send

  bool initialized = false;
  bool shutdown = false;
  bool exited = false;

  void dispatch(const std::string& name, bool request, const Json& id, const Json& params);

  void initialize(const Json& id, const Json& params) {
    const Json& capabilities = member(params, "capabilities");
    const Json& encodings = member(member(capabilities, "general"), "positionEncodings");
    if (encodings.is_array()) {
      for (const Json& encoding : encodings) utf8_ = utf8_ || encoding == "utf-8";
    }
    const Json& related = member(member(member(capabilities, "textDocument"), "publishDiagnostics"),
                                 "relatedInformation");
    related_ = related.is_boolean() && related.get<bool>();
    Json types = Json::array();
    for (const char* type : kTokenTypes) types.push_back(type);
    Json result = {{"capabilities",
                    {{"positionEncoding", utf8_ ? "utf-8" : "utf-16"},
                     {"textDocumentSync", {{"openClose", true}, {"change", 1}}},
                     {"hoverProvider", true},
                     {"definitionProvider", true},
                     {"referencesProvider", true},
                     {"completionProvider", {{"triggerCharacters", {"("}}}},
                     {"documentSymbolProvider", true},
                     {"semanticTokensProvider",
                      {{"legend", {{"tokenTypes", types}, {"tokenModifiers", Json::array()}}},
                       {"full", true}}},
                     {"codeActionProvider", {{"codeActionKinds", {"quickfix"}}}}}},
                   {"serverInfo", {{"name", "weft-check"}, {"version", WEFT_VERSION}}}};
    out.push_back(reply(id, std::move(result)));
    initialized = true;
  }

  // Notifications about buffers. Returns false when the parameters are not
  // those of the method.
  bool didOpen(const Json& params) {
    const Json& item = member(params, "textDocument");
    const Json& uri = member(item, "uri");
    const Json& text = member(item, "text");
    if (!uri.is_string() || !text.is_string()) return false;
    auto document = std::make_unique<Document>();
    document->uri = uri.get<std::string>();
    document->path = pathOfUri(document->uri);
    if (document->path.empty()) {
      // A buffer not yet saved is read as if it stood in the starting folder.
      std::string name = document->uri.substr(document->uri.find_last_of(":/") + 1);
      if (name.empty()) name = "untitled";
      document->path = absolutePath(startDirectory_.empty() ? "/" : startDirectory_, name);
    }
    setText(*document, text.get<std::string>());
    documents_[document->uri] = std::move(document);
    return true;
  }

  bool didChange(const Json& params) {
    Document* document = documentOf(params);
    const Json& changes = member(params, "contentChanges");
    if (document == nullptr || !changes.is_array()) return false;
    std::string text = document->text;
    for (const Json& change : changes) {
      const Json& replacement = member(change, "text");
      if (!replacement.is_string()) return false;
      const Json& range = member(change, "range");
      if (range.is_object()) {
        // An edit of part of the buffer, for a client that sends them anyway.
        const TextLines lines(text);
        const std::size_t begin = offsetOf(lines, text, member(range, "start"));
        const std::size_t end = std::max(begin, offsetOf(lines, text, member(range, "end")));
        text.replace(begin, end - begin, replacement.get<std::string>());
      } else {
        text = replacement.get<std::string>();
      }
    }
    setText(*document, std::move(text));
    return true;
  }

  bool didClose(const Json& params) {
    const auto it =
        documents_.find(member(member(params, "textDocument"), "uri").is_string()
                            ? member(member(params, "textDocument"), "uri").get<std::string>()
                            : std::string());
    if (it == documents_.end()) return false;
    std::set<std::string> cleared = it->second->published;
    cleared.insert(it->first);
    documents_.erase(it);
    for (const std::string& uri : cleared) {
      if (documentAt(pathOfUri(uri)) == nullptr) publish(uri, Json::array());
    }
    for (auto& [uri, document] : documents_) document->stale = true;
    return true;
  }

  // Analyses the first buffer edited since its last analysis or, when there
  // is none, works out the odds of the first one whose odds are older.
  void idleStep() {
    for (auto& [uri, document] : documents_) {
      if (document->stale) return analyse(*document);
    }
    for (auto& [uri, document] : documents_) {
      if (document->lineOddsStale) return searchLines(*document);
    }
  }

  bool hasIdleWork() const {
    return std::any_of(documents_.begin(), documents_.end(),
                       [](const auto& entry) { return entry.second->stale; });
  }
  bool hasDeferredWork() const {
    return std::any_of(documents_.begin(), documents_.end(),
                       [](const auto& entry) { return entry.second->lineOddsStale; });
  }

  // Requests about a position or a buffer. Each returns the result, or
  // nothing when the parameters are not those of the method.
  std::optional<Json> hover(const Json& params);
  std::optional<Json> definition(const Json& params);
  std::optional<Json> references(const Json& params);
  std::optional<Json> completion(const Json& params);
  std::optional<Json> documentSymbol(const Json& params);
  std::optional<Json> semanticTokens(const Json& params);
  std::optional<Json> codeAction(const Json& params);

 private:
  struct Place {
    Document* document;
    std::uint32_t line;
    std::size_t offset;  // in bytes
  };

  void setText(Document& document, std::string text) {
    document.text = std::move(text);
    document.lines = std::make_unique<TextLines>(document.text);
    document.outline = scanOutline(*document.lines, nameOf(document.path));
    // Another buffer may list this one: every analysis may change.
    for (auto& [uri, other] : documents_) other->stale = true;
    document.stale = true;
  }

  std::size_t offsetOf(const TextLines& lines, const std::string& text,
                       const Json& position) const {
    const Json& line = member(position, "line");
    const Json& character = member(position, "character");
    if (!line.is_number_unsigned() || lines.count() == 0) return 0;
    const auto index = line.get<std::uint64_t>();
    if (index >= lines.count()) return text.size();
    const std::uint32_t column = character.is_number_unsigned()
                                     ? static_cast<std::uint32_t>(std::min<std::uint64_t>(
                                           character.get<std::uint64_t>(), UINT32_MAX))
                                     : 0;
    const std::string_view row = lines.line(index);
    return static_cast<std::size_t>(row.data() - text.data()) + lines.offset(index, column, utf8_);
  }

  Document* documentOf(const Json& params) {
    const Json& uri = member(member(params, "textDocument"), "uri");
    if (!uri.is_string()) return nullptr;
    const auto it = documents_.find(uri.get<std::string>());
    return it == documents_.end() ? nullptr : it->second.get();
  }

  Document* documentAt(const std::string& path) {
    for (auto& [uri, document] : documents_) {
      if (document->path == path) return document.get();
    }
    return nullptr;
  }

  // The buffer and position a request is about, the position clamped to the
  // text; the buffer analysed once at least.
  std::optional<Place> placeOf(const Json& params) {
    Document* document = documentOf(params);
    if (document == nullptr) return std::nullopt;
    if (!document->analysed) analyse(*document);
    const Json& position = member(params, "position");
    const Json& line = member(position, "line");
    const Json& character = member(position, "character");
    if (!line.is_number_integer() || !character.is_number_integer()) return std::nullopt;
    const std::size_t last = document->lines->count() - 1;
    const auto index = static_cast<std::uint32_t>(
        std::clamp<std::int64_t>(line.get<std::int64_t>(), 0, static_cast<std::int64_t>(last)));
    const auto column = static_cast<std::uint32_t>(
        std::clamp<std::int64_t>(character.get<std::int64_t>(), 0, UINT32_MAX));
    return Place{document, index, document->lines->offset(index, column, utf8_)};
  }

  Json position(const Document& document, std::uint32_t line, std::size_t offset) const {
    return Json{{"line", line}, {"character", document.lines->column(line, offset, utf8_)}};
  }

  Json range(const Document& document, std::uint32_t line, std::size_t begin,
             std::size_t end) const {
    return Json{{"start", position(document, line, begin)}, {"end", position(document, line, end)}};
  }

  Json lineRange(const Document& document, std::uint32_t line) const {
    return range(document, line, 0, document.lines->line(line).size());
  }

  Json location(const Document& document, std::uint32_t line, std::size_t begin,
                std::size_t end) const {
    return Json{{"uri", document.uri}, {"range", range(document, line, begin, end)}};
  }

  Json symbolJson(const Document& document, std::string name, std::string detail, int kind,
                  std::uint32_t line) const {
    const Json where = lineRange(document, line);
    return Json{{"name", std::move(name)},
                {"detail", std::move(detail)},
                {"kind", kind},
                {"range", where},
                {"selectionRange", where}};
  }

  Json fileLocation(const std::string& path) {
    const Json start = {{"line", 0}, {"character", 0}};
    const Document* open = documentAt(path);
    return Json{{"uri", open != nullptr ? open->uri : uriOfPath(path)},
                {"range", {{"start", start}, {"end", start}}}};
  }

  void publish(const std::string& uri, Json diagnostics) {
    out.push_back(notification("textDocument/publishDiagnostics",
                               {{"uri", uri}, {"diagnostics", std::move(diagnostics)}}));
  }

  // Checks `document` as weft would load it from its folder, with the other
  // buffers over the disk; `stats` adds the odds of every file loaded.
  CheckResult check(const Document& document, bool searchLines);
  void analyse(Document& document);
  void searchLines(Document& document) {
    document.lineOdds = check(document, true).odds;
    document.lineOddsStale = false;
  }
  // Returns `diagnostic` of the file at `uri`, whose text is `lines`.
  Json diagnosticJson(const Diagnostic& diagnostic, const std::string& uri,
                      const TextLines& lines) const;

  const FileOdds* oddsOf(const Document& document, const std::string& path) const {
    for (const FileOdds& odds : document.result.odds) {
      if (odds.path == path) return &odds;
    }
    return nullptr;
  }
  // The odds of `path` with its lines searched, worked out now when the
  // buffer changed since.
  const FileOdds* lineOddsOf(Document& document, const std::string& path) {
    if (document.lineOddsStale) searchLines(document);
    for (const FileOdds& odds : document.lineOdds) {
      if (odds.path == path) return &odds;
    }
    return nullptr;
  }
  const LoadedFile* listedFile(const Document& document, std::string_view name,
                               std::uint64_t line) const;
  std::string describeFile(Document& document, const LoadedFile& file);
  std::string describeTable(const Document& document, int table) const;
  std::string describeEntry(const Document& document, const LineMark& mark) const;
  const ReferenceMark* referenceAt(const Place& place) const;

  std::string startDirectory_;
  std::map<std::string, std::unique_ptr<Document>> documents_;
  bool utf8_ = false;
  bool related_ = false;
  bool readDisk_;
};

CheckResult LanguageServer::Session::check(const Document& document, bool searchLines) {
  const std::string folder = folderOf(document.path);
  OverlayFileSystem overlay(folder);
  MemoryFileSystem memory;
  for (const auto& [uri, open] : documents_) {
    if (readDisk_) {
      overlay.setBuffer(open->path, open->text);
    } else {
      memory.addFile(open->path, open->text);
    }
  }
  memory.changeDirectory(folder);
  QuietConsole console;
  FixedClock clock;
  Engine engine(console, readDisk_ ? static_cast<FileSystem&>(overlay) : memory, clock);
  return checkDataFile(engine, nameOf(document.path), true, searchLines);
}

void LanguageServer::Session::analyse(Document& document) {
  const std::string folder = folderOf(document.path);
  document.result = check(document, false);
  document.lineOddsStale = true;
  document.stale = false;
  document.analysed = true;

  // The diagnostics by file: a problem of a listed file shows on that file,
  // unless it is open, when its own analysis speaks for it.
  std::map<std::string, Json> byUri;
  byUri[document.uri] = Json::array();
  std::map<std::string, std::unique_ptr<std::pair<std::string, TextLines>>> disk;
  for (const Diagnostic& diagnostic : document.result.diagnostics) {
    const std::string path = absolutePath(folder, diagnostic.file);
    const Document* open = documentAt(path);
    if (open != nullptr && open != &document) continue;
    const TextLines* lines = open != nullptr ? open->lines.get() : nullptr;
    if (lines == nullptr) {
      auto& read = disk[path];
      if (!read) {
        std::string text;
        if (readDisk_) {
          std::ifstream stream(path, std::ios::binary);
          text.assign(std::istreambuf_iterator<char>(stream), {});
        }
        read = std::make_unique<std::pair<std::string, TextLines>>(std::move(text),
                                                                   TextLines(std::string_view()));
        read->second = TextLines(read->first);
      }
      lines = &read->second;
    }
    const std::string uri = open != nullptr ? open->uri : uriOfPath(path);
    auto& list = byUri[uri];
    if (list.is_null()) list = Json::array();
    list.push_back(diagnosticJson(diagnostic, uri, *lines));
  }
  std::set<std::string> published;
  for (auto& [uri, diagnostics] : byUri) {
    if (uri != document.uri) published.insert(uri);
    publish(uri, std::move(diagnostics));
  }
  for (const std::string& uri : document.published) {
    if (!published.count(uri) && documentAt(pathOfUri(uri)) == nullptr) {
      publish(uri, Json::array());
    }
  }
  document.published = std::move(published);
}

Json LanguageServer::Session::diagnosticJson(const Diagnostic& diagnostic, const std::string& uri,
                                             const TextLines& lines) const {
  const std::uint32_t line =
      diagnostic.line > 0 ? static_cast<std::uint32_t>(diagnostic.line - 1) : 0;
  std::size_t begin = 0;
  std::size_t end = lines.line(line).size();
  if (diagnostic.endColumn > diagnostic.column) {
    begin = diagnostic.column;
    end = diagnostic.endColumn;
  }
  const Json where = {{"start", {{"line", line}, {"character", lines.column(line, begin, utf8_)}}},
                      {"end", {{"line", line}, {"character", lines.column(line, end, utf8_)}}}};
  Json json = {{"range", where},
               {"severity", diagnostic.severity == Severity::Error ? 1 : 2},
               {"source", "weft-check"},
               {"message", diagnostic.message}};
  if (!diagnostic.note.empty()) {
    if (related_) {
      json["relatedInformation"] = Json::array();
      json["relatedInformation"].push_back(
          {{"location", {{"uri", uri}, {"range", where}}}, {"message", diagnostic.note}});
    } else {
      json["message"] = diagnostic.message + "\nnote: " + diagnostic.note;
    }
  }
  return json;
}

const LoadedFile* LanguageServer::Session::listedFile(const Document& document,
                                                      std::string_view name,
                                                      std::uint64_t line) const {
  const std::string self = nameOf(document.path);
  const LoadedFile* found = nullptr;
  for (const LoadedFile& file : document.result.files) {
    if (file.listedBy != self || (line > 0 && file.line != line)) continue;
    const std::string_view path = file.path;
    if (path == name ||
        (path.size() > name.size() && path.substr(path.size() - name.size()) == name &&
         path[path.size() - name.size() - 1] == '/')) {
      found = &file;  // the last one listed is the one references use
    }
  }
  return found;
}

std::string LanguageServer::Session::describeFile(Document& document, const LoadedFile& file) {
  std::string text = "**" + file.path + "**";
  if (const FileOdds* odds = lineOddsOf(document, file.path)) {
    text += ": title " + check::quoted(odds->title);
    if (odds->elementFile) text += " (element file)";
    text += std::string("\n\n") + (odds->lines.complete ? "about" : "at least") + " as varied as " +
            varietyText(odds->variety) + " equally likely lines";
  } else {
    text += ": not loaded";
  }
  return text;
}

std::string LanguageServer::Session::describeTable(const Document& document, int table) const {
  const FileOdds* odds = oddsOf(document, nameOf(document.path));
  const TableOdds* found = nullptr;
  if (odds != nullptr) {
    for (const TableOdds& candidate : odds->tables) {
      if (candidate.number == table) found = &candidate;
    }
  }
  std::string text = "**table " + std::to_string(table) + "**";
  if (found == nullptr) return text + ": empty";
  text += ": " + std::to_string(found->entries.size()) + " entries on " +
          std::to_string(found->positions) + " positions";
  std::vector<const EntryOdds*> likeliest;
  for (const EntryOdds& entry : found->entries) likeliest.push_back(&entry);
  std::stable_sort(likeliest.begin(), likeliest.end(),
                   [](const EntryOdds* a, const EntryOdds* b) { return a->draws > b->draws; });
  if (likeliest.size() > 3) likeliest.resize(3);
  text += "; likeliest:";
  for (const EntryOdds* entry : likeliest) {
    text += "\n- " + check::quoted(entry->text) + " " +
            chanceText(static_cast<double>(entry->draws) / kDrawRange);
  }
  return text;
}

std::string LanguageServer::Session::describeEntry(const Document& document,
                                                   const LineMark& mark) const {
  if (mark.dropped) return "dropped: its frequency is below 1";
  if (!isTableNumber(mark.table)) return "in no table: the \"%table\" above it is out of range";
  const FileOdds* odds = oddsOf(document, nameOf(document.path));
  if (odds == nullptr) return {};
  for (const TableOdds& table : odds->tables) {
    if (table.number != mark.table) continue;
    for (const EntryOdds& entry : table.entries) {
      if (entry.text != mark.text) continue;
      const double p = static_cast<double>(entry.draws) / kDrawRange;
      std::string text = "**" + chanceText(p) + "** in table " + std::to_string(mark.table) + " (" +
                         std::to_string(entry.positions) + " of " +
                         std::to_string(table.positions) + " positions)";
      if (mark.table == 0 && !document.lineOddsStale) {
        const FileOdds* lines = nullptr;
        for (const FileOdds& searched : document.lineOdds) {
          if (searched.path == odds->path) lines = &searched;
        }
        if (lines == nullptr) return text;
        std::string line = mark.text;
        if (!line.empty()) line[0] = toUpper(line[0]);
        const auto it = lines->lines.lines.find(line);
        if (it != lines->lines.lines.end() && line.find('(') == std::string::npos) {
          text += "\n\n" + percentText(it->second) + " of the file's lines are this one";
        }
      }
      return text;
    }
  }
  return {};
}

const ReferenceMark* LanguageServer::Session::referenceAt(const Place& place) const {
  for (const ReferenceMark& reference : place.document->outline.references) {
    if (reference.line == place.line && reference.begin <= place.offset &&
        place.offset < reference.end) {
      return &reference;
    }
  }
  return nullptr;
}

std::optional<Json> LanguageServer::Session::hover(const Json& params) {
  const std::optional<Place> place = placeOf(params);
  if (!place) return std::nullopt;
  Document& document = *place->document;
  std::string text;
  Json where = lineRange(document, place->line);
  const LineMark& mark = document.outline.lines[place->line];
  if (const ReferenceMark* reference = referenceAt(*place)) {
    where = range(document, reference->line, reference->begin, reference->end);
    if (reference->kind == ReferenceTarget::Kind::Table) {
      text = isTableNumber(reference->table)
                 ? describeTable(document, reference->table)
                 : "no table " + std::to_string(reference->table) + ": tables are 0 to 19";
    } else if (reference->kind == ReferenceTarget::Kind::Dice) {
      text = "```\n" + describeDiceOdds(diceOddsOf(reference->text, reference->entryTable)) + "```";
    } else if (const LoadedFile* file = listedFile(document, reference->text, 0)) {
      text = describeFile(document, *file);
    } else {
      text = "no listed file is named " + check::quoted(reference->text);
    }
  } else if (mark.kind == LineMark::Kind::Entry) {
    text = describeEntry(document, mark);
  } else if (mark.kind == LineMark::Kind::FileListName) {
    if (const LoadedFile* file = listedFile(document, mark.text, place->line + 1)) {
      text = describeFile(document, *file);
    }
  } else if (mark.kind == LineMark::Kind::Table && isTableNumber(mark.table)) {
    std::set<std::uint32_t> lines;
    std::size_t count = 0;
    for (const ReferenceMark& reference : document.outline.references) {
      if (reference.kind != ReferenceTarget::Kind::Table || reference.table != mark.table) continue;
      ++count;
      lines.insert(reference.line);
    }
    text = describeTable(document, mark.table) + "\n\nreached by " + std::to_string(count) +
           (count == 1 ? " reference" : " references") + " on " + std::to_string(lines.size()) +
           (lines.size() == 1 ? " line" : " lines");
  } else if (mark.kind == LineMark::Kind::Title) {
    LoadedFile self{nameOf(document.path), {}, 0};
    text = describeFile(document, self);
  }
  if (text.empty()) return Json(nullptr);
  return Json{{"contents", {{"kind", "markdown"}, {"value", text}}}, {"range", where}};
}

std::optional<Json> LanguageServer::Session::definition(const Json& params) {
  const std::optional<Place> place = placeOf(params);
  if (!place) return std::nullopt;
  const Document& document = *place->document;
  const LineMark& mark = document.outline.lines[place->line];
  std::string name;
  std::uint64_t listLine = 0;
  if (const ReferenceMark* reference = referenceAt(*place)) {
    if (reference->kind == ReferenceTarget::Kind::Table && isTableNumber(reference->table)) {
      const std::int64_t line =
          document.outline.tableLine[static_cast<std::size_t>(reference->table)];
      if (line < 0 && reference->table != 0) return Json(nullptr);
      const auto at = static_cast<std::uint32_t>(std::max<std::int64_t>(line, 0));
      return Json{{"uri", document.uri}, {"range", lineRange(document, at)}};
    }
    if (reference->kind != ReferenceTarget::Kind::Name) return Json(nullptr);
    name = reference->text;
  } else if (mark.kind == LineMark::Kind::FileListName) {
    name = mark.text;
    listLine = place->line + 1;
  } else {
    return Json(nullptr);
  }
  const LoadedFile* file = listedFile(document, name, listLine);
  if (file == nullptr) return Json(nullptr);
  return fileLocation(absolutePath(folderOf(document.path), file->path));
}

std::optional<Json> LanguageServer::Session::references(const Json& params) {
  const std::optional<Place> place = placeOf(params);
  if (!place) return std::nullopt;
  const Document& document = *place->document;
  const bool declaration = member(member(params, "context"), "includeDeclaration") == true;
  const LineMark& mark = document.outline.lines[place->line];
  const ReferenceMark* at = referenceAt(*place);
  Json result = Json::array();
  if ((at != nullptr && at->kind == ReferenceTarget::Kind::Table) ||
      (at == nullptr && mark.kind == LineMark::Kind::Table)) {
    const std::int32_t table = at != nullptr ? at->table : mark.table;
    for (std::uint32_t line = 0; declaration && line < document.outline.lines.size(); ++line) {
      const LineMark& other = document.outline.lines[line];
      if (other.kind == LineMark::Kind::Table && other.table == table) {
        result.push_back(Json{{"uri", document.uri}, {"range", lineRange(document, line)}});
      }
    }
    for (const ReferenceMark& reference : document.outline.references) {
      if (reference.kind == ReferenceTarget::Kind::Table && reference.table == table) {
        result.push_back(location(document, reference.line, reference.begin, reference.end));
      }
    }
    return result;
  }
  std::string name;
  if (at != nullptr && at->kind == ReferenceTarget::Kind::Name) name = at->text;
  if (at == nullptr && mark.kind == LineMark::Kind::FileListName) name = mark.text;
  if (name.empty()) return Json(nullptr);
  for (std::uint32_t line = 0; declaration && line < document.outline.lines.size(); ++line) {
    const LineMark& other = document.outline.lines[line];
    if (other.kind == LineMark::Kind::FileListName && other.text == name) {
      result.push_back(location(document, line, other.begin, other.end));
    }
  }
  for (const ReferenceMark& reference : document.outline.references) {
    if (reference.kind == ReferenceTarget::Kind::Name && reference.text == name) {
      result.push_back(location(document, reference.line, reference.begin, reference.end));
    }
  }
  return result;
}

std::optional<Json> LanguageServer::Session::completion(const Json& params) {
  const std::optional<Place> place = placeOf(params);
  if (!place) return std::nullopt;
  const Document& document = *place->document;
  const std::string_view before = document.lines->line(place->line).substr(0, place->offset);
  const std::size_t open = before.rfind('(');
  Json items = Json::array();
  if (open == std::string_view::npos || before.find(')', open) != std::string_view::npos) {
    return items;
  }
  if (const FileOdds* odds = oddsOf(document, nameOf(document.path))) {
    for (const TableOdds& table : odds->tables) {
      std::string first;
      for (std::size_t i = 0; i < table.entries.size() && i < 3; ++i) {
        first += (i > 0 ? ", " : "") + table.entries[i].text;
      }
      items.push_back({{"label", "table" + std::to_string(table.number)},
                       {"kind", kCompletionVariable},
                       {"detail", std::to_string(table.entries.size()) + " entries: " + first}});
    }
  }
  std::set<std::string> names;
  for (const LineMark& mark : document.outline.lines) {
    if (mark.kind != LineMark::Kind::FileListName || !names.insert(mark.text).second) continue;
    Json item = {{"label", mark.text}, {"kind", kCompletionFile}};
    if (const LoadedFile* file = listedFile(document, mark.text, 0)) {
      if (const FileOdds* odds = oddsOf(document, file->path)) item["detail"] = odds->title;
    }
    items.push_back(std::move(item));
  }
  items.push_back({{"label", "random "},
                   {"kind", kCompletionFunction},
                   {"insertText", "random 1d6+0"},
                   {"detail", "a dice roll, such as (random 3d6+1): 4 to 19"}});
  return items;
}

std::optional<Json> LanguageServer::Session::documentSymbol(const Json& params) {
  Document* document = documentOf(params);
  if (document == nullptr) return std::nullopt;
  const Outline& outline = document->outline;
  Json symbols = Json::array();
  // The table, section or file list that the lines below belong to.
  std::optional<std::size_t> group;
  bool tableZero = false;
  const auto symbol = [&](std::string name, std::string detail, int kind, std::uint32_t line) {
    return symbolJson(*document, std::move(name), std::move(detail), kind, line);
  };
  const auto open = [&](Json item) {
    symbols.push_back(std::move(item));
    group = symbols.size() - 1;
  };
  const auto extend = [&](std::uint32_t line) {
    if (group) {
      symbols[*group]["range"]["end"] =
          position(*document, line, document->lines->line(line).size());
    }
  };
  const auto entries = [&](int table) {
    return std::to_string(outline.entryLines[static_cast<std::size_t>(table)]) + " entry lines";
  };
  // The title as weft shows it: its first letter in capitals.
  const auto title = [](const std::string& text) {
    return text.empty() ? "(no title)" : toUpper(text[0]) + text.substr(1);
  };
  for (std::uint32_t line = 0; line < outline.lines.size(); ++line) {
    const LineMark& mark = outline.lines[line];
    switch (mark.kind) {
      case LineMark::Kind::Title:
        symbols.push_back(symbol(title(mark.text), "title", kSymbolString, line));
        group.reset();
        break;
      case LineMark::Kind::Table:
      case LineMark::Kind::Section:
        tableZero = tableZero || mark.table == 0;
        open(symbol(mark.kind == LineMark::Kind::Section ? std::string(document->lines->line(line))
                                                         : "table " + std::to_string(mark.table),
                    isTableNumber(mark.table) ? entries(mark.table) : "out of range", kSymbolClass,
                    line));
        break;
      case LineMark::Kind::Directive:
        group.reset();
        if (mark.startsList) {
          open(symbol("file list", std::string(document->lines->line(line)), kSymbolModule, line));
          symbols.back()["children"] = Json::array();
        }
        break;
      case LineMark::Kind::FileListName:
        if (group && symbols[*group].contains("children")) {
          symbols[*group]["children"].push_back(
              symbol(mark.text, "listed file", kSymbolFile, line));
          extend(line);
        }
        break;
      case LineMark::Kind::Entry:
        if (!group && mark.table == 0 && !tableZero) {
          tableZero = true;
          open(symbol("table 0", entries(0), kSymbolClass, line));
        }
        if (group && !symbols[*group].contains("children")) extend(line);
        break;
      case LineMark::Kind::Blank:
      case LineMark::Kind::Continued:
        break;
    }
  }
  return symbols;
}

std::optional<Json> LanguageServer::Session::semanticTokens(const Json& params) {
  Document* document = documentOf(params);
  if (document == nullptr) return std::nullopt;
  Json data = Json::array();
  std::uint32_t lastLine = 0;
  std::uint32_t lastStart = 0;
  for (const Token& token : document->outline.tokens) {
    const std::uint32_t start = document->lines->column(token.line, token.begin, utf8_);
    const std::uint32_t end = document->lines->column(token.line, token.end, utf8_);
    if (end <= start) continue;
    data.push_back(token.line - lastLine);
    data.push_back(token.line == lastLine ? start - lastStart : start);
    data.push_back(end - start);
    data.push_back(static_cast<int>(token.kind));
    data.push_back(0);
    lastLine = token.line;
    lastStart = start;
  }
  return Json{{"data", std::move(data)}};
}

std::optional<Json> LanguageServer::Session::codeAction(const Json& params) {
  Document* document = documentOf(params);
  const Json& where = member(params, "range");
  const Json& first = member(member(where, "start"), "line");
  const Json& last = member(member(where, "end"), "line");
  if (document == nullptr || !first.is_number_integer() || !last.is_number_integer()) {
    return std::nullopt;
  }
  if (document->stale) analyse(*document);
  Json actions = Json::array();
  const std::string self = nameOf(document->path);
  for (const Diagnostic& diagnostic : document->result.diagnostics) {
    if (!diagnostic.hasFix || diagnostic.file != self || diagnostic.line == 0) continue;
    const auto line = static_cast<std::int64_t>(diagnostic.line - 1);
    if (line < first.get<std::int64_t>() || line > last.get<std::int64_t>()) continue;
    const auto index = static_cast<std::uint32_t>(line);
    const std::string_view text = document->lines->line(index);
    const std::string_view old = text.substr(std::min<std::size_t>(diagnostic.column, text.size()),
                                             diagnostic.endColumn - diagnostic.column);
    std::string title;
    if (index == 0 && diagnostic.column == 0 && old == "\xEF\xBB\xBF") {
      title = "Remove the byte-order mark";
    } else if (diagnostic.fix.empty()) {
      title = "Remove " + check::quoted(old);
    } else {
      title = "Replace " + check::quoted(old) + " with " + check::quoted(diagnostic.fix);
    }
    const Json edit = {{"range", range(*document, index, diagnostic.column, diagnostic.endColumn)},
                       {"newText", diagnostic.fix}};
    Json changes = Json::object();
    changes[document->uri] = Json::array({edit});
    actions.push_back({{"title", title},
                       {"kind", "quickfix"},
                       {"diagnostics",
                        Json::array({diagnosticJson(diagnostic, document->uri, *document->lines)})},
                       {"isPreferred", true},
                       {"edit", {{"changes", std::move(changes)}}}});
  }
  return actions;
}

LanguageServer::LanguageServer(bool readDisk) : session_(std::make_unique<Session>(readDisk)) {}
LanguageServer::~LanguageServer() = default;

bool LanguageServer::exited() const { return session_->exited; }
bool LanguageServer::hasIdleWork() const {
  return session_->initialized && !session_->shutdown && session_->hasIdleWork();
}
bool LanguageServer::hasDeferredWork() const {
  return session_->initialized && !session_->shutdown && session_->hasDeferredWork();
}
int LanguageServer::exitStatus() const { return session_->shutdown ? 0 : 1; }

std::vector<std::string> LanguageServer::handle(std::string_view message) {
  Session& session = *session_;
  session.out.clear();
  const Json json = Json::parse(message.begin(), message.end(), nullptr, false);
  if (json.is_discarded()) {
    session.out.push_back(failure(nullptr, kParseError, "the message is not JSON"));
  } else {
    const Json& method = member(json, "method");
    const Json& id = member(json, "id");
    const bool request = json.is_object() && json.contains("id");
    const bool validId = id.is_string() || id.is_number_integer();
    if (!json.is_object() || !method.is_string() || (request && !validId)) {
      // A response to a request of ours is none: the server sends none.
      if (!json.is_object() || !(json.contains("result") || json.contains("error"))) {
        session.out.push_back(failure(validId ? id : Json(nullptr), kInvalidRequest,
                                      "not a request or notification"));
      }
    } else {
      const std::string name = method.get<std::string>();
      const Json& params = member(json, "params");
      try {
        session.dispatch(name, request, id, params);
      } catch (const std::exception& error) {
        if (request) session.out.push_back(failure(id, kInternalError, error.what()));
      }
    }
  }
  std::vector<std::string> texts;
  for (const Json& out : session.out) texts.push_back(dump(out));
  session.out.clear();
  return texts;
}

void LanguageServer::Session::dispatch(const std::string& name, bool request, const Json& id,
                                       const Json& params) {
  Session& session = *this;
  if (name == "exit") {
    exited = true;
    return;
  }
  if (!session.initialized) {
    if (name == "initialize" && request) {
      session.initialize(id, params);
    } else if (request) {
      session.out.push_back(failure(id, kServerNotInitialized, "initialize first"));
    }
    return;
  }
  if (shutdown) {
    if (request) session.out.push_back(failure(id, kInvalidRequest, "the server is shut down"));
    return;
  }
  if (!request) {
    if (name == "textDocument/didOpen") {
      session.didOpen(params);
    } else if (name == "textDocument/didChange") {
      session.didChange(params);
    } else if (name == "textDocument/didClose") {
      session.didClose(params);
    }
    return;  // "initialized", "$/cancelRequest", ... need nothing
  }
  using Handler = std::optional<Json> (Session::*)(const Json&);
  static const std::map<std::string, Handler, std::less<>> kRequests = {
      {"textDocument/hover", &Session::hover},
      {"textDocument/definition", &Session::definition},
      {"textDocument/references", &Session::references},
      {"textDocument/completion", &Session::completion},
      {"textDocument/documentSymbol", &Session::documentSymbol},
      {"textDocument/semanticTokens/full", &Session::semanticTokens},
      {"textDocument/codeAction", &Session::codeAction},
  };
  if (name == "initialize") {
    session.out.push_back(failure(id, kInvalidRequest, "initialized already"));
  } else if (name == "shutdown") {
    shutdown = true;
    session.out.push_back(reply(id, nullptr));
  } else if (const auto it = kRequests.find(name); it != kRequests.end()) {
    // Diagnostics an analysis made on the way go out after the answer.
    std::vector<Json> before = std::move(session.out);
    session.out.clear();
    const std::optional<Json> result = (session.*(it->second))(params);
    std::vector<Json> published = std::move(session.out);
    session.out = std::move(before);
    session.out.push_back(result ? reply(id, *result)
                                 : failure(id, kInvalidParams, "unknown document or bad position"));
    for (Json& note : published) session.out.push_back(std::move(note));
  } else {
    session.out.push_back(failure(id, kMethodNotFound, "no method " + name));
  }
}

std::vector<std::string> LanguageServer::idle() {
  Session& session = *session_;
  session.out.clear();
  if (session.initialized && !session.shutdown) session.idleStep();
  std::vector<std::string> texts;
  for (const Json& out : session.out) texts.push_back(dump(out));
  session.out.clear();
  return texts;
}

}  // namespace weft::check::lsp
