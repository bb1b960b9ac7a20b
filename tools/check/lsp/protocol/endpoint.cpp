#include "lsp/protocol/endpoint.h"

#include "lsp/protocol/guard.h"

namespace weft::check::lsp {

void Endpoint::onRequest(std::string method, Request handler) {
  requests_[std::move(method)] = std::move(handler);
}

void Endpoint::onNotification(std::string method, Notification handler) {
  notifications_[std::move(method)] = std::move(handler);
}

std::vector<std::string> Endpoint::handle(std::string_view message) {
  if (const std::optional<std::string> stopped = guarded([&] { receive(message); })) {
    outbox_.send(logMessage(LogKind::Error, "weft-check could not handle a message: " + *stopped));
  }
  return flush();
}

std::vector<std::string> Endpoint::run(const std::function<void()>& work) {
  if (!running()) return {};
  if (const std::optional<std::string> stopped = guarded(work)) {
    outbox_.send(logMessage(LogKind::Error, "weft-check stopped a piece of its work: " + *stopped));
  }
  return flush();
}

void Endpoint::receive(std::string_view message) {
  const Json json = Json::parse(message.begin(), message.end(), nullptr, false);
  if (json.is_discarded()) {
    outbox_.send(failure(nullptr, kParseError, "the message is not JSON"));
    return;
  }
  const Json& method = member(json, "method");
  const Json& id = member(json, "id");
  const bool isRequest = json.is_object() && json.contains("id");
  const bool validId = id.is_string() || id.is_number_integer();
  if (json.is_object() && method.is_string() && (!isRequest || validId)) {
    dispatch(method.get<std::string>(), isRequest, id, member(json, "params"));
  } else if (!json.is_object() || !(json.contains("result") || json.contains("error"))) {
    // A response to a request of ours is none: the server sends none.
    outbox_.send(
        failure(validId ? id : Json(nullptr), kInvalidRequest, "not a request or notification"));
  }
}

void Endpoint::dispatch(const std::string& method, bool isRequest, const Json& id,
                        const Json& params) {
  if (method == "exit") {
    exited_ = true;
  } else if (!isRequest) {
    // "initialized", "$/cancelRequest" and the like need nothing.
    if (running()) notify(method, params);
  } else if (!initialized_) {
    if (method != "initialize") {
      outbox_.send(failure(id, kServerNotInitialized, "initialize first"));
    } else if (const auto it = requests_.find(method); it != requests_.end()) {
      initialized_ = answer(it->second, id, params);
    }
  } else if (shutdown_) {
    outbox_.send(failure(id, kInvalidRequest, "the server is shut down"));
  } else if (method == "initialize") {
    outbox_.send(failure(id, kInvalidRequest, "initialized already"));
  } else if (method == "shutdown") {
    shutdown_ = true;
    outbox_.send(reply(id, nullptr));
  } else if (const auto it = requests_.find(method); it != requests_.end()) {
    answer(it->second, id, params);
  } else {
    outbox_.send(failure(id, kMethodNotFound, "no method " + method));
  }
}

bool Endpoint::answer(const Request& handler, const Json& id, const Json& params) {
  std::optional<Json> result;
  const std::optional<std::string> stopped = guarded([&] { result = handler(params); });
  // What the handler sent on the way (diagnostics of an analysis it ran) goes
  // out after the answer.
  std::vector<Json> sent = outbox_.take();
  if (stopped) {
    outbox_.send(failure(id, kInternalError, "weft-check could not answer: " + *stopped));
  } else if (result) {
    outbox_.send(reply(id, *result));
  } else {
    outbox_.send(failure(id, kInvalidParams, "unknown document or bad position"));
  }
  for (Json& message : sent) outbox_.send(std::move(message));
  return !stopped && result;
}

void Endpoint::notify(const std::string& method, const Json& params) {
  const auto it = notifications_.find(method);
  if (it == notifications_.end()) return;
  if (const std::optional<std::string> stopped = guarded([&] { it->second(params); })) {
    outbox_.send(
        logMessage(LogKind::Error, "weft-check could not handle " + method + ": " + *stopped));
  }
}

std::vector<std::string> Endpoint::flush() {
  std::vector<std::string> texts;
  std::vector<Json> messages = outbox_.take();
  // A message too large to write out is dropped rather than ending the server.
  guarded([&] {
    for (const Json& message : messages) texts.push_back(dump(message));
  });
  return texts;
}

}  // namespace weft::check::lsp
