#include "driver/operand_file.h"

#include "support/directory.h"

namespace weft {

OperandFile::OperandFile(Engine& engine, std::string_view operand,
                         const std::string& startDirectory)
    : goBack_{engine, startDirectory}, file_(engine, enter(engine, operand), nullptr) {}

std::string OperandFile::enter(Engine& engine, std::string_view operand) {
  Operand split = splitOperand(operand);
  if (split.directory && !engine.files.changeDirectory(*split.directory)) {
    engine.console.reportLine("Can't change directory to " + *split.directory);
  }
  return std::move(split.filename);
}

void OperandFile::finish() {
  goBack_.done = true;
  if (!goBack_.engine.files.changeDirectory(goBack_.start)) {
    goBack_.engine.console.reportLine("Can't change directory to " + goBack_.start);
  }
}

}  // namespace weft
