// Factories of the commands that run on one chosen submachine, or on every submachine with a
// capability: the base moves and scans, circles and cones, component values, the commands by
// capability, the probe and image FIFO commands of the active submachine, and the scanpoint.
#include "mproxymachabstract.h"

#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <utility>

#include "errlog.h"
#include "errtrace.h"
#include "mproxyfactoryframe.h"
#include "mproxyguard.h"
#include "mproxyreport.h"
#include "mproxysimplecommands.h"
#include "mproxysinglecommands.h"
#include "mproxysubcommand.h"

namespace {

using SubcommandMap = MProxyCommand::SubcommandMap;

// A direction or taper component above this magnitude makes an axis move.
constexpr double kEpsilon = 1e-8;

// The commands of the active submachine: without one, "probesystem not loaded" and no message.
template <class Proxy, class Create, class... Args>
Proxy* new_on_active(MProxyMachAbstract* proxy, MOutputChannel* output, const char* function,
                     Create&& create, Args&&... args) {
  MProxyFactoryFrame frame(proxy, output, function);
  if (!frame.create_on_active(create)) return nullptr;
  return frame.wrap<Proxy>(std::forward<Args>(args)...);
}

// One sub-command on every submachine (list order) that `qualifies`; a refusal only forwards the
// submachine's explanation.
template <class Qualifies, class Create>
SubcommandMap create_on_capable(MProxyMachAbstract& proxy, MOutputChannel* output, const char* factory,
                                Qualifies&& qualifies, Create&& create) {
  SubcommandMap subcommands;
  for (MMachAbstract* submachine : proxy.submachines()) {
    if (qualifies(submachine)) create_subcommand(submachine, factory, output, subcommands, create);
  }
  return subcommands;
}

// Movehome and wobble: exactly one submachine supports `command_class` and creates the command.
template <class Proxy, class Create, class... Args>
Proxy* new_on_single_capable(MProxyMachAbstract& proxy, MOutputChannel* output, const char* command_class,
                             const char* qualified, const char* what, Create&& create, Args&&... args) {
  SubcommandMap subcommands = create_on_capable(
      proxy, output, mproxy_guard::unqualified(qualified),
      [command_class](MMachAbstract* submachine) {
        return MPROXY_CALL(submachine, IsCommandSupported, command_class);
      },
      create);
  if (subcommands.size() != 1) {
    MPROXY_LOG_AND_FAIL(output, kMErrorCommandUnknown, "%s(): we support %s only with a single machine",
                        qualified, what);
    return nullptr;
  }
  return new Proxy(&proxy, subcommands, output, std::forward<Args>(args)...);
}

// Scanbase: the axes of at most one submachine, the active one when there is one.
bool is_on_active_if_any(MProxyMachAbstract* proxy, const MProxyBySubmachine<MMachAxesSet>& parts) {
  MMachAbstract* const active = proxy->get_active_submachine();
  return parts.size() <= 1 && (parts.empty() || active == nullptr || parts.begin()->first == active);
}

// Movebase and scanbase: the axes of one submachine (scanbase: of the active one, when there is
// one); an empty set goes to every submachine that supports `command_class`.
template <class Proxy, class Create>
Proxy* new_base_command(MProxyMachAbstract* proxy, MOutputChannel* output, const MMachAxesSet& axes,
                        const char* factory, const char* command_class, bool scan, Create&& create) {
  MProxyFactoryFrame frame(proxy, output, factory);
  MProxyBySubmachine<MMachAxesSet> parts;
  if (!proxy->split_axesset_to_submachines(axes, parts)) {
    MPROXY_DUMP_AND_FAIL(frame.context(), output, kMErrorInvalidAxis,
                         "%s(): split_axesset_to_submachines() failed", frame.function());
    return nullptr;
  }
  if (scan && !is_on_active_if_any(proxy, parts)) {
    MPROXY_LOG_AND_FAIL(output, kMErrorInvalidAxis, "%s(): we support scanbase only with the active machine",
                        frame.function());
    return nullptr;
  }
  if (parts.size() > 1) return frame.refuse_submachine_count(parts.size());
  if (parts.empty()) {
    for (MMachAbstract* submachine : proxy->submachines()) {
      if (MPROXY_CALL(submachine, IsCommandSupported, command_class)) parts[submachine];
    }
  }
  for (const auto& [submachine, own_axes] : parts) {
    const MMachAxesSet& part = own_axes;
    const auto with_part = [&create, &part](MMachAbstract* target, MOutputChannel* channel) {
      return create(target, channel, part);
    };
    if (!frame.add(submachine, with_part)) {
      MPROXY_DUMP_AND_FAIL_UNLESS_FAILED(frame.context(), output, kMErrorInternal, "%s(): failed",
                                         frame.function());
      return nullptr;
    }
  }
  return frame.wrap<Proxy>(axes);
}

// The movement of a circle or cone with a target for every Cartesian axis that moves on it, at
// the record's point; `taper` is 0 for a circle.
template <class Para>
MMachMovementPara with_curve_targets(const Para& para, double taper) {
  MMachMovementPara movement = para.movement;
  const auto moves = [](double a, double b, double c) {
    return std::fabs(a) > kEpsilon || std::fabs(b) > kEpsilon || std::fabs(c) > kEpsilon;
  };
  const auto& p = para.point;
  const auto& d = para.direction;
  if (moves(d[1], d[2], taper)) movement.positions[movement.xaxis] = MMachAxisTarget{p[0], true};
  if (moves(d[0], d[2], taper)) movement.positions[movement.yaxis] = MMachAxisTarget{p[1], true};
  if (moves(d[0], d[1], taper)) movement.positions[movement.zaxis] = MMachAxisTarget{p[2], true};
  return movement;
}

struct CurveFactory {
  const char* qualified;           // "MProxyMachAbstract::NewMMachMovecircleCommand"
  const char* submachine_factory;  // "NewMMachMovecircleCommand"
  bool scan;
};

// Circles and cones run on the one submachine that owns the moving axes (scans: the active one,
// which must also provide all scan data); it receives the record as the server passed it.
template <class Proxy, class Para, class Create>
Proxy* new_curve_command(MProxyMachAbstract* proxy, MOutputChannel* output, const Para& para, double taper,
                         const CurveFactory& names, Create&& create) {
  MProxyFactoryFrame frame(proxy, output, names.qualified);
  MProxyBySubmachine<MMachMovementPara> parts;
  if (!proxy->split_movementpara_to_submachines(with_curve_targets(para, taper), parts)) {
    MPROXY_DUMP_AND_FAIL(frame.context(), output, kMErrorInvalidAxis,
                         "%s(): split_movementpara_to_submachines() failed", frame.function());
    return nullptr;
  }
  if (parts.size() != 1) return frame.refuse_submachine_count(parts.size());
  MMachAbstract* const submachine = parts.begin()->first;
  if (names.scan && !frame.scans_on_active(submachine)) return nullptr;
  const auto with_record = [&create, &para](MMachAbstract* target, MOutputChannel* channel) {
    return create(target, channel, para);
  };
  if (!frame.add(submachine, with_record)) {
    MPROXY_DUMP_AND_FAIL_UNLESS_FAILED(frame.context(), output, kMErrorInternal,
                                       "%s(): %s() failed on %s (%s)", frame.function(),
                                       names.submachine_factory, mproxy_guard::name_of(submachine),
                                       mproxy_guard::description_of(submachine));
    return nullptr;
  }
  return frame.wrap<Proxy>(para);
}

// The values that "set" hands to every submachine whose axis of that name qualifies.
bool is_shared_set_value(const std::string& name) {
  static const std::set<std::string> kNames = {"speed", "accel", "jerk", "compensation", "scanstep"};
  return kNames.count(name) != 0;
}

bool takes_shared_set_value(MMachAbstract* submachine, const std::string& name) {
  const MMachAxisInfo* info = MPROXY_CALL(submachine, GetAxisInfo, name);
  return info != nullptr && info->IsAvailable() && (info->flags & MMachAxisInfo::kPeriodGroup) != 0;
}

}  // namespace

