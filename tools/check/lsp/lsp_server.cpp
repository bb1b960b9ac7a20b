#include "lsp/lsp_server.h"

#include <utility>

#include "lsp/documents/workspace.h"
#include "lsp/features/buffer_checks.h"
#include "lsp/features/code_actions.h"
#include "lsp/features/completion.h"
#include "lsp/features/diagnostics.h"
#include "lsp/features/hover.h"
#include "lsp/features/navigation.h"
#include "lsp/features/symbols.h"
#include "lsp/features/tokens.h"
#include "lsp/protocol/endpoint.h"

namespace weft::check::lsp {

namespace {

CheckResult checkWithOdds(Engine& engine, const std::string& name, bool searchLines) {
  return checkDataFile(engine, name, true, searchLines);
}

// What the client said it does, from the parameters of "initialize".
ClientOptions clientOptions(const Json& params) {
  ClientOptions client;
  const Json& capabilities = member(params, "capabilities");
  const Json& encodings = member(member(capabilities, "general"), "positionEncodings");
  if (encodings.is_array()) {
    for (const Json& encoding : encodings) client.utf8 = client.utf8 || encoding == "utf-8";
  }
  const Json& related = member(member(member(capabilities, "textDocument"), "publishDiagnostics"),
                               "relatedInformation");
  // Neovim takes related information and keeps it, but shows only the
  // message: a note would never reach its user.
  const bool showsRelated = member(member(params, "clientInfo"), "name") != "Neovim";
  client.notesAsRelated = related == true && showsRelated;
  return client;
}

Json serverCapabilities(bool utf8) {
  return {{"positionEncoding", utf8 ? "utf-8" : "utf-16"},
          {"textDocumentSync", {{"openClose", true}, {"change", 1}}},
          {"hoverProvider", true},
          {"definitionProvider", true},
          {"referencesProvider", true},
          {"completionProvider", {{"triggerCharacters", {"("}}}},
          {"documentSymbolProvider", true},
          {"semanticTokensProvider", {{"legend", tokenLegend()}, {"full", true}}},
          {"codeActionProvider", {{"codeActionKinds", {"quickfix"}}}}};
}

}  // namespace

// The state of one editing session: the open buffers, their checks and
// what the client said it does; each method of the protocol handed to the
// feature that answers it.
class LanguageServer::Session {
 public:
  Session(bool readDisk, CheckFunction check)
      : workspace(readDisk),
        checks(workspace, endpoint.outbox(), check ? std::move(check) : checkWithOdds) {
    endpoint.onRequest("initialize", [this](const Json& params) {
      workspace.client = clientOptions(params);
      return Json{{"capabilities", serverCapabilities(workspace.client.utf8)},
                  {"serverInfo", {{"name", "weft-check"}, {"version", WEFT_VERSION}}}};
    });
    using Feature = std::optional<Json> (*)(BufferChecks&, const Json&);
    for (const auto& [method, feature] : {std::pair<const char*, Feature>{"hover", hover},
                                          {"definition", definition},
                                          {"references", references},
                                          {"completion", completion},
                                          {"codeAction", codeAction}}) {
      endpoint.onRequest(
          std::string("textDocument/") + method,
          [this, feature = feature](const Json& params) { return feature(checks, params); });
    }
    endpoint.onRequest("textDocument/documentSymbol",
                       [this](const Json& params) { return documentSymbol(workspace, params); });
    endpoint.onRequest("textDocument/semanticTokens/full",
                       [this](const Json& params) { return semanticTokens(workspace, params); });
    addNotifications();
  }

  Endpoint endpoint;
  Workspace workspace;
  BufferChecks checks;

 private:
  void addNotifications() {
    endpoint.onNotification("textDocument/didOpen",
                            [this](const Json& params) { workspace.open(params); });
    endpoint.onNotification("textDocument/didChange",
                            [this](const Json& params) { workspace.change(params); });
    endpoint.onNotification("textDocument/didClose", [this](const Json& params) {
      for (const std::string& uri : workspace.close(params).value_or(std::set<std::string>())) {
        publish(endpoint.outbox(), uri, Json::array());
      }
    });
  }
};

LanguageServer::LanguageServer(bool readDisk, CheckFunction check)
    : session_(std::make_unique<Session>(readDisk, std::move(check))) {}
LanguageServer::~LanguageServer() = default;

std::vector<std::string> LanguageServer::handle(std::string_view message) {
  return session_->endpoint.handle(message);
}

std::vector<std::string> LanguageServer::idle() {
  std::unique_ptr<CheckJob> job = takeWork(!session_->checks.hasIdleWork());
  if (job != nullptr) job->run();
  return finish(std::move(job));
}

std::unique_ptr<CheckJob> LanguageServer::takeWork(bool deferred) {
  std::unique_ptr<CheckJob> job;
  // Only copying the buffers can fail here, and the work is then left for
  // later: there is nothing to tell.
  session_->endpoint.run([&] { job = session_->checks.takeWork(deferred); });
  return job;
}

std::vector<std::string> LanguageServer::finish(std::unique_ptr<CheckJob> job) {
  if (job == nullptr) return {};
  return session_->endpoint.run([&] { session_->checks.finish(*job); });
}

bool LanguageServer::hasIdleWork() const {
  return session_->endpoint.running() && session_->checks.hasIdleWork();
}

bool LanguageServer::hasDeferredWork() const {
  return session_->endpoint.running() && session_->checks.hasDeferredWork();
}

bool LanguageServer::exited() const { return session_->endpoint.exited(); }
int LanguageServer::exitStatus() const { return session_->endpoint.exitStatus(); }

}  // namespace weft::check::lsp
