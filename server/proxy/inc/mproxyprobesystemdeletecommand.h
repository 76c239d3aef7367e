// MProxyProbesystemDeleteCommand: deletes one definition (name and id) of a probe system on the
// submachine that owns its proxy name, then removes it from the proxy's list of that submachine.
// Deleting the loaded probe system with id 0 leaves the proxy without a current probe system.
#pragma once

#include "mproxysimplecommands.h"

class MProxyProbesystemDeleteCommand final
    : public MProxyForwardingCommand<MMachProbesystemDeleteCommand> {
 public:
  // The machine part keeps the proxy name and the id.
  using MProxyForwardingCommand<MMachProbesystemDeleteCommand>::MProxyForwardingCommand;

  void handle_finished_subcommand(MMachAbstract* submachine, MMachCommand* subcommand) override;
};
