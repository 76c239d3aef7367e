// The factories that split their parameters by owning submachine: the axis-set, bool-map,
// destination, movement and polygon commands through the generic sub-command functions, and
// get and scandata through the axes-vector split.
#include "mproxymachabstract.h"

#include <utility>

#include "mproxyfactoryframe.h"
#include "mproxygetcommand.h"
#include "mproxyreport.h"
#include "mproxysimplecommands.h"

namespace {

// The splitter that the axis-set and bool-map factories name in their reports.
constexpr const char* kAxesSplitter = "split_axesvector_to_submachines";

template <class Proxy, class Para>
Proxy* new_split_command(MProxyMachAbstract* proxy, MOutputChannel* output, const char* function,
                         const Para& para, MProxyFactoryFrame::Split<Para> split, const char* splitter) {
  MProxyFactoryFrame frame(proxy, output, function);
  if (!frame.split(split, para, splitter)) return nullptr;
  return frame.wrap<Proxy>(para);
}

// What get and scandata report: "<function>(): <split_failed>" and "<function>(): <refused>".
struct AxesVectorTexts {
  const char* split_failed;
  const char* refused;
};

// Splits `axes` into `parts` and `shared` and creates one sub-command per part from its names
// (`clear_refused` as for create_subcommand); false after the report of either failure.
template <auto Create>
bool split_axesvector_to_subcommands(MProxyFactoryFrame& frame, MProxyMachAbstract* proxy,
                                     MOutputChannel* output, const MMachAxesVector& axes,
                                     MProxyAxesVectorParts& parts, std::vector<MProxySharedAxis>& shared,
                                     AxesVectorTexts texts, bool clear_refused) {
  if (!proxy->split_axesvector_to_submachines(axes, parts, shared)) {
    MPROXY_DUMP_AND_FAIL(frame.context(), output, kMErrorInvalidAxis, "%s(): %s", frame.function(),
                         texts.split_failed);
    return false;
  }
  for (const auto& [submachine, part] : parts) {
    const MMachAxesVector& names = part.names;
    const auto create = [&names](MMachAbstract* target, MOutputChannel* channel) {
      return (target->*Create)(channel, names);
    };
    if (!frame.add(submachine, create, clear_refused)) {
      MPROXY_DUMP_AND_FAIL_UNLESS_FAILED(frame.context(), output, kMErrorInternal, "%s(): %s",
                                         frame.function(), texts.refused);
      return false;
    }
  }
  return true;
}

}  // namespace

MMachInitCommand* MProxyMachAbstract::NewMMachInitCommand(MOutputChannel* output, const MMachAxesSet& axes) {
  return new_split_command<MProxyInitCommand>(
      this, output, "MProxyMachAbstract::NewMMachInitCommand", axes,
      &MProxyMachAbstract::split_axesset_to_subcommands<MMachInitCommand>, kAxesSplitter);
}

MMachKeypadDisableCommand* MProxyMachAbstract::NewMMachKeypadDisableCommand(MOutputChannel* output,
                                                                            const MMachAxesSet& axes) {
  return new_split_command<MProxyKeypadDisableCommand>(
      this, output, "MProxyMachAbstract::NewMMachKeypadDisableCommand", axes,
      &MProxyMachAbstract::split_axesset_to_subcommands<MMachKeypadDisableCommand>, kAxesSplitter);
}

MMachKeypadEnableCommand* MProxyMachAbstract::NewMMachKeypadEnableCommand(MOutputChannel* output,
                                                                          const MMachAxesSet& axes) {
  return new_split_command<MProxyKeypadEnableCommand>(
      this, output, "MProxyMachAbstract::NewMMachKeypadEnableCommand", axes,
      &MProxyMachAbstract::split_axesset_to_subcommands<MMachKeypadEnableCommand>, kAxesSplitter);
}

MMachModuloCommand* MProxyMachAbstract::NewMMachModuloCommand(MOutputChannel* output, const MMachAxesSet& axes) {
  return new_split_command<MProxyModuloCommand>(
      this, output, "MProxyMachAbstract::NewMMachModuloCommand", axes,
      &MProxyMachAbstract::split_axesset_to_subcommands<MMachModuloCommand>, kAxesSplitter);
}

MMachSpinDisableCommand* MProxyMachAbstract::NewMMachSpinDisableCommand(MOutputChannel* output,
                                                                        const MMachAxesSet& axes) {
  return new_split_command<MProxySpinDisableCommand>(
      this, output, "MProxyMachAbstract::NewMMachSpinDisableCommand", axes,
      &MProxyMachAbstract::split_axesset_to_subcommands<MMachSpinDisableCommand>, kAxesSplitter);
}

