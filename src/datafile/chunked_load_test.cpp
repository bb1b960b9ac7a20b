// Loading lines that lie across the reader's chunks, at and around the
// longest logical line, in and out of continuations: every way of reading a
// line must give the same entries.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "datafile/data_file.h"
#include "testing/test_support.h"

namespace weft {
namespace {

using testing::ScratchDir;
using testing::writeFile;

constexpr std::size_t kLongestPiece = 1023;

// A line of `length` bytes, mixed case, unique to `n`.
std::string lineOf(std::size_t n, std::size_t length) {
  std::string line = "Line" + std::to_string(n) + "-";
  while (line.size() < length) line += static_cast<char>((line.size() % 2 ? 'A' : 'b') + n % 20);
  line.resize(length);
  return line;
}

std::string lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::vector<std::string> entries(const Table& table) {
  std::vector<std::string> texts;
  for (std::size_t i = 0; i < table.runCount(); ++i) texts.emplace_back(table.run(i).text);
  return texts;
}

TEST(ChunkedLoadTest, LinesOfEveryLengthAcrossChunks) {
  ScratchDir dir;
  // About 300 KB of lines whose lengths sweep past the longest piece, so
  // that line ends fall at many offsets of the 64 KB chunks.
  const std::size_t lengths[] = {1, 2, 47, 1021, 1022, 1023, 1024, 1025, 2046, 2047, 3000};
  std::string content;
  std::vector<std::string> expected;
  for (std::size_t n = 0; n < 1100; ++n) {
    const std::size_t length = n < 900 ? lengths[n % std::size(lengths)] : 300 + n;
    const std::string line = lineOf(n, length);
    content += line + "\n";
    // A physical line longer than a logical line may be reads as several.
    for (std::size_t at = 0; at < line.size(); at += kLongestPiece) {
      expected.push_back(lower(line.substr(at, kLongestPiece)));
    }
  }
  writeFile("chunks.dat", content);
  testing::TestEngine test;
  const DataFile file(test.engine, "chunks.dat", nullptr);
  EXPECT_EQ(expected, entries(file.table(0)));
}

TEST(ChunkedLoadTest, CommentsFrequenciesAndContinuationsAcrossChunks) {
  ScratchDir dir;
  std::string content;
  std::vector<std::string> expected;
  std::vector<std::uint32_t> counts;
  for (std::size_t n = 0; content.size() < 200'000; ++n) {
    const std::string text = lineOf(n, 20 + n % 90);
    switch (n % 4) {
      case 0:  // an ordinary line with a frequency and a comment
        content += "  " + text + ":" + std::to_string(n % 50 + 1) + " # Note\n";
        expected.push_back(lower(text));
        counts.push_back(static_cast<std::uint32_t>(n % 50 + 1));
        break;
      case 1:  // a line continued twice, a comment in the last part
        content += text + "\\\n" + text + "\\\n" + text + ":2#x\\\n";
        expected.push_back(lower(text + text + text));
        counts.push_back(2);
        break;
      case 2:  // a comment and an empty line: no entries
        content += "# " + text + "\n\n";
        break;
      case 3:  // a frequency beyond nine digits, read by the general rules
        content += text + ":0000000000" + std::to_string(n % 7 + 1) + "\n";
        expected.push_back(lower(text));
        counts.push_back(static_cast<std::uint32_t>(n % 7 + 1));
        break;
    }
  }
  writeFile("mixed.dat", content);
  testing::TestEngine test;
  const DataFile file(test.engine, "mixed.dat", nullptr);
  const Table& table = file.table(0);
  ASSERT_EQ(expected, entries(table));
  for (std::size_t i = 0; i < counts.size(); ++i) EXPECT_EQ(counts[i], table.run(i).count) << i;
}

}  // namespace
}  // namespace weft
