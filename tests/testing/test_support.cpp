#include "testing/test_support.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "support/random_source.h"

namespace weft::testing {

ScratchDir::ScratchDir() : previous_(std::filesystem::current_path().string()) {
  std::string pattern = (std::filesystem::temp_directory_path() / "weft-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
  std::filesystem::current_path(path_);
}

ScratchDir::~ScratchDir() {
  std::error_code error;
  std::filesystem::current_path(previous_, error);
  // Tests may leave directories without permissions behind.
  for (const auto& entry : std::filesystem::recursive_directory_iterator(
           path_, std::filesystem::directory_options::skip_permission_denied, error)) {
    std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, error);
  }
  std::filesystem::remove_all(path_, error);
}

void writeFile(const std::string& path, std::string_view content) {
  const std::filesystem::path file(path);
  if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

std::uint32_t nthDraw(std::uint32_t seed, int n) {
  RandomSource source;
  source.seedRandom(seed);
  std::uint32_t value = 0;
  for (int i = 0; i <= n; ++i) value = source.nextRandom();
  return value;
}

}  // namespace weft::testing
