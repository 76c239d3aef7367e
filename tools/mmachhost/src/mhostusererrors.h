// Where the host's messages about bad input go: standard error as the user started the host,
// also when --error-log takes the error log away from it, as "mmachhost: <where>: <message>".
// The transcript on standard output is flushed first, so that both keep their order when they go
// to one terminal or file.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

struct MHostMachineSetup;

constexpr int kMHostExitSetup = 1;     // configuration, plug-in or machine could not be set up
constexpr int kMHostExitBadInput = 2;  // bad command line or session line

class MHostUserErrors {
 public:
  explicit MHostUserErrors(std::FILE* stream) : stream_(stream) {}

  void Report(const std::string& where, const std::string& message) const;
  // A machine that could not be set up: reported at its section's plug-in entry in the host
  // configuration `config_path`, with the section in front of the reason. Answers false, for
  // the caller to answer.
  bool ReportMachine(const std::string& config_path, const MHostMachineSetup& setup, const std::string& error) const;

 private:
  std::FILE* stream_;
};

// "<file>:<line>" where `line` is known (not 0), else "<file>".
std::string MHostUserErrors_Place(const std::string& file, size_t line);
