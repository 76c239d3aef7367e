#include "mhostoptions.h"

#include <optional>

#include "mhostline.h"

namespace {

constexpr const char* kHelp =
    "usage: mmachhost [OPTION]... HOSTCONFIG [SCRIPT]\n"
    "  or:  mmachhost [OPTION]... check HOSTCONFIG\n"
    "  or:  mmachhost check-plugin [OPTION]... PLUGIN  (see mmachhost check-plugin --help)\n"
    "Runs SCRIPT (or the lines of standard input, also when SCRIPT is -) against the proxy that\n"
    "HOSTCONFIG describes; \"help\" in a session lists its commands, \"quit\" ends it.\n"
    "With check: reads HOSTCONFIG and every file it leads to (plug-ins, submachine descriptions,\n"
    "the proxy's aliases, magazines), reports every problem found, and when there is none opens\n"
    "the instrument and prints its name map as \"describe\" does.\n"
    "\n"
    "  --plugin-dir=DIR   look for plug-ins named without a path in DIR; may be given more than\n"
    "                     once: the folders are searched in order, then the plug-in folder of\n"
    "                     the host's own installation\n"
    "  --trace-level=N    trace level 0-9 of the host and of every plug-in\n"
    "  --error-log=FILE   append the error log and trace to FILE instead of standard error\n"
    "  --timeline=FILE    write the session as trace-event JSON to FILE (open it in Perfetto or\n"
    "                     chrome://tracing): a track for the proxy and one per submachine\n"
    "  --max-polls=N      give up a command that has not ended after N polls (default 100000)\n"
    "  -h, --help         print this help and exit\n"
    "  --version          print the version and exit\n"
    "  --                 end of options: what follows are file names\n"
    "\n"
    "Exit status: 0 when the session ran (or check found nothing), 1 when the instrument could\n"
    "not be set up (or check found problems), 2 for a bad command line or session line.\n";

// An option that takes a value, and what it does with it (false and `error` for a bad value).
struct ValueOption {
  const char* name;
  bool (*apply)(const std::string& value, MHostOptions& options, std::string& error);
};

// Options whose value is kept as given.
template <std::string MHostOptions::*Field>
bool keep(const std::string& value, MHostOptions& options, std::string&) {
  options.*Field = value;
  return true;
}

const ValueOption kValueOptions[] = {
    {"--plugin-dir",
     [](const std::string& value, MHostOptions& options, std::string&) {
       options.plugin_dirs.push_back(value);
       return true;
     }},
    {"--error-log", keep<&MHostOptions::error_log>},
    {"--timeline", keep<&MHostOptions::timeline>},
    {"--trace-level",
     [](const std::string& value, MHostOptions& options, std::string& error) {
       const std::optional<uint64_t> level = MHostLine_ToUnsigned(value, 9);
       if (!level) error = "--trace-level needs a level from 0 to 9";
       if (level) options.trace_level = static_cast<int>(*level);
       return level.has_value();
     }},
    {"--max-polls",
     [](const std::string& value, MHostOptions& options, std::string& error) {
       const std::optional<uint64_t> polls = MHostLine_ToUnsigned(value, UINT32_MAX);
       const bool good = polls && *polls != 0;
       if (!good) error = "--max-polls needs a positive number";
       if (good) options.max_polls = static_cast<uint32_t>(*polls);
       return good;
     }},
};

const ValueOption* find_value_option(const std::string& name) {
  for (const ValueOption& option : kValueOptions) {
    if (name == option.name) return &option;
  }
  return nullptr;
}

bool is_option(const std::string& arg) { return arg.size() > 1 && arg[0] == '-'; }

}  // namespace

MHostRequest MHostOptions_Parse(const std::vector<std::string>& args, MHostOptions& options, std::string& error) {
  std::vector<std::string> files;
  bool options_ended = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options_ended || !is_option(arg)) {
      files.push_back(arg);
      continue;
    }
    const size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    if (arg == "--") {
      options_ended = true;
    } else if (arg == "-h" || arg == "--help") {
      return MHostRequest::kHelp;
    } else if (arg == "--version") {
      return MHostRequest::kVersion;
    } else if (name == "--help" || name == "--version") {
      error = "option '" + name + "' doesn't allow an argument";
      return MHostRequest::kBadCommandLine;
    } else if (const ValueOption* option = find_value_option(name)) {
      std::string value;
      if (equals != std::string::npos) {
        value = arg.substr(equals + 1);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      }
      if (value.empty()) {
        error = "option '" + name + "' needs a value";
        return MHostRequest::kBadCommandLine;
      }
      if (!option->apply(value, options, error)) return MHostRequest::kBadCommandLine;
    } else {
      error = arg.compare(0, 2, "--") == 0 ? "unrecognized option '" + name + "'"
                                           : "invalid option -- '" + arg.substr(1, 1) + "'";
      return MHostRequest::kBadCommandLine;
    }
  }
  options.check = !files.empty() && files[0] == "check";
  if (options.check) files.erase(files.begin());
  if (files.empty() || files.size() > (options.check ? 1u : 2u)) {
    error = files.empty() ? "no host configuration given" : "too many arguments";
    return MHostRequest::kBadCommandLine;
  }
  options.config = files[0];
  if (files.size() == 2) options.script = files[1];
  return MHostRequest::kRun;
}

const char* MHostOptions_Help() { return kHelp; }
