// Runs weft-check over a data file, with the files it lists and element files
// beside it: the checker must finish, without a crash or a hang, on any input.
//
// The input is as for fuzz_load_generate: one flag byte and then up to five
// files, separated by lines "~~": main.dat, b.dat, c.ele, sub/d.dat and
// sub/e.ele. The flag byte chooses the frequency cap (bits 0-1) and whether
// the odds are shown (bit 2). Inputs holding "/" or ".." are skipped, so that
// nothing outside the scratch directory is read.
#include <unistd.h>

#include <sys/stat.h>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "check_run.h"
#include "fuzz_support.h"
#include "support/settings.h"

namespace {

std::string scratch;

constexpr std::array<const char*, 5> kFileNames = {"main.dat", "b.dat", "c.ele", "sub/d.dat",
                                                   "sub/e.ele"};
constexpr std::array<const char*, 4> kMaxFrequencies = {"50", "2", "0", "2147483647"};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  weft::fuzz::setUp();
  scratch = weft::fuzz::makeScratchDir("weft-fuzz-check");
  ::mkdir((scratch + "/sub").c_str(), 0755);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  unsigned flags = 0;
  if (!weft::fuzz::writeInputFiles(data, size, scratch, kFileNames, flags)) return 0;
  if (::chdir(scratch.c_str()) != 0) std::abort();

  std::string program = "weft-check";
  std::string cap = "-m";
  std::string capValue = kMaxFrequencies[flags & 3u];
  std::string stats = "-S";
  std::string main = "main.dat";
  char* argv[] = {program.data(), cap.data(), capValue.data(), main.data(), stats.data(), nullptr};
  const int argc = (flags & 4u) != 0 ? 5 : 4;
  try {
    const int status = weft::check::runCheck(argc, argv);
    if (status < 0 || status > 2) std::abort();
  } catch (const weft::fuzz::RunEnded&) {
    // The checker loads with an observer installed: nothing may end the run.
    std::abort();
  }
  weft::runSettings() = weft::RunSettings{};
  return 0;
}
