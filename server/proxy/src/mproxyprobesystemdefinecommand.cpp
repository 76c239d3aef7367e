#include "mproxyprobesystemdefinecommand.h"

#include "mproxymachabstract.h"
#include "mproxyprobesystemlookup.h"
#include "trace.h"

void MProxyProbesystemDefineCommand::handle_finished_subcommand(MMachAbstract* submachine,
                                                                MMachCommand*) {
  MOutputChannel* out = MProxyCommand::output;
  if (out->HasError()) {
    MTRACE(4, "handle_finished_subcommand() [%s]: an error occured. NOT defining new probesystem.",
           GetName());
    machine->update_probesystem_table();
    return;
  }
  auto* definitions = mproxy_probesystem::definitions_or_report(machine, out, GetName(), submachine);
  if (!definitions) return;
  MTRACE(5, "handle_finished_subcommand() [%s]: defining new probesystem \"%s %u\"", GetName(),
         info.name.c_str(), info.id);
  const MProxyProbesystemEntry* entry =
      mproxy_probesystem::mapping_or_report(machine, out, GetName(), info.name);
  if (!entry) return;
  info.name = entry->submachine_name;
  definitions->emplace(info.name, info);
  MTRACE(5, "handle_finished_subcommand() [%s]: probesystem \"%s %u\" successfully defined",
         GetName(), info.name.c_str(), info.id);
}
