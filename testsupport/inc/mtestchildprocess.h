// Test helper: starts the running test binary once more as a child process, with arguments that
// its main() recognises, so that a test can share a resource with a second process.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class MTestChildProcess {
 public:
  // Starts the child; started() tells whether that worked.
  explicit MTestChildProcess(const std::vector<std::string>& args);
  // Waits for the child unless Wait() did.
  ~MTestChildProcess();
  MTestChildProcess(const MTestChildProcess&) = delete;
  MTestChildProcess& operator=(const MTestChildProcess&) = delete;

  bool started() const { return started_; }
  // Waits for the child's end and answers its exit code; -1 when there is no child to wait for.
  int Wait();

  static int CurrentProcessId();

 private:
  std::intptr_t process_ = 0;  // the process id, or the process handle
  bool started_ = false;
};
