// The host's command line, read the GNU way: "--opt=value" or "--opt value", "-h"/"--help",
// "--version", "--" ending the options, "-" naming standard input. A first file argument "check"
// asks for the check of a host configuration instead of a session.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct MHostOptions {
  std::vector<std::string> plugin_dirs;  // from --plugin-dir, searched before the host's own folder
  std::string error_log;
  std::string timeline;  // from --timeline: where the session's trace-event JSON goes
  int trace_level = -1;  // -1: leave the levels alone
  uint32_t max_polls = 100000;
  bool check = false;  // "check HOSTCONFIG": examine the configuration instead of running a session
  std::string config;
  std::string script = "-";
};

// What the command line asks for.
enum class MHostRequest { kRun, kHelp, kVersion, kBadCommandLine };

// Reads `args` (without the program name) into `options`; with kBadCommandLine, `error` says why.
MHostRequest MHostOptions_Parse(const std::vector<std::string>& args, MHostOptions& options, std::string& error);
// The usage line and every option with its meaning, as --help prints them.
const char* MHostOptions_Help();
