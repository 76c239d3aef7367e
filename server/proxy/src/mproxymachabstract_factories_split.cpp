// The factories that split their parameters by owning submachine: the axis-set, bool-map,
// destination, movement and polygon commands through the generic sub-command functions, and
// get and scandata through the axes-vector split.
#include "mproxymachabstract.h"

#include <utility>

#include "errtrace.h"
#include "mproxygetcommand.h"
#include "mproxyreport.h"
#include "mproxysimplecommands.h"
#include "mproxysubcommand.h"

namespace {

template <class Para>
using SplitFunction = bool (MProxyMachAbstract::*)(const Para&, MOutputChannel*, void*,
                                                   MProxyCommand::SubcommandMap&);

// The frame of the split factories: one context, the splitter, and on failure its message,
// an internal error unless the channel holds an error, null.
template <class Proxy, class Para>
Proxy* new_split_command(MProxyMachAbstract* machine, MOutputChannel* output, const Para& para,
                         SplitFunction<Para> split, const char* failure) {
  MErrTraceContext context;
  MProxyCommand::SubcommandMap subcommands;
  if (!(machine->*split)(para, output, nullptr, subcommands)) {
    MPROXY_DUMP_AND_FAIL_UNLESS_FAILED(context, output, kMErrorInternal, "%s", failure);
    return nullptr;
  }
  return new Proxy(machine, subcommands, output, para);
}

// Creates one sub-command per part from its names. On a refusal the sub-commands made so far go
// with the map; false.
template <auto Create>
bool create_axesvector_subcommands(const MProxyAxesVectorParts& parts, MOutputChannel* output,
                                   MProxyCommand::SubcommandMap& subcommands, bool clear_refused) {
  for (const auto& [submachine, part] : parts) {
    const MMachAxesVector& names = part.names;
    const bool created = create_subcommand(
        submachine, output, subcommands,
        [&names](MMachAbstract* target, MOutputChannel* channel) { return (target->*Create)(channel, names); },
        clear_refused);
    if (!created) return false;
  }
  return true;
}

}  // namespace

MMachInitCommand* MProxyMachAbstract::NewMMachInitCommand(MOutputChannel* output, const MMachAxesSet& axes) {
  return new_split_command<MProxyInitCommand>(
      this, output, axes, &MProxyMachAbstract::split_axesset_to_subcommands<MMachInitCommand>,
      "MProxyMachAbstract::NewMMachInitCommand(): split_axesvector_to_submachines() failed");
}

MMachKeypadDisableCommand* MProxyMachAbstract::NewMMachKeypadDisableCommand(MOutputChannel* output,
                                                                            const MMachAxesSet& axes) {
  return new_split_command<MProxyKeypadDisableCommand>(
      this, output, axes, &MProxyMachAbstract::split_axesset_to_subcommands<MMachKeypadDisableCommand>,
      "MProxyMachAbstract::NewMMachKeypadDisableCommand(): split_axesvector_to_submachines() failed");
}

MMachKeypadEnableCommand* MProxyMachAbstract::NewMMachKeypadEnableCommand(MOutputChannel* output,
                                                                          const MMachAxesSet& axes) {
  return new_split_command<MProxyKeypadEnableCommand>(
      this, output, axes, &MProxyMachAbstract::split_axesset_to_subcommands<MMachKeypadEnableCommand>,
      "MProxyMachAbstract::NewMMachKeypadEnableCommand(): split_axesvector_to_submachines() failed");
}

MMachModuloCommand* MProxyMachAbstract::NewMMachModuloCommand(MOutputChannel* output, const MMachAxesSet& axes) {
  return new_split_command<MProxyModuloCommand>(
      this, output, axes, &MProxyMachAbstract::split_axesset_to_subcommands<MMachModuloCommand>,
      "MProxyMachAbstract::NewMMachModuloCommand(): split_axesvector_to_submachines() failed");
}

MMachSpinDisableCommand* MProxyMachAbstract::NewMMachSpinDisableCommand(MOutputChannel* output,
                                                                        const MMachAxesSet& axes) {
  return new_split_command<MProxySpinDisableCommand>(
      this, output, axes, &MProxyMachAbstract::split_axesset_to_subcommands<MMachSpinDisableCommand>,
      "MProxyMachAbstract::NewMMachSpinDisableCommand(): split_axesvector_to_submachines() failed");
}

MMachSpinEnableCommand* MProxyMachAbstract::NewMMachSpinEnableCommand(MOutputChannel* output,
                                                                      const MMachAxesBoolMap& axes) {
  return new_split_command<MProxySpinEnableCommand>(
      this, output, axes, &MProxyMachAbstract::split_axesboolmap_to_subcommands<MMachSpinEnableCommand>,
      "MProxyMachAbstract::NewMMachSpinEnableCommand(): split_axesvector_to_submachines() failed");
}

