#include "lsp/features/check_job.h"

#include "lsp/documents/uri.h"
#include "lsp/features/diagnostics.h"
#include "lsp/protocol/guard.h"
#include "support/clock.h"
#include "support/console.h"
#include "support/file_system.h"

namespace weft::check::lsp {

namespace {

// A console that keeps nothing: the checker writes no output while loading.
class QuietConsole final : public Console {
 protected:
  int writeOutBytes(std::string_view) override { return 0; }
  void writeErr(std::string_view) override {}
};

}  // namespace

CheckJob::CheckJob(std::string uri, std::string path, bool searchLines, std::vector<Buffer> buffers,
                   bool readDisk, const CheckFunction& check)
    : uri_(std::move(uri)),
      path_(std::move(path)),
      searchLines_(searchLines),
      buffers_(std::move(buffers)),
      readDisk_(readDisk),
      check_(check) {}

void CheckJob::run() {
  try {
    stopped_ = guarded([this] { check(); });
  } catch (...) {
    // Only the words for what stopped it could not be made; nothing may
    // leave the thread a job runs on.
    stopped_.emplace("out of memory");
  }
  if (stopped_) result_ = CheckResult();
}

void CheckJob::check() {
  // The file is checked as weft would load it from its own folder.
  const std::string folder = folderOf(path_);
  OverlayFileSystem overlay(folder);
  MemoryFileSystem memory;
  for (auto& [path, text] : buffers_) {
    if (readDisk_) {
      overlay.setBuffer(path, std::move(text));
    } else {
      memory.addFile(path, std::move(text));
    }
  }
  buffers_.clear();
  memory.changeDirectory(folder);
  QuietConsole console;
  FixedClock clock;
  Engine engine(console, readDisk_ ? static_cast<FileSystem&>(overlay) : memory, clock);
  result_ = check_(engine, nameOf(path_), searchLines_);
  if (searchLines_) {
    // Only the odds are wanted; the rest goes here, off the server's thread.
    CheckResult odds;
    odds.odds = std::move(result_.odds);
    result_ = std::move(odds);
  } else {
    capDiagnostics(result_.diagnostics);
  }
}

}  // namespace weft::check::lsp
