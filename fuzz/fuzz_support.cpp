#include "fuzz_support.h"

#include <cstdlib>

// AddressSanitizer keeps freed memory in a quarantine (256 MiB by default) so
// that a late use of it is caught, and its allocator keeps the pages it has
// used. One input of weft-check frees everything it made, yet over thousands
// of inputs the quarantine and the freed pages grew the process from 33 MB
// to nearly 1 GB, though nothing leaked. A use after free within one input is
// still caught with an empty quarantine when the memory is not handed out
// again at once, and the allocator gives free pages back to the system each
// second, so that a long run stays flat.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define WEFT_FUZZ_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define WEFT_FUZZ_ASAN 1
#endif
#ifdef WEFT_FUZZ_ASAN
extern "C" const char* __asan_default_options() {
  return "quarantine_size_mb=0:allocator_release_to_os_interval_ms=1000";
}
#endif

namespace weft::fuzz {

namespace {

void readAll(std::string_view text) {
  volatile std::size_t sum = 0;
  for (const char c : text) sum = sum + static_cast<unsigned char>(c);
}

}  // namespace

int NullConsole::writeOutBytes(std::string_view text) {
  readAll(text);
  return 0;
}

void NullConsole::writeErr(std::string_view text) { readAll(text); }

FuzzEngine::FuzzEngine() {
  ExpansionLimits& limits = engine.limits;
  limits.maxTextBytes = 32 * 1024;
  limits.maxSteps = 3'000;
  limits.maxDiagnosticBytes = 64 * 1024;
  limits.maxWorkBytes = 4 << 20;
}

bool readInputFiles(const std::uint8_t* data, std::size_t size, MemoryFileSystem& files,
                    std::span<const char* const> names, unsigned& flags) {
  if (size < 1 || size > std::size_t{64} * 1024) return false;
  const std::string_view whole(reinterpret_cast<const char*>(data), size);
  flags = data[0];
  std::string_view rest = whole.substr(1);
  for (const char* name : names) {
    const std::size_t cut = rest.find("\n~~\n");
    files.addFile(name, std::string(rest.substr(0, cut)));
    rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 4);
  }
  return true;
}

}  // namespace weft::fuzz
