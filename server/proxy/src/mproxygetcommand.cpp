#include "mproxygetcommand.h"

#include <utility>

#include "mproxymachabstract.h"

MProxyGetCommand::MProxyGetCommand(MProxyMachAbstract* machine, SubcommandMap subcommands,
                                   MOutputChannel* output, const MMachAxesVector& axes,
                                   MProxyAxesVectorParts parts, std::vector<MProxySharedAxis> shared)
    : MProxyForwardingCommand<MMachGetCommand>(machine, std::move(subcommands), output, axes),
      parts_(std::move(parts)),
      shared_(std::move(shared)) {}

void MProxyGetCommand::handle_finished_subcommand(MMachAbstract* submachine, MMachCommand* subcommand) {
  if (MProxyCommand::output->HasError() || aborted) return;
  const auto* get = dynamic_cast<const MMachGetCommand*>(subcommand);
  if (get == nullptr) return;
  results_.emplace(submachine, get->values);
  if (results_.size() == parts_.size()) {
    values = MProxyMachAbstract::merge_axesvector_values(parts_, shared_, results_);
  }
}
