#include "fuzz_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "generate/expand.h"
#include "support/clock.h"
#include "support/console.h"

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

std::int64_t frozenTime() { return 1767225600; }

// Installed as the fatal handler: the problem comes back to the target as a
// RunEnded instead of ending the process.
void unwind(ExitStatus status, std::string_view message) {
  // The diagnostic must be readable to its end (a sanitizer checks it).
  volatile std::size_t sum = 0;
  for (const char c : message) sum = sum + static_cast<unsigned char>(c);
  flushOut();
  throw RunEnded{static_cast<int>(status)};
}

}  // namespace

void setUp() {
  const int null = ::open("/dev/null", O_WRONLY);
  if (null >= 0) {
    ::dup2(null, STDOUT_FILENO);
    ::close(null);
  }
  setClock(frozenTime);
  setFatalHandler(unwind);
  ExpansionLimits& limits = expansionLimits();
  limits.maxTextBytes = 32 * 1024;
  limits.maxSteps = 3'000;
  limits.maxDiagnosticBytes = 64 * 1024;
  limits.maxWorkBytes = 4 << 20;
}

std::string makeScratchDir(std::string_view prefix) {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
  pattern += '/';
  pattern += prefix;
  pattern += "-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (::mkdtemp(buffer.data()) == nullptr) std::abort();
  // Scratch directories go when the process ends, however many runs it made.
  static std::vector<std::string> made;
  if (made.empty()) {
    std::atexit([] {
      if (::chdir("/") != 0) return;
      for (const std::string& directory : made) {
        clearDir(directory);
        ::rmdir(directory.c_str());
      }
    });
  }
  made.emplace_back(buffer.data());
  return made.back();
}

void clearDir(const std::string& directory) {
  DIR* dir = ::opendir(directory.c_str());
  if (dir == nullptr) return;
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(directory + "/" + name);
  }
  ::closedir(dir);
  for (const std::string& path : names) {
    if (::unlink(path.c_str()) != 0) {
      clearDir(path);
      ::rmdir(path.c_str());
    }
  }
}

void writeAll(int fd, std::string_view content) {
  while (!content.empty()) {
    const ssize_t n = ::write(fd, content.data(), content.size());
    if (n <= 0) std::abort();
    content.remove_prefix(static_cast<std::size_t>(n));
  }
}

void writeFile(const std::string& path, std::string_view content) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) std::abort();
  writeAll(fd, content);
  ::close(fd);
}

}  // namespace weft::fuzz

namespace weft::fuzz {

bool writeInputFiles(const std::uint8_t* data, std::size_t size, const std::string& scratch,
                     std::span<const char* const> names, unsigned& flags) {
  if (size < 1 || size > std::size_t{64} * 1024) return false;
  const std::string_view whole(reinterpret_cast<const char*>(data), size);
  if (whole.find('/') != std::string_view::npos || whole.find("..") != std::string_view::npos) {
    return false;
  }
  flags = data[0];
  std::string_view rest = whole.substr(1);
  for (const char* name : names) {
    const std::size_t cut = rest.find("\n~~\n");
    writeFile(scratch + "/" + name, rest.substr(0, cut));
    rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 4);
  }
  return true;
}

}  // namespace weft::fuzz
