#include "datafile/line_reader.h"

#include <cstring>

#include "support/ascii.h"

namespace weft {

namespace {

// Large reads keep the system calls per megabyte low.
constexpr std::size_t kChunkSize = std::size_t{1} << 16;
constexpr char kEndOfFile = 26;

}  // namespace

LineReader::LineReader(InputFile& file, bool foldCase)
    : file_(file), foldCase_(foldCase), buffer_(new char[kChunkSize + 1]) {}

bool LineReader::fill() {
  pos_ = 0;
  end_ = 0;
  while (!sourceDone_ && end_ == 0) {
    // Keep one byte free in front for a carriage return carried over from
    // the previous chunk (only then: moving a whole chunk by one byte
    // afterwards would cost as much as reading it).
    char* raw = buffer_.get() + (pendingReturn_ ? 1 : 0);
    const std::ptrdiff_t got = file_.read(raw, kChunkSize);
    if (got <= 0) {
      if (got < 0) failed_ = true;
      sourceDone_ = true;
      break;
    }
    std::size_t n = static_cast<std::size_t>(got);
    char* start = raw;
    if (pendingReturn_) {
      pendingReturn_ = false;
      if (raw[0] != '\n') {
        --start;
        *start = '\r';
        ++n;
      }
    }
    n = translate(start, n);
    if (start != buffer_.get()) std::memmove(buffer_.get(), start, n);
    // Folding a whole chunk at once is one tight pass, where folding each
    // line on its own would cost a call and a loop set-up per line.
    if (foldCase_) foldToLower(buffer_.get(), n);
    end_ = n;
  }
  if (end_ == 0 && pendingReturn_) {
    // A carriage return at the very end of the file is an ordinary byte.
    pendingReturn_ = false;
    buffer_[0] = '\r';
    end_ = 1;
  }
  return end_ > 0;
}

std::size_t LineReader::translate(char* chunk, std::size_t n) {
  // Most files hold neither byte; only then is the chunk rewritten.
  if (std::memchr(chunk, '\r', n) == nullptr && std::memchr(chunk, kEndOfFile, n) == nullptr) {
    return n;
  }
  std::size_t out = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const char c = chunk[i];
    if (c == kEndOfFile) {
      sourceDone_ = true;
      break;
    }
    if (c == '\r') {
      if (i + 1 == n) {
        pendingReturn_ = true;  // decided by the next chunk's first byte
        break;
      }
      if (chunk[i + 1] == '\n') continue;
    }
    chunk[out++] = c;
  }
  return out;
}

std::size_t LineReader::readPiece(char* out, std::size_t limit) {
  std::size_t taken = 0;
  pieceWasCut_ = false;
  while (taken < limit) {
    if (pos_ == end_ && !fill()) {
      atEnd_ = true;
      break;
    }
    const char* from = buffer_.get() + pos_;
    const std::size_t span = std::min(end_ - pos_, limit - taken);
    const void* feed = std::memchr(from, '\n', span);
    const std::size_t length =
        feed != nullptr ? static_cast<std::size_t>(static_cast<const char*>(feed) - from) : span;
    std::memcpy(out + taken, from, length);
    taken += length;
    pos_ += length;
    if (feed != nullptr) {
      ++pos_;
      ++lineNumber_;
      break;
    }
  }
  if (taken == limit && limit > 0) {
    // Cut only when something other than a line feed or the end follows.
    pieceWasCut_ = (pos_ < end_ || fill()) && buffer_[pos_] != '\n';
  }
  return taken;
}

}  // namespace weft
