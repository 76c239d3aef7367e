#include "mplugincheckrunner.h"

// No fork on Windows: the checks run in the host's own process, where a crash ends the report.
void MPluginCheck_RunGroup(const MPluginCheck& check, const std::string& group, MPluginCheckReport& report,
                           double /*check_seconds*/) {
  check.RunHere(group, report);
}
