// The buffers an editor has open: each one's text, version, lines and
// outline, and what its last analysis found; and positions in them in the
// units the client counts in.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "checker/checker.h"
#include "lsp/documents/outline.h"
#include "lsp/documents/text_lines.h"
#include "lsp/protocol/json_rpc.h"

namespace weft::check::lsp {

// What the client said it does, as far as the server's answers depend on it.
struct ClientOptions {
  bool utf8 = false;  // positions count bytes, not UTF-16 code units
  // A diagnostic's note (how to mend it) goes out as its related
  // information; else it stands in its message, on a line of its own.
  bool notesAsRelated = false;
};

// One open buffer and what its last analysis found.
struct Document {
  std::string uri;
  std::string path;  // absolute
  std::string text;
  std::optional<std::int64_t> version;  // as the client numbered the text
  std::unique_ptr<TextLines> lines;     // over `text`
  Outline outline;
  bool stale = true;  // edited since its last analysis
  bool analysed = false;
  // Of the last analysis, with the odds of each file's tables and dice, and
  // the version of the text it analysed.
  CheckResult result;
  std::optional<std::int64_t> resultVersion;
  // The odds of every file the buffer loads with the lines of table 0
  // searched (the costly part), worked out after a longer pause, and older
  // than the text when `lineOddsStale`.
  std::vector<FileOdds> lineOdds;
  bool lineOddsStale = true;
  // The other files that analysis published diagnostics for, by URI.
  std::set<std::string> published;
};

// A position in a buffer: a line and the byte offset in it.
struct Place {
  Document* document;
  std::uint32_t line;
  std::size_t offset;
};

class Workspace {
 public:
  // Files not open in the editor are read from disk below the buffers, or,
  // without `readDisk`, do not exist (for a page, or a fuzzer).
  explicit Workspace(bool readDisk);

  // The notifications about buffers, with their parameters. Each returns
  // false when they are not those of its method.
  bool open(const Json& params);
  bool change(const Json& params);
  // Returns the URIs whose diagnostics go with the closed buffer (its own,
  // and those its analysis published for files not open), or nothing.
  std::optional<std::set<std::string>> close(const Json& params);

  // Returns the buffer that `params` names in its "textDocument", or null.
  Document* find(const Json& params);
  // Returns the buffer at `uri`, or null.
  Document* byUri(const std::string& uri);
  // Returns the buffer of the file at `path`, or null.
  Document* at(const std::string& path);
  const std::map<std::string, std::unique_ptr<Document>>& documents() const { return documents_; }
  bool readDisk() const { return readDisk_; }

  // Returns the line and byte offset of the "position" of `params` in
  // `document`, clamped to its text; nothing when it has none.
  std::optional<Place> placeOf(Document& document, const Json& params) const;
  // The JSON of a position, a range in one line, a whole line and a location.
  Json position(const Document& document, std::uint32_t line, std::size_t offset) const;
  Json range(const Document& document, std::uint32_t line, std::size_t begin,
             std::size_t end) const;
  Json lineRange(const Document& document, std::uint32_t line) const;
  Json location(const Document& document, std::uint32_t line, std::size_t begin,
                std::size_t end) const;

  ClientOptions client;

 private:
  void setText(Document& document, std::string text);
  std::size_t offsetOf(const TextLines& lines, const std::string& text, const Json& position) const;

  std::string startDirectory_;
  std::map<std::string, std::unique_ptr<Document>> documents_;
  bool readDisk_;
};

}  // namespace weft::check::lsp