// --- by axes set, on one submachine ---

MMachMovebaseCommand* MProxyMachAbstract::NewMMachMovebaseCommand(MOutputChannel* output,
                                                                  const MMachAxesSet& axes) {
  return new_base_command<MProxyMovebaseCommand>(
      this, output, axes, "NewMMachMovebaseCommand", "MMachMovebaseCommand", false,
      [](MMachAbstract* submachine, MOutputChannel* channel, const MMachAxesSet& part) {
        return submachine->NewMMachMovebaseCommand(channel, part);
      });
}

MMachScanbaseCommand* MProxyMachAbstract::NewMMachScanbaseCommand(MOutputChannel* output,
                                                                  const MMachAxesSet& axes) {
  return new_base_command<MProxyScanbaseCommand>(
      this, output, axes, "NewMMachScanbaseCommand", "MMachScanbaseCommand", true,
      [](MMachAbstract* submachine, MOutputChannel* channel, const MMachAxesSet& part) {
        return submachine->NewMMachScanbaseCommand(channel, part);
      });
}

// --- circles and cones ---

MMachMovecircleCommand* MProxyMachAbstract::NewMMachMovecircleCommand(MOutputChannel* output,
                                                                      const MMachCirclePara& circle) {
  static constexpr CurveFactory kNames{"MProxyMachAbstract::NewMMachMovecircleCommand",
                                       "NewMMachMovecircleCommand", false};
  return new_curve_command<MProxyMovecircleCommand>(
      this, output, circle, 0.0, kNames,
      [](MMachAbstract* submachine, MOutputChannel* channel, const MMachCirclePara& para) {
        return submachine->NewMMachMovecircleCommand(channel, para);
      });
}

