// The entries of weft-check's WebAssembly build that run its language server
// in the page: one server for the life of the instance, handed one JSON-RPC
// message at a time, as the native server is over standard input and output.
#include <emscripten/emscripten.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "lsp/lsp_server.h"

namespace {

weft::check::lsp::LanguageServer& server() {
  // The page has no disk: every file it has is an open buffer.
  static weft::check::lsp::LanguageServer instance(false);
  return instance;
}

// The messages of the last call, as one JSON array (or the text of the last
// URI or path), kept until the next.
std::string replies;

const char* keep(const std::vector<std::string>& messages) {
  replies = "[";
  for (const std::string& message : messages) {
    if (replies.size() > 1) replies += ',';
    replies += message;
  }
  replies += ']';
  return replies.c_str();
}

}  // namespace

// Handles the message of `size` bytes at `message`; returns the replies as a
// JSON array, valid until the next call.
extern "C" EMSCRIPTEN_KEEPALIVE const char* weftServerHandle(const char* message,
                                                             std::size_t size) {
  return keep(server().handle(std::string_view(message, size)));
}

// Does the next piece of the server's work left (the analysis of a buffer
// edited since, else the search of a buffer's lines); returns the
// diagnostics to publish as a JSON array, valid until the next call.
extern "C" EMSCRIPTEN_KEEPALIVE const char* weftServerIdle() { return keep(server().idle()); }

// The URI the server gives the file at the absolute path of `size` bytes at
// `path`, and the absolute path of a "file:" URI (empty for another scheme);
// each valid until the next call.
extern "C" EMSCRIPTEN_KEEPALIVE const char* weftServerUriOfPath(const char* path,
                                                                std::size_t size) {
  replies = weft::check::lsp::uriOfPath(std::string_view(path, size));
  return replies.c_str();
}
extern "C" EMSCRIPTEN_KEEPALIVE const char* weftServerPathOfUri(const char* uri, std::size_t size) {
  replies = weft::check::lsp::pathOfUri(std::string_view(uri, size));
  return replies.c_str();
}

// Whether work is left for idle(): now, and after a longer pause.
extern "C" EMSCRIPTEN_KEEPALIVE int weftServerHasIdleWork() { return server().hasIdleWork(); }
extern "C" EMSCRIPTEN_KEEPALIVE int weftServerHasDeferredWork() {
  return server().hasDeferredWork();
}

// The size in bytes of the text the last call returned.
extern "C" EMSCRIPTEN_KEEPALIVE std::size_t weftServerReplySize() { return replies.size(); }
