// A data file named on the command line, loaded as weft loads it.
#pragma once

#include <string>
#include <string_view>

#include "datafile/data_file.h"
#include "support/engine.h"

namespace weft {

// Loads the data file of one operand: changes the working directory to the
// part before the operand's last backslash (a refusal is reported with "Can't
// change directory to ", and the file is then looked up where the engine
// is), and constructs the DataFile from the rest. On destruction the
// working directory goes back to `startDirectory`, also when loading or
// generating ended on a problem; finish() does it as weft does at the end
// of an operand.
class OperandFile {
 public:
  OperandFile(Engine& engine, std::string_view operand, const std::string& startDirectory);
  OperandFile(const OperandFile&) = delete;
  OperandFile& operator=(const OperandFile&) = delete;

  const DataFile& file() const { return file_; }

  // Changes back to the start directory, reporting a refusal with "Can't
  // change directory to ".
  void finish();

 private:
  // Takes the engine into the operand's directory; returns its file name.
  static std::string enter(Engine& engine, std::string_view operand);

  // Goes back to the start directory on destruction, unless done. Made
  // before the DataFile, so that a load ending on a problem goes back too.
  struct GoBack {
    Engine& engine;
    const std::string& start;
    bool done = false;
    ~GoBack() {
      if (!done && !start.empty()) engine.files.changeDirectory(start);
    }
  };

  GoBack goBack_;
  DataFile file_;
};

}  // namespace weft
