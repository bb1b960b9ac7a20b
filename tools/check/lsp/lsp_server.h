// weft's language server: the checker's findings and odds for the buffers
// an editor has open, as JSON-RPC messages of the Language Server Protocol.
//
// The core knows no transport: a front end passes each message in with
// handle() and sends what it returns; when no message is waiting it calls
// idle(), which analyses the buffers edited since their last analysis, a
// piece of work at a time. So a burst of edits is analysed once, after the
// last of them, and the same core serves standard input and output
// (runLanguageServer) or a web page.
//
//   LanguageServer server;
//   for (const std::string& reply : server.handle(message)) send(reply);
//   while (server.hasIdleWork() && !messageWaiting())
//     for (const std::string& note : server.idle()) send(note);
//   // and after a pause with no message, the same for hasDeferredWork().
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "checker/checker.h"
#include "lsp/lsp_document.h"

namespace weft::check::lsp {

// One open buffer and what its last analysis found.
struct Document {
  std::string uri;
  std::string path;  // absolute
  std::string text;
  std::unique_ptr<TextLines> lines;  // over `text`
  Outline outline;
  bool stale = true;  // edited since its last analysis
  bool analysed = false;
  // Of the last analysis, with the odds of each file's tables and dice.
  CheckResult result;
  // The odds of every file the buffer loads with the lines of table 0
  // searched (the costly part), worked out after a longer pause, and older
  // than the text when `lineOddsStale`.
  std::vector<FileOdds> lineOdds;
  bool lineOddsStale = true;
  // The other files that analysis published diagnostics for, by URI.
  std::set<std::string> published;
};

class LanguageServer {
 public:
  // Files not open in the editor are read from disk below the buffers, or,
  // without `readDisk`, do not exist (for a page, or a fuzzer).
  explicit LanguageServer(bool readDisk = true);
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

// Returns the absolute path of a "file:" URI, or an empty text for another
// scheme; and the URI of an absolute path.
std::string pathOfUri(std::string_view uri);
std::string uriOfPath(std::string_view path);

}  // namespace weft::check::lsp
