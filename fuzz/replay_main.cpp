// Runs a fuzz target once over each input kept in the directories (or files)
// named on the command line, without the fuzzing engine: the regression test
// of a plain build. Arguments beginning with "-" are the engine's and are
// skipped.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/file_system.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

void collect(const std::string& path, std::vector<std::string>& files) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    std::fprintf(stderr, "replay: cannot read %s\n", path.c_str());
    std::exit(2);
  }
  if (!S_ISDIR(info.st_mode)) {
    files.push_back(path);
    return;
  }
  DIR* dir = ::opendir(path.c_str());
  if (dir == nullptr) return;
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(path + "/" + name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) collect(name, files);
}

}  // namespace

int main(int argc, char** argv) {
  LLVMFuzzerInitialize(&argc, &argv);
  std::vector<std::string> files;
  // Inputs are named from the starting directory, whatever a target does.
  const std::string start = weft::SystemFileSystem().workingDirectory();
  for (int i = 1; i < argc; ++i) {
    if (argv[i][0] == '-') continue;
    collect(argv[i][0] == '/' || start.empty() ? argv[i] : start + "/" + argv[i], files);
  }
  for (const std::string& file : files) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "replay: cannot read %s\n", file.c_str());
      return 2;
    }
    const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
  }
  std::fprintf(stderr, "replay: %zu inputs ran\n", files.size());
  return 0;
}
