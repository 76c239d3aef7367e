// MProxyReceiveCommand: fetches a component's contents through the submachine that owns it; the
// finished sub-command's data become this command's data. For the proxy's own configuration
// component it has no sub-command and holds the file's contents from creation on.
#pragma once

#include "mproxysimplecommands.h"

class MProxyReceiveCommand final : public MProxyForwardingCommand<MMachReceiveCommand> {
 public:
  // The machine part keeps the component name as the server gave it.
  using MProxyForwardingCommand<MMachReceiveCommand>::MProxyForwardingCommand;

  // `subcommand` is the submachine's receive command.
  void handle_finished_subcommand(MMachAbstract*, MMachCommand* subcommand) override {
    data = static_cast<MMachReceiveCommand*>(subcommand)->data;
  }
};
