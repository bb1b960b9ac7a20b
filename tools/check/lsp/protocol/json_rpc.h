// The messages of the Language Server Protocol as JSON-RPC has them: the
// replies, errors and notifications the server sends, and the members it
// reads from what it is sent.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace weft::check::lsp {

// Members keep the order they were set in, so that replies read as written.
using Json = nlohmann::ordered_json;

// The errors of JSON-RPC and of the protocol, as they are numbered.
enum ErrorCode {
  kParseError = -32700,
  kInvalidRequest = -32600,
  kMethodNotFound = -32601,
  kInvalidParams = -32602,
  kInternalError = -32603,
  kServerNotInitialized = -32002,
};

// The kinds of a window/logMessage, as the protocol numbers them.
enum class LogKind { Error = 1, Warning = 2, Info = 3 };

// Returns the text of a message to send. Bytes that are not UTF-8 (from a
// data file on disk) are replaced.
std::string dump(const Json& message);

Json reply(const Json& id, Json result);
Json failure(const Json& id, int code, const std::string& message);
Json notification(const char* method, Json params);
Json logMessage(LogKind kind, const std::string& message);

// Returns the member `key` of `json` when it is an object holding one, else null.
const Json& member(const Json& json, const char* key);

}  // namespace weft::check::lsp
