// The traps of a data file's directive lines: a "%title:" twice or with a
// blank, a "%table" without its number, a "%chdir:" that fails, a directive
// that holds "file" or no key. What they started (a file list, a folder)
// explains later findings about the files named.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "datafile/data_file.h"
#include "datafile/load_observer.h"
#include "model/file_facts.h"
#include "model/line_being_read.h"

namespace weft::check {

class DirectiveTraps {
 public:
  DirectiveTraps(LineBeingRead& reading, FileFacts& facts) : reading_(reading), facts_(facts) {}

  // Checks the directive line `text` of `file`, at `line`, of key `kind`,
  // whose argument starts at `argument`; `chdirFailed` when its "%chdir:"
  // failed.
  void check(const DataFile& file, LoadObserver::LineKind kind, std::uint64_t line,
             std::string_view text, std::size_t argument, bool chdirFailed);

  // Follows whether the lines read are inside a file list; every line of a
  // data file passes through here, after its checks.
  void lineRead(LoadObserver::LineKind kind);

  // As LineTraps::whyListed().
  std::string whyListed(std::string_view name) const;

 private:
  void checkFileListStart(std::uint64_t line, std::string_view text, std::size_t argument);
  void checkTitle(std::uint64_t line, std::string_view text, std::size_t argument);
  void checkTableLine(std::uint64_t line, std::string_view text, std::size_t argument);
  void checkChangeDirectory(const DataFile& file, std::uint64_t line, std::string_view text,
                            std::size_t argument, bool chdirFailed);
  void checkNoKey(std::uint64_t line, std::string_view text);

  LineBeingRead& reading_;
  FileFacts& facts_;
  bool inFileList_ = false;
  std::uint64_t titleLine_ = 0;  // the line of the last "%title:"
  std::uint64_t listStartLine_ = 0;
  std::string listStart_;  // the directive that started the current file list
  bool listStartIsOdd_ = false;
  std::string lastDirectory_;  // the last "%chdir:" of this file, with its line
};

}  // namespace weft::check
