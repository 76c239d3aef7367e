#include "mplugincheckrunner.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

namespace {

// Child to parent, one line each: "RUN <index>" before a check, its report line after it.
constexpr const char* kRun = "RUN ";

void write_all(int fd, const std::string& text) {
  size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = write(fd, text.data() + written, text.size() - written);
    if (n <= 0) return;
    written += static_cast<size_t>(n);
  }
}

// The child: runs the checks from `first` on and never returns.
[[noreturn]] void run_child(const MPluginCheck& check, const std::string& group, size_t first, int fd) {
  const std::vector<MPluginCheckCase>& cases = check.Cases(group);
  for (size_t index = first; index < cases.size(); ++index) {
    write_all(fd, kRun + std::to_string(index) + "\n");
    write_all(fd, MPluginCheckReport::Line(cases[index].name, check.Run(group, index)) + "\n");
  }
  std::fflush(nullptr);
  _exit(0);  // no destructors of the parent's objects in the child
}

// Why a child ended, for the check it was running.
std::string ending_of(int status, bool timed_out, double seconds) {
  if (timed_out) return std::string("no result within ") + std::to_string(static_cast<int>(seconds)) + " s: stopped";
  if (WIFSIGNALED(status)) {
    const int signal = WTERMSIG(status);
    return std::string("the plug-in crashed: signal ") + std::to_string(signal) + " (" + strsignal(signal) + ")";
  }
  return std::string("the check's process ended with status ") + std::to_string(WEXITSTATUS(status));
}

// Where a child got to: the check it announced and did not report (-1: none), the check after
// the last one it reported, and whether it ran out of time.
struct Progress {
  long running = -1;
  size_t next = 0;
  bool timed_out = false;
};

// Relays the child's lines to `report` until it closes the pipe or a check takes longer than
// `seconds`.
Progress relay(int fd, size_t first, MPluginCheckReport& report, double seconds) {
  Progress progress{-1, first, false};
  long& running = progress.running;
  std::string pending;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd input{fd, POLLIN, 0};
    if (left.count() <= 0 || poll(&input, 1, static_cast<int>(left.count())) == 0) {
      progress.timed_out = true;
      return progress;
    }
    char buffer[4096];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return progress;
    pending.append(buffer, static_cast<size_t>(n));
    for (size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
      const std::string line = pending.substr(0, end);
      if (line.compare(0, 4, kRun) == 0) {
        running = std::strtol(line.c_str() + 4, nullptr, 10);
        deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
      } else if (auto parsed = MPluginCheckReport::Parse(line)) {
        report.Add(parsed->first, parsed->second);
        progress.next = static_cast<size_t>(running + 1);
        running = -1;
      }
    }
  }
}

}  // namespace

void MPluginCheck_RunGroup(const MPluginCheck& check, const std::string& group, MPluginCheckReport& report,
                           double check_seconds) {
  const std::vector<MPluginCheckCase>& cases = check.Cases(group);
  size_t first = 0;
  while (first < cases.size()) {
    int pipe_fds[2];
    std::cout.flush();
    std::fflush(nullptr);  // nothing buffered may be written twice, by parent and child
    if (pipe(pipe_fds) != 0) {
      check.RunHere(group, report, first);  // no pipe: no protection either
      return;
    }
    const pid_t child = fork();
    if (child < 0) {
      close(pipe_fds[0]);
      close(pipe_fds[1]);
      check.RunHere(group, report, first);
      return;
    }
    if (child == 0) {
      close(pipe_fds[0]);
      run_child(check, group, first, pipe_fds[1]);
    }
    close(pipe_fds[1]);
    const Progress progress = relay(pipe_fds[0], first, report, check_seconds);
    close(pipe_fds[0]);
    if (progress.timed_out) kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    // A child that ended between two checks goes on with the next; one that ended in a check,
    // or before it could announce one, costs that check.
    const bool lost = progress.running >= 0 || progress.next == first;
    const size_t index = progress.running >= 0 ? static_cast<size_t>(progress.running) : progress.next;
    if (lost && index < cases.size()) {
      report.Add(cases[index].name, MPluginCheckResult::Fail(ending_of(status, progress.timed_out, check_seconds)));
    }
    first = lost ? index + 1 : progress.next;
  }
}