MMachSpinEnableCommand* MProxyMachAbstract::NewMMachSpinEnableCommand(MOutputChannel* output,
                                                                      const MMachAxesBoolMap& axes) {
  return new_split_command<MProxySpinEnableCommand>(
      this, output, "MProxyMachAbstract::NewMMachSpinEnableCommand", axes,
      &MProxyMachAbstract::split_axesboolmap_to_subcommands<MMachSpinEnableCommand>, kAxesSplitter);
}

MMachMoveCommand* MProxyMachAbstract::NewMMachMoveCommand(MOutputChannel* output,
                                                          const MMachMovementPara& movement) {
  return new_split_command<MProxyMoveCommand>(
      this, output, "MProxyMachAbstract::NewMMachMoveCommand", movement,
      &MProxyMachAbstract::split_movementpara_to_subcommands<MMachMoveCommand>,
      "split_movementpara_to_subcommands");
}

MMachMovezeroCommand* MProxyMachAbstract::NewMMachMovezeroCommand(MOutputChannel* output,
                                                                  const MMachMovementPara& movement) {
  MProxyFactoryFrame frame(this, output, "MProxyMachAbstract::NewMMachMovezeroCommand");
  if (!frame.split(&MProxyMachAbstract::split_movementpara_to_subcommands<MMachMovezeroCommand>, movement,
                   "split_movementpara_to_subcommands")) {
    return nullptr;
  }
  if (frame.subcommands().size() != 1) {
    MPROXY_LOG_AND_FAIL(output, kMErrorInvalidAxis,
                        "%s(): this command supports only one submachine, but %zu submachines are given",
                        frame.function(), frame.subcommands().size());
    return nullptr;
  }
  return frame.wrap<MProxyMovezeroCommand>(movement);
}

MMachMovepolyCommand* MProxyMachAbstract::NewMMachMovepolyCommand(MOutputChannel* output,
                                                                  const MMachMovepolyPara& poly) {
  return new_split_command<MProxyMovepolyCommand>(
      this, output, "MProxyMachAbstract::NewMMachMovepolyCommand", poly,
      &MProxyMachAbstract::split_movepolypara_to_subcommands<MMachMovepolyCommand>,
      "split_movepolypara_to_subcommands");
}

// Needs a loaded probe system; without one the request is refused with no message.
MMachProbeOffsetCommand* MProxyMachAbstract::NewMMachProbeOffsetCommand(MOutputChannel* output,
                                                                        const MMachDestinationPara& destination) {
  MProxyFactoryFrame frame(this, output, "MProxyMachAbstract::NewMMachProbeOffsetCommand");
  if (frame.active_submachine() == nullptr ||
      !frame.split(&MProxyMachAbstract::split_destinationpara_to_subcommands<MMachProbeOffsetCommand>,
                   destination, "split_destinationpara_to_subcommands")) {
    return nullptr;
  }
  return frame.wrap<MProxyProbeOffsetCommand>(destination);
}

MMachGetCommand* MProxyMachAbstract::NewMMachGetCommand(MOutputChannel* output, const MMachAxesVector& axes) {
  MProxyFactoryFrame frame(this, output, "NewMMachGetCommand");
  MProxyAxesVectorParts parts;
  std::vector<MProxySharedAxis> shared;
  if (!split_axesvector_to_subcommands<&MMachAbstract::NewMMachGetCommand>(
          frame, this, output, axes, parts, shared,
          {"split_axesvector_to_submachines failed", "failed to instantiate command"}, false)) {
    return nullptr;
  }
  return frame.wrap<MProxyGetCommand>(axes, std::move(parts), std::move(shared));
}

// The scandata assignment follows every scandata command that could be created, whatever its
// later outcome. Refused sub-commands leave their text in the server's channel only.
MMachScandataCommand* MProxyMachAbstract::NewMMachScandataCommand(MOutputChannel* output,
                                                                  const MMachAxesVector& axes) {
  MProxyFactoryFrame frame(this, output, "NewMMachScandataCommand");
  MProxyAxesVectorParts parts;
  std::vector<MProxySharedAxis> shared;
  if (!split_axesvector_to_subcommands<&MMachAbstract::NewMMachScandataCommand>(
          frame, this, output, axes, parts, shared, {"split_axesvector_to_submachines() failed", "failed"},
          true)) {
    return nullptr;
  }
  scandata_assignment_ = std::move(parts);
  ++scandata_assignment_version_;
  return frame.wrap<MProxyScandataCommand>(axes);
}
