#include "mproxyprobesystemloadcommand.h"

#include <string>
#include <vector>

#include "mproxyguard.h"
#include "mproxymachabstract.h"
#include "mproxyprobesystemlookup.h"
#include "trace.h"

namespace {

bool has_loaded_probesystem(MMachAbstract* submachine) {
  return MPROXY_CALL(submachine, HasProbesystems) && !MPROXY_CALL(submachine, GetActiveProbesystem).empty();
}

}  // namespace

MProxyProbesystemLoadCommand::~MProxyProbesystemLoadCommand() = default;

bool MProxyProbesystemLoadCommand::IsDone() {
  if (!started_) {
    load_submachine_ = subcommands.empty() ? nullptr : subcommands.begin()->first;
    if (!MProxyCommand::IsDone()) return false;
    started_ = true;
    next_submachine_ = 0;
  }
  if (unload_) {
    if (!mproxy_guard::poll(unloading_, unload_.get())) return false;
    unload_.reset();
  }
  // The position moves past a submachine as soon as its unload exists, so that no submachine
  // is asked twice, whatever its unload leaves behind. After an abort no further unload starts.
  const std::vector<MMachAbstract*>& submachines = machine->submachines();
  while (!aborted && next_submachine_ < submachines.size()) {
    MMachAbstract* other = submachines[next_submachine_++];
    if (other == load_submachine_ || !has_loaded_probesystem(other) ||
        !MPROXY_CALL(other, IsCommandSupported, "MMachProbesystemUnloadCommand")) {
      continue;
    }
    unloading_ = other;
    MOutputChannel* out = MProxyCommand::output;
    unload_.reset(mproxy_guard::make_subcommand(other, "NewMMachProbesystemUnloadCommand", out, [other, out] {
      return other->NewMMachProbesystemUnloadCommand(out);
    }));
    if (unload_ && !mproxy_guard::poll(other, unload_.get())) return false;
    unload_.reset();
  }
  return true;
}

void MProxyProbesystemLoadCommand::Abort() {
  MProxyCommand::Abort();
  if (unload_) mproxy_guard::abort(unloading_, unload_.get());
}

void MProxyProbesystemLoadCommand::handle_finished_subcommand(MMachAbstract*, MMachCommand*) {
  MOutputChannel* out = MProxyCommand::output;
  if (out->HasError()) {
    MTRACE(4, "handle_finished_subcommand() [%s]: an error occured. NOT loading probesystem \"%s %u\"",
           GetName(), name.c_str(), id);
    machine->update_probesystem_table();
    return;
  }
  MTRACE(5, "handle_finished_subcommand() [%s]: loading probesystem \"%s %u\"", GetName(),
         name.c_str(), id);
  mproxy_probesystem::mapping_or_report(machine, out, GetName(), name);
  machine->set_current_probesystem(name);
  machine->UpdateCapabilities(out);
  MTRACE(5, "handle_finished_subcommand() [%s]: probesystem \"%s %u\" successfully loaded",
         GetName(), name.c_str(), id);
}
