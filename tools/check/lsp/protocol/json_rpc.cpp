#include "lsp/protocol/json_rpc.h"

#include <utility>

namespace weft::check::lsp {

std::string dump(const Json& message) {
  return message.dump(-1, ' ', false, Json::error_handler_t::replace);
}

Json reply(const Json& id, Json result) {
  return Json{{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}};
}

Json failure(const Json& id, int code, const std::string& message) {
  return Json{
      {"jsonrpc", "2.0"}, {"id", id}, {"error", Json{{"code", code}, {"message", message}}}};
}

Json notification(const char* method, Json params) {
  return Json{{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
}

Json logMessage(LogKind kind, const std::string& message) {
  return notification("window/logMessage",
                      {{"type", static_cast<int>(kind)}, {"message", message}});
}

const Json& member(const Json& json, const char* key) {
  static const Json kNull;
  if (!json.is_object()) return kNull;
  const auto it = json.find(key);
  return it == json.end() ? kNull : *it;
}

}  // namespace weft::check::lsp
