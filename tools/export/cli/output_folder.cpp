#include "cli/output_folder.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

namespace weft::exporter {

namespace {

namespace fs = std::filesystem;

// A folder made for this export, removed again unless it is kept.
class TemporaryFolder {
 public:
  explicit TemporaryFolder(const fs::path& beside) {
    std::string pattern = beside.string() + ".tmp-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) != nullptr) path_ = buffer.data();
  }
  ~TemporaryFolder() {
    std::error_code ignored;
    if (!path_.empty() && !kept_) fs::remove_all(path_, ignored);
  }
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  const fs::path& path() const { return path_; }
  void keep() { kept_ = true; }

 private:
  fs::path path_;
  bool kept_ = false;
};

// Returns true when `relative` names a file inside a folder: no root, no
// "..", no empty part, no zero byte.
bool staysInside(const std::string& relative) {
  if (relative.empty() || relative.find('\0') != std::string::npos) return false;
  const fs::path path(relative);
  if (path.is_absolute()) return false;
  for (const fs::path& part : path) {
    if (part == ".." || part == "." || part.empty()) return false;
  }
  return true;
}

std::string writeFiles(const fs::path& root, const OutputFiles& files) {
  for (const OutputFile& file : files) {
    if (!staysInside(file.path)) return "the file name \"" + file.path + "\" leaves its folder";
    const fs::path path = root / file.path;
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    if (error) return path.parent_path().string() + ": " + error.message();
    std::ofstream out(path, std::ios::binary);
    out.write(file.content.data(), static_cast<std::streamsize>(file.content.size()));
    out.close();
    if (!out) return path.string() + ": cannot write the file";
  }
  return "";
}

// Returns an empty text when `folder` may be replaced.
std::string checkReplaceable(const fs::path& folder) {
  std::error_code error;
  const fs::file_status status = fs::symlink_status(folder, error);
  if (!fs::exists(status)) return "";
  if (!fs::is_directory(status)) return folder.string() + " exists and is not a folder";
  if (fs::is_empty(folder, error) || fs::exists(folder / kMarkerFile, error)) return "";
  return folder.string() + " exists and was not written by weft-export; name a new or empty folder";
}

}  // namespace

std::string writeOutputFolder(const std::string& folder, const OutputFiles& files,
                              const std::string& marker) {
  const fs::path target = fs::path(folder).lexically_normal();
  const fs::path path = target.filename().empty() ? target.parent_path() : target;
  if (std::string why = checkReplaceable(path); !why.empty()) return why;
  const fs::path parent = path.parent_path().empty() ? fs::path(".") : path.parent_path();
  std::error_code missing;
  if (!fs::is_directory(parent, missing)) {
    return "there is no folder " + parent.string() + " to write " + path.filename().string() +
           " in";
  }
  TemporaryFolder fresh(path);
  if (fresh.path().empty()) return path.string() + ": cannot make a folder beside it";
  OutputFiles all = files;
  all.push_back({kMarkerFile, marker});
  if (std::string why = writeFiles(fresh.path(), all); !why.empty()) return why;
  std::error_code error;
  if (fs::exists(path, error)) {
    // The old folder goes aside first, so that it is whole until the new
    // one is in its place.
    TemporaryFolder old(path);
    if (old.path().empty()) return path.string() + ": cannot make a folder beside it";
    fs::rename(path, old.path(), error);
    if (error) return path.string() + ": " + error.message();
    fs::rename(fresh.path(), path, error);
    if (error) {
      std::error_code ignored;
      fs::rename(old.path(), path, ignored);
      return path.string() + ": " + error.message();
    }
    fresh.keep();
    return "";
  }
  fs::rename(fresh.path(), path, error);
  if (error) return path.string() + ": " + error.message();
  fresh.keep();
  return "";
}

}  // namespace weft::exporter
