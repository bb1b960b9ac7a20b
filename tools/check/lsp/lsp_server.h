// weft's language server: the checker's findings and odds for the buffers
// an editor has open, as JSON-RPC messages of the Language Server Protocol.
//
// The core knows no transport: a front end passes each message in with
// handle() and sends what it returns; when no message is waiting it calls
// idle(), which analyses the buffers edited since their last analysis, a
// piece of work at a time. So a burst of edits is analysed once, after the
// last of them, and the same core serves standard input and output
// (runLanguageServer) or a web page. Nothing a message or a buffer holds
// stops it: what stops a piece of work is answered as an error, published
// as a diagnostic on the buffer or logged, and the server goes on.
//
//   LanguageServer server;
//   for (const std::string& reply : server.handle(message)) send(reply);
//   while (server.hasIdleWork() && !messageWaiting())
//     for (const std::string& note : server.idle()) send(note);
//   // and after a pause with no message, the same for hasDeferredWork().
//
// Its parts, each a layer: lsp/protocol (messages, lifecycle, the guard),
// lsp/documents (buffers, versions, positions, outlines), lsp/features (the
// checks of buffers and one file per family of requests).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "lsp/documents/uri.h"
#include "lsp/features/check_function.h"
#include "lsp/features/check_job.h"

namespace weft::check::lsp {

class LanguageServer {
 public:
  // Files not open in the editor are read from disk below the buffers, or,
  // without `readDisk`, do not exist (for a page, or a fuzzer). Buffers are
  // checked with `check`, checkDataFile when empty.
  explicit LanguageServer(bool readDisk = true, CheckFunction check = {});
  ~LanguageServer();

  // Handles one message, the JSON text of a request or notification.
  // Returns the messages to send in reply, in order.
  std::vector<std::string> handle(std::string_view message);

  // Does the next piece of the work left: the analysis of a buffer edited
  // since its last one (returning the diagnostics to publish), else the
  // search of a buffer's lines, for the variety and shares of lines that
  // hover shows. A front end calls it while hasIdleWork() and no message is
  // waiting, so that a newer edit supersedes older work, and for the
  // deferred work once no message came for a longer pause.
  std::vector<std::string> idle();
  bool hasIdleWork() const;
  bool hasDeferredWork() const;

  // The same work taken out, for a front end that does it on other threads
  // (CheckJob::run) while the server answers messages from what it found
  // before: the analysis of a buffer edited since its last one, or with
  // `deferred` the search of a buffer's lines; null when there is none.
  // finish() takes in what a job found and returns the messages to send.
  std::unique_ptr<CheckJob> takeWork(bool deferred);
  std::vector<std::string> finish(std::unique_ptr<CheckJob> job);

  // Set once the "exit" notification came; the process then ends with
  // exitStatus(): 0 after a "shutdown" request, 1 without one.
  bool exited() const;
  int exitStatus() const;

 private:
  class Session;
  std::unique_ptr<Session> session_;
};

// Serves the protocol on standard input and output until "exit" or the end
// of input. Returns the process's exit status.
int runLanguageServer();

}  // namespace weft::check::lsp
