// The checks of the open buffers. A buffer is analysed as weft would load
// it from its folder, with the other buffers over the disk, when it was
// edited since its last analysis: at once when a request needs it, else as
// idle work; the search of its lines, the costly part, waits for a longer
// pause. Idle work is taken out as a CheckJob, which may run on another
// thread, and taken back in when done. What stops a check becomes a
// diagnostic on the buffer (an analysis) or a logged message (a search).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "lsp/documents/workspace.h"
#include "lsp/features/check_function.h"
#include "lsp/features/check_job.h"
#include "lsp/protocol/endpoint.h"

namespace weft::check::lsp {

class BufferChecks {
 public:
  // Diagnostics and logged messages go to `outbox`.
  BufferChecks(Workspace& workspace, Outbox& outbox, CheckFunction check);

  Workspace& workspace() { return workspace_; }
  const Workspace& workspace() const { return workspace_; }

  // Analyses `document` now and publishes its diagnostics.
  void analyse(Document& document);
  // Analyses `document` unless it has been analysed once at least.
  void analyseOnce(Document& document) {
    if (!document.analysed) analyse(document);
  }

  // Returns the buffer and position a request is about, the buffer
  // analysed once at least; nothing without them.
  std::optional<Place> placeOf(const Json& params);

  // Returns the odds of the file shown as `path` from the last analysis of
  // `document`, or null.
  const FileOdds* odds(const Document& document, const std::string& path) const;
  // The same with its lines searched; null until the search that follows
  // the last analysis has run.
  const FileOdds* searchedOdds(const Document& document, const std::string& path) const;

  // Returns the file that a reference (`name`) in `document` makes its line
  // from, or null when none of its file lists names one so.
  const LoadedFile* listedFile(const Document& document, std::string_view name) const;
  // Returns the file that line `line` (from 1) of `document`'s file list
  // loaded, or null.
  const LoadedFile* fileListedAt(const Document& document, std::uint64_t line) const;

  // Takes out the analysis of the first buffer edited since its last one,
  // or with `search` the search of the first buffer's lines older than its
  // analysis; null when there is none. The buffer counts as checked from
  // then on; an edit while the job runs makes it stale again.
  std::unique_ptr<CheckJob> takeWork(bool search);
  // Takes in what `job` found: an analysis's result and diagnostics, or a
  // search's odds; nothing for a buffer closed since.
  void finish(CheckJob& job);
  bool hasIdleWork() const;
  bool hasDeferredWork() const;

 private:
  std::unique_ptr<CheckJob> jobFor(Document& document, bool searchLines);

  Workspace& workspace_;
  Outbox& outbox_;
  CheckFunction check_;
};

}  // namespace weft::check::lsp
