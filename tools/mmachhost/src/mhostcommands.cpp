#include "mhostcommands.h"

#include <algorithm>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "mhostline.h"
#include "mhostsession.h"
#include "mmachabstract.h"
#include "mmachcommands.h"
#include "moutputchannel.h"

namespace {

const char* yes_no(bool value) { return value ? "true" : "false"; }

std::string numbers(const std::vector<double>& values) {
  std::string text;
  for (double value : values) text.append(" ").append(MHostSession_Number(value));
  return text;
}

// Runs the command that `create(channel)` makes; `finish(command)` prints what a command that
// finished without error holds.
template <class Create, class Finish>
void run(MHostSession& session, Create create, Finish finish) {
  MOutputChannel channel(session.NextChannel());
  session.CommandStarts();
  auto* const command = create(&channel);
  using Command = std::remove_pointer_t<decltype(command)>;
  MHostCommandHooks hooks;
  if constexpr (requires(Command& c, std::vector<double>& v) { c.GetData(v); }) {
    hooks.data = [command](std::vector<double>& values) { return command->GetData(values); };
  }
  hooks.finish = [command, &finish] { finish(command); };
  session.Drive(std::unique_ptr<MMachCommand>(command), channel, hooks);
}

template <class Create>
void run(MHostSession& session, Create create) {
  run(session, create, [](auto*) {});
}

MMachAxesSet axes_set(MHostLine& line) {
  const std::vector<std::string> axes = line.Rest("axis");
  return MMachAxesSet(axes.begin(), axes.end());
}

// Polygon points: groups of targets separated by the word "|".
MMachMovepolyPara polygon(MHostLine& line) {
  MMachMovepolyPara poly;
  std::vector<std::string> point;
  for (const std::string& word : line.Rest("point")) {
    if (word == "|") {
      poly.points.push_back(line.Targets(point));
      point.clear();
    } else {
      point.push_back(word);
    }
  }
  poly.points.push_back(line.Targets(point));
  for (const std::string& axis : line.Names("track")) poly.tracking.insert(axis);
  return poly;
}

template <class Para>
Para curve(MHostLine& line) {
  Para para;
  para.point = line.Triple("point", para.point);
  para.direction = line.Triple("direction", para.direction);
  if (const std::optional<std::string> angle = line.Option("angle")) para.angle = line.ToNumber(*angle, "--angle");
  if constexpr (std::is_same_v<Para, MMachConePara>) {
    if (const std::optional<std::string> taper = line.Option("taper")) para.taper = line.ToNumber(*taper, "--taper");
    if (const std::optional<std::string> pitch = line.Option("pitch")) para.pitch = line.ToNumber(*pitch, "--pitch");
  }
  para.movement = line.Movement();
  return para;
}

void print_axis(MHostSession& session, const MMachAxisInfo& axis) {
  std::string text = axis.name + " flags " + MHostSession_Hex(axis.flags) +
                     " resolution " + MHostSession_Number(axis.resolution) +
                     " speed " + MHostSession_Number(axis.max_speed) + " accel " + MHostSession_Number(axis.max_accel);
  if ((axis.flags & MMachAxisInfo::kHasRange) != 0) {
    text.append(" range ").append(MHostSession_Number(axis.range_min)).append(" ").append(MHostSession_Number(axis.range_max));
  }
  if ((axis.flags & MMachAxisInfo::kPeriodGroup) != 0) {
    text.append(" period ").append(MHostSession_Number(axis.period));
    if (axis.period == 0.0) {
      text.append(" discrete").append(numbers({axis.discrete_values.begin(), axis.discrete_values.end()}));
    }
  }
  session.Result(text);
}

// --- queries ---

void machine_query(MHostSession& session, MHostLine& line) {
  if (!line.Finish()) return;
  MMachAbstract& m = session.Machine();
  session.Result(std::string("name ") + MHostSession_Quote(m.GetMachineName()) + " version " +
                 MHostSession_Quote(m.GetMachineVersion()) + " description " +
                 MHostSession_Quote(m.GetMachineDescription()));
  session.Result(std::string("ready ") + yes_no(m.IsReady()) + ", probe ready " + yes_no(m.IsProbeReady()));
  const std::pair<const char*, bool> capabilities[] = {
      {"probesystems", m.HasProbesystems()}, {"probes", m.HasProbes()},
      {"magazine", m.HasMagazine()},         {"imagefifos", m.HasImagefifos()},
      {"keypad", m.HasKeypad()},             {"axis-lists", m.HasAxisLists()},
      {"idle", m.HasIdleCommand()},          {"feature-a", m.HasFeatureA()},
      {"feature-b", m.HasFeatureB()},        {"feature-c", m.HasFeatureC()},
      {"autoinfo", m.IsAutoinfoPossible()},  {"autolatch", m.IsAutolatchPossible()},
      {"preview", m.IsPreviewPossible()},    {"preview-memory", m.IsPreviewMemoryPossible()}};
  std::string has = "has";
  for (const auto& [capability, present] : capabilities) {
    if (present) has += std::string(" ") + capability;
  }
  session.Result(has);
  session.Result("text " + MHostSession_Quote(m.GetMachineText()));
}

void axes_query(MHostSession& session, MHostLine& line) {
  if (!line.Finish()) return;
  MMachAbstract& m = session.Machine();
  for (const MMachAxisInfo* axis = m.GetFirstAxisInfo(); axis != nullptr; axis = m.GetNextAxisInfo()) {
    print_axis(session, *axis);
  }
}

void axis_query(MHostSession& session, MHostLine& line) {
  const std::string name = line.Word("axis");
  if (!line.Finish()) return;
  MMachAbstract& m = session.Machine();
  const MMachAxisInfo* axis = m.GetAxisInfo(name);
  if (axis == nullptr) {
    session.Result(name + " unknown");
    return;
  }
  print_axis(session, *axis);
  session.Result("value " + MHostSession_Number(m.GetAxisValue(name.c_str())) + " tolerance " +
                 MHostSession_Number(m.GetLimitTolerance(name.c_str())) + " spin " + yes_no(m.IsSpinAxis(name)) +
                 " keypad " + yes_no(m.IsKeypadAxis(name)) + " init " + yes_no(m.IsInitAxis(name)) +
                 " initialized " + yes_no(m.IsAxisInitialized(name)));
}

void value_query(MHostSession& session, MHostLine& line) {
  const std::string name = line.Word("axis");
  if (!line.Finish()) return;
  session.Result(MHostSession_Number(session.Machine().GetAxisValue(name.c_str())));
}

void components_query(MHostSession& session, MHostLine& line) {
  if (!line.Finish()) return;
  MMachAbstract& m = session.Machine();
  for (const MMachComponentInfo* c = m.GetFirstComponentInfo(); c != nullptr; c = m.GetNextComponentInfo()) {
    session.Result(c->name + " version " + MHostSession_Quote(c->version) + " flags " + MHostSession_Hex(c->flags));
  }
}

void versions_query(MHostSession& session, MHostLine& line) {
  if (!line.Finish()) return;
  MMachAbstract& m = session.Machine();
  for (const MMachVersionInfo* v = m.GetFirstVersionInfo(); v != nullptr; v = m.GetNextVersionInfo()) {
    session.Result(v->name + " version " + MHostSession_Quote(v->version) + " flag " + yes_no(v->flag));
  }
}

void probesystems_query(MHostSession& session, MHostLine& line) {
  if (!line.Finish()) return;
  MMachAbstract& m = session.Machine();
  if (!m.HasProbesystems()) {
    session.Result("no probe systems");
    return;
  }
  std::vector<std::string> names;
  for (const MMachProbesystemEntry* e = m.GetFirstProbesystem(); e != nullptr; e = m.GetNextProbesystem()) {
    names.push_back(e->name);
  }
  for (const std::string& name : names) {
    std::string ids;
    for (const MMachProbesystemInfo& info : m.GetProbesystemInfos(name, 0)) ids.append(" ").append(std::to_string(info.id));
    session.Result(name + " ids" + (ids.empty() ? " none" : ids));
  }
  if (m.HasActiveProbesystem()) {
    const MMachProbesystemType type = m.GetProbesystemType();
    session.Result("loaded " + m.GetActiveProbesystem() + " " + std::to_string(m.GetActiveProbesystemId()) + " type " +
                   std::to_string(type.type));
  } else {
    session.Result("loaded none");
  }
}

void imagefifos_query(MHostSession& session, MHostLine& line) {
  if (!line.Finish()) return;
  MMachAbstract& m = session.Machine();
  for (MMachImagefifoEntry* f = m.GetFirstImagefifo(); f != nullptr; f = m.GetNextImagefifo()) {
    session.Result(f->name + " image " + std::to_string(f->format.width) + "x" + std::to_string(f->format.height) +
                   "x" + std::to_string(f->format.bytes_per_pixel));
  }
  const MMachImagefifoEntry* active = m.GetActiveImagefifo();
  session.Result("active " + (active != nullptr ? active->name : std::string("none")));
}

void possible_query(MHostSession& session, MHostLine& line) {
  const std::string query = line.Word("query");
  MMachAbstract& m = session.Machine();
  if (query == "tracking") {
    const MMachMovementPara para = line.Movement();  // positions and --track
    MMachAxesSet positions;
    for (const auto& entry : para.positions) positions.insert(entry.first);
    if (!line.Finish()) return;
    session.Result(yes_no(m.IsTrackingPossibleWith(positions, para.tracking)));
    return;
  }
  using Query = bool (MMachAbstract::*)(const MMachAxesSet&);
  const std::pair<const char*, Query> queries[] = {{"moving", &MMachAbstract::IsMovingPossibleWith},
                                                   {"scanning", &MMachAbstract::IsScanningPossibleWith},
                                                   {"movezeroing", &MMachAbstract::IsMovezeroingPossibleWith},
                                                   {"limitswitch", &MMachAbstract::IsMoveIntoLimitSwitchPossibleWith},
                                                   {"strobe", &MMachAbstract::IsStrobePossibleWith}};
  const std::vector<std::string> words = line.Rest();
  const MMachAxesSet axes(words.begin(), words.end());
  if (query == "scandata") {
    if (line.Finish()) session.Result(std::to_string(m.IsScandataPossibleWith(axes)));
    return;
  }
  for (const auto& [name, ask] : queries) {
    if (query == name) {
      if (line.Finish()) session.Result(yes_no((m.*ask)(axes)));
      return;
    }
  }
  if (line.Ok()) line.Fail("unknown query " + MHostSession_Quote(query));
}

void supported_query(MHostSession& session, MHostLine& line) {
  std::vector<std::string> names = line.Rest();
  if (!line.Finish()) return;
  const bool listing = names.empty();
  if (listing) {
    for (const MHostCommand& command : MHostCommands()) {
      if (!command.class_name.empty()) names.push_back(command.class_name);
    }
  }
  for (const std::string& name : names) {
    const bool supported = session.Machine().IsCommandSupported(name);
    if (!listing) {
      session.Result(name + " " + yes_no(supported));
    } else if (supported) {
      session.Result(name);
    }
  }
}

// --- session commands ---

void poll_command(MHostSession& session, MHostLine& line) {
  const uint64_t count = line.HasMore() ? line.U32("count") : 1;
  if (!line.Finish()) return;
  for (uint64_t i = 0; i < count; ++i) {
    session.Machine().Poll();
    session.FlushMachineChannel();
  }
}

void describe_command(MHostSession& session, MHostLine& line) {
  if (line.Finish()) session.Describe();
}

void help_command(MHostSession& session, MHostLine& line) {
  if (!line.Finish()) return;
  for (const MHostCommand& command : MHostCommands()) {
    session.Result(command.words + (command.usage.empty() ? "" : " " + command.usage));
  }
}

void quit_command(MHostSession& session, MHostLine& line) {
  if (line.Finish()) session.Quit();
}

// --- factories ---

void get_command(MHostSession& session, MHostLine& line) {
  const MMachAxesVector axes = line.Rest("axis");
  if (!line.Finish()) return;
  run(
      session, [&](MOutputChannel* out) { return session.Machine().NewMMachGetCommand(out, axes); },
      [&](MMachGetCommand* command) {
        for (size_t i = 0; i < command->values.size(); ++i) {
          const std::string name = i < command->axes.size() ? command->axes[i] : "?";
          session.Result(name + " " + MHostSession_Number(command->values[i]));
        }
      });
}

void scandata_command(MHostSession& session, MHostLine& line) {
  const MMachAxesVector axes = line.Rest("axis");
  if (!line.Finish()) return;
  run(session, [&](MOutputChannel* out) { return session.Machine().NewMMachScandataCommand(out, axes); });
}

// Factories over a set of axes.
template <auto Factory>
void axes_command(MHostSession& session, MHostLine& line) {
  const MMachAxesSet axes = axes_set(line);
  if (!line.Finish()) return;
  run(session, [&](MOutputChannel* out) { return (session.Machine().*Factory)(out, axes); });
}

// Factories over a movement.
template <auto Factory>
void movement_command(MHostSession& session, MHostLine& line) {
  const MMachMovementPara movement = line.Movement();
  if (line.Ok() && movement.positions.empty()) line.Fail("missing target");
  if (!line.Finish()) return;
  run(session, [&](MOutputChannel* out) { return (session.Machine().*Factory)(out, movement); });
}

template <auto Factory>
void polygon_command(MHostSession& session, MHostLine& line) {
  const MMachMovepolyPara poly = polygon(line);
  if (!line.Finish()) return;
  run(session, [&](MOutputChannel* out) { return (session.Machine().*Factory)(out, poly); });
}

template <class Para, auto Factory>
void curve_command(MHostSession& session, MHostLine& line) {
  const Para para = curve<Para>(line);
  if (!line.Finish()) return;
  run(session, [&](MOutputChannel* out) { return (session.Machine().*Factory)(out, para); });
}

// Factories without parameters.
template <auto Factory>
void plain_command(MHostSession& session, MHostLine& line) {
  if (!line.Finish()) return;
  run(session, [&](MOutputChannel* out) { return (session.Machine().*Factory)(out); });
}

// Factories over one name.
template <auto Factory>
void name_command(MHostSession& session, MHostLine& line) {
  const std::string name = line.Word("name");
  if (!line.Finish()) return;
  run(session, [&](MOutputChannel* out) { return (session.Machine().*Factory)(out, name); });
}

// Factories over a name and a number (probe-system load and delete, image FIFO create).
template <auto Factory, class Number>
void name_number_command(MHostSession& session, MHostLine& line) {
  const std::string name = line.Word("name");
  Number number = 0;
  if constexpr (std::is_same_v<Number, uint32_t>) {
    number = line.U32("id");
  } else {
    number = line.U64("size");
  }
  if (!line.Finish()) return;
  run(session, [&](MOutputChannel* out) { return (session.Machine().*Factory)(out, name, number); });
}

// Factories over two numbers (probe load and delete, magazine set).
template <auto Factory>
void two_numbers_command(MHostSession& session, MHostLine& line) {
  const uint32_t first = line.U32("number");
  const uint32_t second = line.U32("number");
  if (!line.Finish()) return;
  run(session, [&](MOutputChannel* out) { return (session.Machine().*Factory)(out, first, second); });
}

void spin_enable_command(MHostSession& session, MHostLine& line) {
  MMachAxesBoolMap axes;
  for (const auto& [axis, value] : line.Values(line.Rest("axis=0|1"))) {
    if (value != 0.0 && value != 1.0) line.Fail("expected 0 or 1 for " + axis);
    axes[axis] = value != 0.0;
  }
  if (!line.Finish()) return;
  run(session, [&](MOutputChannel* out) { return session.Machine().NewMMachSpinEnableCommand(out, axes); });
}

void set_command(MHostSession& session, MHostLine& line) {
  const std::map<std::string, double> values = line.Values(line.Rest("name=value"));
  if (!line.Finish()) return;
  run(session, [&](MOutputChannel* out) { return session.Machine().NewMMachSetCommand(out, values); });
}

void receive_command(MHostSession& session, MHostLine& line) {
  const std::string component = line.Word("component");
  if (!line.Finish()) return;
  run(
      session, [&](MOutputChannel* out) { return session.Machine().NewMMachReceiveCommand(out, component); },
      [&](MMachReceiveCommand* command) { session.Result("data " + MHostSession_Quote(command->data)); });
}

void send_command(MHostSession& session, MHostLine& line) {
  const std::string component = line.Word("component");
  const std::string data = line.Word("text");
  if (!line.Finish()) return;
  run(session, [&](MOutputChannel* out) { return session.Machine().NewMMachSendCommand(out, component, data); });
}

void probesystem_define_command(MHostSession& session, MHostLine& line) {
  MMachProbesystemInfo info;
  info.name = line.Word("name");
  info.id = line.U32("id");
  const std::array<double, 3> data = line.Triple("data", {});
  for (size_t i = 0; i < 3; ++i) {
    if (data[i] < 0 || data[i] != static_cast<double>(static_cast<uint64_t>(data[i]))) {
      line.Fail("--data needs three unsigned numbers");
    }
    info.data[i] = static_cast<uint64_t>(data[i]);
  }
  info.values = line.Triple("values", {});
  if (!line.Finish()) return;
  run(session, [&](MOutputChannel* out) { return session.Machine().NewMMachProbesystemDefineCommand(out, info); });
}

void probe_define_command(MHostSession& session, MHostLine& line) {
  const uint32_t probe = line.U32("probe");
  const uint32_t tip = line.U32("tip");
  const uint64_t value = line.U64("value");
  if (!line.Finish()) return;
  run(session,
      [&](MOutputChannel* out) { return session.Machine().NewMMachProbeDefineCommand(out, probe, tip, value); });
}

void probe_offset_command(MHostSession& session, MHostLine& line) {
  const MMachDestinationPara destination = line.Targets(line.Rest("axis=value"));
  if (!line.Finish()) return;
  run(session,
      [&](MOutputChannel* out) { return session.Machine().NewMMachProbeOffsetCommand(out, destination); });
}

void wobble_command(MHostSession& session, MHostLine& line) {
  MMachWobbleParameters parameters;
  for (double& value : parameters.values) value = line.Number("wobble parameter");
  if (!line.Finish()) return;
  run(session, [&](MOutputChannel* out) { return session.Machine().NewMMachWobbleCommand(out, parameters); });
}

using M = MMachAbstract;
using F = uint32_t;

const std::vector<MHostCommand> kCommands = {
    // queries and session commands
    {"help", "", "", help_command},
    {"quit", "", "", quit_command},
    {"describe", "", "", describe_command},
    {"machine", "", "", machine_query},
    {"axes", "", "", axes_query},
    {"axis", "AXIS", "", axis_query},
    {"value", "AXIS", "", value_query},
    {"components", "", "", components_query},
    {"versions", "", "", versions_query},
    {"probesystems", "", "", probesystems_query},
    {"imagefifos", "", "", imagefifos_query},
    {"possible", "moving|scanning|movezeroing|limitswitch|strobe|scandata AXIS... | tracking AXIS=V... --track=A,B",
     "", possible_query},
    {"supported", "[CLASS...]", "", supported_query},
    {"poll", "[COUNT]", "", poll_command},
    {"abort", "POLLS COMMAND...", "", nullptr},  // handled by the session
    // factories, in the machine interface's order
    {"get", "AXIS...", "MMachGetCommand", get_command},
    {"init", "AXIS...", "MMachInitCommand", axes_command<&M::NewMMachInitCommand>},
    {"keypad disable", "AXIS...", "MMachKeypadDisableCommand", axes_command<&M::NewMMachKeypadDisableCommand>},
    {"keypad enable", "AXIS...", "MMachKeypadEnableCommand", axes_command<&M::NewMMachKeypadEnableCommand>},
    {"magazine set", "SLOT PROBE", "MMachMagazineSetCommand", two_numbers_command<&M::NewMMachMagazineSetCommand>},
    {"modulo", "AXIS...", "MMachModuloCommand", axes_command<&M::NewMMachModuloCommand>},
    {"movebase", "AXIS...", "MMachMovebaseCommand", axes_command<&M::NewMMachMovebaseCommand>},
    {"move", "AXIS=V... [--track=A,B] [--xyz=X,Y,Z] [--flag]", "MMachMoveCommand",
     movement_command<&M::NewMMachMoveCommand>},
    {"movecircle", "--point=X,Y,Z --direction=X,Y,Z --angle=A [AXIS=V...]", "MMachMovecircleCommand",
     curve_command<MMachCirclePara, &M::NewMMachMovecircleCommand>},
    {"movecone", "--point=X,Y,Z --direction=X,Y,Z --angle=A --taper=T --pitch=P [AXIS=V...]",
     "MMachMoveconeCommand", curve_command<MMachConePara, &M::NewMMachMoveconeCommand>},
    {"movehome", "", "MMachMovehomeCommand", plain_command<&M::NewMMachMovehomeCommand>},
    {"movezero", "AXIS=V...", "MMachMovezeroCommand", movement_command<&M::NewMMachMovezeroCommand>},
    {"receive", "COMPONENT", "MMachReceiveCommand", receive_command},
    {"send", "COMPONENT \"TEXT\"", "MMachSendCommand", send_command},
    {"set", "NAME=V...", "MMachSetCommand", set_command},
    {"scan", "AXIS=V...", "MMachScanCommand", movement_command<&M::NewMMachScanCommand>},
    {"spin disable", "AXIS...", "MMachSpinDisableCommand", axes_command<&M::NewMMachSpinDisableCommand>},
    {"spin enable", "AXIS=0|1...", "MMachSpinEnableCommand", spin_enable_command},
    {"idle", "", "MMachIdleCommand", plain_command<&M::NewMMachIdleCommand>},
    {"probesystem load", "NAME ID", "MMachProbesystemLoadCommand",
     name_number_command<&M::NewMMachProbesystemLoadCommand, F>},
    {"probesystem unload", "", "MMachProbesystemUnloadCommand", plain_command<&M::NewMMachProbesystemUnloadCommand>},
    {"probesystem define", "NAME ID [--data=A,B,C] [--values=A,B,C]", "MMachProbesystemDefineCommand",
     probesystem_define_command},
    {"probesystem delete", "NAME ID", "MMachProbesystemDeleteCommand",
     name_number_command<&M::NewMMachProbesystemDeleteCommand, F>},
    {"probe load", "PROBE TIP", "MMachProbeLoadCommand", two_numbers_command<&M::NewMMachProbeLoadCommand>},
    {"probe delete", "PROBE TIP", "MMachProbeDeleteCommand", two_numbers_command<&M::NewMMachProbeDeleteCommand>},
    {"probe define", "PROBE TIP VALUE", "MMachProbeDefineCommand", probe_define_command},
    {"probe unload", "", "MMachProbeUnloadCommand", plain_command<&M::NewMMachProbeUnloadCommand>},
    {"probesystem type", "", "MMachProbesystemTypeCommand", plain_command<&M::NewMMachProbesystemTypeCommand>},
    {"probe offset", "AXIS=V...", "MMachProbeOffsetCommand", probe_offset_command},
    {"reset", "", "MMachResetCommand", plain_command<&M::NewMMachResetCommand>},
    {"scanbase", "AXIS...", "MMachScanbaseCommand", axes_command<&M::NewMMachScanbaseCommand>},
    {"scancircle", "--point=X,Y,Z --direction=X,Y,Z --angle=A [AXIS=V...]", "MMachScancircleCommand",
     curve_command<MMachCirclePara, &M::NewMMachScancircleCommand>},
    {"scancone", "--point=X,Y,Z --direction=X,Y,Z --angle=A --taper=T --pitch=P [AXIS=V...]",
     "MMachScanconeCommand", curve_command<MMachConePara, &M::NewMMachScanconeCommand>},
    {"scandata", "AXIS...", "MMachScandataCommand", scandata_command},
    {"imagefifo info", "NAME", "MMachImagefifoInfoCommand", name_command<&M::NewMMachImagefifoInfoCommand>},
    {"scanpoint", "AXIS=V...", "MMachScanpointCommand", movement_command<&M::NewMMachScanpointCommand>},
    {"movepoly", "AXIS=V... | AXIS=V... [--track=A,B]", "MMachMovepolyCommand",
     polygon_command<&M::NewMMachMovepolyCommand>},
    {"scanpoly", "AXIS=V... | AXIS=V... [--track=A,B]", "MMachScanpolyCommand",
     polygon_command<&M::NewMMachScanpolyCommand>},
    {"imagefifo create", "NAME SIZE", "MMachImagefifoCreateCommand",
     name_number_command<&M::NewMMachImagefifoCreateCommand, uint64_t>},
    {"imagefifo delete", "NAME", "MMachImagefifoDeleteCommand", name_command<&M::NewMMachImagefifoDeleteCommand>},
    {"imagefifo reset", "", "MMachImagefifoResetCommand", plain_command<&M::NewMMachImagefifoResetCommand>},
    {"imagefifo select", "NAME", "MMachImagefifoSelectCommand", name_command<&M::NewMMachImagefifoSelectCommand>},
    {"wobble", "V1 V2 V3 V4 V5 V6", "MMachWobbleCommand", wobble_command},
};

}  // namespace

const std::vector<MHostCommand>& MHostCommands() { return kCommands; }

const MHostCommand* MHostCommands_Find(const std::vector<std::string>& words) {
  const MHostCommand* best = nullptr;
  size_t best_words = 0;
  for (const MHostCommand& command : kCommands) {
    std::vector<std::string> own;
    std::string rest = command.words;
    for (size_t blank; (blank = rest.find(' ')) != std::string::npos; rest.erase(0, blank + 1)) {
      own.push_back(rest.substr(0, blank));
    }
    own.push_back(rest);
    const bool match = own.size() <= words.size() && std::equal(own.begin(), own.end(), words.begin());
    if (match && own.size() > best_words) {
      best = &command;
      best_words = own.size();
    }
  }
  return best;
}
