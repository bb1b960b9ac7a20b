#include "support/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace weft {

namespace {

bool containsNul(std::string_view text) { return text.find('\0') != std::string_view::npos; }

// A file of the system's, read through its descriptor.
class DescriptorFile final : public InputFile {
 public:
  DescriptorFile(int fd, FileIdentity identity) : fd_(fd), identity_(identity) {}
  ~DescriptorFile() override { ::close(fd_); }
  DescriptorFile(const DescriptorFile&) = delete;
  DescriptorFile& operator=(const DescriptorFile&) = delete;

  std::ptrdiff_t read(char* buffer, std::size_t size) override {
    for (;;) {
      const ssize_t got = ::read(fd_, buffer, size);
      if (got >= 0 || errno != EINTR) return got < 0 ? -1 : static_cast<std::ptrdiff_t>(got);
    }
  }
  FileIdentity identity() const override { return identity_; }

 private:
  int fd_;
  FileIdentity identity_;
};

// Opens `path` on disk; `directory` is the directory it is opened from, for
// its identity. Returns nullptr for what cannot be opened and for a
// directory.
std::unique_ptr<InputFile> openOnDisk(const std::string& path, const char* directory) {
  if (containsNul(path)) return nullptr;
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return nullptr;
  struct stat file {};
  if (::fstat(fd, &file) != 0 || S_ISDIR(file.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  struct stat folder {};
  if (::stat(directory, &folder) != 0) folder = {};
  return std::make_unique<DescriptorFile>(
      fd,
      FileIdentity{static_cast<std::uint64_t>(file.st_dev), static_cast<std::uint64_t>(file.st_ino),
                   static_cast<std::uint64_t>(folder.st_dev),
                   static_cast<std::uint64_t>(folder.st_ino)});
}

// A file held in memory.
class MemoryFile final : public InputFile {
 public:
  MemoryFile(std::shared_ptr<const std::string> content, FileIdentity identity)
      : content_(std::move(content)), identity_(identity) {}

  std::ptrdiff_t read(char* buffer, std::size_t size) override {
    const std::size_t n = std::min(size, content_->size() - pos_);
    std::memcpy(buffer, content_->data() + pos_, n);
    pos_ += n;
    return static_cast<std::ptrdiff_t>(n);
  }
  FileIdentity identity() const override { return identity_; }

 private:
  std::shared_ptr<const std::string> content_;
  FileIdentity identity_;
  std::size_t pos_ = 0;
};

// Files in memory have a device of their own, apart from every disk's.
constexpr std::uint64_t kMemoryDevice = std::numeric_limits<std::uint64_t>::max();

// Returns the absolute `path` with "." and empty parts left out and each
// ".." taking away the part before it ("/" stays "/").
std::string simplify(std::string_view path) {
  std::vector<std::string_view> parts;
  while (!path.empty()) {
    const std::size_t slash = path.find('/');
    const std::string_view part = path.substr(0, slash);
    path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::string out;
  for (const std::string_view part : parts) {
    out += '/';
    out += part;
  }
  return out.empty() ? "/" : out;
}

std::string join(const std::string& directory, std::string_view name) {
  if (!name.empty() && name[0] == '/') return std::string(name);
  std::string path = directory;
  if (path.empty() || path.back() != '/') path += '/';
  path += name;
  return path;
}

}  // namespace

std::unique_ptr<InputFile> SystemFileSystem::open(const std::string& name) {
  return openOnDisk(name, ".");
}

bool SystemFileSystem::changeDirectory(const std::string& directory) {
  return !containsNul(directory) && ::chdir(directory.c_str()) == 0;
}

std::string SystemFileSystem::workingDirectory() {
  std::vector<char> buffer(256);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE || buffer.size() > (std::size_t{1} << 20)) return {};
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

std::string MemoryFileSystem::resolve(std::string_view name) const {
  return simplify(join(cwd_, name));
}

void MemoryFileSystem::addDirectory(std::string_view path) {
  std::string folder = simplify(join("/", path));
  while (directories_.find(folder) == directories_.end()) {
    directories_.emplace(folder, directories_.size());
    folder = simplify(folder + "/..");
  }
}

void MemoryFileSystem::addFile(std::string_view path, std::string content) {
  const std::string file = simplify(join("/", path));
  addDirectory(file + "/..");
  files_[file] = std::make_shared<const std::string>(std::move(content));
}

void MemoryFileSystem::removeFile(std::string_view path) {
  const auto it = files_.find(simplify(join("/", path)));
  if (it != files_.end()) files_.erase(it);
}

std::uint64_t MemoryFileSystem::directoryId(const std::string& path) const {
  const auto it = directories_.find(path);
  return it == directories_.end() ? 0 : it->second;
}

std::unique_ptr<InputFile> MemoryFileSystem::open(const std::string& name) {
  // A name ending in "/" names a directory, which cannot be read.
  if (name.empty() || containsNul(name) || name.back() == '/') return nullptr;
  const auto it = files_.find(resolve(name));
  if (it == files_.end()) return nullptr;
  const auto file = static_cast<std::uint64_t>(std::distance(files_.begin(), it));
  return std::make_unique<MemoryFile>(
      it->second, FileIdentity{kMemoryDevice, file, kMemoryDevice, directoryId(cwd_)});
}

bool MemoryFileSystem::changeDirectory(const std::string& directory) {
  if (directory.empty() || containsNul(directory)) return false;
  const std::string folder = resolve(directory);
  if (directories_.find(folder) == directories_.end()) return false;
  cwd_ = folder;
  return true;
}

OverlayFileSystem::OverlayFileSystem(std::string directory) : cwd_(std::move(directory)) {
  if (cwd_.empty()) cwd_ = SystemFileSystem().workingDirectory();
}

std::string OverlayFileSystem::absolute(std::string_view name) const { return join(cwd_, name); }

void OverlayFileSystem::setBuffer(std::string_view path, std::string content) {
  buffers_.addFile(simplify(absolute(path)), std::move(content));
}

void OverlayFileSystem::removeBuffer(std::string_view path) {
  buffers_.removeFile(simplify(absolute(path)));
}

std::unique_ptr<InputFile> OverlayFileSystem::open(const std::string& name) {
  if (name.empty() || containsNul(name)) return nullptr;
  const std::string path = absolute(name);
  if (name.back() != '/') {
    if (auto buffer = buffers_.open(simplify(path))) return buffer;
  }
  return openOnDisk(path, cwd_.c_str());
}

bool OverlayFileSystem::changeDirectory(const std::string& directory) {
  if (directory.empty() || containsNul(directory)) return false;
  const std::string path = absolute(directory);
  // On disk the system resolves the path as chdir would, links included.
  if (char* real = ::realpath(path.c_str(), nullptr)) {
    const std::string resolved = real;
    std::free(real);
    struct stat info {};
    if (::stat(resolved.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
        ::access(resolved.c_str(), X_OK) == 0) {
      cwd_ = resolved;
      return true;
    }
    return false;
  }
  // A folder that only buffers hold.
  MemoryFileSystem& layer = buffers_;
  if (!layer.changeDirectory(simplify(path))) return false;
  cwd_ = layer.workingDirectory();
  return true;
}

}  // namespace weft
