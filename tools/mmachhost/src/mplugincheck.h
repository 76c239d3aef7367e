// MPluginCheck: the checks of a machine plug-in against what the server and the proxy rely on,
// by group. It runs one check at a time, in the calling process; mplugincheckrunner.h runs a
// whole group, in a child process where the platform allows.
#pragma once

#include <string>
#include <vector>

#include "mplugincheckgroups.h"
#include "mplugincheckmachine.h"
#include "mplugincheckreport.h"

class MPluginCheck {
 public:
  explicit MPluginCheck(MPluginCheckTarget target);

  // "exports", "lifecycle", "tables", "commands", "queries", "probesystems", "scans", "magazine",
  // "imagefifos", "proxy": the groups in the order they run.
  static const std::vector<std::string>& GroupNames();
  static bool IsGroup(const std::string& group);

  // The checks of `group` in the order they run; empty for an unknown group.
  const std::vector<MPluginCheckCase>& Cases(const std::string& group) const;
  // Runs check `index` of `group`. An exception that leaves the plug-in fails the check.
  MPluginCheckResult Run(const std::string& group, size_t index) const;
  // Runs the checks of `group` from `first` on in this process and adds them to `report`.
  void RunHere(const std::string& group, MPluginCheckReport& report, size_t first = 0) const;

  const MPluginCheckTarget& Target() const { return target_; }

 private:
  MPluginCheckTarget target_;
  std::vector<std::vector<MPluginCheckCase>> cases_;  // by the index of GroupNames()
};
