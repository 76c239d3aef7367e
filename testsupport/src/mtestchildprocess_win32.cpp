#include "mtestchildprocess.h"

#include <windows.h>

MTestChildProcess::MTestChildProcess(const std::vector<std::string>& args) {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length == MAX_PATH) return;
  std::string command_line = std::string("\"").append(path).append("\"");
  for (const std::string& argument : args) command_line.append(" \"").append(argument).append("\"");
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(path, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    return;
  }
  CloseHandle(info.hThread);
  process_ = reinterpret_cast<std::intptr_t>(info.hProcess);
  started_ = true;
}

MTestChildProcess::~MTestChildProcess() { Wait(); }

int MTestChildProcess::Wait() {
  if (!started_) return -1;
  started_ = false;
  const HANDLE process = reinterpret_cast<HANDLE>(process_);
  DWORD code = 0;
  const bool ended = WaitForSingleObject(process, INFINITE) == WAIT_OBJECT_0 &&
                     GetExitCodeProcess(process, &code);
  CloseHandle(process);
  return ended ? static_cast<int>(code) : -1;
}

int MTestChildProcess::CurrentProcessId() { return static_cast<int>(GetCurrentProcessId()); }
