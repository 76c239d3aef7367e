// MProxyProbesystemUnloadCommand: unloads the probe system of the active submachine; afterwards
// the proxy has no current probe system and re-reads the capabilities.
#pragma once

#include "mproxysimplecommands.h"

class MProxyProbesystemUnloadCommand final
    : public MProxyForwardingCommand<MMachProbesystemUnloadCommand> {
 public:
  using MProxyForwardingCommand<MMachProbesystemUnloadCommand>::MProxyForwardingCommand;

  void handle_finished_subcommand(MMachAbstract* submachine, MMachCommand* subcommand) override;
};
