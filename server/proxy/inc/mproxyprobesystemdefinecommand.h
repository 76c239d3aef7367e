// MProxyProbesystemDefineCommand: defines a probe system on the submachine that owns its proxy
// name. When the definition has finished there, the proxy adds it to that submachine's list of
// definitions; after a failure it rebuilds its probe-system table instead.
#pragma once

#include "mproxysimplecommands.h"

class MProxyProbesystemDefineCommand final
    : public MProxyForwardingCommand<MMachProbesystemDefineCommand> {
 public:
  // `info` carries the proxy name; it becomes the submachine's name once the definition is kept.
  using MProxyForwardingCommand<MMachProbesystemDefineCommand>::MProxyForwardingCommand;

  void handle_finished_subcommand(MMachAbstract* submachine, MMachCommand* subcommand) override;
};
