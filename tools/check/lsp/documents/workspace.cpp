#include "lsp/documents/workspace.h"

#include <algorithm>
#include <utility>

#include "lsp/documents/uri.h"
#include "support/file_system.h"

namespace weft::check::lsp {

namespace {

std::optional<std::int64_t> versionOf(const Json& params) {
  const Json& version = member(member(params, "textDocument"), "version");
  if (!version.is_number_integer()) return std::nullopt;
  return version.get<std::int64_t>();
}

}  // namespace

Workspace::Workspace(bool readDisk)
    : startDirectory_(readDisk ? SystemFileSystem().workingDirectory() : "/"),
      readDisk_(readDisk) {}

bool Workspace::open(const Json& params) {
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
  document->version = versionOf(params);
  setText(*document, text.get<std::string>());
  documents_[document->uri] = std::move(document);
  return true;
}

bool Workspace::change(const Json& params) {
  Document* document = find(params);
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
  document->version = versionOf(params);
  setText(*document, std::move(text));
  return true;
}

std::optional<std::set<std::string>> Workspace::close(const Json& params) {
  const Document* document = find(params);
  if (document == nullptr) return std::nullopt;
  std::set<std::string> cleared = document->published;
  const std::string uri = document->uri;
  cleared.insert(uri);
  documents_.erase(uri);
  for (auto it = cleared.begin(); it != cleared.end();) {
    it = at(pathOfUri(*it)) != nullptr ? cleared.erase(it) : std::next(it);
  }
  // A buffer that listed this one reads it from disk now.
  for (auto& [uri, other] : documents_) other->stale = true;
  return cleared;
}

Document* Workspace::find(const Json& params) {
  const Json& uri = member(member(params, "textDocument"), "uri");
  return uri.is_string() ? byUri(uri.get<std::string>()) : nullptr;
}

Document* Workspace::byUri(const std::string& uri) {
  const auto it = documents_.find(uri);
  return it == documents_.end() ? nullptr : it->second.get();
}

Document* Workspace::at(const std::string& path) {
  for (auto& [uri, document] : documents_) {
    if (document->path == path) return document.get();
  }
  return nullptr;
}

void Workspace::setText(Document& document, std::string text) {
  document.text = std::move(text);
  document.lines = std::make_unique<TextLines>(document.text);
  document.outline = scanOutline(*document.lines, nameOf(document.path));
  // Another buffer may list this one: every analysis may change.
  for (auto& [uri, other] : documents_) other->stale = true;
  document.stale = true;
}

std::size_t Workspace::offsetOf(const TextLines& lines, const std::string& text,
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
  return static_cast<std::size_t>(row.data() - text.data()) +
         lines.offset(index, column, client.utf8);
}

std::optional<Place> Workspace::placeOf(Document& document, const Json& params) const {
  const Json& position = member(params, "position");
  const Json& line = member(position, "line");
  const Json& character = member(position, "character");
  if (!line.is_number_integer() || !character.is_number_integer()) return std::nullopt;
  const std::size_t last = document.lines->count() - 1;
  const auto index = static_cast<std::uint32_t>(
      std::clamp<std::int64_t>(line.get<std::int64_t>(), 0, static_cast<std::int64_t>(last)));
  const auto column = static_cast<std::uint32_t>(
      std::clamp<std::int64_t>(character.get<std::int64_t>(), 0, UINT32_MAX));
  return Place{&document, index, document.lines->offset(index, column, client.utf8)};
}

Json Workspace::position(const Document& document, std::uint32_t line, std::size_t offset) const {
  return Json{{"line", line}, {"character", document.lines->column(line, offset, client.utf8)}};
}

Json Workspace::range(const Document& document, std::uint32_t line, std::size_t begin,
                      std::size_t end) const {
  return Json{{"start", position(document, line, begin)}, {"end", position(document, line, end)}};
}

Json Workspace::lineRange(const Document& document, std::uint32_t line) const {
  return range(document, line, 0, document.lines->line(line).size());
}

Json Workspace::location(const Document& document, std::uint32_t line, std::size_t begin,
                         std::size_t end) const {
  return Json{{"uri", document.uri}, {"range", range(document, line, begin, end)}};
}

}  // namespace weft::check::lsp
