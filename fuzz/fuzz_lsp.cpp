// Drives the language server's core with messages, buffers and its idle
// and deferred work: it must answer every request, without a crash or a
// hang, whatever they hold and whatever stops its checks.
//
// The input is one flag byte and then parts separated by lines "~~". A part
// that starts with "{" or "[" is sent as a message as it stands; a part "~"
// runs one piece of the work left (an analysis, else a search of lines); a
// part "~~" takes one out, to be done and taken back in at the next "~",
// "~~" or the end, as the native server does on its threads, while the
// parts between come in; any other part is the new text of a buffer
// (main.dat and list.dat in turn, so that file lists find each other),
// followed by every request the server answers at a position taken from the
// part's bytes, and by the analyses left. Flag bit 0 leaves out "initialize"; bit 1 offers UTF-8
// positions; bit 2 makes every third check throw (std::bad_alloc, an
// Ending, another exception in turn).
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "lsp/lsp_server.h"

namespace {

using Json = nlohmann::json;
using weft::check::lsp::LanguageServer;

constexpr std::size_t kLargestInput = 64 * 1024;
constexpr const char* kRequests[] = {
    "textDocument/hover",      "textDocument/definition",     "textDocument/references",
    "textDocument/completion", "textDocument/documentSymbol", "textDocument/semanticTokens/full",
    "textDocument/codeAction"};

std::vector<std::string> send(LanguageServer& server, const Json& message) {
  // Bytes that are not UTF-8 reach a server only as JSON has them.
  return server.handle(message.dump(-1, ' ', false, Json::error_handler_t::replace));
}

// Sends request `id` and ends the run unless one of the messages sent back
// answers it.
void request(LanguageServer& server, int id, const char* method, const Json& params) {
  for (const std::string& out :
       send(server, {{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}})) {
    if (Json::parse(out).value("id", Json()) == id) return;
  }
  std::abort();
}

// A check that throws every third time when `throwing`.
weft::check::lsp::CheckFunction checkFunction(bool throwing) {
  return [throwing, count = 0u](weft::Engine& engine, const std::string& name,
                                bool searchLines) mutable {
    if (throwing && ++count % 3 == 0) {
      if (count % 9 == 0) throw std::bad_alloc();
      if (count % 9 == 3) weft::fatal(weft::ExitStatus::CantRead, "Can't read " + name);
      throw std::runtime_error("a fault of the fuzzer");
    }
    return weft::check::checkDataFile(engine, name, true, searchLines);
  };
}

// Sends `part` as the new text of a buffer, then every request at a
// position taken from its last byte.
void edit(LanguageServer& server, std::string_view part, std::size_t buffers, int& id) {
  const std::string uri = buffers % 2 == 0 ? "file:///fuzz/main.dat" : "file:///fuzz/list.dat";
  const Json document = {{"uri", uri}, {"version", buffers}, {"text", std::string(part)}};
  Json change = {{"textDocument", document}};
  change["contentChanges"] = Json::array({Json{{"text", std::string(part)}}});
  send(server, {{"jsonrpc", "2.0"},
                {"method", buffers < 2 ? "textDocument/didOpen" : "textDocument/didChange"},
                {"params", change}});
  const std::uint32_t seed = part.empty() ? 0 : static_cast<unsigned char>(part.back());
  const Json position = {{"line", seed % 8}, {"character", seed / 8}};
  Json params = {{"position", position}, {"context", {{"includeDeclaration", true}}}};
  params["textDocument"]["uri"] = uri;
  params["range"]["start"] = {{"line", 0}, {"character", 0}};
  params["range"]["end"] = position;
  for (const char* method : kRequests) request(server, id++, method, params);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > kLargestInput) return 0;
  const unsigned flags = data[0];
  const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
  LanguageServer server(false, checkFunction((flags & 4u) != 0));
  if ((flags & 1u) == 0) {
    Json capabilities = Json::object();
    if ((flags & 2u) != 0) capabilities["general"]["positionEncodings"] = {"utf-8"};
    request(server, 0, "initialize", {{"capabilities", capabilities}});
  }
  int id = 1;
  std::size_t buffers = 0;
  std::unique_ptr<weft::check::lsp::CheckJob> out;  // a piece of work taken out
  for (std::size_t start = 0; start <= input.size();) {
    const std::size_t end = std::min(input.size(), input.find("\n~~\n", start));
    const std::string_view part = input.substr(start, end - start);
    start = end + 4;
    if (!part.empty() && (part[0] == '{' || part[0] == '[')) {
      server.handle(part);
    } else if (part == "~" || part == "~~") {
      if (out != nullptr) out->run();
      server.finish(std::move(out));
      if (part == "~") {
        server.idle();
      } else {
        out = server.takeWork(!server.hasIdleWork());
      }
    } else {
      edit(server, part, buffers++, id);
      while (server.hasIdleWork()) server.idle();
    }
  }
  if (out != nullptr) out->run();
  server.finish(std::move(out));
  while (server.hasIdleWork() || server.hasDeferredWork()) server.idle();
  request(server, id, "shutdown", nullptr);
  send(server, {{"jsonrpc", "2.0"}, {"method", "exit"}});
  if (!server.exited()) std::abort();
  return 0;
}
