// Runs weft-export over a data file, with the files it lists and element files
// beside it, in every format: the export must finish, without a crash or a
// hang, on any input, and write only valid UTF-8 into files of its folder.
//
// The input is as for fuzz_load_generate: one flag byte and then up to five
// files, separated by lines "~~": main.dat, b.dat, c.ele, sub/d.dat and
// sub/e.ele, held in memory. The flag byte chooses the frequency cap (bits
// 0-1), the weights (bit 2: --exact) and the format (bits 3-4: Foundry 13,
// Foundry 12, Obsidian, Roll20).
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "cli/export_run.h"
#include "fuzz_support.h"
#include "support/console.h"
#include "text/utf8.h"

namespace {

constexpr std::array<const char*, 5> kFileNames = {"main.dat", "b.dat", "c.ele", "sub/d.dat",
                                                   "sub/e.ele"};
constexpr std::array<std::int32_t, 4> kMaxFrequencies = {50, 2, 0, 2147483647};

bool validUtf8(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      ++i;
      continue;
    }
    const std::size_t length = weft::check::utf8Length(std::string_view(text).substr(i));
    if (length == 0) return false;
    i += length;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using weft::exporter::Format;
  weft::fuzz::FuzzEngine fuzz;
  unsigned flags = 0;
  if (!weft::fuzz::readInputFiles(data, size, fuzz.files, kFileNames, flags)) return 0;
  weft::exporter::ExportRequest request;
  request.maxFrequency = kMaxFrequencies[flags & 3u];
  request.exact = (flags & 4u) != 0;
  constexpr std::array<Format, 4> kFormats = {Format::Foundry, Format::Foundry, Format::Obsidian,
                                              Format::Roll20};
  request.format = kFormats[(flags >> 3) & 3u];
  request.foundryVersion = ((flags >> 3) & 3u) == 1 ? 12 : 13;
  request.output = "out";
  request.operands = {"main.dat"};
  try {
    const weft::exporter::ExportResult result =
        weft::exporter::makeExport(request, fuzz.files, fuzz.console);
    for (const weft::exporter::OutputFile& file : result.files) {
      if (file.path.empty() || file.path[0] == '/' || file.path.find("..") != std::string::npos ||
          !validUtf8(file.path) || !validUtf8(file.content)) {
        std::abort();
      }
    }
  } catch (const weft::Ending&) {
    // Loading with an observer installed ends nothing.
    std::abort();
  }
  return 0;
}
