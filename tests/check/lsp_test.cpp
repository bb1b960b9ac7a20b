// The language server's core, driven by the transcripts of
// tests/check/lsp_transcripts.txt: messages in, the messages it sends out.
#include <gtest/gtest.h>

#include <deque>
#include <fstream>
#include <new>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

#include "lsp/lsp_server.h"

namespace weft::check::lsp {
namespace {

using Json = nlohmann::json;

// Whether `actual` holds `expected`: every member of an expected object,
// arrays of the same length element by element, and other values equal.
bool holds(const Json& actual, const Json& expected) {
  if (expected.is_object()) {
    if (!actual.is_object()) return false;
    for (const auto& [key, value] : expected.items()) {
      if (!actual.contains(key) || !holds(actual[key], value)) return false;
    }
    return true;
  }
  if (expected.is_array()) {
    if (!actual.is_array() || actual.size() != expected.size()) return false;
    for (std::size_t i = 0; i < expected.size(); ++i) {
      if (!holds(actual[i], expected[i])) return false;
    }
    return true;
  }
  // A text ending in "..." stands for every text that starts with the rest.
  if (expected.is_string() && actual.is_string()) {
    const std::string want = expected.get<std::string>();
    if (want.size() >= 3 && want.compare(want.size() - 3, 3, "...") == 0) {
      return actual.get<std::string>().rfind(want.substr(0, want.size() - 3), 0) == 0;
    }
  }
  return actual == expected;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at))
    text.replace(at, from.size(), to), at += to.size();
  return text;
}

// Lines: "== name" starts a transcript with a new server; "> message" sends
// a message, ">> text" sends text as it stands; "~" runs the server's idle
// work; "~>" takes a piece of it out, as the native server does for its
// threads, and "~<" does that piece and takes it in; "! what" makes its
// checks throw from then on (bad_alloc, ending, error; none again); "<
// message" expects the next message sent out to hold it; "#" a comment.
// Every message sent out must be expected before the next step.
TEST(LanguageServerTest, Transcripts) {
  std::ifstream file(WEFT_LSP_TRANSCRIPTS);
  ASSERT_TRUE(file) << WEFT_LSP_TRANSCRIPTS;
  std::string failure;
  const CheckFunction check = [&failure](Engine& engine, const std::string& name, bool search) {
    if (failure == "bad_alloc") throw std::bad_alloc();
    if (failure == "ending") fatal(ExitStatus::CantRead, "Can't read " + name);
    if (failure == "error") throw std::runtime_error("a fault of the test");
    return checkDataFile(engine, name, true, search);
  };
  std::unique_ptr<LanguageServer> server;
  std::unique_ptr<CheckJob> job;
  std::deque<std::string> sent;
  std::string name;
  std::string line;
  for (int number = 1; std::getline(file, line); ++number) {
    const std::string where = name + " (line " + std::to_string(number) + ")";
    line = replaced(line, "$FIXTURES", WEFT_LSP_FIXTURES);
    if (line.empty() || line[0] == '#') continue;
    if (line[0] != '<') {
      for (const std::string& left : sent) ADD_FAILURE() << where << ": unexpected " << left;
      sent.clear();
    }
    std::vector<std::string> out;
    if (line.rfind("== ", 0) == 0) {
      name = line.substr(3);
      failure = "none";
      server = std::make_unique<LanguageServer>(true, check);
    } else if (line.rfind(">> ", 0) == 0) {
      out = server->handle(line.substr(3));
    } else if (line.rfind("> ", 0) == 0) {
      out = server->handle(line.substr(2));
    } else if (line == "~") {
      out = server->idle();
    } else if (line == "~>") {
      job = server->takeWork(!server->hasIdleWork());
    } else if (line == "~<") {
      if (job != nullptr) job->run();
      out = server->finish(std::move(job));
    } else if (line.rfind("! ", 0) == 0) {
      failure = line.substr(2);
    } else if (line.rfind("< ", 0) == 0) {
      ASSERT_FALSE(sent.empty()) << where << ": nothing sent, expected " << line;
      const Json actual = Json::parse(sent.front());
      sent.pop_front();
      EXPECT_TRUE(holds(actual, Json::parse(line.substr(2))))
          << where << "\n  expected " << line.substr(2) << "\n  sent     " << actual.dump();
    } else {
      FAIL() << where << ": a line the transcripts do not know: " << line;
    }
    sent.insert(sent.end(), out.begin(), out.end());
  }
  for (const std::string& left : sent) ADD_FAILURE() << name << ": unexpected " << left;
}

// A file's diagnostics past the first 1000 are summed up in one more, at the
// first of them; the command line still reports every one.
TEST(LanguageServerTest, DiagnosticsPastTheCapAreSummedUpInOne) {
  LanguageServer server(false);
  server.handle(R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{}})");
  std::string text;
  for (int line = 0; line < 1234; ++line) text += "(table1)\n";  // an error each
  const Json document = {{"uri", "file:///cap.dat"}, {"text", text}};
  server.handle(Json{{"jsonrpc", "2.0"},
                     {"method", "textDocument/didOpen"},
                     {"params", {{"textDocument", document}}}}
                    .dump());
  const std::vector<std::string> sent = server.idle();
  ASSERT_EQ(1u, sent.size());
  const Json diagnostics = Json::parse(sent[0])["params"]["diagnostics"];
  ASSERT_EQ(1001u, diagnostics.size());
  EXPECT_EQ(999, diagnostics[999]["range"]["start"]["line"]);
  EXPECT_EQ(1000, diagnostics[1000]["range"]["start"]["line"]);
  EXPECT_EQ(1, diagnostics[1000]["severity"]);
  EXPECT_EQ(
      "234 more problems in this file are not shown, the first of them here at line 1001: "
      "weft-check on the command line reports every one",
      diagnostics[1000]["message"]);
}

}  // namespace
}  // namespace weft::check::lsp
