// mmachhost: a command-line stand-in for the control server. It loads the plug-ins named by a
// host configuration through their three exports, creates the submachines and then the proxy
// over them (all with the one machine channel), opens the proxy and runs a session script or
// interactive lines. Standard output carries the transcript; standard error (or --error-log)
// the error log and trace of the host and of every plug-in.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fileops.h"
#include "mhostconfig.h"
#include "mhostline.h"
#include "mhostoptions.h"
#include "mhostplatform.h"
#include "mhostsession.h"
#include "mmachabstract.h"
#include "moutputchannel.h"
#include "orvexplugin.h"
#include "trace.h"

namespace {

constexpr int kExitSetup = 1;     // configuration, plug-in or machine could not be set up
constexpr int kExitBadInput = 2;  // bad command line or session line

// The plug-in folder of the host's own installation (or build tree, laid out the same way).
std::string own_plugin_dir() {
  const std::string folder = MHostPlatform_ProgramFolder();
  return folder.empty() ? MMACHHOST_PLUGIN_RELDIR : folder + "/" + MMACHHOST_PLUGIN_RELDIR;
}

// Where the messages about bad input go: standard error as the user started the host, also
// when --error-log takes the error log away from it. The transcript on standard output is
// flushed first, so that both keep their order when they go to one terminal or file.
class UserErrors {
 public:
  explicit UserErrors(std::FILE* stream) : stream_(stream) {}
  // "mmachhost: <where>: <message>"
  void Report(const std::string& where, const std::string& message) const {
    std::cout.flush();
    std::fprintf(stream_, "mmachhost: %s: %s\n", where.c_str(), message.c_str());
    std::fflush(stream_);
  }

