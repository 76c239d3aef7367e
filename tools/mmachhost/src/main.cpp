// mmachhost: a command-line stand-in for the control server. It loads the plug-ins named by a
// host configuration through their three exports, creates the submachines and then the proxy
// over them (all with the one machine channel), opens the proxy and runs a session script or
// interactive lines. Standard output carries the transcript; standard error (or --error-log)
// the error log and trace of the host and of every plug-in.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "fileops.h"
#include "mhostconfig.h"
#include "mhostline.h"
#include "mhostoptions.h"
#include "mhostplatform.h"
#include "mhostplugin.h"
#include "mhostsession.h"
#include "mmachabstract.h"
#include "moutputchannel.h"
#include "mplugincheckmain.h"
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

// The whole session script; false and the reason when it is a folder, cannot be read or holds
// binary data (NUL bytes), so that a wrong file name does not run as an empty session.
bool read_script(const std::string& path, std::string& text, std::string& error) {
  if (file_type(path.c_str()) == 'd') {
    error = "is a directory";
    return false;
  }
  std::ifstream file(path, std::ios::binary);
  if (file) text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  if (!file || file.bad()) {
    error = "cannot be read";
    return false;
  }
  if (text.find('\0') != std::string::npos) {
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
  std::string script;
  if (options.script != "-" && !read_script(options.script, script, error)) {
    errors.Report(options.script, error);
    return kExitBadInput;
  }
  MHostConfig config;
  size_t line = 0;
  if (!MHostConfig_Read(options.config, config, error, line)) {
    return fail_setup(errors, config_place(options.config, line), error);
  }
  std::vector<std::string> search_dirs = options.plugin_dirs;
  search_dirs.push_back(own_plugin_dir());
  MHostPlugins plugins(search_dirs, MHostConfig_Folder(options.config), options.trace_level);

  MOutputChannel channel(0);  // the machine channel: every submachine and the proxy write here
  std::vector<std::unique_ptr<MMachAbstract>> owned;
  std::vector<MMachAbstract*> submachines;
  std::vector<MHostSubmachine> described;
  std::string header = "# proxy " + config.proxy.name + " (" + config.proxy.plugin + ") over";
  for (const MHostMachineSetup& setup : config.submachines) {
    MHostPlugin* plugin = plugins.Get(setup.plugin, error);
    if (plugin == nullptr) return fail_machine(errors, options.config, setup, error);
    owned.emplace_back(plugin->new_machine(setup.name, setup.configdir, &channel, nullptr, {}));
    if (!owned.back()) return fail_machine(errors, options.config, setup, "no machine \"" + setup.name + "\" created");
    submachines.push_back(owned.back().get());
    described.push_back({setup.name, owned.back().get()});
    header += (described.size() == 1 ? " " : ", ") + setup.name + " (" + setup.plugin + ")";
  }
  MHostPlugin* proxy_plugin = plugins.Get(config.proxy.plugin, error);
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
      std::istringstream lines(script);
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
  if (argc > 1 && std::string(argv[1]) == "check-plugin") {
    return MPluginCheck_Main(std::vector<std::string>(argv + 2, argv + argc), own_plugin_dir());
  }
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
