#include "mtestchildprocess.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

MTestChildProcess::MTestChildProcess(const std::vector<std::string>& args) {
  std::vector<std::string> arguments{"/proc/self/exe"};
  arguments.insert(arguments.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  started_ = posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0;
  process_ = pid;
}

MTestChildProcess::~MTestChildProcess() { Wait(); }

int MTestChildProcess::Wait() {
  if (!started_) return -1;
  started_ = false;
  int status = 0;
  if (waitpid(static_cast<pid_t>(process_), &status, 0) < 0 || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

int MTestChildProcess::CurrentProcessId() { return static_cast<int>(getpid()); }
