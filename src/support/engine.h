// The engine that loads data files and generates lines: everything loading
// and generation depend on, passed in by the front end that drives them
// (weft's driver, the checker, the page, a test) instead of held by the
// process. Two engines never share state.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/clock.h"
#include "support/console.h"
#include "support/file_system.h"
#include "support/random_source.h"
#include "support/settings.h"

namespace weft {

class LoadObserver;
class GenerationObserver;

// The state of the loads in progress: the chain of files being loaded, each
// with the directory it was opened from, and the files loaded since the
// current data file named on the command line began.
struct LoadState {
  std::vector<FileIdentity> chain;
  std::uint64_t filesLoaded = 0;
};

// What the line being generated has spent of its limits, and the buffers of
// each level of expansion, kept from line to line so that a line allocates
// nothing once they have grown. A listed file's line is expanded one level
// deeper, with buffers of its own.
struct ExpansionState {
  struct Level {
    std::string rest;
    std::string spare;
    std::string subfileLine;
    // The same three for the line in the author's case, when it is kept.
    std::string authorRest;
    std::string authorSpare;
    std::string subfileAuthorLine;
  };
  int depth = 0;  // nested expansions: generation re-enters for listed files
  std::uint64_t steps = 0;
  std::uint64_t diagnosticBytes = 0;
  std::uint64_t workBytes = 0;
  // Held by pointer so that growing the list never moves buffers in use.
  std::vector<std::unique_ptr<Level>> levels;
};

struct Engine {
  Engine(Console& console, FileSystem& files, Clock& clock)
      : console(console), files(files), clock(clock) {}
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  Console& console;
  FileSystem& files;
  Clock& clock;
  // The one random number generator: seeded by the front end, drawn from by
  // generation, reseeded by every dice roll.
  RandomSource random;
  RunSettings settings;
  ExpansionLimits limits;
  // Told of every line read and every problem met while loading; with one
  // installed, loading goes on after the problems that end a run of weft.
  LoadObserver* loadObserver = nullptr;
  // Told of every step of every line generated. While one is installed,
  // loading also keeps the line each entry stands on, for the picks to name.
  GenerationObserver* generationObserver = nullptr;

  LoadState loading;
  ExpansionState expansion;
};

}  // namespace weft
