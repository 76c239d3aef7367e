// MProxyScanpolyCommand: a polygon scan, which runs on the one submachine that moves (the active
// one, which also provides every scandata axis); its scan values are that sub-command's.
#pragma once

#include <vector>

#include "mproxysimplecommands.h"

class MProxyScanpolyCommand final : public MProxyForwardingCommand<MMachScanpolyCommand> {
 public:
  using MProxyForwardingCommand<MMachScanpolyCommand>::MProxyForwardingCommand;

  // What the sub-command delivers; false without one.
  bool GetData(std::vector<double>& values) override {
    if (subcommands.empty()) return false;
    auto* scan = dynamic_cast<MMachScanpolyCommand*>(subcommands.begin()->second->command);
    return scan != nullptr && scan->GetData(values);
  }
};
