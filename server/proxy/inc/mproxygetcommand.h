// MProxyGetCommand: the "get" of the proxy machine. Each submachine reads its share of the axes;
// when every sub-command has delivered, the values are put back into the order the server asked
// for, and the values of axes that several submachines provide are combined.
#pragma once

#include <vector>

#include "mproxyaxesvectorpart.h"
#include "mproxyentries.h"
#include "mproxysimplecommands.h"

class MProxyGetCommand final : public MProxyForwardingCommand<MMachGetCommand> {
 public:
  // `parts` and `shared` are the split of `axes` that created the sub-commands.
  MProxyGetCommand(MProxyMachAbstract* machine, SubcommandMap subcommands,
                   MOutputChannel* output, const MMachAxesVector& axes, MProxyAxesVectorParts parts,
                   std::vector<MProxySharedAxis> shared);

  // Collects the sub-command's values; the last one to deliver fills `values`. Nothing is
  // collected once the channel shows an error or the command was aborted.
  void handle_finished_subcommand(MMachAbstract* submachine, MMachCommand* subcommand) override;

 private:
  MProxyAxesVectorParts parts_;
  std::vector<MProxySharedAxis> shared_;
  MProxyBySubmachine<std::vector<double>> results_;
};
