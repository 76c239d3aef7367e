// The simple proxy commands: each joins MProxyCommand (sub-commands, polling, output forwarding)
// with one MMach<Name>Command, which holds the output channel and a copy of the parameters and
// is the part handed to the server. They add no state and no behaviour of their own.
#pragma once

#include <utility>

#include "mmachcommands.h"
#include "mproxycommand.h"

// IsDone() and Abort() of the machine part lead to MProxyCommand's. Both bases declare the two
// operations with one signature, so these overrides (and any in a further derived class) replace
// them in both bases. `Base` is constructed from `output` followed by `args`.
template <class Base>
class MProxyForwardingCommand : public MProxyCommand, public Base {
 public:
  template <class... Args>
  MProxyForwardingCommand(MProxyMachAbstract* machine, SubcommandMap subcommands,
                          MOutputChannel* output, Args&&... args)
      : MProxyCommand(machine, std::move(subcommands), output), Base(output, std::forward<Args>(args)...) {}

  bool IsDone() override { return MProxyCommand::IsDone(); }
  void Abort() override { MProxyCommand::Abort(); }
};

#define MPROXY_FORWARDING_COMMAND(Name)                                          \
  class MProxy##Name##Command final : public MProxyForwardingCommand<MMach##Name##Command> { \
   public:                                                                       \
    using MProxyForwardingCommand<MMach##Name##Command>::MProxyForwardingCommand; \
  }

MPROXY_FORWARDING_COMMAND(Idle);
MPROXY_FORWARDING_COMMAND(Init);
MPROXY_FORWARDING_COMMAND(KeypadDisable);
MPROXY_FORWARDING_COMMAND(KeypadEnable);
MPROXY_FORWARDING_COMMAND(Modulo);
MPROXY_FORWARDING_COMMAND(SpinDisable);
MPROXY_FORWARDING_COMMAND(SpinEnable);
MPROXY_FORWARDING_COMMAND(Move);
MPROXY_FORWARDING_COMMAND(Movezero);
MPROXY_FORWARDING_COMMAND(Movebase);
MPROXY_FORWARDING_COMMAND(Movecircle);
MPROXY_FORWARDING_COMMAND(Movecone);
MPROXY_FORWARDING_COMMAND(Movehome);
MPROXY_FORWARDING_COMMAND(Movepoly);
MPROXY_FORWARDING_COMMAND(ProbeDefine);
MPROXY_FORWARDING_COMMAND(ProbeDelete);
MPROXY_FORWARDING_COMMAND(ProbeLoad);
MPROXY_FORWARDING_COMMAND(ProbeUnload);
MPROXY_FORWARDING_COMMAND(ProbeOffset);
MPROXY_FORWARDING_COMMAND(Reset);
MPROXY_FORWARDING_COMMAND(Set);
MPROXY_FORWARDING_COMMAND(Wobble);
// The image FIFO commands run only the proxy polling; the work happens in the submachine's command.
MPROXY_FORWARDING_COMMAND(ImagefifoCreate);
MPROXY_FORWARDING_COMMAND(ImagefifoDelete);
MPROXY_FORWARDING_COMMAND(ImagefifoReset);
MPROXY_FORWARDING_COMMAND(ImagefifoSelect);
// The scan commands whose machine part has no GetData().
MPROXY_FORWARDING_COMMAND(Scandata);
MPROXY_FORWARDING_COMMAND(Scanbase);

#undef MPROXY_FORWARDING_COMMAND
