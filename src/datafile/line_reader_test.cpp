#include "datafile/line_reader.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/file_system.h"

namespace weft {
namespace {

// The reader moves bytes in chunks of this size; a carriage return at the end
// of one chunk is decided by the first byte of the next.
constexpr std::size_t kChunk = std::size_t{1} << 16;

// Reads `content` in pieces of at most `limit` bytes until the end, and
// returns every read's result joined by "|" (the last read may be empty).
std::string readAll(std::string_view content, std::size_t limit) {
  MemoryFileSystem files;
  files.addFile("input", std::string(content));
  const std::unique_ptr<InputFile> input = files.open("input");
  LineReader reader(*input);
  std::string result;
  std::vector<char> buffer(limit + 1);
  for (int reads = 0; !reader.atEnd() && reads < 1000; ++reads) {
    if (reads > 0) result += '|';
    result.append(buffer.data(), reader.readPiece(buffer.data(), limit));
  }
  return result;
}

TEST(LineReaderTest, SplitsLinesAndTranslatesText) {
  const struct {
    std::string_view content;
    std::size_t limit;
    std::string expected;
  } cases[] = {
      {"", 10, ""},
      {"a\nbc\n", 10, "a|bc|"},
      {"a\n\nb", 10, "a||b"},  // a last line without a line feed ends the reading
      {"a\r\nb\rc\r\r\n", 10, "a|b\rc\r|"},
      {"a\r", 10, "a\r"},  // a carriage return at the end stays
      {"a\nb\x1a"
       "c\nd\n",
       10, "a|b"},  // byte 26 ends the file
      {"\x1a"
       "a\n",
       10, ""},
      {"a\r\x1a\n", 10, "a\r"},
      {"abcdef\ng\n", 3, "abc|def||g|"},
      {"abc\nd\n", 3, "abc||d|"},  // the line feed after a full piece comes back alone
      {"abc", 3, "abc|"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.expected, readAll(c.content, c.limit)) << ::testing::PrintToString(c.content);
  }
}

TEST(LineReaderTest, CarriageReturnAtAChunkBoundary) {
  const std::string head(kChunk - 1, 'x');
  const struct {
    std::string tail;
    std::string expected;
  } cases[] = {
      {"\r\ny", head + "|y"},  {"\rz\n", head + "\rz|"}, {"\r", head + "\r"},
      {"\r\x1a", head + "\r"}, {"\r\r\n", head + "\r|"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.expected, readAll(head + c.tail, 2 * kChunk)) << ::testing::PrintToString(c.tail);
  }
}

}  // namespace
}  // namespace weft
