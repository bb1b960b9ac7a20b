// Where data files come from: the files that loading opens, the working
// directory that "%chdir:" and the driver change, and the identity of a file
// that the file-list loop check compares.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace weft {

// What makes two loads the same: the file and the directory it was opened
// from. Loading is determined by the two, so meeting the same pair again
// further down the chain of files being loaded would repeat for ever.
struct FileIdentity {
  std::uint64_t fileDevice = 0;
  std::uint64_t file = 0;
  std::uint64_t directoryDevice = 0;
  std::uint64_t directory = 0;
  bool operator==(const FileIdentity&) const = default;
};

// One file open for reading.
class InputFile {
 public:
  virtual ~InputFile() = default;

  // Reads up to `size` bytes into `buffer`. Returns the number read, 0 at
  // the end of the file, or -1 on a read error.
  virtual std::ptrdiff_t read(char* buffer, std::size_t size) = 0;

  // The file and the directory it was opened from.
  virtual FileIdentity identity() const = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Opens `name`, relative to the working directory unless it starts with
  // "/". Returns nullptr when it cannot be opened, is a directory, or holds
  // a zero byte. Never creates a file.
  virtual std::unique_ptr<InputFile> open(const std::string& name) = 0;

  // Makes `directory` the working directory. Returns false when that fails.
  virtual bool changeDirectory(const std::string& directory) = 0;

  // Returns the working directory, or an empty text when it cannot be read.
  virtual std::string workingDirectory() = 0;
};

// The system's files and the process's own working directory, which this
// file system changes: symbolic links, ".." and long paths behave as the
// system has them.
class SystemFileSystem final : public FileSystem {
 public:
  std::unique_ptr<InputFile> open(const std::string& name) override;
  bool changeDirectory(const std::string& directory) override;
  std::string workingDirectory() override;
};

// Files held in memory by absolute path, and a working directory that is a
// value. A directory exists when it is "/", was added, or holds a file. Paths
// are taken apart at "/"; "." stays and ".." goes up, never above "/".
class MemoryFileSystem final : public FileSystem {
 public:
  MemoryFileSystem() = default;

  // Adds (or replaces) the file at `path` (relative paths start at "/"),
  // with the directories on its way.
  void addFile(std::string_view path, std::string content);
  void addDirectory(std::string_view path);
  void removeFile(std::string_view path);

  std::unique_ptr<InputFile> open(const std::string& name) override;
  bool changeDirectory(const std::string& directory) override;
  std::string workingDirectory() override { return cwd_; }

  // Returns `name` made absolute against the working directory and
  // simplified.
  std::string resolve(std::string_view name) const;

 private:
  std::uint64_t directoryId(const std::string& path) const;

  std::map<std::string, std::shared_ptr<const std::string>, std::less<>> files_;
  std::map<std::string, std::uint64_t, std::less<>> directories_{{"/", 0}};
  std::string cwd_ = "/";
};

// Buffers held in memory over the system's files below them, and a working
// directory that is a value: a buffer shadows the file of the same absolute
// path, every other file is read from disk. The process's own working
// directory never moves.
class OverlayFileSystem final : public FileSystem {
 public:
  // Starts in `directory` (the process's working directory when empty).
  explicit OverlayFileSystem(std::string directory = {});

  // Holds `content` at `path` (made absolute against the working directory)
  // in place of the file on disk; removeBuffer lets the disk show again.
  void setBuffer(std::string_view path, std::string content);
  void removeBuffer(std::string_view path);

  std::unique_ptr<InputFile> open(const std::string& name) override;
  bool changeDirectory(const std::string& directory) override;
  std::string workingDirectory() override { return cwd_; }

 private:
  std::string absolute(std::string_view name) const;

  MemoryFileSystem buffers_;
  std::string cwd_;
};

}  // namespace weft
