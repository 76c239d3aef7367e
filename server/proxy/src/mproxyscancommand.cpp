#include "mproxyscancommand.h"

#include <utility>

#include "mproxyguard.h"

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

MMachScanCommand* MProxyScanCommand::scan_of(size_t index, const Subcommand& record) {
  // Once the real scan runs, the sub-commands stay as they are: their scan parts are remembered.
  if (!real_scan_started()) return dynamic_cast<MMachScanCommand*>(record.command);
  if (scan_casts.size() != subcommands.size()) {
    scan_casts.clear();
    for (const auto& entry : subcommands) scan_casts.push_back(dynamic_cast<MMachScanCommand*>(entry.second->command));
  }
  return scan_casts[index];
}

bool MProxyScanCommand::GetData(std::vector<double>& values) {
  if (subcommands.empty()) return false;
  if (subcommands.size() == 1) {
    const auto& [submachine, record] = *subcommands.begin();
    auto* const scan = dynamic_cast<MMachScanCommand*>(record->command);
    return scan != nullptr && mproxy_guard::get_data(submachine, scan, values);
  }
  bool moving_delivered = false;
  size_t latest_known = 0;
  size_t index = 0;
  for (const auto& [submachine, record] : subcommands) {
    MMachScanCommand* const scan = scan_of(index++, *record);
    if (scan != nullptr) {
      // Read into a fresh vector; the storage of the one it replaces is used for the next read.
      delivery.clear();
      if (mproxy_guard::get_data(submachine, scan, delivery)) {
        std::swap(scan_data[submachine], delivery);
        if (infinite_scans().count(submachine) == 0) moving_delivered = true;
      }
    }
    latest_known += scan_data.count(submachine);
  }
  if (latest_known != subcommands.size() || !moving_delivered) return false;
  MProxyMachAbstract::merge_axesvector_values(machine->scandata_assignment(), {}, scan_data, values);
  return true;
}
