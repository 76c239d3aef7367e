// Creating the sub-commands of a split request: one algorithm for every parameter kind and
// submachine command class, and the polygon variant that allows a single submachine only.
#include "mproxymachabstract.h"

#include <string>
#include <utility>

#include "errtrace.h"
#include "mmachcommands.h"
#include "mproxysubcommand.h"

namespace {

// The submachine factory and the class name (for IsCommandSupported) of a command class.
template <class Command>
struct SubmachineFactory;

#define MPROXY_SUBMACHINE_FACTORY(Name)                                      \
  template <>                                                                \
  struct SubmachineFactory<MMach##Name##Command> {                           \
    static const char* class_name() { return "MMach" #Name "Command"; }      \
    static const char* factory_name() { return "NewMMach" #Name "Command"; } \
    static constexpr auto kCreate = &MMachAbstract::NewMMach##Name##Command; \
  }

MPROXY_SUBMACHINE_FACTORY(Init);
MPROXY_SUBMACHINE_FACTORY(KeypadDisable);
MPROXY_SUBMACHINE_FACTORY(KeypadEnable);
MPROXY_SUBMACHINE_FACTORY(Modulo);
MPROXY_SUBMACHINE_FACTORY(SpinDisable);
MPROXY_SUBMACHINE_FACTORY(SpinEnable);
MPROXY_SUBMACHINE_FACTORY(ProbeOffset);
MPROXY_SUBMACHINE_FACTORY(Move);
MPROXY_SUBMACHINE_FACTORY(Movezero);
MPROXY_SUBMACHINE_FACTORY(Scanpoint);
MPROXY_SUBMACHINE_FACTORY(Scan);
MPROXY_SUBMACHINE_FACTORY(Movepoly);
MPROXY_SUBMACHINE_FACTORY(Scanpoly);

#undef MPROXY_SUBMACHINE_FACTORY

// The two failure texts of one instance family.
struct FailureTexts {
  const char* split;
  const char* create;
};

// Creates one sub-command per entry of `parts` in key order; on a refusal the map is emptied,
// which destroys the sub-commands made so far with their channels.
template <class Command, class Para>
bool create_subcommands(const MProxyBySubmachine<Para>& parts, MOutputChannel* output,
                        MProxyCommand::SubcommandMap& subcommands, const char* create_failed) {
  for (const auto& entry : parts) {
    const Para& para = entry.second;
    const bool created =
        create_subcommand(entry.first, SubmachineFactory<Command>::factory_name(), output, subcommands,
                          [&para](MMachAbstract* target, MOutputChannel* channel) {
                            return (target->*SubmachineFactory<Command>::kCreate)(channel, para);
                          });
    if (!created) {
      MERRTRACE("%s", create_failed);
      subcommands.clear();
      return false;
    }
  }
  return true;
}

// The common algorithm: split a request that names axes; hand an empty container to every
// supporting submachine when it names none; then create the sub-commands.
template <class Command, class Para, class Split>
bool split_to_subcommands(const std::vector<MMachAbstract*>& submachines, const Para& request,
                          bool names_axes, Split&& split, MOutputChannel* output,
                          MProxyCommand::SubcommandMap& subcommands, FailureTexts texts) {
  MProxyBySubmachine<Para> parts;
  if (names_axes) {
    if (!split(request, parts)) {
      MERRTRACE("%s", texts.split);
      return false;
    }
  } else {
    for (MMachAbstract* submachine : submachines) {
      if (MPROXY_CALL(submachine, IsCommandSupported, SubmachineFactory<Command>::class_name())) {
        parts.emplace(submachine, Para{});
      }
    }
  }
  return create_subcommands<Command>(parts, output, subcommands, texts.create);
}

}  // namespace

template <class Command>
bool MProxyMachAbstract::split_axesset_to_subcommands(const MMachAxesSet& axes, MOutputChannel* output,
                                                      MProxyCommand::SubcommandMap& subcommands) {
  return split_to_subcommands<Command>(
      submachines(), axes, !axes.empty(),
      [this](const MMachAxesSet& request, MProxyBySubmachine<MMachAxesSet>& parts) {
        return split_axesset_to_submachines(request, parts);
      },
      output, subcommands,
      {"MProxyMachAbstract::split_axesset_to_subcommands(): split_axesset_to_submachines() failed",
       "MProxyMachAbstract::split_axesset_to_subcommands(): NewMMach*Command() failed"});
}

template <class Command>
bool MProxyMachAbstract::split_axesboolmap_to_subcommands(const MMachAxesBoolMap& axes,
                                                          MOutputChannel* output,
                                                          MProxyCommand::SubcommandMap& subcommands) {
  return split_to_subcommands<Command>(
      submachines(), axes, !axes.empty(),
      [this](const MMachAxesBoolMap& request, MProxyBySubmachine<MMachAxesBoolMap>& parts) {
        return split_axesboolmap_to_submachines(request, parts);
      },
      output, subcommands,
      {"MProxyMachAbstract::split_axesboolmap_to_subcommands(): split_axesboolmap_to_submachines() failed",
       "MProxyMachAbstract::split_axesboolmap_to_subcommands(): NewMMach*Command() failed"});
}

template <class Command>
bool MProxyMachAbstract::split_destinationpara_to_subcommands(const MMachDestinationPara& destination,
                                                              MOutputChannel* output,
                                                              MProxyCommand::SubcommandMap& subcommands) {
  return split_to_subcommands<Command>(
      submachines(), destination, !destination.empty(),
      [this](const MMachDestinationPara& request, MProxyBySubmachine<MMachDestinationPara>& parts) {
        return split_destinationpara_to_submachines(request, parts);
      },
      output, subcommands,
      {"MProxyMachAbstract::split_destinationpara_to_subcommands() failed",
       "MProxyMachAbstract::split_destinationpara_to_subcommands(): NewMMach*Command() failed"});
}

// A request without position axes gets a default record per supporting submachine, so its
// tracking axes and flag are not passed on.
template <class Command>
bool MProxyMachAbstract::split_movementpara_to_subcommands(const MMachMovementPara& movement,
                                                           MOutputChannel* output,
                                                           MProxyCommand::SubcommandMap& subcommands) {
  return split_to_subcommands<Command>(
      submachines(), movement, !movement.positions.empty(),
      [this](const MMachMovementPara& request, MProxyBySubmachine<MMachMovementPara>& parts) {
        return split_movementpara_to_submachines(request, parts);
      },
      output, subcommands,
      {"MProxyMachAbstract::split_movementpara_to_subcommands() failed",
       "MProxyMachAbstract::split_movementpara_to_subcommands(): NewMMach*Command() failed"});
}

template <class Command>
bool MProxyMachAbstract::split_movepolypara_to_subcommands(const MMachMovepolyPara& poly,
                                                           MOutputChannel* output,
                                                           MProxyCommand::SubcommandMap& subcommands) {
  MProxyBySubmachine<MMachMovepolyPara> part;
  if (!split_movepolypara_to_submachines(poly, part)) return false;
  return create_subcommands<Command>(
      part, output, subcommands,
      "MProxyMachAbstract::split_movepolypara_to_subcommands(): NewMMach*Command() failed");
}

#define MPROXY_INSTANTIATE(function, Name, Para)                                                 \
  template bool MProxyMachAbstract::function<MMach##Name##Command>(const Para&, MOutputChannel*, \
                                                                   MProxyCommand::SubcommandMap&)

