// Runs a command several times and prints, for each run, its wall-clock
// time, its processor time (user and system), its peak resident memory and
// its exit status:
//
//   weft_time_runs RUNS STDIN STDOUT STDERR -- COMMAND [ARGUMENT...]
//   -> one line per run: "<wall ns> <cpu ns> <max rss KiB> <status>"
//
// Timing from here rather than from a script keeps the script's own start-up
// cost out of the figures, which matters for runs of a millisecond.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace {

long long nanoseconds(const timeval& t) {
  return static_cast<long long>(t.tv_sec) * 1'000'000'000 + t.tv_usec * 1000LL;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 7 || std::strcmp(argv[5], "--") != 0) {
    std::fputs("usage: weft_time_runs RUNS STDIN STDOUT STDERR -- COMMAND [ARGUMENT...]\n", stderr);
    return 2;
  }
  const int runs = std::atoi(argv[1]);
  for (int run = 0; run < runs; ++run) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, argv[2], O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, argv[3], O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, argv[4], O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[6], &actions, nullptr, argv + 6, environ) != 0) {
      std::perror(argv[6]);
      return 1;
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) < 0) {
      std::perror("wait4");
      return 1;
    }
    const auto wall = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::steady_clock::now() - start);
    posix_spawn_file_actions_destroy(&actions);
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    std::printf("%lld %lld %ld %d\n", static_cast<long long>(wall.count()),
                nanoseconds(usage.ru_utime) + nanoseconds(usage.ru_stime), usage.ru_maxrss, code);
  }
  return 0;
}