MMachMoveCommand* MProxyMachAbstract::NewMMachMoveCommand(MOutputChannel* output,
                                                          const MMachMovementPara& movement) {
  return new_split_command<MProxyMoveCommand>(
      this, output, movement, &MProxyMachAbstract::split_movementpara_to_subcommands<MMachMoveCommand>,
      "MProxyMachAbstract::NewMMachMoveCommand(): split_movementpara_to_subcommands() failed");
}

MMachMovezeroCommand* MProxyMachAbstract::NewMMachMovezeroCommand(MOutputChannel* output,
                                                                  const MMachMovementPara& movement) {
  MErrTraceContext context;
  MProxyCommand::SubcommandMap subcommands;
  if (!split_movementpara_to_subcommands<MMachMovezeroCommand>(movement, output, nullptr, subcommands)) {
    MPROXY_DUMP_AND_FAIL_UNLESS_FAILED(
        context, output, kMErrorInternal,
        "MProxyMachAbstract::NewMMachMovezeroCommand(): split_movementpara_to_subcommands() failed");
    return nullptr;
  }
  if (subcommands.size() != 1) {
    MPROXY_LOG_AND_FAIL(output, kMErrorInvalidAxis,
                        "MProxyMachAbstract::NewMMachMovezeroCommand(): this command supports only one "
                        "submachine, but %zu submachines are given",
                        subcommands.size());
    return nullptr;
  }
  return new MProxyMovezeroCommand(this, subcommands, output, movement);
}

MMachMovepolyCommand* MProxyMachAbstract::NewMMachMovepolyCommand(MOutputChannel* output,
                                                                  const MMachMovepolyPara& poly) {
  return new_split_command<MProxyMovepolyCommand>(
      this, output, poly, &MProxyMachAbstract::split_movepolypara_to_subcommands<MMachMovepolyCommand>,
      "MProxyMachAbstract::NewMMachMovepolyCommand(): split_movepolypara_to_subcommands() failed");
}

// Needs a loaded probe system; without one the request is refused with no message.
MMachProbeOffsetCommand* MProxyMachAbstract::NewMMachProbeOffsetCommand(MOutputChannel* output,
                                                                        const MMachDestinationPara& destination) {
  if (get_active_submachine() == nullptr) {
    mproxy_report::fail(output, kMErrorProbesystemNotLoaded);
    return nullptr;
  }
  MErrTraceContext context;
  MProxyCommand::SubcommandMap subcommands;
  if (!split_destinationpara_to_subcommands<MMachProbeOffsetCommand>(destination, output, nullptr, subcommands)) {
    MPROXY_DUMP_AND_FAIL_UNLESS_FAILED(context, output, kMErrorInternal,
                                       "%s(): split_destinationpara_to_subcommands() failed",
                                       "MProxyMachAbstract::NewMMachProbeOffsetCommand");
    return nullptr;
  }
  return new MProxyProbeOffsetCommand(this, subcommands, output, destination);
}

MMachGetCommand* MProxyMachAbstract::NewMMachGetCommand(MOutputChannel* output, const MMachAxesVector& axes) {
  MErrTraceContext context;
  MProxyAxesVectorParts parts;
  std::vector<MProxySharedAxis> shared;
  if (!split_axesvector_to_submachines(axes, parts, shared)) {
    MPROXY_DUMP_AND_FAIL(context, output, kMErrorInvalidAxis,
                         "NewMMachGetCommand(): split_axesvector_to_submachines failed");
    return nullptr;
  }
  MProxyCommand::SubcommandMap subcommands;
  if (!create_axesvector_subcommands<&MMachAbstract::NewMMachGetCommand>(parts, output, subcommands, false)) {
    MPROXY_DUMP_AND_FAIL_UNLESS_FAILED(context, output, kMErrorInternal,
                                       "NewMMachGetCommand(): failed to instantiate command");
    return nullptr;
  }
  return new MProxyGetCommand(this, subcommands, output, axes, std::move(parts), std::move(shared));
}

// The scandata assignment follows every scandata command that could be created, whatever its
// later outcome. Refused sub-commands leave their text in the server's channel only.
MMachScandataCommand* MProxyMachAbstract::NewMMachScandataCommand(MOutputChannel* output,
                                                                  const MMachAxesVector& axes) {
  MErrTraceContext context;
  MProxyAxesVectorParts parts;
  std::vector<MProxySharedAxis> shared;
  if (!split_axesvector_to_submachines(axes, parts, shared)) {
    MPROXY_DUMP_AND_FAIL(context, output, kMErrorInvalidAxis,
                         "NewMMachScandataCommand(): split_axesvector_to_submachines() failed");
    return nullptr;
  }
  MProxyCommand::SubcommandMap subcommands;
  if (!create_axesvector_subcommands<&MMachAbstract::NewMMachScandataCommand>(parts, output, subcommands, true)) {
    MPROXY_DUMP_AND_FAIL_UNLESS_FAILED(context, output, kMErrorInternal, "NewMMachScandataCommand(): failed");
    return nullptr;
  }
  scandata_assignment = std::move(parts);
  return new MProxyScandataCommand(this, subcommands, output, axes);
}
