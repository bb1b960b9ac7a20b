// Drives the language server's core with messages and buffers: it must
// answer every one, without a crash or a hang, whatever they hold.
//
// The input is one flag byte and then parts separated by lines "~~". A part
// that starts with "{" or "[" is sent as a message as it stands; any other
// part is the new text of a buffer (main.dat and list.dat in turn, so that
// file lists find each other), followed by every request the server answers
// at a position taken from the part's bytes, and by the idle work. Flag bit
// 0 leaves out "initialize"; bit 1 offers UTF-8 positions.
#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "lsp/lsp_server.h"

namespace {

using Json = nlohmann::json;

constexpr std::size_t kLargestInput = 64 * 1024;
constexpr const char* kRequests[] = {
    "textDocument/hover",      "textDocument/definition",     "textDocument/references",
    "textDocument/completion", "textDocument/documentSymbol", "textDocument/semanticTokens/full",
    "textDocument/codeAction"};

void send(weft::check::lsp::LanguageServer& server, const Json& message) {
  // Bytes that are not UTF-8 reach a server only as JSON has them.
  server.handle(message.dump(-1, ' ', false, Json::error_handler_t::replace));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > kLargestInput) return 0;
  const unsigned flags = data[0];
  const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
  weft::check::lsp::LanguageServer server(false);
  if ((flags & 1u) == 0) {
    Json capabilities = Json::object();
    if ((flags & 2u) != 0) capabilities["general"]["positionEncodings"] = {"utf-8"};
    send(server, {{"jsonrpc", "2.0"},
                  {"id", 0},
                  {"method", "initialize"},
                  {"params", {{"capabilities", capabilities}}}});
  }
  int id = 1;
  std::size_t buffers = 0;
  for (std::size_t start = 0; start <= input.size();) {
    const std::size_t end = std::min(input.size(), input.find("\n~~\n", start));
    const std::string_view part = input.substr(start, end - start);
    start = end + 4;
    if (!part.empty() && (part[0] == '{' || part[0] == '[')) {
      server.handle(part);
      continue;
    }
    const std::string uri = buffers % 2 == 0 ? "file:///fuzz/main.dat" : "file:///fuzz/list.dat";
    const Json document = {{"uri", uri}, {"version", buffers}, {"text", std::string(part)}};
    Json change = {{"textDocument", document}};
    change["contentChanges"] = Json::array({Json{{"text", std::string(part)}}});
    send(server, {{"jsonrpc", "2.0"},
                  {"method", buffers < 2 ? "textDocument/didOpen" : "textDocument/didChange"},
                  {"params", change}});
    ++buffers;
    const std::uint32_t seed = part.empty() ? 0 : static_cast<unsigned char>(part.back());
    const Json position = {{"line", seed % 8}, {"character", seed / 8}};
    Json params = {{"position", position}, {"context", {{"includeDeclaration", true}}}};
    params["textDocument"]["uri"] = uri;
    params["range"]["start"] = {{"line", 0}, {"character", 0}};
    params["range"]["end"] = position;
    for (const char* method : kRequests) {
      send(server, {{"jsonrpc", "2.0"}, {"id", id++}, {"method", method}, {"params", params}});
    }
    while (server.hasIdleWork() || server.hasDeferredWork()) server.idle();
  }
  send(server, {{"jsonrpc", "2.0"}, {"id", id}, {"method", "shutdown"}});
  send(server, {{"jsonrpc", "2.0"}, {"method", "exit"}});
  if (!server.exited()) std::abort();
  return 0;
}
