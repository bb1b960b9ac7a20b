#include "cli/export_run.h"

#include <getopt.h>

#include <filesystem>
#include <new>
#include <optional>
#include <string_view>
#include <utility>

#include "cli/output_folder.h"
#include "foundry/foundry_writer.h"
#include "model/export_model.h"
#include "model/loading.h"
#include "obsidian/obsidian_writer.h"
#include "roll20/roll20_writer.h"
#include "support/clock.h"
#include "support/directory.h"
#include "support/engine.h"
#include "support/numbers.h"

namespace weft::exporter {

namespace {

constexpr std::string_view kUsage =
    "--to=foundry|obsidian|roll20 [--foundry=12|13] [--exact] [-m maxfreq] [-o dir] "
    "[--title=file=title] datafile...";

constexpr std::string_view kHelp =
    "Writes the tables of weft data files for the tools a game is played with, read as\n"
    "weft reads them (each data file from the folder before its last backslash, with\n"
    "its file lists, its %chdir: lines and the frequency cap).\n"
    "\n"
    "  --to=foundry         a Foundry VTT module: module.json, the compendium's\n"
    "                       sources in src/tables for `fvtt package pack`, and each\n"
    "                       table in import/ for a table's \"Import Data\"\n"
    "  --to=obsidian        one Obsidian note per data file, a Dice Roller lookup\n"
    "                       table per table\n"
    "  --to=roll20          tables.txt: the chat commands of the TableExport script\n"
    "      --foundry=12|13  the field layout of Foundry's table results (13)\n"
    "      --exact          weights that give each entry weft's own chance (out of\n"
    "                       32768) instead of the author's weights\n"
    "  -m maxfreq           the frequency cap, as weft's -m (default 50)\n"
    "  -o, --output=dir     the folder to write (default: the first data file's name\n"
    "                       and the format, such as tavern-foundry); an existing one\n"
    "                       must be empty or written by weft-export before\n"
    "      --title=file=title  the name of a data file's tables instead of its title\n"
    "  -h, --help           show this help\n"
    "      --version        show the version\n"
    "\n"
    "What a format cannot do as weft does is said on standard error, one note per kind.\n"
    "Exit status: 0 written, 1 the data files or the folder failed, 2 a bad command line.\n";

std::string stemOfOperand(const std::string& operand) {
  std::string name = splitOperand(operand).filename;
  name = name.substr(name.rfind('/') + 1);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  return name.empty() ? "weft" : name;
}

const char* formatName(Format format) {
  switch (format) {
    case Format::Foundry:
      return "foundry";
    case Format::Obsidian:
      return "obsidian";
    case Format::Roll20:
      return "roll20";
  }
  return "";
}

// Returns the folder's own name as a Foundry package id: lower-case letters,
// digits and single hyphens.
std::string moduleIdOf(const std::string& folder) {
  const std::filesystem::path path = std::filesystem::path(folder).lexically_normal();
  const std::string name =
      (path.filename().empty() ? path.parent_path() : path).filename().string();
  std::string id;
  bool gap = false;
  for (const char c : name) {
    const bool kept = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z');
    if (!kept) {
      gap = true;
      continue;
    }
    if (gap && !id.empty()) id += '-';
    id += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    gap = false;
  }
  return id.empty() ? "weft-tables" : id;
}

OutputFiles writeFormat(const ExportRequest& request, const ExportModel& model, Notes& notes) {
  switch (request.format) {
    case Format::Foundry: {
      FoundryOptions options;
      options.version = request.foundryVersion;
      const std::string folder = request.output.empty() ? defaultOutput(request) : request.output;
      options.moduleId = moduleIdOf(folder);
      options.moduleTitle = model.files.empty() ? "weft tables" : model.files[0].name + " (weft)";
      return writeFoundry(model, options, notes);
    }
    case Format::Obsidian:
      return writeObsidian(model, notes);
    case Format::Roll20:
      return writeRoll20(model, notes);
  }
  return {};
}

void usage(Console& console, const char* program) {
  console.writeErrRaw(std::string("usage: ") + program + " " + std::string(kUsage) + "\n");
}

// Reads the command line into `request`. Returns the exit status when the
// run ends here: after the help, the version or a bad command line.
std::optional<int> readCommandLine(int argc, char** argv, ExportRequest& request, Console& console);

}  // namespace

std::string defaultOutput(const ExportRequest& request) {
  const std::string stem = request.operands.empty() ? "weft" : stemOfOperand(request.operands[0]);
  return stem + "-" + formatName(request.format);
}

ExportResult makeExport(const ExportRequest& request, FileSystem& files, Console& console) {
  // Loading never reads the clock; no line is generated.
  FixedClock clock;
  Engine engine(console, files, clock);
  engine.settings.maxFrequency = request.maxFrequency;
  ExportResult result;
  const LoadedFiles loaded = loadOperands(engine, request.operands);
  result.warnings = loaded.warnings;
  result.errors = loaded.errors;
  if (!result.errors.empty()) return result;
  ExportOptions options;
  options.exact = request.exact;
  options.titles = request.titles;
  ExportModel model = buildModel(loaded, options);
  result.files = writeFormat(request, model, model.notes);
  result.tables = model.tables.size();
  result.dataFiles = model.files.size();
  result.notes = model.notes.lines();
  return result;
}

ExportRun runExport(int argc, char** argv, Console& console) {
  ExportRequest request;
  if (const std::optional<int> status = readCommandLine(argc, argv, request, console)) {
    return {*status, "", {}, {}};
  }
  OverlayFileSystem files;
  const ExportResult result = makeExport(request, files, console);
  for (const std::string& warning : result.warnings) {
    console.writeErrRaw("weft-export: " + warning + "\n");
  }
  if (!result.errors.empty()) {
    for (const std::string& error : result.errors) {
      console.writeErrRaw("weft-export: error: " + error + "\n");
    }
    console.writeErrRaw("weft-export: nothing written\n");
    return {1, "", result.warnings, {}};
  }
  const std::string folder = request.output.empty() ? defaultOutput(request) : request.output;
  if (const std::string why = writeOutputFolder(folder, result.files, formatName(request.format));
      !why.empty()) {
    console.writeErrRaw("weft-export: error: " + why + "\nweft-export: nothing written\n");
    return {1, "", result.warnings, {}};
  }
  for (const std::string& note : result.notes) console.writeErrRaw("weft-export: " + note + "\n");
  console.writeOut("Wrote " + std::to_string(result.tables) +
                   (result.tables == 1 ? " table of " : " tables of ") +
                   std::to_string(result.dataFiles) +
                   (result.dataFiles == 1 ? " data file to " : " data files to ") + folder + "\n");
  console.flushOut();
  return {0, folder, result.warnings, result.notes};
}

ExportRun exportOnce(int argc, char** argv, Console& console) {
  try {
    return runExport(argc, argv, console);
  } catch (const Ending& ending) {
    // Standard output could not be written.
    writeEnding(console, ending);
  } catch (const std::bad_alloc&) {
    console.writeErrRaw("weft-export: out of memory\n");
  }
  return {1, "", {}, {}};
}

int exportMain(int argc, char** argv, Console& console) {
  return exportOnce(argc, argv, console).status;
}

namespace {

enum LongOnly { kTo = 256, kFoundry, kExact, kTitle, kVersion };

// Reads one option's value into `request`; returns false when it is bad.
bool readOption(int option, std::string_view value, ExportRequest& request, bool& sawFoundry,
                std::string& why) {
  switch (option) {
    case kTo:
      if (value == "foundry")
        request.format = Format::Foundry;
      else if (value == "obsidian")
        request.format = Format::Obsidian;
      else if (value == "roll20")
        request.format = Format::Roll20;
      else
        why = "unknown format \"" + std::string(value) + "\" (foundry, obsidian or roll20)";
      return why.empty();
    case kFoundry:
      sawFoundry = true;
      if (value != "12" && value != "13") why = "--foundry takes 12 or 13";
      request.foundryVersion = value == "12" ? 12 : 13;
      return why.empty();
    case kExact:
      request.exact = true;
      return true;
    case kTitle: {
      const std::size_t equals = value.find('=');
      if (equals == std::string_view::npos || equals == 0) {
        why = "--title takes file=title";
        return false;
      }
      request.titles[std::string(value.substr(0, equals))] = std::string(value.substr(equals + 1));
      return true;
    }
    case 'm':
      request.maxFrequency = readDecimal(value);
      return true;
    case 'o':
      request.output = std::string(value);
      if (request.output.empty()) why = "-o takes a folder";
      return why.empty();
    default:
      return false;
  }
}

std::optional<int> readCommandLine(int argc, char** argv, ExportRequest& request,
                                   Console& console) {
  const char* program = argc > 0 && argv[0] != nullptr ? argv[0] : "weft-export";
  static const option kOptions[] = {{"to", required_argument, nullptr, kTo},
                                    {"foundry", required_argument, nullptr, kFoundry},
                                    {"exact", no_argument, nullptr, kExact},
                                    {"title", required_argument, nullptr, kTitle},
                                    {"output", required_argument, nullptr, 'o'},
                                    {"help", no_argument, nullptr, 'h'},
                                    {"version", no_argument, nullptr, kVersion},
                                    {nullptr, 0, nullptr, 0}};
  bool sawTo = false;
  bool sawFoundry = false;
  std::string why;
  optind = 0;  // a fresh scan, also when called more than once
  opterr = 1;
  for (int option; (option = getopt_long(argc, argv, "hm:o:", kOptions, nullptr)) != -1;) {
    if (option == 'h') {
      console.writeOut(std::string("usage: ") + program + " " + std::string(kUsage) + "\n\n" +
                       std::string(kHelp));
      console.flushOut();
      return 0;
    }
    if (option == kVersion) {
      console.writeOut("weft-export " WEFT_VERSION "\n");
      console.flushOut();
      return 0;
    }
    sawTo = sawTo || option == kTo;
    if (!readOption(option, optarg == nullptr ? "" : optarg, request, sawFoundry, why)) {
      if (!why.empty()) console.writeErrRaw(std::string(program) + ": " + why + "\n");
      usage(console, program);
      return 2;
    }
  }
  for (int i = optind; i < argc; ++i) request.operands.emplace_back(argv[i]);
  if (!sawTo)
    why = "--to names the format (foundry, obsidian or roll20)";
  else if (request.operands.empty())
    why = "no data file named";
  else if (sawFoundry && request.format != Format::Foundry)
    why = "--foundry is for --to=foundry";
  if (!why.empty()) {
    console.writeErrRaw(std::string(program) + ": " + why + "\n");
    usage(console, program);
    return 2;
  }
  return std::nullopt;
}

}  // namespace

}  // namespace weft::exporter
