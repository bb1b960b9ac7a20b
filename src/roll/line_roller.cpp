#include "roll/line_roller.h"

#include "datafile/data_file.h"
#include "generate/author_case.h"

namespace weft {

std::vector<WrittenPiece> LineRoller::Capture::take() {
  std::vector<WrittenPiece> pieces;
  pieces.swap(pieces_);
  return pieces;
}

int LineRoller::Capture::writeOutBytes(std::string_view text) {
  add(false, text);
  return 0;
}

void LineRoller::Capture::writeErr(std::string_view text) { add(true, text); }

void LineRoller::Capture::add(bool error, std::string_view text) {
  if (text.empty()) return;
  if (pieces_.empty() || pieces_.back().error != error) pieces_.push_back({error, {}});
  pieces_.back().text.append(text);
}

LineRoller::LineRoller(FileSystem& files, const RollSettings& settings)
    : settings_(settings), engine_(console_, files, clock_) {
  engine_.settings.maxFrequency = settings.maxFrequency;
  engine_.settings.keepCase = settings.keepCase;
  // Installed while loading too, so that each pick names its line.
  if (settings.steps) engine_.generationObserver = &recorder_;
}

std::vector<WrittenPiece> LineRoller::takeWritten() {
  console_.tryFlushOut();
  return console_.take();
}

RolledLine LineRoller::rollAt(const DataFile& file, std::int64_t second) {
  RolledLine rolled;
  rolled.second = second;
  clock_.set(second);
  // Seeded as weft seeds: the second plus the offset, in their low 32 bits.
  engine_.random.seedRandom(static_cast<std::uint32_t>(second) +
                            static_cast<std::uint32_t>(settings_.seedOffset));
  recorder_.reset();
  try {
    if (settings_.keepCase) {
      generateKeepingCase(engine_, file, line_, cased_);
      rolled.cased = cased_;
    } else {
      file.generateInto(engine_, line_);
    }
    rolled.line = line_;
  } catch (const Ending& ending) {
    rolled.ending = ending;
  }
  console_.tryFlushOut();
  rolled.written = console_.take();
  rolled.steps.swap(steps_);
  return rolled;
}

}  // namespace weft
