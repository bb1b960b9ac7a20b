// Differential target of the short cuts: each reads the usual form of its
// syntax directly and must give the same result as the general rule on any
// text. The input is one text, given to all four pairs: a reference's inner
// text (plain table number against the general classifier), a frequency
// (short decimal against readDecimal), a dice expression (the usual form
// against the general reader) and a file (lines taken in place where they
// can be against lines always copied out).
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "datafile/line_reader.h"
#include "generate/dice.h"
#include "generate/reference.h"
#include "support/file_system.h"
#include "support/numbers.h"

namespace {

void checkReference(std::string_view text) {
  const weft::ReferenceTarget fast = weft::classifyReference(text);
  const weft::ReferenceTarget general = weft::classifyGeneral(text);
  if (fast.kind != general.kind || fast.table != general.table || fast.dice != general.dice ||
      fast.number != general.number) {
    std::abort();
  }
}

void checkDice(std::string_view text) {
  weft::DiceParts plain{};
  if (!weft::readPlainDice(text, plain)) return;
  weft::DiceParts general{};
  if (!weft::readDiceGeneral(text, general)) std::abort();
  if (plain.count != general.count || plain.sides != general.sides ||
      plain.positive != general.positive || plain.modifier != general.modifier ||
      plain.end != general.end) {
    std::abort();
  }
}

// Reads the text as a file twice, once taking each line in place whenever the
// reader allows it and copying it out otherwise, as loading does, and once
// always copying: every read must give the same bytes and leave the reader in
// the same state. The first byte chooses the piece limit, small ones
// included, so that lines meet it from either side.
void checkLines(std::string_view text) {
  if (text.empty()) return;
  const auto first = static_cast<unsigned char>(text[0]);
  const std::size_t limit = first >= 0xf0 ? 1022 : 1 + first % 40;
  const bool fold = (first & 0x40) != 0;
  weft::MemoryFileSystem files;
  files.addFile("lines", std::string(text));
  const std::unique_ptr<weft::InputFile> fastFile = files.open("lines");
  const std::unique_ptr<weft::InputFile> generalFile = files.open("lines");
  weft::LineReader fast(*fastFile, fold);
  weft::LineReader general(*generalFile, fold);
  std::string fastBytes(limit, '\0');
  std::string generalBytes(limit, '\0');
  // Each read takes a byte or ends the file, so this many reads is enough.
  for (std::size_t reads = 0; reads <= text.size() + 1 && !general.atEnd(); ++reads) {
    std::string_view fastPiece;
    char* line = nullptr;
    std::size_t length = 0;
    if (fast.takeLine(limit, line, length)) {
      fastPiece = std::string_view(line, length);
    } else {
      fastPiece = std::string_view(fastBytes.data(), fast.readPiece(fastBytes.data(), limit));
    }
    const std::string_view generalPiece(generalBytes.data(),
                                        general.readPiece(generalBytes.data(), limit));
    if (fastPiece != generalPiece || fast.lineNumber() != general.lineNumber() ||
        fast.pieceWasCut() != general.pieceWasCut() || fast.atEnd() != general.atEnd() ||
        fast.failed() != general.failed()) {
      std::abort();
    }
  }
  if (!general.atEnd()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  checkReference(text);
  if (weft::readShortDecimal(text) != weft::readDecimal(text)) std::abort();
  checkDice(text);
  checkLines(text);
  return 0;
}
