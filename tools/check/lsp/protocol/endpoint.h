// The server's end of a session: each message read and checked, the
// lifecycle kept (initialize first, nothing after shutdown but exit), and
// each request and notification handed to the handler of its method under
// the guard, so that what stops a handler fails its request or is logged.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "lsp/protocol/json_rpc.h"

namespace weft::check::lsp {

// The messages a piece of work sends, kept until it is done.
class Outbox {
 public:
  void send(Json message) { messages_.push_back(std::move(message)); }
  std::vector<Json> take() { return std::exchange(messages_, {}); }

 private:
  std::vector<Json> messages_;
};

class Endpoint {
 public:
  // Returns the result of a request, or nothing when its parameters are not
  // those of its method.
  using Request = std::function<std::optional<Json>(const Json& params)>;
  using Notification = std::function<void(const Json& params)>;

  // The handler of "initialize" answers it once, before any other request.
  void onRequest(std::string method, Request handler);
  void onNotification(std::string method, Notification handler);

  // Handles one message, the JSON text of a request or notification.
  // Returns the messages to send, in order: a request's answer first, then
  // what its handler sent on the way.
  std::vector<std::string> handle(std::string_view message);

  // Runs a piece of work that no message asked for, once initialized and
  // until shut down; what stops it is logged. Returns the messages to send.
  std::vector<std::string> run(const std::function<void()>& work);

  Outbox& outbox() { return outbox_; }
  bool running() const { return initialized_ && !shutdown_; }
  bool exited() const { return exited_; }
  // 0 after a "shutdown" request, 1 without one.
  int exitStatus() const { return shutdown_ ? 0 : 1; }

 private:
  void receive(std::string_view message);
  void dispatch(const std::string& method, bool isRequest, const Json& id, const Json& params);
  // Returns true when the request was answered with a result.
  bool answer(const Request& handler, const Json& id, const Json& params);
  void notify(const std::string& method, const Json& params);
  std::vector<std::string> flush();

  std::map<std::string, Request, std::less<>> requests_;
  std::map<std::string, Notification, std::less<>> notifications_;
  Outbox outbox_;
  bool initialized_ = false;
  bool shutdown_ = false;
  bool exited_ = false;
};

}  // namespace weft::check::lsp
