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

bool MProxyScanCommand::GetData(std::vector<double>& values) {
  if (subcommands.empty()) return false;
  if (subcommands.size() == 1) {
    const auto& [submachine, record] = *subcommands.begin();
    auto* const scan = dynamic_cast<MMachScanCommand*>(record->command);
    return scan != nullptr && mproxy_guard::get_data(submachine, scan, values);
  }
  if (!real_scan_started()) return get_data_by_submachine(values);
  const uint64_t version = machine->scandata_assignment_version();
  if (!table.is_current(subcommands.size(), version)) {
    table.build(subcommands, infinite_scans(), machine->scandata_assignment(), version, scan_data);
  }
  return table.read(values);
}

bool MProxyScanCommand::get_data_by_submachine(std::vector<double>& values) {
  bool moving_delivered = false;
  size_t latest_known = 0;
  for (const auto& [submachine, record] : subcommands) {
    auto* const scan = dynamic_cast<MMachScanCommand*>(record->command);
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
