// Scan proxy commands with GetData() that the single-submachine factories make: the circle and
// cone scans, which hand on the data of their one sub-command, and the scanpoint command, whose
// moving and scandata-only submachines must all deliver before it merges their values.
#pragma once

#include <vector>

#include "mmachscancommands.h"
#include "mproxysimplecommands.h"

// A scan that runs on exactly one submachine: GetData() is that sub-command's (false without one).
template <class Base>
class MProxySingleScanCommand : public MProxyForwardingCommand<Base> {
 public:
  using MProxyForwardingCommand<Base>::MProxyForwardingCommand;

  bool GetData(std::vector<double>& values) override {
    if (this->subcommands.empty()) return false;
    return static_cast<Base*>(this->subcommands.begin()->second->command)->GetData(values);
  }
};

class MProxyScancircleCommand final : public MProxySingleScanCommand<MMachScancircleCommand> {
 public:
  using MProxySingleScanCommand<MMachScancircleCommand>::MProxySingleScanCommand;
};

class MProxyScanconeCommand final : public MProxySingleScanCommand<MMachScanconeCommand> {
 public:
  using MProxySingleScanCommand<MMachScanconeCommand>::MProxySingleScanCommand;
};

// The scanpoint sub-commands of the moving submachines and the "time" sub-commands of the
// submachines that only provide scan data.
class MProxyScanpointCommand final : public MProxyForwardingCommand<MMachScanpointCommand> {
 public:
  using MProxyForwardingCommand<MMachScanpointCommand>::MProxyForwardingCommand;

  // Polls until every sub-command is done; answers true from then on without polling again.
  bool IsDone() override;
  // Delivers only when every sub-command delivers in this call (what the others delivered is
  // dropped otherwise): the values go to the positions of the proxy's scandata assignment.
  bool GetData(std::vector<double>& values) override;

 private:
  bool done = false;
};