MPROXY_INSTANTIATE(split_axesset_to_subcommands, Init, MMachAxesSet);
MPROXY_INSTANTIATE(split_axesset_to_subcommands, KeypadDisable, MMachAxesSet);
MPROXY_INSTANTIATE(split_axesset_to_subcommands, KeypadEnable, MMachAxesSet);
MPROXY_INSTANTIATE(split_axesset_to_subcommands, Modulo, MMachAxesSet);
MPROXY_INSTANTIATE(split_axesset_to_subcommands, SpinDisable, MMachAxesSet);
MPROXY_INSTANTIATE(split_axesboolmap_to_subcommands, SpinEnable, MMachAxesBoolMap);
MPROXY_INSTANTIATE(split_destinationpara_to_subcommands, ProbeOffset, MMachDestinationPara);
MPROXY_INSTANTIATE(split_movementpara_to_subcommands, Move, MMachMovementPara);
MPROXY_INSTANTIATE(split_movementpara_to_subcommands, Movezero, MMachMovementPara);
MPROXY_INSTANTIATE(split_movementpara_to_subcommands, Scanpoint, MMachMovementPara);
MPROXY_INSTANTIATE(split_movementpara_to_subcommands, Scan, MMachMovementPara);
MPROXY_INSTANTIATE(split_movepolypara_to_subcommands, Movepoly, MMachMovepolyPara);
MPROXY_INSTANTIATE(split_movepolypara_to_subcommands, Scanpoly, MMachMovepolyPara);

#undef MPROXY_INSTANTIATE
