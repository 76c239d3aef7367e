#include "mproxyprobesystemdeletecommand.h"

#include "mproxymachabstract.h"
#include "mproxyprobesystemlookup.h"
#include "trace.h"

void MProxyProbesystemDeleteCommand::handle_finished_subcommand(MMachAbstract* submachine,
                                                                MMachCommand*) {
  MOutputChannel* out = MProxyCommand::output;
  if (out->HasError()) {
    MTRACE(4, "handle_finished_subcommand() [%s]: an error occured. NOT deleting probesystem \"%s %u\"",
           GetName(), name.c_str(), id);
    machine->update_probesystem_table();
    return;
  }
  auto* definitions = mproxy_probesystem::definitions_or_report(machine, out, GetName(), submachine);
  if (!definitions) return;
  MTRACE(5, "handle_finished_subcommand() [%s]: deleting probesystem \"%s %u\"", GetName(),
         name.c_str(), id);
  const MProxyProbesystemEntry* entry =
      mproxy_probesystem::mapping_or_report(machine, out, GetName(), name);
  if (!entry) return;
  // The loaded probe system went with its last definition.
  if (machine->GetActiveProbesystem() == name && machine->GetActiveProbesystemId() == 0) {
    machine->set_current_probesystem(std::string());
    machine->UpdateCapabilities(out);
    const auto& table = machine->probesystem_table();
    const auto again = table.find(name);
    if (again == table.end()) return;
    entry = &again->second;
  }
  const auto [begin, end] = definitions->equal_range(entry->submachine_name);
  for (auto it = begin; it != end; ++it) {
    if (it->second.id != id) continue;
    definitions->erase(it);
    MTRACE(5, "handle_finished_subcommand() [%s]: deleted probesystem \"%s %u\"", GetName(),
           name.c_str(), id);
    return;
  }
}
