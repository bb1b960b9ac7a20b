#include "datafile/line_kind.h"

#include <cstring>

#include "support/ascii.h"
#include "support/numbers.h"

namespace weft {

namespace {

// An entry's frequency follows its first colon; its text loses the blanks and
// tabs in front of it, and keeps every other blank.
ClassifiedLine entryLine(std::string_view line, std::int32_t maxFrequency) {
  ClassifiedLine read;
  read.kind = LineKind::Entry;
  read.end = line.size();
  if (const void* colon = std::memchr(line.data(), ':', line.size())) {
    read.colon = static_cast<std::size_t>(static_cast<const char*>(colon) - line.data());
    read.written = readShortDecimal(line.substr(read.colon + 1));
    read.frequency = read.written > maxFrequency ? maxFrequency : read.written;
    read.end = read.colon;
  }
  while (read.begin < read.end && (line[read.begin] == ' ' || line[read.begin] == '\t')) {
    ++read.begin;
  }
  return read;
}

ClassifiedLine directiveLine(std::string_view line) {
  ClassifiedLine read;
  read.kind = LineKind::NoKey;
  read.begin = read.end = line.size();
  for (const DirectiveKey& key : kDirectiveKeys) {
    const std::size_t at = line.find(key.text);
    if (at == std::string_view::npos) continue;
    read.kind = key.kind;
    if (key.kind == LineKind::FileList) {
      read.begin = at;
      read.end = at + key.text.size();
    } else {
      read.begin = at + key.text.size();
    }
    if (key.kind == LineKind::Table) read.table = readDecimal(read.text(line));
    break;
  }
  return read;
}

}  // namespace

const SectionLine* findSectionLine(std::string_view line) {
  if (line.empty() || line[0] != '#') return nullptr;
  for (const SectionLine& section : kSectionLines) {
    if (line == section.line) return &section;
  }
  return nullptr;
}

std::size_t keptLength(std::string_view piece, bool elementFile) {
  if (elementFile) return piece.size();
  const void* hash = std::memchr(piece.data(), '#', piece.size());
  return hash == nullptr ? piece.size()
                         : static_cast<std::size_t>(static_cast<const char*>(hash) - piece.data());
}

ClassifiedLine classifyLine(std::string_view line, const LineContext& context) {
  ClassifiedLine read;
  if (line.empty()) return read;
  if (context.elementFile) {
    // An element file has no comments, directives, file lists or
    // frequencies: a line that is not exactly a section line is stored whole.
    read.end = line.size();
    read.section = findSectionLine(line);
    read.kind = read.section != nullptr ? LineKind::ElementSection : LineKind::ElementEntry;
    if (read.section != nullptr) read.table = read.section->table;
    return read;
  }
  // Only the very first byte makes a directive: blanks before "%" make an
  // entry.
  if (line[0] == '%') return directiveLine(line);
  if (context.inFileList) {
    read.kind = LineKind::FileListName;
    read.end = line.size();
    return read;
  }
  return entryLine(line, context.maxFrequency);
}

std::string titleText(std::string_view argument) {
  std::string title(argument);
  if (!title.empty()) title[0] = toUpper(title[0]);
  return title;
}

}  // namespace weft