MMachMoveconeCommand* MProxyMachAbstract::NewMMachMoveconeCommand(MOutputChannel* output,
                                                                  const MMachConePara& cone) {
  static constexpr CurveFactory kNames{"MProxyMachAbstract::NewMMachMoveconeCommand",
                                       "NewMMachMoveconeCommand", false};
  return new_curve_command<MProxyMoveconeCommand>(
      this, output, cone, cone.taper, kNames,
      [](MMachAbstract* submachine, MOutputChannel* channel, const MMachConePara& para) {
        return submachine->NewMMachMoveconeCommand(channel, para);
      });
}

MMachScancircleCommand* MProxyMachAbstract::NewMMachScancircleCommand(MOutputChannel* output,
                                                                      const MMachCirclePara& circle) {
  static constexpr CurveFactory kNames{"MProxyMachAbstract::NewMMachScancircleCommand",
                                       "NewMMachScancircleCommand", true};
  return new_curve_command<MProxyScancircleCommand>(
      this, output, circle, 0.0, kNames,
      [](MMachAbstract* submachine, MOutputChannel* channel, const MMachCirclePara& para) {
        return submachine->NewMMachScancircleCommand(channel, para);
      });
}

MMachScanconeCommand* MProxyMachAbstract::NewMMachScanconeCommand(MOutputChannel* output,
                                                                  const MMachConePara& cone) {
  static constexpr CurveFactory kNames{"MProxyMachAbstract::NewMMachScanconeCommand",
                                       "NewMMachScanconeCommand", true};
  return new_curve_command<MProxyScanconeCommand>(
      this, output, cone, cone.taper, kNames,
      [](MMachAbstract* submachine, MOutputChannel* channel, const MMachConePara& para) {
        return submachine->NewMMachScanconeCommand(channel, para);
      });
}

// --- component values ---

// Shared values go to every submachine whose axis of that name is usable and periodic or
// discrete; any other name must be a component of a submachine (the proxy's own configuration
// is not one). Failures leave no error in the channel.
MMachSetCommand* MProxyMachAbstract::NewMMachSetCommand(MOutputChannel* output,
                                                        const std::map<std::string, double>& values) {
  MProxyFactoryFrame frame(this, output, "MProxyMachAbstract::NewMMachSetCommand");
  MProxyBySubmachine<std::map<std::string, double>> parts;
  for (const auto& [name, value] : values) {
    if (is_shared_set_value(name)) {
      for (MMachAbstract* submachine : submachines_) {
        if (takes_shared_set_value(submachine, name)) parts[submachine][name] = value;
      }
      continue;
    }
    const auto component = component_table_.find(name);
    if (component == component_table_.end() || component->second.submachine == this) {
      MERRLOG("%s(): %.40s not found!", frame.function(), name.c_str());
      return nullptr;
    }
    parts[component->second.submachine][component->second.submachine_name] = value;
  }
  for (const auto& [submachine, part] : parts) {
    const std::map<std::string, double>& own_values = part;
    const auto create = [&own_values](MMachAbstract* target, MOutputChannel* channel) {
      return target->NewMMachSetCommand(channel, own_values);
    };
    if (!frame.add(submachine, create)) {
      MERRDUMP(frame.context(), "%s(): NewMMachSetCommand() failed", frame.function());
      return nullptr;
    }
  }
  return frame.wrap<MProxySetCommand>(values);
}

