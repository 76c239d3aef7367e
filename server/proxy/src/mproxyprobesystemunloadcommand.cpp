#include "mproxyprobesystemunloadcommand.h"

#include <string>

#include "mproxymachabstract.h"
#include "trace.h"

void MProxyProbesystemUnloadCommand::handle_finished_subcommand(MMachAbstract*, MMachCommand*) {
  MOutputChannel* out = MProxyCommand::output;
  if (out->HasError()) {
    MTRACE(4, "handle_finished_subcommand() [%s]: an error occured. NOT unloading probesystem.",
           GetName());
    machine->update_probesystem_table();
    return;
  }
  machine->set_current_probesystem(std::string());
  machine->UpdateCapabilities(out);
  MTRACE(5, "handle_finished_subcommand() [%s]: probesystem successfully unloaded", GetName());
}
