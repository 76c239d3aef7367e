// MProxyScanpolyCommand: a polygon scan, which runs on the one submachine that moves (the active
// one, which also provides every scandata axis); its scan values are that sub-command's.
#pragma once

#include <vector>

#include "mproxysimplecommands.h"

class MProxyScanpolyCommand final : public MProxyForwardingCommand<MMachScanpolyCommand> {
 public:
  using MProxyForwardingCommand<MMachScanpolyCommand>::MProxyForwardingCommand;

  // The first poll checks that the scandata axes still come from the moving submachine (a
  // "scandata" may have moved them since the factory ran): otherwise "invalid axis" and done at once.
  bool IsDone() override;
  // What the sub-command delivers; false without one.
  bool GetData(std::vector<double>& values) override;

 private:
  bool scandata_moved_away();

  bool check_pending = true;
  bool done = false;
};
