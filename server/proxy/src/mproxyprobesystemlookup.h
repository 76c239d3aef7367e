// Lookups shared by the probe-system commands once their sub-command has finished: each reports
// a missing entry (error-log entry headed by the command's name, an internal error in its channel).
#pragma once

#include <map>
#include <string>

#include "mproxyguard.h"
#include "mproxymachabstract.h"
#include "mproxyreport.h"

namespace mproxy_probesystem {

// The proxy's definition list of `submachine`, or null after the report.
inline std::multimap<std::string, MMachProbesystemInfo>* definitions_or_report(
    MProxyMachAbstract* machine, MOutputChannel* output, const char* command,
    MMachAbstract* submachine) {
  auto* definitions = machine->submachine_probesystem_list(submachine);
  if (definitions) return definitions;
  MPROXY_LOG_AND_FAIL(
      output, kMErrorInternal,
      "handle_finished_subcommand() [%s]: did not find an entry in the probesystem list for %s [%s]", command,
      mproxy_guard::name_of(submachine), mproxy_guard::description_of(submachine));
  return nullptr;
}

// The probe-system table's entry of `proxy_name`, or null after the report.
inline const MProxyProbesystemEntry* mapping_or_report(MProxyMachAbstract* machine,
                                                       MOutputChannel* output, const char* command,
                                                       const std::string& proxy_name) {
  const auto& table = machine->probesystem_table();
  const auto it = table.find(proxy_name);
  if (it != table.end()) return &it->second;
  MPROXY_LOG_AND_FAIL(output, kMErrorInternal,
                      "handle_finished_subcommand() [%s]: could not find mapping for \"%s\"", command,
                      proxy_name.c_str());
  return nullptr;
}

}  // namespace mproxy_probesystem
