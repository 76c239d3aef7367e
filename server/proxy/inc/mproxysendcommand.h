// MProxySendCommand: stores a component's contents through the submachine that owns it. For the
// proxy's own configuration component the file is written by the factory and the command has
// no sub-command.
#pragma once

#include "mproxysimplecommands.h"

class MProxySendCommand final : public MProxyForwardingCommand<MMachSendCommand> {
 public:
  // The machine part keeps the component name as the server gave it and the data.
  using MProxyForwardingCommand<MMachSendCommand>::MProxyForwardingCommand;
};
