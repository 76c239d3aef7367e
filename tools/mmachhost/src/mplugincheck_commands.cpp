// The commands group: for every command class of the machine interface, its factory with
// parameters taken from the machine's own tables. A supported class must give a command that
// answers its text name, finishes within the poll bound, stays done and can be deleted; a class
// the machine does not support must be refused with the error the interface prescribes. Abort
// must end every running command within the bound. The parameters change nothing where that is
// possible: a move to where the axis stands, the loaded probe system loaded again.
#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "mmachcommands.h"
#include "mplugincheckgroups.h"

namespace {

constexpr size_t kMaxScanVectors = 100000;  // GetData answering true more often never stops
constexpr const char* kCheckName = "orvexcheck";

// The image FIFO that the commands create: a block name that no other check run uses at the same
// time (blocks are named system-wide).
const std::string& fifo_name() {
  static const std::string name = std::string(kCheckName).append("-").append(std::to_string(std::random_device{}()));
  return name;
}

// Factory parameters built from an open machine's tables.
struct Parameters {
  MMachAxesSet axes;  // the first usable axis, if any
  MMachAxesVector axis_vector;
  MMachMovementPara movement;  // that axis to its current value
  MMachMovepolyPara poly;
  MMachCirclePara circle;
  MMachConePara cone;
  std::map<std::string, double> values;
  MMachAxesBoolMap spin;
  std::string component;  // the first readable component
  MMachProbesystemInfo probesystem;  // the loaded (else the first listed) definition
  uint32_t probe = 0;
  uint32_t tip = 0;
  uint32_t slot = 0;
  MMachWobbleParameters wobble;
  uint64_t fifo_size = 1 << 20;
};

void add_axis(MMachAbstract& machine, Parameters& p) {
  const MMachAxesVector usable = MPluginCheck_UsableAxes(machine);
  if (!usable.empty()) {
    const std::string& name = usable.front();
    p.axes = {name};
    p.axis_vector = {name};
    p.movement = MPluginCheck_StayingMovement(machine, p.axis_vector);
    p.values[name] = p.movement.positions[name].value;
    if (machine.IsSpinAxis(name)) p.spin[name] = true;
  }
  p.poly.points = {p.movement.positions};
  p.circle.movement = p.movement;
  p.cone.movement = p.movement;
}

void add_probesystem(MMachAbstract& machine, Parameters& p) {
  if (!machine.HasProbesystems()) return;
  std::string name = machine.HasActiveProbesystem() ? machine.GetActiveProbesystem() : "";
  uint32_t id = name.empty() ? 0 : machine.GetActiveProbesystemId();
  if (name.empty()) {
    const MMachProbesystemEntry* first = machine.GetFirstProbesystem();
    if (first == nullptr) return;
    name = first->name;
  }
  const std::vector<MMachProbesystemInfo> infos = machine.GetProbesystemInfos(name, id);
  p.probesystem = infos.empty() ? MMachProbesystemInfo{name, id, {}, {}} : infos.front();
}

Parameters parameters_of(MMachAbstract& machine) {
  Parameters p;
  add_axis(machine, p);
  for (const MMachComponentInfo* component = machine.GetFirstComponentInfo(); component != nullptr;
       component = machine.GetNextComponentInfo()) {
    if (component->IsAvailable() && (component->flags & MMachComponentInfo::kReadable) != 0) {
      p.component = component->name;
      break;
    }
  }
  add_probesystem(machine, p);
  if (machine.HasProbes()) {
    p.probe = machine.GetLoadedProbe();
    p.tip = static_cast<uint32_t>(machine.GetLoadedTip());
  }
  if (machine.HasMagazine()) p.slot = machine.GetMagazineSlotOfProbe(p.probe);
  machine.GetWobbleParameters(p.wobble);
  const uint64_t image = machine.GetImageFormat().ImageSize();
  if (image != 0) p.fifo_size = 4 * image;
  return p;
}

// A command as the factory made it, owned, with GetData for the scan commands.
struct Created {
  std::unique_ptr<MMachCommand> command;
  std::function<bool(std::vector<double>&)> get_data;
};

template <class Command>
Created made(Command* command) {
  Created created{std::unique_ptr<MMachCommand>(command), nullptr};
  if constexpr (requires(std::vector<double>& v) { command->GetData(v); }) {
    if (command != nullptr) created.get_data = [command](std::vector<double>& v) { return command->GetData(v); };
  }
  return created;
}

struct Factory {
  const char* command_class;
  const char* text_name;  // null: the interface has no class for it
  Created (*create)(MMachAbstract& m, MOutputChannel* o, const Parameters& p);
};

// Every factory of the machine interface, in the order of its class names.
const Factory kFactories[] = {
    {"MMachGetCommand", "get", [](auto& m, auto o, auto& p) { return made(m.NewMMachGetCommand(o, p.axis_vector)); }},
    {"MMachIdleCommand", "idle", [](auto& m, auto o, auto&) { return made(m.NewMMachIdleCommand(o)); }},
    {"MMachImagefifoCreateCommand", "imagefifo create",
     [](auto& m, auto o, auto& p) { return made(m.NewMMachImagefifoCreateCommand(o, fifo_name(), p.fifo_size)); }},
    {"MMachImagefifoDeleteCommand", "imagefifo delete",
     [](auto& m, auto o, auto&) { return made(m.NewMMachImagefifoDeleteCommand(o, fifo_name())); }},
    {"MMachImagefifoInfoCommand", nullptr,
     [](auto& m, auto o, auto&) { return made(m.NewMMachImagefifoInfoCommand(o, fifo_name())); }},
    {"MMachImagefifoResetCommand", "imagefifo reset",
     [](auto& m, auto o, auto&) { return made(m.NewMMachImagefifoResetCommand(o)); }},
    {"MMachImagefifoSelectCommand", "imagefifo select",
     [](auto& m, auto o, auto&) { return made(m.NewMMachImagefifoSelectCommand(o, fifo_name())); }},
    {"MMachInitCommand", "init", [](auto& m, auto o, auto& p) { return made(m.NewMMachInitCommand(o, p.axes)); }},
    {"MMachKeypadDisableCommand", "keypad disable",
     [](auto& m, auto o, auto& p) { return made(m.NewMMachKeypadDisableCommand(o, p.axes)); }},
    {"MMachKeypadEnableCommand", "keypad enable",
     [](auto& m, auto o, auto& p) { return made(m.NewMMachKeypadEnableCommand(o, p.axes)); }},
    {"MMachMagazineSetCommand", "magazine set",
     [](auto& m, auto o, auto& p) { return made(m.NewMMachMagazineSetCommand(o, p.slot, p.probe)); }},
    {"MMachModuloCommand", "modulo", [](auto& m, auto o, auto& p) { return made(m.NewMMachModuloCommand(o, p.axes)); }},
    {"MMachMoveCommand", "move", [](auto& m, auto o, auto& p) { return made(m.NewMMachMoveCommand(o, p.movement)); }},
    {"MMachMovebaseCommand", "movebase",
     [](auto& m, auto o, auto& p) { return made(m.NewMMachMovebaseCommand(o, p.axes)); }},
    {"MMachMovecircleCommand", "movecircle",
     [](auto& m, auto o, auto& p) { return made(m.NewMMachMovecircleCommand(o, p.circle)); }},
    {"MMachMoveconeCommand", "movecone",
     [](auto& m, auto o, auto& p) { return made(m.NewMMachMoveconeCommand(o, p.cone)); }},
    {"MMachMovehomeCommand", "movehome", [](auto& m, auto o, auto&) { return made(m.NewMMachMovehomeCommand(o)); }},
    {"MMachMovepolyCommand", "movepoly",
     [](auto& m, auto o, auto& p) { return made(m.NewMMachMovepolyCommand(o, p.poly)); }},
    {"MMachMovezeroCommand", "movezero",
     [](auto& m, auto o, auto& p) { return made(m.NewMMachMovezeroCommand(o, p.movement)); }},
    {"MMachProbeDefineCommand", "probe define",
     [](auto& m, auto o, auto& p) { return made(m.NewMMachProbeDefineCommand(o, p.probe, p.tip, 0)); }},
    {"MMachProbeDeleteCommand", "probe delete",
     [](auto& m, auto o, auto&) { return made(m.NewMMachProbeDeleteCommand(o, 9999, 9999)); }},
    {"MMachProbeLoadCommand", "probe load",
     [](auto& m, auto o, auto& p) { return made(m.NewMMachProbeLoadCommand(o, p.probe, p.tip)); }},
    {"MMachProbeOffsetCommand", "probe offset",
     [](auto& m, auto o, auto& p) { return made(m.NewMMachProbeOffsetCommand(o, p.movement.positions)); }},
    {"MMachProbeUnloadCommand", "probe unload", [](auto& m, auto o, auto&) { return made(m.NewMMachProbeUnloadCommand(o)); }},
    {"MMachProbesystemDefineCommand", "probesystem define",
     [](auto& m, auto o, auto& p) { return made(m.NewMMachProbesystemDefineCommand(o, p.probesystem)); }},
    {"MMachProbesystemDeleteCommand", "probesystem delete",
     [](auto& m, auto o, auto&) { return made(m.NewMMachProbesystemDeleteCommand(o, kCheckName, 1)); }},
    {"MMachProbesystemLoadCommand", "probesystem load",
     [](auto& m, auto o, auto& p) {
       return made(m.NewMMachProbesystemLoadCommand(o, p.probesystem.name, p.probesystem.id));
     }},
    {"MMachProbesystemTypeCommand", nullptr,
     [](auto& m, auto o, auto&) { return made(m.NewMMachProbesystemTypeCommand(o)); }},
    {"MMachProbesystemUnloadCommand", "probesystem unload",
     [](auto& m, auto o, auto&) { return made(m.NewMMachProbesystemUnloadCommand(o)); }},
    {"MMachReceiveCommand", "receive",
     [](auto& m, auto o, auto& p) { return made(m.NewMMachReceiveCommand(o, p.component)); }},
    {"MMachResetCommand", "reset", [](auto& m, auto o, auto&) { return made(m.NewMMachResetCommand(o)); }},
    {"MMachScanCommand", "scan", [](auto& m, auto o, auto& p) { return made(m.NewMMachScanCommand(o, p.movement)); }},
    {"MMachScanbaseCommand", "scanbase",
     [](auto& m, auto o, auto& p) { return made(m.NewMMachScanbaseCommand(o, p.axes)); }},
    {"MMachScancircleCommand", "scancircle",
     [](auto& m, auto o, auto& p) { return made(m.NewMMachScancircleCommand(o, p.circle)); }},
    {"MMachScanconeCommand", "scancone",
     [](auto& m, auto o, auto& p) { return made(m.NewMMachScanconeCommand(o, p.cone)); }},
    {"MMachScandataCommand", "scandata",
     [](auto& m, auto o, auto& p) { return made(m.NewMMachScandataCommand(o, p.axis_vector)); }},
    {"MMachScanpointCommand", "scanpoint",
     [](auto& m, auto o, auto& p) { return made(m.NewMMachScanpointCommand(o, p.movement)); }},
    {"MMachScanpolyCommand", "scanpoly",
     [](auto& m, auto o, auto& p) { return made(m.NewMMachScanpolyCommand(o, p.poly)); }},
    {"MMachSendCommand", "send",
     [](auto& m, auto o, auto&) { return made(m.NewMMachSendCommand(o, std::string(kCheckName) + ".txt", "")); }},
    {"MMachSetCommand", "set", [](auto& m, auto o, auto& p) { return made(m.NewMMachSetCommand(o, p.values)); }},
    {"MMachSpinDisableCommand", "spin disable",
     [](auto& m, auto o, auto& p) { return made(m.NewMMachSpinDisableCommand(o, p.axes)); }},
    {"MMachSpinEnableCommand", "spin enable",
     [](auto& m, auto o, auto& p) { return made(m.NewMMachSpinEnableCommand(o, p.spin)); }},
    {"MMachWobbleCommand", "wobble", [](auto& m, auto o, auto& p) { return made(m.NewMMachWobbleCommand(o, p.wobble)); }},
};

std::string polls_text(uint32_t polls) { return std::to_string(polls) + (polls == 1 ? " poll" : " polls"); }

// A factory that made no command: right for a class without a command, when it says why.
MPluginCheckResult check_refusal(const Factory& factory, bool supported, const std::string& text) {
  const bool idle = std::string(factory.command_class) == "MMachIdleCommand";
  if (supported && factory.text_name != nullptr) {
    return MPluginCheckResult::Fail(std::string("supported, but the factory answered null") +
                                    (text.empty() ? std::string() : std::string(": ") + MPluginCheck_FirstError(text)));
  }
  const std::string why = supported ? "advertised without a command class" : "not supported";
  const std::string error = MPluginCheck_FirstError(text);
  if (idle && text.empty()) return MPluginCheckResult::Pass(why + ": null, nothing written");
  if (error == "error \"transaction: command unknown\"") return MPluginCheckResult::Pass(why + ": null with " + error);
  if (error.empty()) return MPluginCheckResult::Fail(why + ": null without an error in the channel");
  return MPluginCheckResult::Warn(why + ": null with " + error + " instead of error \"transaction: command unknown\"");
}

// The course of a command the factory made: its name, its end within the bound, its data.
MPluginCheckResult check_course(const Factory& factory, Created& created, MOutputChannel& channel,
                                const MPluginCheckTarget& target) {
  MMachCommand& command = *created.command;
  const char* name = command.GetName();
  if (factory.text_name != nullptr && (name == nullptr || std::string(name) != factory.text_name)) {
    return MPluginCheckResult::Fail(std::string("GetName answers \"") + std::string(name ? name : "(null)") + "\", not \"" +
                                    factory.text_name + "\"");
  }
  const uint32_t polls = MPluginCheck_PollUntilDone(command, target);
  if (polls == 0) {
    command.Abort();
    MPluginCheck_PollUntilDone(command, target);
    return MPluginCheckResult::Fail(std::string("not done after ") + polls_text(target.max_polls));
  }
  if (!command.IsDone()) return MPluginCheckResult::Fail("IsDone answered false after it had answered true");
  size_t vectors = 0;
  std::vector<double> values;
  while (created.get_data && vectors <= kMaxScanVectors && created.get_data(values)) ++vectors;
  if (vectors > kMaxScanVectors) return MPluginCheckResult::Fail("GetData does not stop answering true");
  created.command.reset();
  std::string text;
  channel.Take(text, true);
  std::string seen = std::string("done at ") + polls_text(polls);
  if (created.get_data) seen += std::string(", ") + std::to_string(vectors) + " scan vectors";
  const std::string error = MPluginCheck_FirstError(text);
  return MPluginCheckResult::Pass(seen + (error.empty() ? ", deleted" : std::string(", ended with ") + error + ", deleted"));
}

// Deletes what a command made that may outlive its machine: the image FIFO of the create command,
// through the machine's own delete command (whose faults its own check reports).
void undo(const Factory& factory, MMachAbstract& m, const MPluginCheckTarget& target) {
  if (std::string(factory.command_class) != "MMachImagefifoCreateCommand" ||
      !m.IsCommandSupported("MMachImagefifoDeleteCommand")) {
    return;
  }
  MOutputChannel channel(1);
  MPluginCheck_RunToEnd(m.NewMMachImagefifoDeleteCommand(&channel, fifo_name()), channel, target);
}

MPluginCheckResult check_command(const Factory& factory, const MPluginCheckTarget& target) {
  MPluginCheckMachine machine(target);
  if (auto skip = machine.OpenOrSkip()) return *skip;
  const bool supported = machine->IsCommandSupported(factory.command_class);
  const Parameters parameters = parameters_of(*machine.Get());
  MOutputChannel channel(1);
  Created created = factory.create(*machine.Get(), &channel, parameters);
  const bool one_made = created.command != nullptr;
  MPluginCheckResult result;
  if (!created.command) {
    std::string text;
    channel.Take(text, true);
    result = check_refusal(factory, supported, text);
  } else if (!supported && factory.text_name != nullptr) {
    result = MPluginCheckResult::Fail("not supported, but the factory made a command");
  } else {
    result = check_course(factory, created, channel, target);
  }
  created.command.reset();  // before its channel
  channel.Clear();
  if (one_made) undo(factory, *machine.Get(), target);
  return result;
}

// Every supported command still running after its first poll is aborted and must end.
MPluginCheckResult check_abort(const MPluginCheckTarget& target) {
  MPluginCheckMachine machine(target);
  if (auto skip = machine.OpenOrSkip()) return *skip;
  const Parameters parameters = parameters_of(*machine.Get());
  size_t aborted = 0;
  size_t done_at_once = 0;
  uint32_t most_polls = 0;
  for (const Factory& factory : kFactories) {
    if (factory.text_name == nullptr || !machine->IsCommandSupported(factory.command_class)) continue;
    MOutputChannel channel(1);
    Created created = factory.create(*machine.Get(), &channel, parameters);
    if (!created.command) continue;  // reported by the class's own check
    MMachCommand& command = *created.command;
    if (command.IsDone()) {
      ++done_at_once;
    } else {
      command.Abort();
      const uint32_t polls = MPluginCheck_PollUntilDone(command, target);
      if (polls == 0) {
        created.command.reset();
        channel.Clear();
        return MPluginCheckResult::Fail(std::string(factory.command_class) + " still running " +
                                        polls_text(target.max_polls) + " after Abort");
      }
      ++aborted;
      most_polls = std::max(most_polls, polls);
    }
    created.command.reset();
    channel.Clear();
    undo(factory, *machine.Get(), target);
  }
  return MPluginCheckResult::Pass(std::to_string(aborted) + " running commands ended within " +
                                  polls_text(most_polls) + " after Abort; " + std::to_string(done_at_once) +
                                  " were done at their first poll");
}

}  // namespace

std::vector<MPluginCheckCase> MPluginCheck_CommandsCases() {
  std::vector<MPluginCheckCase> cases;
  for (const Factory& factory : kFactories) {
    cases.push_back({std::string("commands.") + factory.command_class,
                     [&factory](const MPluginCheckTarget& target) { return check_command(factory, target); }});
  }
  cases.push_back({"commands.abort", check_abort});
  return cases;
}
