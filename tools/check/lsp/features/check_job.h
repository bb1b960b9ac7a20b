// One check of a buffer's data file, taken out of the server with a copy of
// every buffer it may read, so that it can run on any thread while the
// server answers messages from what it found before.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "lsp/features/check_function.h"

namespace weft::check::lsp {

class CheckJob {
 public:
  // An open buffer as the check reads it: its absolute path and its text.
  using Buffer = std::pair<std::string, std::string>;

  // Checks the file at `path` (absolute), the buffer at `uri`, with `check`
  // (which must outlive the job), over `buffers` and below them the disk
  // when `readDisk`; `searchLines` as for CheckFunction.
  CheckJob(std::string uri, std::string path, bool searchLines, std::vector<Buffer> buffers,
           bool readDisk, const CheckFunction& check);

  // Runs the check, under the guard; throws nothing. Touches nothing but
  // the job.
  void run();

  const std::string& uri() const { return uri_; }
  // The version of the buffer's text it checks.
  std::optional<std::int64_t> version;
  bool searchesLines() const { return searchLines_; }
  // After run(): what the check found, or what stopped it.
  CheckResult& result() { return result_; }
  const std::optional<std::string>& stopped() const { return stopped_; }

 private:
  void check();

  std::string uri_;
  std::string path_;
  bool searchLines_;
  std::vector<Buffer> buffers_;
  bool readDisk_;
  const CheckFunction& check_;
  CheckResult result_;
  std::optional<std::string> stopped_;
};

}  // namespace weft::check::lsp
