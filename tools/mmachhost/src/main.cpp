// mmachhost: a command-line stand-in for the control server. It loads the plug-ins named by a
// host configuration through their three exports, creates the submachines and then the proxy
// over them (all with the one machine channel), opens the proxy and runs a session script or
// interactive lines; or, with "check", examines the configuration and every file it leads to.
// Standard output carries the transcript; standard error (or --error-log) the error log and trace
// of the host and of every plug-in.
#include <cstdio>
#include <fstream>
#include <iostream>
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
#include "mhosttimeline.h"
#include "mhosttimelinemachine.h"
#include "mmachabstract.h"
#include "moutputchannel.h"
#include "mplugincheckmain.h"
#include "msimmachine.h"
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

// Where plug-ins named without a path are looked for: the --plugin-dir folders in order, then
// the host's own plug-in folder.
std::vector<std::string> plugin_search_dirs(const MHostOptions& options) {
  std::vector<std::string> dirs = options.plugin_dirs;
  dirs.push_back(own_plugin_dir());
  return dirs;
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
      // Flushed before the line runs, so that error-log lines written meanwhile follow it.
      std::cout << (plain ? "" : "> ") << MHostLine_Printable(text) << '\n' << std::flush;
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

int fail_setup(const UserErrors& errors, const std::string& where, const std::string& error) {
  errors.Report(where, error);
  return kExitSetup;
}

// "<config>:<line>" where `line` is known, else "<config>".
std::string config_place(const std::string& config, size_t line) {
  return line == 0 ? config : config + ":" + std::to_string(line);
}

// A machine that could not be set up (false for the caller to answer): the place of its section's plug-in entry in the host
// configuration, and the section in front of the reason.
bool report_machine(const UserErrors& errors, const std::string& config, const MHostMachineSetup& setup,
                    const std::string& error) {
  const std::string section = setup.section.substr(1, setup.section.size() - 2);
  errors.Report(config_place(config, MHostConfig_LineOf(config, section, "plugin")), setup.section + ": " + error);
  return false;
}

// The machines of one host configuration, created through their plug-ins over one machine
// channel. The proxy goes first, then the submachines that it uses.
struct Instrument {
  ~Instrument() {
    proxy.reset();
    recorded.clear();
    owned.clear();
  }

  MOutputChannel channel{0};  // the machine channel: every submachine and the proxy write here
  std::vector<std::unique_ptr<MMachAbstract>> owned;
  std::vector<std::unique_ptr<MHostTimelineMachine>> recorded;  // over `owned`, with a timeline
  int proxy_track = 0;                                           // the proxy's track of the timeline
  std::vector<MHostSubmachine> described;
  std::unique_ptr<MMachAbstract> proxy;
  std::string header;  // "# proxy cmm (orvexproxy) over gantry (orvexsim), ..."
};

// Creates the submachines and the proxy; reports the first failure and answers false. With a
// timeline, the proxy gets a recording decorator over each submachine (on a track named after
// the submachine).
bool create_machines(const std::string& config_path, const MHostConfig& config, MHostPlugins& plugins,
                     Instrument& instrument, const UserErrors& errors, MHostTimeline* timeline = nullptr) {
  std::string error;
  std::vector<MMachAbstract*> submachines;
  if (timeline != nullptr) instrument.proxy_track = timeline->AddTrack(config.proxy.name);
  instrument.header = "# proxy " + config.proxy.name + " (" + config.proxy.plugin + ") over";
  for (const MHostMachineSetup& setup : config.submachines) {
    MHostPlugin* plugin = plugins.Get(setup.plugin, error);
    if (plugin == nullptr) return report_machine(errors, config_path, setup, error);
    instrument.owned.emplace_back(plugin->new_machine(setup.name, setup.configdir, &instrument.channel, nullptr, {}));
    if (!instrument.owned.back()) {
      return report_machine(errors, config_path, setup, "no machine \"" + setup.name + "\" created");
    }
    submachines.push_back(instrument.owned.back().get());
    instrument.described.push_back({setup.name, submachines.back()});
    if (timeline != nullptr) {
      instrument.recorded.push_back(std::make_unique<MHostTimelineMachine>(
          *instrument.owned.back(), *timeline, timeline->AddTrack(setup.name), setup.name, setup.configdir));
      submachines.back() = instrument.recorded.back().get();
    }
    instrument.header += (submachines.size() == 1 ? " " : ", ") + setup.name + " (" + setup.plugin + ")";
  }
  MHostPlugin* proxy_plugin = plugins.Get(config.proxy.plugin, error);
  if (proxy_plugin == nullptr) return report_machine(errors, config_path, config.proxy, error);
  if (!proxy_plugin->is_proxy()) return report_machine(errors, config_path, config.proxy, "the plug-in is not a proxy");
  instrument.proxy.reset(
      proxy_plugin->new_machine(config.proxy.name, config.proxy.configdir, &instrument.channel, nullptr, submachines));
  if (!instrument.proxy) {
    return report_machine(errors, config_path, config.proxy, "no machine \"" + config.proxy.name + "\" created");
  }
  return true;
}

// The proxy reads "<configdir>\<name>.ini" for its component prefixes.
std::string aliases_file(const MHostConfig& config) {
  return config.proxy.configdir + "\\" + config.proxy.name + ".ini";
}

// Why the proxy cannot read its aliases file, at the line concerned; false when it can.
bool report_aliases_problem(const MHostConfig& config, const UserErrors& errors) {
  const std::string path = aliases_file(config);
  std::string error;
  size_t line = 0;
  if (MHostConfig_CheckIni(path, error, line)) return false;
  errors.Report(config_place(path, line), error);
  return true;
}

// The error texts among the channel lines in `text` ("0000\terror \"...\""), joined with "; ".
std::string error_texts(const std::string& text) {
  std::string reasons;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    line.erase(0, line.find('\t') + 1);
    const std::string error = "error \"";
    if (line.compare(0, error.size(), error) == 0 && line.back() == '"') {
      line = line.substr(error.size(), line.size() - error.size() - 1);
    }
    if (line.empty()) continue;
    if (!reasons.empty()) reasons += "; ";
    reasons += line;
  }
  return reasons.empty() ? "no reason given" : reasons;
}

