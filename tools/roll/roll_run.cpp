#include "roll_run.h"

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "driver/operand_file.h"
#include "roll/keep_parts.h"
#include "roll/line_roller.h"
#include "roll/roll_lines.h"
#include "roll_command.h"
#include "roll_output.h"
#include "support/file_system.h"

namespace weft::roll {

namespace {

// Rolls the data files of one command line.
class Session {
 public:
  Session(const RollCommand& command, const char* program, Console& console, Clock& clock)
      : command_(command),
        program_(program),
        console_(console),
        roller_(files_, command.settings),
        first_(command.at.value_or(clock.now())),
        writer_(makeWriter(command, console, command.files.size())) {}

  int run() {
    const std::string start = files_.workingDirectory();
    int status = 0;
    writer_->begin();
    try {
      for (const std::string& name : command_.files) {
        OperandFile operand(roller_.engine(), name, start);
        passOn(roller_.takeWritten());
        status = std::max(status, rollFile(name, operand.file()));
        operand.finish();
        passOn(roller_.takeWritten());
        if (status == 2) break;
      }
    } catch (const Ending& ending) {
      writer_->end();
      passOn(roller_.takeWritten());
      return writeEnding(console_, ending);
    }
    writer_->end();
    return status;
  }

 private:
  // Writes what weft wrote: in text, each stream as weft writes it; in the
  // other formats everything on standard error, beside the document.
  void passOn(const std::vector<WrittenPiece>& pieces) {
    for (const WrittenPiece& piece : pieces) {
      if (!piece.error && command_.format == Format::Text) {
        console_.writeOut(piece.text);
        console_.flushOut();
      } else {
        console_.flushOut();
        console_.writeErrRaw(piece.text);
      }
    }
  }

  // Shows a line with what weft wrote for it; a run that ended ends here.
  void show(std::string_view name, const RolledLine& rolled) {
    passOn(rolled.written);
    if (rolled.ending) throw *rolled.ending;
    writer_->line(name, rolled);
  }

  void note(std::string_view name, const std::string& message) {
    console_.flushOut();
    console_.writeErrRaw(std::string(program_) + ": " + std::string(name) + ": " + message + "\n");
  }

  int rollFile(std::string_view name, const DataFile& file) {
    if (!command_.keep.empty()) return keepParts(name, file);
    const RolledLines rolled =
        rollLines(roller_, file, command_.lines, first_, command_.unique, command_.budget);
    for (const RolledLine& line : rolled.lines) show(name, line);
    if (rolled.lines.size() == command_.lines) return 0;
    note(name, std::to_string(rolled.lines.size()) + " different lines in " +
                   std::to_string(rolled.secondsTried) + " seconds tried, of the " +
                   std::to_string(command_.lines) + " asked for" + ranOut(rolled));
    return 1;
  }

  int keepParts(std::string_view name, const DataFile& file) {
    const RolledLine original = roller_.rollAt(file, *command_.at);
    passOn(original.written);
    if (original.ending) throw *original.ending;
    std::vector<std::size_t> kept;
    for (const std::size_t number : command_.keep) {
      if (number > original.steps.size()) {
        note(name, "--keep: the line at " + std::to_string(original.second) + " has " +
                       std::to_string(original.steps.size()) + " steps, not " +
                       std::to_string(number));
        return 2;
      }
      kept.push_back(number - 1);
    }
    if (rolledParts(original.steps, kept).empty()) {
      note(name, "--keep: those steps hold every choice of the line at " +
                     std::to_string(original.second) + ", so nothing is left to roll again");
      return 1;
    }
    const RolledLines found = rollKeeping(roller_, file, original, kept, command_.lines,
                                          command_.unique, command_.budget);
    for (const RolledLine& line : found.lines) show(name, line);
    if (found.lines.size() == command_.lines) return 0;
    note(name, std::to_string(found.lines.size()) + " of the " + std::to_string(command_.lines) +
                   " lines asked for keep those steps and roll the rest again, in " +
                   std::to_string(found.secondsTried) + " seconds tried around " +
                   std::to_string(original.second) + ranOut(found));
    return 1;
  }

  static std::string ranOut(const RolledLines& rolled) {
    return rolled.outOfTime ? " (the time limit ran out)" : "";
  }

  const RollCommand& command_;
  const char* program_;
  Console& console_;
  SystemFileSystem files_;
  LineRoller roller_;
  std::int64_t first_;
  std::unique_ptr<LineWriter> writer_;
};

}  // namespace

int rollMain(int argc, char** argv, Console& console, Clock& clock) {
  ParsedCommand parsed = parseCommand(argc, argv);
  console.writeOut(parsed.out);
  console.flushOut();
  console.writeErrRaw(parsed.err);
  if (!parsed.command) return parsed.status;
  const char* program = argc > 0 && argv[0] != nullptr ? argv[0] : "weft-roll";
  try {
    Session session(*parsed.command, program, console, clock);
    return session.run();
  } catch (const std::bad_alloc&) {
    return writeEnding(console, {ExitStatus::OutOfMemory, "Out of memory"});
  }
}

}  // namespace weft::roll
