// mmachhost: a command-line stand-in for the control server. It loads the plug-ins named by a
// host configuration through their three exports, creates the submachines and then the proxy
// over them (all with the one machine channel), opens the proxy and runs a session script or
// interactive lines. Standard output carries the transcript; standard error (or --error-log)
// the error log and trace of the host and of every plug-in.
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "mhostconfig.h"
#include "mhostline.h"
#include "mhostplatform.h"
#include "mhostsession.h"
#include "mmachabstract.h"
#include "moutputchannel.h"
#include "orvexplugin.h"
#include "trace.h"

namespace {

constexpr int kExitSetup = 1;     // configuration, plug-in or machine could not be set up
constexpr int kExitBadInput = 2;  // bad command line or session line

constexpr const char* kUsage =
    "usage: mmachhost [--version] [--plugin-dir=DIR]... [--trace-level=N] [--error-log=FILE] [--max-polls=N] HOSTCONFIG [SCRIPT]\n"
    "Runs SCRIPT (or the lines of standard input, also when SCRIPT is -) against the proxy that\n"
    "HOSTCONFIG describes. A plug-in named without a path is looked up in each --plugin-dir in\n"
    "turn, then beside the host's own plug-ins. \"help\" in a session lists its commands.\n";

// The plug-in folder of the host's own installation (or build tree, laid out the same way).
std::string own_plugin_dir() {
  const std::string folder = MHostPlatform_ProgramFolder();
  return folder.empty() ? MMACHHOST_PLUGIN_RELDIR : folder + "/" + MMACHHOST_PLUGIN_RELDIR;
}

struct Options {
  std::vector<std::string> plugin_dirs;  // from --plugin-dir, searched before the host's own folder
  std::string error_log;
  int trace_level = -1;  // -1: leave the levels alone
  uint32_t max_polls = 100000;
  std::string config;
  std::string script = "-";
};

bool parse_options(int argc, char** argv, Options& options, std::string& error) {
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    const std::string value = equals == std::string::npos ? "" : arg.substr(equals + 1);
    if (arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
      files.push_back(arg);
    } else if (name == "--plugin-dir" && !value.empty()) {
      options.plugin_dirs.push_back(value);
    } else if (name == "--error-log" && !value.empty()) {
      options.error_log = value;
    } else if (name == "--trace-level") {
      const std::optional<uint64_t> level = MHostLine_ToUnsigned(value, 9);
      if (!level) {
        error = "--trace-level needs a level from 0 to 9";
        return false;
      }
      options.trace_level = static_cast<int>(*level);
    } else if (name == "--max-polls") {
      const std::optional<uint64_t> polls = MHostLine_ToUnsigned(value, UINT32_MAX);
      if (!polls || *polls == 0) {
        error = "--max-polls needs a positive number";
        return false;
      }
      options.max_polls = static_cast<uint32_t>(*polls);
    } else {
      error = "unknown option " + arg;
      return false;
    }
  }
  if (files.empty() || files.size() > 2) {
    error = files.empty() ? "no host configuration given" : "too many arguments";
    return false;
  }
  options.config = files[0];
  if (files.size() == 2) options.script = files[1];
  return true;
}

// A plug-in with its three exports.
struct Plugin {
  MHostLibrary library;
  NewMMachAbstractFunction new_machine = nullptr;
  IsProxyFunction is_proxy = nullptr;
  SetDefaultTracelevelFunction set_trace_level = nullptr;
};

// The plug-ins by file, each loaded once. Declared before the machines, so unloaded after them.
class Plugins {
 public:
  Plugins(const Options& options, const std::string& base_dir) : options_(options), base_dir_(base_dir) {
    search_dirs_ = options.plugin_dirs;
    search_dirs_.push_back(own_plugin_dir());
  }

  Plugin* Get(const std::string& plugin, std::string& error) {
    const std::string path = MHostConfig_PluginPath(plugin, search_dirs_, base_dir_);
    auto found = loaded_.find(path);
    if (found != loaded_.end()) return found->second.get();
    auto loaded = std::make_unique<Plugin>();
    std::string reason;
    if (!loaded->library.Load(path, reason)) {
      error = "plug-in " + path + " not loaded: " + reason;
      return nullptr;
    }
    loaded->new_machine = loaded->library.Find<NewMMachAbstractFunction>(kNewMMachAbstractName);
    loaded->is_proxy = loaded->library.Find<IsProxyFunction>(kIsProxyName);
    loaded->set_trace_level = loaded->library.Find<SetDefaultTracelevelFunction>(kSetDefaultTracelevelName);
    if (!loaded->new_machine || !loaded->is_proxy || !loaded->set_trace_level) {
      error = "plug-in " + path + " lacks the exports NewMMachAbstract, IsProxy and SetDefaultTracelevel";
      return nullptr;
    }
    // Every plug-in has its own diagnostics: its trace level is set through its export.
    if (options_.trace_level >= 0) loaded->set_trace_level(options_.trace_level);
    return loaded_.emplace(path, std::move(loaded)).first->second.get();
  }