// --- by capability ---

MMachIdleCommand* MProxyMachAbstract::NewMMachIdleCommand(MOutputChannel* output) {
  SubcommandMap subcommands = create_on_capable(
      *this, output, "NewMMachIdleCommand",
      [](MMachAbstract* submachine) { return MPROXY_CALL(submachine, HasIdleCommand); },
      [](MMachAbstract* submachine, MOutputChannel* channel) {
        return submachine->NewMMachIdleCommand(channel);
      });
  return new MProxyIdleCommand(this, std::move(subcommands), output);
}

MMachResetCommand* MProxyMachAbstract::NewMMachResetCommand(MOutputChannel* output) {
  SubcommandMap subcommands = create_on_capable(
      *this, output, "NewMMachResetCommand",
      [](MMachAbstract* submachine) {
        return MPROXY_CALL(submachine, IsCommandSupported, "MMachResetCommand");
      },
      [](MMachAbstract* submachine, MOutputChannel* channel) {
        return submachine->NewMMachResetCommand(channel);
      });
  return new MProxyResetCommand(this, std::move(subcommands), output);
}

MMachMovehomeCommand* MProxyMachAbstract::NewMMachMovehomeCommand(MOutputChannel* output) {
  return new_on_single_capable<MProxyMovehomeCommand>(
      *this, output, "MMachMovehomeCommand", "MProxyMachAbstract::NewMMachMovehomeCommand", "movehome",
      [](MMachAbstract* submachine, MOutputChannel* channel) {
        return submachine->NewMMachMovehomeCommand(channel);
      });
}

MMachWobbleCommand* MProxyMachAbstract::NewMMachWobbleCommand(MOutputChannel* output,
                                                              const MMachWobbleParameters& parameters) {
  return new_on_single_capable<MProxyWobbleCommand>(
      *this, output, "MMachWobbleCommand", "MProxyMachAbstract::NewMMachWobbleCommand", "wobble",
      [&parameters](MMachAbstract* submachine, MOutputChannel* channel) {
        return submachine->NewMMachWobbleCommand(channel, parameters);
      },
      parameters);
}

// --- on the active submachine ---

MMachImagefifoCreateCommand* MProxyMachAbstract::NewMMachImagefifoCreateCommand(MOutputChannel* output,
                                                                                const std::string& name,
                                                                                uint64_t size) {
  return new_on_active<MProxyImagefifoCreateCommand>(
      this, output, "MProxyMachAbstract::NewMMachImagefifoCreateCommand",
      [&name, size](MMachAbstract* submachine, MOutputChannel* channel) {
        return submachine->NewMMachImagefifoCreateCommand(channel, name, size);
      },
      this, name, size);
}

MMachImagefifoResetCommand* MProxyMachAbstract::NewMMachImagefifoResetCommand(MOutputChannel* output) {
  return new_on_active<MProxyImagefifoResetCommand>(
      this, output, "MProxyMachAbstract::NewMMachImagefifoResetCommand",
      [](MMachAbstract* submachine, MOutputChannel* channel) {
        return submachine->NewMMachImagefifoResetCommand(channel);
      });
}

MMachImagefifoSelectCommand* MProxyMachAbstract::NewMMachImagefifoSelectCommand(MOutputChannel* output,
                                                                                const std::string& name) {
  return new_on_active<MProxyImagefifoSelectCommand>(
      this, output, "MProxyMachAbstract::NewMMachImagefifoSelectCommand",
      [&name](MMachAbstract* submachine, MOutputChannel* channel) {
        return submachine->NewMMachImagefifoSelectCommand(channel, name);
      },
      name);
}

MMachProbeDefineCommand* MProxyMachAbstract::NewMMachProbeDefineCommand(MOutputChannel* output,
                                                                        uint32_t probe, uint32_t tip,
                                                                        uint64_t value) {
  return new_on_active<MProxyProbeDefineCommand>(
      this, output, "MProxyMachAbstract::NewMMachProbeDefineCommand",
      [probe, tip, value](MMachAbstract* submachine, MOutputChannel* channel) {
        return submachine->NewMMachProbeDefineCommand(channel, probe, tip, value);
      });
}

