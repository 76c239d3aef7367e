#include "mplugincheckmain.h"

#include <cstdint>
#include <fstream>
#include <iostream>
#include <optional>

#include "mhostconfig.h"
#include "mhostline.h"
#include "mhostplugin.h"
#include "mplugincheck.h"
#include "mplugincheckreport.h"
#include "mplugincheckrunner.h"

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitBadInput = 2;
constexpr double kCheckSeconds = 60.0;  // a check taking longer is taken as hanging

constexpr const char* kHelp =
    "usage: mmachhost check-plugin [OPTION]... PLUGIN\n"
    "Loads the machine plug-in PLUGIN (a file, or a name looked up in the host's plug-in folder)\n"
    "through its three exports and checks it against what the server and the proxy rely on.\n"
    "Prints one line per check, PASS|FAIL|WARN|SKIP <group>.<check>: <what was seen>, then a\n"
    "summary. The commands group runs every command the machine supports: keep the machine safe.\n"
    "\n"
    "  --name=NAME        the machine name given to NewMMachAbstract (default: the plug-in's name)\n"
    "  --configdir=DIR    the configuration folder given to NewMMachAbstract (default: .)\n"
    "  --only=GROUP       run only GROUP: exports, lifecycle, tables, commands, queries,\n"
    "                     probesystems, scans, magazine, imagefifos or proxy\n"
    "  --report=FILE      write the report to FILE as well\n"
    "  --max-polls=N      a command not done after N polls fails its check (default 2000)\n"
    "  -h, --help         print this help and exit\n"
    "\n"
    "Exit status: 0 when no check failed, 1 when one did, 2 for a bad command line or a plug-in\n"
    "that could not be loaded.\n";

struct Options {
  std::string plugin;
  std::string name;
  std::string configdir = ".";
  std::string only;
  std::string report;
  uint32_t max_polls = 2000;
  bool help = false;
};

// Sets the option `name` to `value`; false and `error` for an unknown option or a bad value.
bool apply(const std::string& name, const std::string& value, Options& options, std::string& error) {
  if (name == "--name") {
    options.name = value;
  } else if (name == "--configdir") {
    options.configdir = value;
  } else if (name == "--report") {
    options.report = value;
  } else if (name == "--only") {
    options.only = value;
    if (!MPluginCheck::IsGroup(value)) {
      error = "--only needs one of the groups";
      for (const std::string& group : MPluginCheck::GroupNames()) error.append(" ").append(group);
    }
  } else if (name == "--max-polls") {
    const std::optional<uint64_t> polls = MHostLine_ToUnsigned(value, UINT32_MAX);
    if (!polls || *polls == 0) error = "--max-polls needs a positive number";
    if (polls) options.max_polls = static_cast<uint32_t>(*polls);
  } else {
    error = std::string("unrecognized option '") + name + "'";
  }
  return error.empty();
}

bool parse(const std::vector<std::string>& args, Options& options, std::string& error) {
  std::vector<std::string> files;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "-h" || arg == "--help") {
      options.help = true;
      return true;
    }
    if (arg.size() < 2 || arg[0] != '-') {
      files.push_back(arg);
      continue;
    }
    const size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    std::string value = equals != std::string::npos ? arg.substr(equals + 1) : i + 1 < args.size() ? args[++i] : "";
    if (value.empty()) {
      error = std::string("option '") + name + "' needs a value";
      return false;
    }
    if (!apply(name, value, options, error)) return false;
  }
  if (files.size() != 1) {
    error = files.empty() ? "no plug-in given" : "too many arguments";
    return false;
  }
  options.plugin = files[0];
  return true;
}

// "orvexsim" for "orvexsim", "build/liborvexsim.so" or "C:\x\orvexsim.dll".
std::string plugin_name(const std::string& plugin) {
  std::string name = plugin.substr(plugin.find_last_of("/\\") + 1);
  name = name.substr(0, name.find('.'));
  if (name.compare(0, 3, "lib") == 0 && plugin.find_first_of("/\\.") != std::string::npos) name.erase(0, 3);
  return name;
}

}  // namespace

int MPluginCheck_Main(const std::vector<std::string>& args, const std::string& plugin_dir) {
  Options options;
  std::string error;
  if (!parse(args, options, error)) {
    std::cerr << "mmachhost check-plugin: " << error << "\nTry 'mmachhost check-plugin --help' for more information.\n";
    return kExitBadInput;
  }
  if (options.help) {
    std::cout << kHelp;
    return 0;
  }
  std::ofstream report_file;
  if (!options.report.empty()) {
    report_file.open(options.report, std::ios::binary);
    if (!report_file) {
      std::cerr << "mmachhost check-plugin: " << options.report << ": cannot be written\n";
      return kExitBadInput;
    }
  }
  const std::string path = MHostConfig_PluginPath(options.plugin, {plugin_dir}, ".");
  MHostPlugin plugin;  // loaded until the end: every machine of the check comes from it
  if (!plugin.Load(path, error)) {
    std::cerr << "mmachhost check-plugin: plug-in " << path << " not loaded: " << error << '\n';
    return kExitBadInput;
  }
  // The proxy group puts the plug-in behind our proxy, found as the host finds it.
  MHostPlugin proxy;
  std::string proxy_error;
  const bool proxy_loaded = proxy.Load(MHostConfig_PluginPath("orvexproxy", {plugin_dir}, "."), proxy_error);
  MPluginCheckTarget target;
  if (proxy_loaded && proxy.new_machine) target.new_proxy = proxy.new_machine;
  if (plugin.new_machine) target.new_machine = plugin.new_machine;
  if (plugin.is_proxy) target.is_proxy = plugin.is_proxy;
  if (plugin.set_trace_level) target.set_trace_level = plugin.set_trace_level;
  target.name = options.name.empty() ? plugin_name(options.plugin) : options.name;
  target.configdir = options.configdir;
  target.max_polls = options.max_polls;
  const MPluginCheck check(std::move(target));

  MPluginCheckReport report(std::cout);
  if (report_file.is_open()) report.AlsoTo(report_file);
  for (const std::string& group : MPluginCheck::GroupNames()) {
    if (options.only.empty() || options.only == group) MPluginCheck_RunGroup(check, group, report, kCheckSeconds);
  }
  report.Summary();
  return report.Failed() ? kExitFailed : 0;
}
