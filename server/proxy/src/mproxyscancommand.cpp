#include "mproxyscancommand.h"

#include <utility>

MProxyScanCommand::MProxyScanCommand(MProxyMachAbstract* machine, MOutputChannel* output,
                                     const MMachMovementPara& movement)
    : MProxyForwardingCommand<MMachScanCommand>(machine, {}, output, movement),
      MProxyGenericScanCommand(this, &this->movement) {}

bool MProxyScanCommand::IsDone() {
  if (done) return true;
  if (!MProxyGenericScanCommand::IsDone()) return false;
  // Every started sub-command is waited for, so that its output reaches the server.
  done = MProxyCommand::IsDone();
  return done;
}

bool MProxyScanCommand::GetData(std::vector<double>& values) {
  if (subcommands.empty()) return false;
  if (subcommands.size() == 1) {
    auto* const scan = dynamic_cast<MMachScanCommand*>(subcommands.begin()->second->command);
    return scan != nullptr && scan->GetData(values);
  }
  bool moving_delivered = false;
  for (const auto& [submachine, record] : subcommands) {
    auto* const scan = dynamic_cast<MMachScanCommand*>(record->command);
    if (scan == nullptr) continue;
    std::vector<double> latest;
    if (!scan->GetData(latest)) continue;
    scan_data[submachine] = std::move(latest);
    if (infinite_scans().count(submachine) == 0) moving_delivered = true;
  }
  for (const auto& entry : subcommands) {
    if (scan_data.count(entry.first) == 0) return false;
  }
  if (!moving_delivered) return false;
  values = MProxyMachAbstract::merge_axesvector_values(machine->scandata_assignment, {}, scan_data);
  return true;
}
