// The language server's core, driven by the transcripts of
// tests/check/lsp_transcripts.txt: messages in, the messages it sends out.
#include <gtest/gtest.h>

#include <deque>
#include <fstream>
#include <nlohmann/json.hpp>
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
// work; "< message" expects the next message sent out to hold it; "#" a
// comment. Every message sent out must be expected before the next step.
TEST(LanguageServerTest, Transcripts) {
  std::ifstream file(WEFT_LSP_TRANSCRIPTS);
  ASSERT_TRUE(file) << WEFT_LSP_TRANSCRIPTS;
  std::unique_ptr<LanguageServer> server;
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
      server = std::make_unique<LanguageServer>();
    } else if (line.rfind(">> ", 0) == 0) {
      out = server->handle(line.substr(3));
    } else if (line.rfind("> ", 0) == 0) {
      out = server->handle(line.substr(2));
    } else if (line == "~") {
      out = server->idle();
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

}  // namespace
}  // namespace weft::check::lsp
