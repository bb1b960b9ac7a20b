// The entries of weft-check's WebAssembly build that roll one data file for
// the page's Roll, on the engine's roll layer: the lines of some seconds in
// the author's case, and the nearest seconds whose line keeps every part of
// a line but one, which it rolls again. Each takes one JSON request and
// returns one JSON reply, valid until the next call, on the files of the
// instance's working directory.
#include <emscripten/emscripten.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "driver/operand_file.h"
#include "roll/keep_parts.h"
#include "roll/line_roller.h"
#include "roll/roll_lines.h"
#include "support/console.h"
#include "support/file_system.h"

namespace {

using Json = nlohmann::json;

// The reply of the last call.
std::string reply;

const char* keep(const Json& value) {
  reply = value.dump(-1, ' ', false, Json::error_handler_t::replace);
  return reply.c_str();
}

// The roller's settings for `request`: weft's -m and -s where it names them,
// weft's defaults where it leaves them out.
weft::RollSettings settingsOf(const Json& request, bool steps) {
  weft::RollSettings settings;
  settings.maxFrequency = request.value("maxFrequency", settings.maxFrequency);
  settings.seedOffset = request.value("seedOffset", settings.seedOffset);
  settings.keepCase = !steps;
  settings.steps = steps;
  return settings;
}

// Loads the data file of the request's "operand" as weft does and returns
// what `work(roller, file, request)` makes of it; {"ending": words} when
// loading ends weft's run, {"error": words} for a request it cannot read.
template <typename Work>
const char* withFile(const char* text, std::size_t size, bool steps, Work work) {
  const Json request = Json::parse(std::string_view(text, size), nullptr, false);
  try {
    if (!request.is_object() || !request.contains("operand") || !request["operand"].is_string()) {
      return keep({{"error", "the request names no operand"}});
    }
    weft::OverlayFileSystem files;
    weft::LineRoller roller(files, settingsOf(request, steps));
    const weft::OperandFile operand(roller.engine(), request["operand"].get<std::string>(),
                                    files.workingDirectory());
    return keep(work(roller, operand.file(), request));
  } catch (const weft::Ending& ending) {
    return keep({{"ending", ending.message}});
  } catch (const std::exception& error) {
    return keep({{"error", error.what()}});
  }
}

// The line of each of the request's "seconds", as weft prints it and in the
// author's case.
Json casedLines(weft::LineRoller& roller, const weft::DataFile& file, const Json& request) {
  Json lines = Json::array();
  for (const Json& second : request.value("seconds", Json::array())) {
    const weft::RolledLine rolled = roller.rollAt(file, second.get<std::int64_t>());
    if (rolled.ending) {
      lines.push_back({{"second", rolled.second}, {"ending", rolled.ending->message}});
    } else {
      lines.push_back({{"second", rolled.second}, {"line", rolled.line}, {"cased", rolled.cased}});
    }
  }
  return lines;
}

// The seconds nearest the request's "second" whose line keeps all of that
// second's line but the part that begins at step "part".
Json rerolledSeconds(weft::LineRoller& roller, const weft::DataFile& file, const Json& request) {
  const weft::RolledLine original = roller.rollAt(file, request.at("second").get<std::int64_t>());
  const auto part = request.at("part").get<std::size_t>();
  Json seconds = Json::array();
  if (original.ending || part >= original.steps.size()) return {{"seconds", seconds}, {"tried", 0}};
  weft::RollBudget budget;
  budget.time = std::chrono::milliseconds(request.value("milliseconds", std::int64_t{250}));
  const weft::RolledLines found =
      weft::rollKeeping(roller, file, original, weft::keptBeside(original.steps, part),
                        request.value("count", std::size_t{1}), false, budget);
  for (const weft::RolledLine& line : found.lines) seconds.push_back(line.second);
  return {{"seconds", seconds}, {"tried", found.secondsTried}};
}

}  // namespace

// {"operand", "maxFrequency", "seedOffset", "seconds": [...]} -> the line of
// each second as weft prints it and in the author's case: [{"second",
// "line", "cased"}], or {"second", "ending"} for a second whose run ends.
extern "C" EMSCRIPTEN_KEEPALIVE const char* weftRollKeepCase(const char* request,
                                                             std::size_t size) {
  return withFile(request, size, false, casedLines);
}

// {"operand", "maxFrequency", "seedOffset", "second", "part", "count",
// "milliseconds"} -> {"seconds": [...], "tried"}: up to `count` seconds
// nearest `second` (one later, one earlier, two later, ...) whose line keeps
// every step of that second's line but the part that begins at step `part`
// (numbered from 0, as the explanation's steps are), and rolls that part
// again, found within `milliseconds`.
extern "C" EMSCRIPTEN_KEEPALIVE const char* weftReroll(const char* request, std::size_t size) {
  return withFile(request, size, true, rerolledSeconds);
}

// The size in bytes of the reply of the last call.
extern "C" EMSCRIPTEN_KEEPALIVE std::size_t weftRollReplySize() { return reply.size(); }