MMachProbeDeleteCommand* MProxyMachAbstract::NewMMachProbeDeleteCommand(MOutputChannel* output,
                                                                        uint32_t probe, uint32_t tip) {
  return new_on_active<MProxyProbeDeleteCommand>(
      this, output, "MProxyMachAbstract::NewMMachProbeDeleteCommand",
      [probe, tip](MMachAbstract* submachine, MOutputChannel* channel) {
        return submachine->NewMMachProbeDeleteCommand(channel, probe, tip);
      });
}

MMachProbeLoadCommand* MProxyMachAbstract::NewMMachProbeLoadCommand(MOutputChannel* output, uint32_t probe,
                                                                    uint32_t tip) {
  return new_on_active<MProxyProbeLoadCommand>(
      this, output, "MProxyMachAbstract::NewMMachProbeLoadCommand",
      [probe, tip](MMachAbstract* submachine, MOutputChannel* channel) {
        return submachine->NewMMachProbeLoadCommand(channel, probe, tip);
      });
}

MMachProbeUnloadCommand* MProxyMachAbstract::NewMMachProbeUnloadCommand(MOutputChannel* output) {
  return new_on_active<MProxyProbeUnloadCommand>(this, output,
                                                 "MProxyMachAbstract::NewMMachProbeUnloadCommand",
                                                 [](MMachAbstract* submachine, MOutputChannel* channel) {
                                                   return submachine->NewMMachProbeUnloadCommand(channel);
                                                 });
}

// The active submachine's own command, with the server's channel.
MMachCommand* MProxyMachAbstract::NewMMachMagazineSetCommand(MOutputChannel* output, uint32_t slot,
                                                             uint32_t probe) {
  MMachAbstract* const active = get_active_submachine();
  if (active == nullptr) {
    MPROXY_LOG_AND_FAIL(output, kMErrorProbesystemNotLoaded, "%s(): no active machine",
                        "MProxyMachAbstract::NewMMachMagazineSetCommand");
    return nullptr;
  }
  MMachCommand* const command = MPROXY_CALL(active, NewMMachMagazineSetCommand, output, slot, probe);
  if (command == nullptr) mproxy_report::fail_unless_failed(output, kMErrorInternal);
  return command;
}

// --- on the owner of an image FIFO ---

MMachImagefifoDeleteCommand* MProxyMachAbstract::NewMMachImagefifoDeleteCommand(MOutputChannel* output,
                                                                                const std::string& name) {
  MProxyFactoryFrame frame(this, output, "MProxyMachAbstract::NewMMachImagefifoDeleteCommand");
  const auto create = [&name](MMachAbstract* owner, MOutputChannel* channel) {
    return owner->NewMMachImagefifoDeleteCommand(channel, name);
  };
  for (MMachAbstract* submachine : submachines_) {
    if (MPROXY_CALL(submachine, FindImagefifo, name) == nullptr) continue;
    if (!frame.create_on(submachine, create)) return nullptr;
    return frame.wrap<MProxyImagefifoDeleteCommand>(this, name);
  }
  MPROXY_LOG_AND_FAIL(output, kMErrorInternal, "%s(): %s not found", frame.function(), name.c_str());
  return nullptr;
}

// --- scanpoint ---

// The moving submachines through the movement splitter, then a "time" scanpoint on every
// submachine of the scandata assignment that moves nothing, so that it delivers its scan data.
MMachScanpointCommand* MProxyMachAbstract::NewMMachScanpointCommand(MOutputChannel* output,
                                                                    const MMachMovementPara& movement) {
  MProxyFactoryFrame frame(this, output, "MProxyMachAbstract::NewMMachScanpointCommand");
  if (!frame.split(&MProxyMachAbstract::split_movementpara_to_subcommands<MMachScanpointCommand>, movement,
                   "split_movementpara_to_subcommands")) {
    return nullptr;
  }
  MMachMovementPara time_only;
  time_only.positions["time"] = MMachAxisTarget{std::numeric_limits<double>::max(), false};
  const auto create = [&time_only](MMachAbstract* submachine, MOutputChannel* channel) {
    return submachine->NewMMachScanpointCommand(channel, time_only);
  };
  for (const auto& [submachine, part] : scandata_assignment_) {
    if (frame.subcommands().count(submachine) != 0) continue;
    if (!frame.create_explained(submachine, "NewMMachScanpointCommand", create)) return nullptr;
  }
  return frame.wrap<MProxyScanpointCommand>(movement);
}
