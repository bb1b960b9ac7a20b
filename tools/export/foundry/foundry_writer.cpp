#include "foundry/foundry_writer.h"

#include <cstdint>
#include <nlohmann/json.hpp>

#include "foundry/foundry_escape.h"
#include "support/ascii.h"

namespace weft::exporter {

namespace {

using Json = nlohmann::ordered_json;

constexpr std::string_view kEnricher = "foundry-enricher";
constexpr std::string_view kEnricherText =
    "texts that Foundry would read as a link or a roll (\"[[\", \"]]\", \"@\" or \"&\" before a "
    "letter, \"://\"): kept as text by an invisible word joiner";

// The icon Foundry gives a RollTable of its own.
constexpr const char* kTableIcon = "icons/svg/d20-grey.svg";

// Returns `json` as the command-line tool writes a document: two blanks a
// level, a line feed at the end.
std::string documentText(const Json& json) {
  return json.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

class FoundryWriter {
 public:
  FoundryWriter(const ExportModel& model, const FoundryOptions& options, Notes& notes)
      : model_(model), options_(options), notes_(notes) {}

  OutputFiles write() {
    OutputFiles files;
    files.push_back({"module.json", documentText(manifest())});
    for (std::size_t i = 0; i < model_.tables.size(); ++i) {
      const std::string name = foundryFileName(model_.tables[i].name) + "_" + tableId(i) + ".json";
      Json table = tableJson(i);
      files.push_back({"src/" + std::string(kFoundryPack) + "/" + name, documentText(table)});
      // "Import Data" takes the document without the keys of the tool's database.
      table.erase("_key");
      for (Json& result : table["results"]) result.erase("_key");
      files.push_back({"import/" + name, documentText(table)});
    }
    return files;
  }

 private:
  std::string tableId(std::size_t table) const { return foundryId(model_.tables[table].key); }

  std::string uuid(std::size_t table) const {
    return "Compendium." + options_.moduleId + "." + kFoundryPack + ".RollTable." + tableId(table);
  }

  // Returns the entry as HTML: its texts escaped, each table it draws from a
  // link to that table, each roll an inline roll.
  std::string html(const ExportEntry& entry) {
    std::string out;
    for (std::size_t i = 0; i < entry.pieces.size(); ++i) {
      const Piece& piece = entry.pieces[i];
      switch (piece.kind) {
        case Piece::Kind::Text: {
          bool broken = false;
          out += foundryHtml(piece.text, i > 0, i + 1 < entry.pieces.size(), broken);
          if (broken) notes_.add(kEnricher, kEnricherText);
        } break;
        case Piece::Kind::Table: {
          const std::string label = foundryLabel(model_.tables[piece.table].name);
          out += "@UUID[" + uuid(piece.table) + "]" + (label.empty() ? "" : "{" + label + "}");
        } break;
        case Piece::Kind::Dice:
          out += "[[/r " + piece.text + "]]";
          break;
      }
    }
    return out;
  }

  // Returns the entry as plain text, for the name of a result.
  std::string plain(const ExportEntry& entry) const {
    std::string out;
    for (const Piece& piece : entry.pieces) {
      if (piece.kind == Piece::Kind::Text) out += piece.text;
      if (piece.kind == Piece::Kind::Table) out += "[" + model_.tables[piece.table].name + "]";
      if (piece.kind == Piece::Kind::Dice) out += "[" + piece.text + "]";
    }
    return out;
  }

  Json result(std::size_t table, std::size_t index, std::uint64_t low) {
    const ExportEntry& entry = model_.tables[table].entries[index];
    const std::string id = foundryId(model_.tables[table].key + "\n" + std::to_string(index));
    const std::optional<std::size_t> target = entry.soleTable();
    const bool v13 = options_.version >= 13;
    Json json;
    json["_id"] = id;
    if (target && v13) {
      json["type"] = "document";
      json["name"] = model_.tables[*target].name;
      json["description"] = "";
      json["documentUuid"] = uuid(*target);
    } else if (target) {
      json["type"] = "pack";
      bool broken = false;
      json["text"] = foundryHtml(model_.tables[*target].name, false, false, broken);
      json["documentCollection"] = options_.moduleId + "." + kFoundryPack;
      json["documentId"] = tableId(*target);
    } else if (v13) {
      json["type"] = "text";
      json["name"] = plain(entry);
      json["description"] = html(entry);
    } else {
      json["type"] = "text";
      json["text"] = html(entry);
    }
    json["weight"] = entry.weight;
    json["range"] = Json::array({low, low + entry.weight - 1});
    json["drawn"] = false;
    json["flags"] = Json::object();
    json["_key"] = "!tables.results!" + tableId(table) + "." + id;
    return json;
  }

  // Returns the table as a source of the command-line tool, with the keys
  // under which it and its results go into the pack's database.
  Json tableJson(std::size_t index) {
    const ExportTable& table = model_.tables[index];
    const ExportFile& file = model_.files[table.file];
    Json json;
    json["_id"] = tableId(index);
    json["name"] = table.name;
    json["img"] = kTableIcon;
    bool broken = false;
    json["description"] = foundryHtml(
        "Table " + std::to_string(table.number) + " of " + file.path + ", made by weft-export.",
        false, false, broken);
    Json results = Json::array();
    std::uint64_t low = 1;
    for (std::size_t i = 0; i < table.entries.size(); ++i) {
      results.push_back(result(index, i, low));
      low += table.entries[i].weight;
    }
    json["results"] = std::move(results);
    json["formula"] = "1d" + std::to_string(table.total);
    // weft picks every line afresh: a drawn entry may come again.
    json["replacement"] = true;
    json["displayRoll"] = true;
    json["flags"] = Json::object();
    json["_key"] = "!tables!" + tableId(index);
    return json;
  }

  Json manifest() const {
    const std::string version = std::to_string(options_.version);
    Json pack;
    pack["name"] = kFoundryPack;
    pack["label"] = options_.moduleTitle;
    pack["path"] = std::string("packs/") + kFoundryPack;
    pack["type"] = "RollTable";
    Json json;
    json["id"] = options_.moduleId;
    json["title"] = options_.moduleTitle;
    bool broken = false;
    json["description"] =
        foundryHtml("Tables made by weft-export from weft data files.", false, false, broken);
    json["version"] = "1.0.0";
    json["compatibility"] = {{"minimum", version}, {"verified", version}};
    json["packs"] = Json::array({pack});
    return json;
  }

  const ExportModel& model_;
  const FoundryOptions& options_;
  Notes& notes_;
};

// Returns a 64-bit FNV-1a hash of `text`, started from `basis`.
std::uint64_t hash(std::string_view text, std::uint64_t basis) {
  std::uint64_t value = basis;
  for (const char c : text) {
    value ^= static_cast<unsigned char>(c);
    value *= 0x100000001b3ULL;
  }
  return value;
}

}  // namespace

OutputFiles writeFoundry(const ExportModel& model, const FoundryOptions& options, Notes& notes) {
  return FoundryWriter(model, options, notes).write();
}

std::string foundryId(std::string_view key) {
  static constexpr char kDigits[] =
      "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  std::string id;
  for (const std::uint64_t basis : {0xcbf29ce484222325ULL, 0x84222325cbf29ce4ULL}) {
    std::uint64_t value = hash(key, basis);
    for (int i = 0; i < 8; ++i, value /= 62) id += kDigits[value % 62];
  }
  return id;
}

std::string foundryFileName(std::string_view name) {
  std::string out;
  for (std::size_t i = 0; i < name.size();) {
    const auto lead = static_cast<unsigned char>(name[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    std::uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length && i + k < name.size(); ++k) {
      code = code << 6 | (static_cast<unsigned char>(name[i + k]) & 0x3F);
    }
    i += length;
    const bool kept =
        (code < 0x80 && (isLetter(static_cast<char>(code)) || isDigit(static_cast<char>(code)))) ||
        (code >= 0x410 && code <= 0x44F);
    if (kept) {
      out.append(name.substr(i - length, length));
    } else {
      out += code >= 0x10000 ? "__" : "_";
    }
  }
  return out;
}

}  // namespace weft::exporter
