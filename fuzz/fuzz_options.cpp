// Scans arbitrary argument vectors for weft's options.
//
// The input is one flag byte (bit 0: _POSIX_OPTION_ORDER set, bit 1: set
// under a lower-case name) and then the elements, separated by NUL bytes.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "driver/option_scanner.h"
#include "driver/run.h"
#include "fuzz_support.h"
#include "support/numbers.h"

namespace {

weft::fuzz::NullConsole console;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 4096) return 0;
  const unsigned flags = data[0];
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::vector<std::string> elements = {"weft"};
  for (std::size_t start = 0; start <= text.size() && elements.size() < 256;) {
    const std::size_t end = std::min(text.find('\0', start), text.size());
    elements.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  std::vector<char*> argv;
  for (std::string& element : elements) argv.push_back(element.data());
  const std::vector<char*> original = argv;
  argv.push_back(nullptr);
  const int argc = static_cast<int>(elements.size());

  const char* variable = (flags & 2u) != 0 ? "_posix_option_order" : "_POSIX_OPTION_ORDER";
  if ((flags & 1u) != 0) ::setenv(variable, "", 1);
  weft::OptionScanner scanner(argc, argv.data(), weft::kOptionString, console);
  if (scanner.ordering() != ((flags & 1u) != 0 ? weft::OptionScanner::Ordering::RequireOrder
                                               : weft::OptionScanner::Ordering::Permute)) {
    std::abort();
  }
  ::unsetenv(variable);

  int calls = 0;
  for (int option; (option = scanner.nextOption()) != -1;) {
    // Each call takes at least one option letter, so the calls are bounded
    // by the bytes of the vector.
    if (++calls > static_cast<int>(size) + 2) std::abort();
    if (scanner.optionIndex() < 1 || scanner.optionIndex() > argc) std::abort();
    if (option == 'n' || option == 'm' || option == 's') {
      const char* argument = scanner.optionArgument();
      if (argument == nullptr) std::abort();
      // The argument lies inside one of the elements.
      bool inside = false;
      for (int i = 1; i < argc; ++i) {
        const std::size_t length = std::strlen(argv[static_cast<std::size_t>(i)]);
        if (argument >= argv[static_cast<std::size_t>(i)] &&
            argument <= argv[static_cast<std::size_t>(i)] + length) {
          inside = true;
        }
      }
      if (!inside) std::abort();
      volatile std::int32_t value = weft::readDecimal(argument);
      (void)value;
    } else if (option != 't' && option != 'd' && option != '?') {
      std::abort();
    }
  }
  if (scanner.optionIndex() < 1 || scanner.optionIndex() > argc) std::abort();
  // The elements are only reordered, never lost or duplicated.
  std::vector<char*> sortedBefore = original;
  std::vector<char*> sortedAfter(argv.begin(), argv.end() - 1);
  std::sort(sortedBefore.begin(), sortedBefore.end());
  std::sort(sortedAfter.begin(), sortedAfter.end());
  if (sortedBefore != sortedAfter || argv[0] != original[0] || argv.back() != nullptr) std::abort();
  // Every element from optionIndex on is an operand, unless the options
  // ended at "--" or (in required order) at the first operand.
  return 0;
}
