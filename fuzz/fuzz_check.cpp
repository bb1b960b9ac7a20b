// Runs weft-check over a data file, with the files it lists and element files
// beside it: the checker must finish, without a crash or a hang, on any input.
//
// The input is as for fuzz_load_generate: one flag byte and then up to five
// files, separated by lines "~~": main.dat, b.dat, c.ele, sub/d.dat and
// sub/e.ele, held in memory. The flag byte chooses the frequency cap (bits
// 0-1) and whether the odds are shown (bit 2).
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "cli/check_run.h"
#include "fuzz_support.h"
#include "support/console.h"

namespace {

constexpr std::array<const char*, 5> kFileNames = {"main.dat", "b.dat", "c.ele", "sub/d.dat",
                                                   "sub/e.ele"};
constexpr std::array<const char*, 4> kMaxFrequencies = {"50", "2", "0", "2147483647"};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  weft::fuzz::FuzzEngine fuzz;
  unsigned flags = 0;
  if (!weft::fuzz::readInputFiles(data, size, fuzz.files, kFileNames, flags)) return 0;

  std::string program = "weft-check";
  std::string cap = "-m";
  std::string capValue = kMaxFrequencies[flags & 3u];
  std::string stats = "-S";
  std::string main = "main.dat";
  char* argv[] = {program.data(), cap.data(), capValue.data(), main.data(), stats.data(), nullptr};
  const int argc = (flags & 4u) != 0 ? 5 : 4;
  try {
    const int status = weft::check::runCheck(argc, argv, fuzz.console, fuzz.files);
    if (status < 0 || status > 2) std::abort();
  } catch (const weft::Ending&) {
    // The checker loads with an observer installed: nothing may end the run.
    std::abort();
  }
  return 0;
}
