// Lines as weft prints them at chosen clock seconds: each line the one line
// of a run of weft of its own, as `faketime` repeats it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "roll/line_steps.h"
#include "support/clock.h"
#include "support/console.h"
#include "support/engine.h"
#include "support/file_system.h"

namespace weft {

class DataFile;

// A piece of what weft wrote, on standard output ("Didn't grok" notes) or
// on standard error (diagnostics), in the order written.
struct WrittenPiece {
  bool error = false;
  std::string text;
};

// The line that weft prints at one second, and what came with it.
struct RolledLine {
  std::int64_t second = 0;
  std::string line;                   // as weft prints it, without the line feed
  std::string cased;                  // the same line in the author's case (RollSettings::keepCase)
  std::vector<WrittenPiece> written;  // what weft wrote before the line
  std::vector<LineStep> steps;        // how it was made (RollSettings::steps)
  // The run ended on this line instead, and weft printed none.
  std::optional<Ending> ending;
};

struct RollSettings {
  std::int32_t maxFrequency = 50;  // weft's -m
  std::int64_t seedOffset = 0;     // weft's -s, added to every second
  bool keepCase = false;           // also make each line in the author's case
  bool steps = false;              // also record how each line was made
};

// An engine for rolling: data files are loaded with engine() (and the
// settings it was given), then rollAt() makes the line of any second. A
// line depends only on the loaded files and its second, so a file loaded
// once rolls the line that a run of weft over that file alone prints.
class LineRoller {
 public:
  LineRoller(FileSystem& files, const RollSettings& settings);
  LineRoller(const LineRoller&) = delete;
  LineRoller& operator=(const LineRoller&) = delete;

  Engine& engine() { return engine_; }
  const RollSettings& settings() const { return settings_; }

  // Returns what was written since the last call outside rollAt(): loading's
  // diagnostics, which weft writes before a file's first line.
  std::vector<WrittenPiece> takeWritten();

  // Returns the line that `weft FILE` prints with the clock at `second`
  // (with -m and -s as set), or how its run ended.
  RolledLine rollAt(const DataFile& file, std::int64_t second);

 private:
  // Keeps what weft writes, stream by stream, in order.
  class Capture final : public Console {
   public:
    std::vector<WrittenPiece> take();

   protected:
    int writeOutBytes(std::string_view text) override;
    void writeErr(std::string_view text) override;

   private:
    void add(bool error, std::string_view text);
    std::vector<WrittenPiece> pieces_;
  };

  RollSettings settings_;
  Capture console_;
  FixedClock clock_;
  Engine engine_;
  std::vector<LineStep> steps_;
  StepRecorder recorder_{steps_};
  std::string line_;
  std::string cased_;
};

}  // namespace weft
