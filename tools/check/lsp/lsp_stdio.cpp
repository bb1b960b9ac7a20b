// The language server on standard input and output, as editors start one.
// The checks of buffers run on threads of their own, so that the server
// answers every message at once from what the last check found, and an
// edit is analysed while an older search of lines still runs.
#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/syscall.h>
#endif

#include <array>
#include <cerrno>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>

#include "lsp/lsp_server.h"
#include "lsp/protocol/framing.h"

namespace weft::check::lsp {

namespace {

bool writeAll(std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = ::write(STDOUT_FILENO, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    text.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

bool send(const std::vector<std::string>& messages) {
  for (const std::string& message : messages) {
    if (!writeAll(framed(message))) return false;
  }
  return true;
}

// The pause after which the deferred work starts.
constexpr int kPauseMilliseconds = 300;

// Returns whether input comes within `milliseconds`.
bool inputWaiting(int milliseconds) {
  pollfd input{STDIN_FILENO, POLLIN, 0};
  return ::poll(&input, 1, milliseconds) != 0;
}

// Lowers the priority of the calling thread to that of a background job, so
// that a search of lines gives way to an analysis; only Linux can do that
// for one thread.
void runInBackground() {
#ifdef __linux__
  setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), 10);
#endif
}

// Runs one check at a time on a thread of its own, and makes a pipe
// readable when it is done, so that the server waits for input and for the
// check at once. Without a pipe or a thread a check runs where it starts.
class Worker {
 public:
  // A worker `inBackground` runs its checks at a lower priority.
  explicit Worker(bool inBackground) : inBackground_(inBackground) {
    if (::pipe(done_.data()) != 0) done_ = {-1, -1};
  }
  ~Worker() {
    if (thread_.joinable()) thread_.join();
    for (const int descriptor : done_) {
      if (descriptor >= 0) ::close(descriptor);
    }
  }
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;

  bool busy() const { return job_ != nullptr; }
  // Whether the job is done without a pipe to say so.
  bool ready() const { return ranHere_; }

  void start(std::unique_ptr<CheckJob> job) {
    job_ = std::move(job);
    if (job_ == nullptr) return;
    if (done_[0] >= 0) {
      try {
        thread_ = std::thread([this] {
          if (inBackground_) runInBackground();
          job_->run();
          const char done = 1;
          while (::write(done_[1], &done, 1) < 0 && errno == EINTR) {
          }
        });
        return;
      } catch (const std::system_error&) {
      }
    }
    job_->run();
    ranHere_ = true;
  }

  // What to poll for the end of the job (ignored when none is running).
  pollfd event() const { return {busy() && !ranHere_ ? done_[0] : -1, POLLIN, 0}; }
  bool done(const pollfd& polled) const {
    return ranHere_ || (polled.fd >= 0 && polled.revents != 0);
  }

  // Returns the job, which is done.
  std::unique_ptr<CheckJob> collect() {
    if (thread_.joinable()) {
      char done = 0;
      while (::read(done_[0], &done, 1) < 0 && errno == EINTR) {
      }
      thread_.join();
    }
    ranHere_ = false;
    return std::move(job_);
  }

 private:
  const bool inBackground_;
  std::array<int, 2> done_{};
  std::thread thread_;
  std::unique_ptr<CheckJob> job_;
  bool ranHere_ = false;
};

// Starts the work that is due: an analysis once no message waits, a search
// of lines after a longer pause with no analysis running.
void startWork(LanguageServer& server, Worker& analyses, Worker& searches) {
  if (!analyses.busy() && server.hasIdleWork() && !inputWaiting(0)) {
    analyses.start(server.takeWork(false));
  }
  if (!analyses.busy() && !searches.busy() && server.hasDeferredWork() &&
      !inputWaiting(kPauseMilliseconds)) {
    searches.start(server.takeWork(true));
  }
}

}  // namespace

int runLanguageServer() {
  LanguageServer server;
  // They end before the server: each waits for its check.
  Worker analyses(false);
  Worker searches(true);
  std::string buffer;
  char chunk[65536];
  bool broken = false;
  while (true) {
    while (std::optional<std::string> message = takeMessage(buffer, broken)) {
      if (!send(server.handle(*message))) return 1;
      if (server.exited()) return server.exitStatus();
    }
    if (broken) return 1;
    // Every message read so far is handled: a newer edit has replaced any
    // older one, so a check starts on the latest text only.
    startWork(server, analyses, searches);
    std::array<pollfd, 3> polled{pollfd{STDIN_FILENO, POLLIN, 0}, analyses.event(),
                                 searches.event()};
    const bool ready = analyses.ready() || searches.ready();
    if (::poll(polled.data(), polled.size(), ready ? 0 : -1) < 0 && errno != EINTR) return 1;
    if (analyses.done(polled[1]) && !send(server.finish(analyses.collect()))) return 1;
    if (searches.done(polled[2]) && !send(server.finish(searches.collect()))) return 1;
    if (polled[0].revents == 0) continue;
    const ssize_t count = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return server.exitStatus() == 0 ? 0 : 1;
    buffer.append(chunk, static_cast<std::size_t>(count));
  }
}

}  // namespace weft::check::lsp
