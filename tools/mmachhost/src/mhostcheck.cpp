#include "mhostcheck.h"

#include "mhostinstrument.h"
#include "mhostplugin.h"
#include "mmachabstract.h"
#include "msimmachine.h"

namespace {

// The problems of one simulated submachine's description (and the magazine it names); false
// when one was found. Warnings are reported and count as none.
bool check_description(const MHostMachineSetup& setup, const MHostUserErrors& errors) {
  std::vector<MSimDescriptionProblem> problems;
  const bool good =
      MSimMachine::CheckDescription(MMachAbstract_ConfigFile(setup.configdir, setup.name), setup.configdir, problems);
  for (const MSimDescriptionProblem& problem : problems) {
    errors.Report(MHostUserErrors_Place(problem.file, problem.line),
                  (problem.warning ? "warning: " : "") + problem.message);
  }
  return good;
}

// Every problem of the files that the configuration leads to: plug-ins and their exports, the
// simulated submachines' descriptions with their magazines, the proxy's aliases. False when one
// was found.
bool check_files(const std::string& config_path, const MHostConfig& config, MHostPlugins& plugins,
                 const MHostUserErrors& errors) {
  bool good = true;
  for (const MHostMachineSetup& setup : config.submachines) {
    std::string error;
    if (plugins.Get(setup.plugin, error) == nullptr) good = errors.ReportMachine(config_path, setup, error);
    if (plugins.IsSimulator(setup.plugin)) good = check_description(setup, errors) && good;
  }
  std::string error;
  const MHostPlugin* proxy = plugins.Get(config.proxy.plugin, error);
  if (proxy == nullptr) {
    good = errors.ReportMachine(config_path, config.proxy, error);
  } else if (!proxy->is_proxy()) {
    good = errors.ReportMachine(config_path, config.proxy, "the plug-in is not a proxy");
  }
  return !MHostCheck_ReportAliasesProblem(config, errors) && good;
}

}  // namespace

int MHostCheck_Run(const std::string& config_path, const std::vector<std::string>& search_dirs, int trace_level,
                   const MHostUserErrors& errors) {
  MHostConfig config;
  std::string error;
  size_t line = 0;
  if (!MHostConfig_Read(config_path, config, error, line)) {
    errors.Report(MHostUserErrors_Place(config_path, line), error);
    return kMHostExitSetup;
  }
  MHostPlugins plugins(search_dirs, MHostConfig_Folder(config_path), trace_level);
  if (!check_files(config_path, config, plugins, errors)) return kMHostExitSetup;
  MHostInstrument instrument(config_path, config, errors);
  if (!instrument.Create(plugins, nullptr)) return kMHostExitSetup;
  const std::unique_ptr<MHostSession> session = instrument.NewSession();
  if (!instrument.Open(*session)) return kMHostExitSetup;
  session->Describe();
  instrument.Close(*session);
  return 0;
}

bool MHostCheck_ReportAliasesProblem(const MHostConfig& config, const MHostUserErrors& errors) {
  const std::string path = MHostInstrument_AliasesFile(config);
  std::string error;
  size_t line = 0;
  if (MHostConfig_CheckIni(path, error, line)) return false;
  errors.Report(MHostUserErrors_Place(path, line), error);
  return true;
}
