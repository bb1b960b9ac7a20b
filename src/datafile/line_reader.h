// Reads a data file as text: physical lines in pieces of a bounded length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "support/file_system.h"

namespace weft {

// Reads an open file the way a text stream reads a file: a carriage
// return just before a line feed is dropped (one anywhere else is kept), and a
// byte of value 26 ends the file, as on old text consoles.
class LineReader {
 public:
  // With `foldCase`, the letters A to Z read as a to z.
  explicit LineReader(InputFile& file, bool foldCase = false);

  // Reads one physical line, or the next piece of one, into `out`: the bytes
  // up to the next line feed, at most `limit` of them. A line feed that ends
  // the read is consumed and not stored; when `limit` bytes are taken first,
  // the rest of the line stays for the next read. Returns the number of bytes
  // stored. With a `limit` of 0 nothing is read.
  std::size_t readPiece(char* out, std::size_t limit);

  // The same read as readPiece, without the copy, for a line whose line feed
  // lies within `limit` bytes in the bytes already read: returns true and sets
  // `line` to the line's bytes inside the reader, valid (and writable) until
  // the next read. Otherwise returns false and reads nothing.
  bool takeLine(std::size_t limit, char*& line, std::size_t& length) {
    if (pos_ == end_) return false;
    char* from = buffer_.get() + pos_;
    const std::size_t span = end_ - pos_ < limit ? end_ - pos_ : limit;
    const void* feed = std::memchr(from, '\n', span);
    if (feed == nullptr) return false;
    line = from;
    length = static_cast<std::size_t>(static_cast<const char*>(feed) - from);
    pos_ += length + 1;
    ++lineNumber_;
    pieceWasCut_ = false;
    return true;
  }

  // Returns true once a read has found nothing more at the end of the file.
  bool atEnd() const { return atEnd_; }

  // Returns true when the last read stopped at its limit before a line feed
  // or the end of the file, leaving the rest of the line for the next read.
  bool pieceWasCut() const { return pieceWasCut_; }

  // Returns true when reading failed for a reason other than the end.
  bool failed() const { return failed_; }

  // Returns the number of the physical line the next read starts in,
  // counting from 1.
  std::uint64_t lineNumber() const { return lineNumber_; }

 private:
  // Makes more translated bytes available; returns false at the end of the
  // file (or on a read error).
  bool fill();
  // Translates the `n` bytes of `chunk` in place: drops each carriage return
  // just before a line feed and ends the file at a byte of value 26. A
  // carriage return that ends the chunk is held back for the next one.
  // Returns the bytes left.
  std::size_t translate(char* chunk, std::size_t n);

  InputFile& file_;
  bool foldCase_;
  std::unique_ptr<char[]> buffer_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  bool sourceDone_ = false;     // the descriptor has nothing more, or a 26 was met
  bool pendingReturn_ = false;  // a carriage return ended the last raw chunk
  bool atEnd_ = false;
  bool failed_ = false;
  bool pieceWasCut_ = false;
  std::uint64_t lineNumber_ = 1;
};

}  // namespace weft
