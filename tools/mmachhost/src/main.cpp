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
#include <string>
#include <vector>

#include "mhostcheck.h"
#include "mhostconfig.h"
#include "mhostinstrument.h"
#include "mhostline.h"
#include "mhostoptions.h"
#include "mhostplatform.h"
#include "mhostplugin.h"
#include "mhostsession.h"
#include "mhosttimeline.h"
#include "mhostusererrors.h"
#include "mplugincheckmain.h"
#include "trace.h"

namespace {

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

// Reads session lines from `input` until its end, "quit" or the first bad line (unless interactive).
int run_session(MHostSession& session, std::istream& input, const std::string& source, bool interactive,
                const MHostUserErrors& errors) {
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
      status = kMHostExitBadInput;
      if (!interactive) break;
    }
    std::cout.flush();
    if (session.QuitRequested()) break;
  }
  return status;
}

// Runs the session (SCRIPT, or standard input) against the instrument of the configuration. With a
// timeline the instrument records on it.
int run(const MHostOptions& options, const MHostUserErrors& errors, MHostTimeline* timeline) {
  std::string error;
  if (options.script != "-" && !MHostConfig_CheckText(options.script, error)) {
    errors.Report(options.script, error);
    return kMHostExitBadInput;
  }
  MHostConfig config;
  size_t line = 0;
  if (!MHostConfig_Read(options.config, config, error, line)) {
    errors.Report(MHostUserErrors_Place(options.config, line), error);
    return kMHostExitSetup;
  }
  MHostPlugins plugins(plugin_search_dirs(options), MHostConfig_Folder(options.config), options.trace_level);
  MHostInstrument instrument(options.config, config, errors);
  if (!instrument.Create(plugins, timeline)) return kMHostExitSetup;
  const std::unique_ptr<MHostSession> session = instrument.NewSession();
  session->SetMaxPolls(options.max_polls);
  MHostCheck_ReportAliasesProblem(config, errors);  // the proxy goes on without prefixes
  if (!instrument.Open(*session)) return kMHostExitSetup;
  int status = 0;
  if (options.script == "-") {
    status = run_session(*session, std::cin, "stdin", MHostPlatform_InputIsTerminal(), errors);
  } else {
    std::ifstream lines(options.script, std::ios::binary);  // read as the session runs
    status = run_session(*session, lines, options.script, false, errors);
  }
  instrument.Close(*session);
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
      return kMHostExitBadInput;
    case MHostRequest::kRun:
      break;
  }
  std::FILE* user_stream = stderr;
  if (!options.error_log.empty()) {
    user_stream = MHostPlatform_RedirectStandardError(options.error_log);
    if (user_stream == nullptr) {
      std::cerr << "mmachhost: " << options.error_log << ": cannot be opened\n";
      return kMHostExitSetup;
    }
  }
  if (options.trace_level >= 0) _MTrace_SetLevel("default", options.trace_level);
  const MHostUserErrors errors(user_stream);
  // The timeline file is opened before the session and written after it, also when it failed.
  std::ofstream timeline_file;
  std::unique_ptr<MHostTimeline> timeline;
  if (!options.timeline.empty() && !options.check) {
    timeline_file.open(options.timeline, std::ios::binary | std::ios::trunc);
    if (!timeline_file) {
      errors.Report(options.timeline, "cannot be opened");
      if (user_stream != stderr) std::fclose(user_stream);
      return kMHostExitSetup;
    }
    timeline = std::make_unique<MHostTimeline>();
  }
  int status = options.check ? MHostCheck_Run(options.config, plugin_search_dirs(options), options.trace_level, errors) : run(options, errors, timeline.get());
  if (timeline) {
    timeline->Write(timeline_file);
    timeline_file.close();
    if (!timeline_file) {
      errors.Report(options.timeline, "cannot be written");
      if (status == 0) status = kMHostExitSetup;
    }
  }
  if (user_stream != stderr) std::fclose(user_stream);
  return status;
}
