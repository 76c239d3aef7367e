#include "mproxysinglecommands.h"

#include <utility>

#include "mproxyguard.h"
#include "mproxymachabstract.h"

bool MProxyScanpointCommand::IsDone() {
  if (!done) done = MProxyCommand::IsDone();
  return done;
}

bool MProxyScanpointCommand::GetData(std::vector<double>& values) {
  MProxyBySubmachine<std::vector<double>> delivered;
  for (const auto& [submachine, record] : subcommands) {
    std::vector<double> data;
    if (!mproxy_guard::get_data(submachine, static_cast<MMachScanpointCommand*>(record->command), data))
      return false;
    delivered[submachine] = std::move(data);
  }
  // The assignment of now: a submachine that delivered nothing for it leaves its positions 0.0.
  values = MProxyMachAbstract::merge_axesvector_values(machine->scandata_assignment(), {}, delivered);
  return true;
}