// After the proxy's Open failed: asks the submachines in order which one does not open, and
// reports it with what it wrote; those that open are closed again.
void report_open_failure(const std::string& config_path, const MHostConfig& config, Instrument& instrument,
                         const UserErrors& errors) {
  for (size_t i = 0; i < instrument.owned.size(); ++i) {
    MMachAbstract& submachine = *instrument.owned[i];
    instrument.channel.Clear();
    const bool opened = submachine.Open();
    std::string text;
    instrument.channel.Take(text, true);
    instrument.channel.Clear();
    if (opened) {
      submachine.Close();
      instrument.channel.Clear();
      continue;
    }
    const MHostMachineSetup& setup = config.submachines[i];
    const std::string section = setup.section.substr(1, setup.section.size() - 2);
    errors.Report(config_place(config_path, MHostConfig_LineOf(config_path, section, "")),
                  setup.section + ": Open failed: " + error_texts(text));
    return;
  }
  errors.Report(config_place(config_path, MHostConfig_LineOf(config_path, "Proxy", "")),
                "[Proxy]: Open failed: the submachines' descriptions could not be merged");
}

// Opens the proxy and prints what it wrote; on failure closes it again (so that no submachine
// that a later step of Open left open stays so) and reports which submachine failed.
bool open_instrument(MHostSession& session, const std::string& config_path, const MHostConfig& config,
                     Instrument& instrument, const UserErrors& errors, MHostTimeline* timeline = nullptr) {
  std::cout << instrument.header << '\n';
  const int64_t open_start = timeline != nullptr ? timeline->Now() : 0;
  const bool opened = instrument.proxy->Open();
  if (timeline != nullptr) {
    timeline->Span(instrument.proxy_track, "open", open_start, timeline->Now(),
                   {MHostTimelineArg::Text("outcome", opened ? "done" : "failed")});
  }
  session.FlushMachineChannel();
  session.Result(opened ? "open" : "open failed");
  if (opened) return true;
  instrument.proxy->Close();
  session.FlushMachineChannel();
  report_open_failure(config_path, config, instrument, errors);
  return false;
}

void close_instrument(MHostSession& session, Instrument& instrument) {
  instrument.proxy->Close();
  session.FlushMachineChannel();
  session.Result("close");
}