 private:
  const Options& options_;
  std::string base_dir_;
  std::vector<std::string> search_dirs_;
  std::map<std::string, std::unique_ptr<Plugin>> loaded_;
};

// Reads session lines from `input` until its end or the first bad line (unless interactive).
int run_session(MHostSession& session, std::istream& input, const std::string& source, bool interactive) {
  int status = 0;
  std::string text;
  for (size_t number = 1;; ++number) {
    if (interactive) std::cout << "> " << std::flush;
    if (!std::getline(input, text)) break;
    if (!text.empty() && text.back() == '\r') text.pop_back();
    const size_t first = text.find_first_not_of(" \t");
    if (!interactive) {
      const bool plain = first == std::string::npos || text[first] == '#';
      std::cout << (plain ? "" : "> ") << text << '\n';
    }
    std::string error;
    if (!session.Run(text, error)) {
      std::cout << "mmachhost: " << source << ":" << number << ": " << error << std::endl;
      status = kExitBadInput;
      if (!interactive) break;
    }
    std::cout.flush();
  }
  return status;
}

int fail_setup(const std::string& where, const std::string& error) {
  std::cout << "mmachhost: " << where << ": " << error << std::endl;
  return kExitSetup;
}

int run(const Options& options) {
  MHostConfig config;
  std::string error;
  if (!MHostConfig_Read(options.config, config, error)) return fail_setup(options.config, error);
  Plugins plugins(options, MHostConfig_Folder(options.config));

  MOutputChannel channel(0);  // the machine channel: every submachine and the proxy write here
  std::vector<std::unique_ptr<MMachAbstract>> owned;
  std::vector<MMachAbstract*> submachines;
  std::vector<MHostSubmachine> described;
  std::string header = "# proxy " + config.proxy.name + " (" + config.proxy.plugin + ") over";
  for (const MHostMachineSetup& setup : config.submachines) {
    const std::string where = options.config + " " + setup.section;
    Plugin* plugin = plugins.Get(setup.plugin, error);
    if (plugin == nullptr) return fail_setup(where, error);
    owned.emplace_back(plugin->new_machine(setup.name, setup.configdir, &channel, nullptr, {}));
    if (!owned.back()) return fail_setup(where, "no machine \"" + setup.name + "\" created");
    submachines.push_back(owned.back().get());
    described.push_back({setup.name, owned.back().get()});
    header += (described.size() == 1 ? " " : ", ") + setup.name + " (" + setup.plugin + ")";
  }
  Plugin* proxy_plugin = plugins.Get(config.proxy.plugin, error);
  if (proxy_plugin == nullptr) return fail_setup(options.config + " [Proxy]", error);
  if (!proxy_plugin->is_proxy()) return fail_setup(options.config + " [Proxy]", "the plug-in is not a proxy");
  std::unique_ptr<MMachAbstract> proxy(
      proxy_plugin->new_machine(config.proxy.name, config.proxy.configdir, &channel, nullptr, submachines));
  if (!proxy) return fail_setup(options.config + " [Proxy]", "no machine \"" + config.proxy.name + "\" created");

  // The proxy reads "<configdir>\<name>.ini"; describe shows the prefixes it takes from there.
  const std::string proxy_ini = config.proxy.configdir + "\\" + config.proxy.name + ".ini";
  MHostSession session(*proxy, config.proxy.name, channel, described,
                       MHostConfig_ReadAliases(proxy_ini, submachines.size()), std::cout);
  session.SetMaxPolls(options.max_polls);
  std::cout << header << '\n';
  const bool opened = proxy->Open();
  session.FlushMachineChannel();
  session.Result(opened ? "open" : "open failed");
  int status = opened ? 0 : kExitSetup;
  if (opened) {
    if (options.script == "-") {
      status = run_session(session, std::cin, "stdin", MHostPlatform_InputIsTerminal());
    } else {
      std::ifstream script(options.script, std::ios::binary);
      if (!script) {
        std::cout << "mmachhost: " << options.script << ": cannot be read" << std::endl;
        status = kExitBadInput;
      } else {
        status = run_session(session, script, options.script, false);
      }
    }
    proxy->Close();
    session.FlushMachineChannel();
    session.Result("close");
  }
  proxy.reset();
  owned.clear();  // the submachines, after the proxy that uses them
  session.FlushMachineChannel();
  std::cout.flush();
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  std::string error;
  if (argc == 2 && std::string(argv[1]) == "--help") {
    std::cout << kUsage;
    return 0;
  }
  if (argc == 2 && std::string(argv[1]) == "--version") {
    std::cout << "mmachhost (Orvex) " MMACHHOST_VERSION "\n";
    return 0;
  }
  if (!parse_options(argc, argv, options, error)) {
    std::cerr << "mmachhost: " << error << '\n' << kUsage;
    return kExitBadInput;
  }
  if (!options.error_log.empty() && !MHostPlatform_RedirectStandardError(options.error_log)) {
    std::cerr << "mmachhost: " << options.error_log << ": cannot be opened\n";
    return kExitSetup;
  }
  if (options.trace_level >= 0) _MTrace_SetLevel("default", options.trace_level);
  return run(options);
}
