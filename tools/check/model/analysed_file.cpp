#include "model/analysed_file.h"

#include <utility>

#include "generate/listed_files.h"

namespace weft::check {

bool repeatsReplacement(ReferenceOutcome outcome) {
  return outcome == ReferenceOutcome::OutOfRange || outcome == ReferenceOutcome::NoFile;
}

std::string shown(const Reference& reference) {
  std::string text;
  text.reserve(reference.inner.size() + 2);
  text += '(';
  text.append(reference.inner);
  text += ')';
  return text;
}

AnalysedFile::AnalysedFile(const DataFile& file, const FileFacts& facts, const std::string& path,
                           Report& report)
    : file_(file), facts_(facts), path_(path), report_(report) {
  const EntryLines& lines = facts.lines;
  for (int t = 0; t < TABLE_COUNT; ++t) {
    const Table& table = file.table(t);
    const std::vector<std::uint64_t>& runLines = lines[static_cast<std::size_t>(t)];
    for (std::size_t i = 0; i < table.runCount(); ++i) {
      CheckedEntry entry;
      entry.text = table.run(i).text;
      entry.line = i < runLines.size() ? runLines[i] : 0;
      entry.builtIn = t == 0 && i == file.builtInRun();
      entry.parsed = parseEntry(entry.text);
      for (const Reference& reference : entry.parsed.references) {
        entry.references.push_back(resolve(reference));
      }
      entries_[static_cast<std::size_t>(t)].push_back(std::move(entry));
    }
  }
}

void AnalysedFile::add(std::uint64_t line, Severity severity, std::string message,
                       std::string note) {
  report_.add(path_, line, severity, std::move(message), std::move(note), at_);
}

Span AnalysedFile::spanOf(const CheckedEntry& entry, const Reference& reference) const {
  const auto column = facts_.entryColumns.find(entry.line);
  if (column == facts_.entryColumns.end()) return {};
  const auto open = static_cast<std::size_t>(reference.inner.data() - entry.text.data()) - 1;
  return Span{static_cast<std::uint32_t>(column->second + open),
              static_cast<std::uint32_t>(column->second + reference.end),
              false,
              {}};
}

ResolvedReference AnalysedFile::resolve(const Reference& reference) const {
  ResolvedReference resolved{reference, ReferenceOutcome::Dice};
  switch (reference.target.kind) {
    case ReferenceTarget::Kind::Dice:
      break;
    case ReferenceTarget::Kind::Table:
      if (!isTableNumber(reference.target.table)) {
        resolved.outcome = ReferenceOutcome::OutOfRange;
      } else {
        resolved.outcome = file_.table(reference.target.table).empty()
                               ? ReferenceOutcome::EmptyTable
                               : ReferenceOutcome::Table;
      }
      break;
    case ReferenceTarget::Kind::Name:
      resolved.outcome = ReferenceOutcome::NoFile;
      // Generation uses the copy its lister keeps, which has no sub-files.
      if (file_.parent() != nullptr) break;
      resolved.subfile = listedFile(reference.inner);
      if (resolved.subfile != nullptr) resolved.outcome = ReferenceOutcome::File;
      break;
  }
  return resolved;
}

const DataFile* AnalysedFile::listedFile(std::string_view name) const {
  return visitListedFiles(file_, name, [](const DataFile&) {});
}

}  // namespace weft::check