// Every problem of the files that the configuration leads to: plug-ins and their exports, the
// simulated submachines' descriptions with their magazines, the proxy's aliases. False when one
// was found; warnings are reported and count as none.
bool check_files(const std::string& config_path, const MHostConfig& config, MHostPlugins& plugins,
                 const UserErrors& errors) {
  bool good = true;
  std::vector<MHostMachineSetup> setups = config.submachines;
  setups.push_back(config.proxy);
  for (const MHostMachineSetup& setup : setups) {
    std::string error;
    MHostPlugin* plugin = plugins.Get(setup.plugin, error);
    if (plugin == nullptr) {
      good = report_machine(errors, config_path, setup, error);
    } else if (&setup == &setups.back() && !plugin->is_proxy()) {
      good = report_machine(errors, config_path, setup, "the plug-in is not a proxy");
    }
    if (&setup == &setups.back() || !plugins.IsSimulator(setup.plugin)) continue;
    std::vector<MSimDescriptionProblem> problems;
    good = MSimMachine::CheckDescription(setup.configdir + "\\" + setup.name + ".ini", setup.configdir, problems) &&
           good;
    for (const MSimDescriptionProblem& problem : problems) {
      errors.Report(config_place(problem.file, problem.line),
                    (problem.warning ? "warning: " : "") + problem.message);
    }
  }
  return !report_aliases_problem(config, errors) && good;
}

int check(const MHostOptions& options, const UserErrors& errors) {
  MHostConfig config;
  std::string error;
  size_t line = 0;
  if (!MHostConfig_Read(options.config, config, error, line)) {
    return fail_setup(errors, config_place(options.config, line), error);
  }
  MHostPlugins plugins(plugin_search_dirs(options), MHostConfig_Folder(options.config), options.trace_level);
  if (!check_files(options.config, config, plugins, errors)) return kExitSetup;
  Instrument instrument;
  if (!create_machines(options.config, config, plugins, instrument, errors)) return kExitSetup;
  MHostSession session(*instrument.proxy, config.proxy.name, instrument.channel, instrument.described,
                       MHostConfig_ReadAliases(aliases_file(config), instrument.owned.size()), std::cout);
  if (!open_instrument(session, options.config, config, instrument, errors)) return kExitSetup;
  session.Describe();
  close_instrument(session, instrument);
  return 0;
}

// With a timeline, the proxy gets a recording decorator over each submachine (on a track named
// after the submachine), and the session records on the proxy's track.
int run(const MHostOptions& options, const UserErrors& errors, MHostTimeline* timeline) {
  std::string error;
  if (options.script != "-" && !MHostConfig_CheckText(options.script, error)) {
    errors.Report(options.script, error);
    return kExitBadInput;
  }
  MHostConfig config;
  size_t line = 0;
  if (!MHostConfig_Read(options.config, config, error, line)) {
    return fail_setup(errors, config_place(options.config, line), error);
  }
  MHostPlugins plugins(plugin_search_dirs(options), MHostConfig_Folder(options.config), options.trace_level);
  Instrument instrument;
  if (!create_machines(options.config, config, plugins, instrument, errors, timeline)) return kExitSetup;
  // describe shows the prefixes that the proxy takes from its aliases file.
  MHostSession session(*instrument.proxy, config.proxy.name, instrument.channel, instrument.described,
                       MHostConfig_ReadAliases(aliases_file(config), instrument.owned.size()), std::cout);
  session.SetMaxPolls(options.max_polls);
  if (timeline != nullptr) session.RecordOn(*timeline, instrument.proxy_track);
  report_aliases_problem(config, errors);  // the proxy goes on without prefixes
  if (!open_instrument(session, options.config, config, instrument, errors, timeline)) return kExitSetup;
  int status = 0;
  if (options.script == "-") {
    status = run_session(session, std::cin, "stdin", MHostPlatform_InputIsTerminal(), errors);
  } else {
    std::ifstream lines(options.script, std::ios::binary);  // read as the session runs
    status = run_session(session, lines, options.script, false, errors);
  }
  close_instrument(session, instrument);
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
  const UserErrors errors(user_stream);
  // The timeline file is opened before the session and written after it, also when it failed.
  std::ofstream timeline_file;
  std::unique_ptr<MHostTimeline> timeline;
  if (!options.timeline.empty() && !options.check) {
    timeline_file.open(options.timeline, std::ios::binary | std::ios::trunc);
    if (!timeline_file) {
      errors.Report(options.timeline, "cannot be opened");
      if (user_stream != stderr) std::fclose(user_stream);
      return kExitSetup;
    }
    timeline = std::make_unique<MHostTimeline>();
  }
  int status = options.check ? check(options, errors) : run(options, errors, timeline.get());
  if (timeline) {
    timeline->Write(timeline_file);
    timeline_file.close();
    if (!timeline_file) {
      errors.Report(options.timeline, "cannot be written");
      if (status == 0) status = kExitSetup;
    }
  }
  if (user_stream != stderr) std::fclose(user_stream);
  return status;
}
