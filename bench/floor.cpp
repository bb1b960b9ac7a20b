// The floor of line output: writes the lines of a file to standard output
// with one write per line, as weft does when it flushes after every line,
// and nothing else. The file is read whole first.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const int fd = ::open(argv[1], O_RDONLY);
  if (fd < 0) return 1;
  std::string text;
  // One allocation of the right size, so that reading costs as little as it can.
  struct stat info {};
  if (::fstat(fd, &info) == 0 && info.st_size > 0)
    text.reserve(static_cast<std::size_t>(info.st_size));
  char chunk[1 << 16];
  for (ssize_t got; (got = ::read(fd, chunk, sizeof chunk)) > 0;)
    text.append(chunk, static_cast<std::size_t>(got));
  ::close(fd);
  const char* at = text.data();
  const char* end = at + text.size();
  while (at < end) {
    const void* feed = std::memchr(at, '\n', static_cast<std::size_t>(end - at));
    const char* next = feed != nullptr ? static_cast<const char*>(feed) + 1 : end;
    if (::write(STDOUT_FILENO, at, static_cast<std::size_t>(next - at)) < 0) return 1;
    at = next;
  }
  return 0;
}