 private:
  std::FILE* stream_;
};

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
  Plugins(const MHostOptions& options, const std::string& base_dir) : options_(options), base_dir_(base_dir) {
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
  const MHostOptions& options_;
  std::string base_dir_;
  std::vector<std::string> search_dirs_;
  std::map<std::string, std::unique_ptr<Plugin>> loaded_;
};

// Reads session lines from `input` until its end, "quit" or the first bad line (unless interactive).
int run_session(MHostSession& session, std::istream& input, const std::string& source, bool interactive,
                const UserErrors& errors) {
  int status = 0;
  std::string text;
  for (size_t number = 1;; ++number) {
    if (interactive) std::cout << "> " << std::flush;
    if (!std::getline(input, text)) break;
    if (!text.empty() && text.back() == '\r') text.pop_back();
    const size_t first = text.find_first_not_of(" \t");
    if (!interactive) {
      const bool plain = first == std::string::npos || text[first] == '#';
      std::cout << (plain ? "" : "> ") << MHostLine_Printable(text) << '\n';
    }
    std::string error;
    if (!session.Run(text, error)) {
      errors.Report(source + ":" + std::to_string(number), error);
      status = kExitBadInput;
      if (!interactive) break;
    }
    std::cout.flush();
    if (session.QuitRequested()) break;
  }
  return status;
}

// Checks the session script before anything is set up: false and the reason when it is a
// folder, cannot be read or holds binary data (NUL bytes), so that a wrong file name does not run
// as an empty session. The script is read in blocks, here and when it runs, so that a long
// session takes no more memory than a short one.
bool check_script(const std::string& path, std::string& error) {
  if (file_type(path.c_str()) == 'd') {
    error = "is a directory";
    return false;
  }
  std::ifstream file(path, std::ios::binary);
  std::vector<char> block(64 * 1024);
  bool binary = false;
  while (file && !binary) {
    file.read(block.data(), static_cast<std::streamsize>(block.size()));
    binary = std::find(block.begin(), block.begin() + file.gcount(), '\0') != block.begin() + file.gcount();
  }
  if (!file.eof() && !binary) {
    error = "cannot be read";
    return false;
  }
  if (binary) {
    error = "is not a text file";
    return false;
  }
  return true;
}

int fail_setup(const UserErrors& errors, const std::string& where, const std::string& error) {
  errors.Report(where, error);
  return kExitSetup;
}

// "<config>:<line>" where `line` is known, else "<config>".
std::string config_place(const std::string& config, size_t line) {
  return line == 0 ? config : config + ":" + std::to_string(line);
}

// A machine that could not be set up: the place of its section's plug-in entry in the host
// configuration, and the section in front of the reason.
int fail_machine(const UserErrors& errors, const std::string& config, const MHostMachineSetup& setup,
                 const std::string& error) {
  const std::string section = setup.section.substr(1, setup.section.size() - 2);
  return fail_setup(errors, config_place(config, MHostConfig_LineOf(config, section, "plugin")),
                    setup.section + ": " + error);
}

int run(const MHostOptions& options, const UserErrors& errors) {
  std::string error;
  if (options.script != "-" && !check_script(options.script, error)) {
    errors.Report(options.script, error);
    return kExitBadInput;
  }
  MHostConfig config;
  size_t line = 0;
  if (!MHostConfig_Read(options.config, config, error, line)) {
    return fail_setup(errors, config_place(options.config, line), error);
  }
  Plugins plugins(options, MHostConfig_Folder(options.config));

  MOutputChannel channel(0);  // the machine channel: every submachine and the proxy write here
  std::vector<std::unique_ptr<MMachAbstract>> owned;
  std::vector<MMachAbstract*> submachines;
  std::vector<MHostSubmachine> described;
  std::string header = "# proxy " + config.proxy.name + " (" + config.proxy.plugin + ") over";
  for (const MHostMachineSetup& setup : config.submachines) {
    Plugin* plugin = plugins.Get(setup.plugin, error);
    if (plugin == nullptr) return fail_machine(errors, options.config, setup, error);
    owned.emplace_back(plugin->new_machine(setup.name, setup.configdir, &channel, nullptr, {}));
    if (!owned.back()) return fail_machine(errors, options.config, setup, "no machine \"" + setup.name + "\" created");
    submachines.push_back(owned.back().get());
    described.push_back({setup.name, owned.back().get()});
    header += (described.size() == 1 ? " " : ", ") + setup.name + " (" + setup.plugin + ")";
  }
  Plugin* proxy_plugin = plugins.Get(config.proxy.plugin, error);
  if (proxy_plugin == nullptr) return fail_machine(errors, options.config, config.proxy, error);
  if (!proxy_plugin->is_proxy()) return fail_machine(errors, options.config, config.proxy, "the plug-in is not a proxy");
  std::unique_ptr<MMachAbstract> proxy(
      proxy_plugin->new_machine(config.proxy.name, config.proxy.configdir, &channel, nullptr, submachines));
  if (!proxy) return fail_machine(errors, options.config, config.proxy, "no machine \"" + config.proxy.name + "\" created");

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
      status = run_session(session, std::cin, "stdin", MHostPlatform_InputIsTerminal(), errors);
    } else {
      std::ifstream lines(options.script, std::ios::binary);
      status = run_session(session, lines, options.script, false, errors);
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
  MHostOptions options;
  std::string error;
  switch (MHostOptions_Parse(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
    case MHostRequest::kHelp:
      std::cout << MHostOptions_Help();
      return 0;
    case MHostRequest::kVersion:
      std::cout << "mmachhost (Orvex) " MMACHHOST_VERSION "\n";
      return 0;
    case MHostRequest::kBadCommandLine:
      std::cerr << "mmachhost: " << error << "\nTry 'mmachhost --help' for more information.\n";
      return kExitBadInput;
    case MHostRequest::kRun:
      break;
  }
  std::FILE* user_stream = stderr;
  if (!options.error_log.empty()) {
    user_stream = MHostPlatform_RedirectStandardError(options.error_log);
    if (user_stream == nullptr) {
      std::cerr << "mmachhost: " << options.error_log << ": cannot be opened\n";
      return kExitSetup;
    }
  }
  if (options.trace_level >= 0) _MTrace_SetLevel("default", options.trace_level);
  const int status = run(options, UserErrors(user_stream));
  if (user_stream != stderr) std::fclose(user_stream);
  return status;
}
