// The proxy's factories, one for each frame that factories share, against every way a submachine
// can let it down: the factory refuses (with and without a reason), a sub-command fails at a
// later poll, the server aborts, the submachine announces changed capabilities mid-command, a scan
// never delivers data, the factory or a poll throws an exception. Whatever happens, the command
// ends, the error reaches the server's channel, every sub-command is destroyed, nothing keeps
// running on a submachine, and the proxy still answers afterwards.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "merrcapture.h"
#include "proxyfixture.h"

namespace {

using P = MProxyMachAbstract;
using O = MOutputChannel*;

struct Row {
  const char* title;
  size_t target;              // the submachine whose command misbehaves
  const char* command_class;  // ... and its class
  std::function<MMachCommand*(P&, O)> make;
  bool scan = false;            // delivers scan data
  std::function<void(P&, MSimMachine& sim2)> prepare = {};
};

enum class Fault {
  kNone, kRefuse, kRefuseWithReason, kErrorAtPoll, kServerAbort, kCapabilitiesChanged, kNoData, kFactoryThrows,
  kPollThrows
};
const std::vector<std::pair<Fault, const char*>> kFaults = {
    {Fault::kNone, "none"},           {Fault::kRefuse, "refuse"},
    {Fault::kRefuseWithReason, "refuse with reason"}, {Fault::kErrorAtPoll, "error at poll 2"},
    {Fault::kServerAbort, "server abort"}, {Fault::kCapabilitiesChanged, "capabilities changed"},
    {Fault::kNoData, "no data"}, {Fault::kFactoryThrows, "factory throws"},
    {Fault::kPollThrows, "throws at poll 2"}};

MMachMovementPara Movement(std::initializer_list<const char*> axes) {
  MMachMovementPara movement;
  for (const char* axis : axes) movement.positions[axis] = {1.0, false};
  return movement;
}

MMachCirclePara Circle() {
  MMachCirclePara circle;
  circle.point = {1.0, 2.0, 3.0};
  circle.direction = {0.0, 0.0, 1.0};
  return circle;
}

MMachConePara Cone() {
  MMachConePara cone;
  cone.point = {1.0, 2.0, 3.0};
  cone.direction = {0.0, 0.0, 1.0};
  return cone;
}

// sim1 holds x, y, z, a, the loaded probe system "ps" and the component "c1"; sim2 holds b,
// "time", the probe system "ps2" and the component "c2". The scandata come from sim1, or from
// both for the scans that need a recorder.
std::vector<Row> Rows() {
  const auto on_stage = [](P& proxy, MSimMachine&) {
    MProxyTestAccess::scandata_assignment(proxy) = {{proxy.submachines()[0], {{"a"}, {0}}}};
  };
  const auto with_recorder = [](P& proxy, MSimMachine&) {
    MProxyTestAccess::scandata_assignment(proxy) = {{proxy.submachines()[0], {{"a"}, {0}}},
                                                    {proxy.submachines()[1], {{"b"}, {1}}}};
  };
  const MMachMovepolyPara poly{{{{"x", {1.0, false}}}, {{"x", {2.0, false}}}}, {}};
  return {
      {"get", 1, "MMachGetCommand", [](P& p, O o) { return p.NewMMachGetCommand(o, {"a", "b"}); }},
      {"init", 1, "MMachInitCommand", [](P& p, O o) { return p.NewMMachInitCommand(o, {"a", "b"}); }},
      {"keypad disable", 1, "MMachKeypadDisableCommand",
       [](P& p, O o) { return p.NewMMachKeypadDisableCommand(o, {"a", "b"}); }},
      {"keypad enable", 1, "MMachKeypadEnableCommand",
       [](P& p, O o) { return p.NewMMachKeypadEnableCommand(o, {"a", "b"}); }},
      {"modulo", 1, "MMachModuloCommand", [](P& p, O o) { return p.NewMMachModuloCommand(o, {"a", "b"}); }},
      {"spin disable", 1, "MMachSpinDisableCommand",
       [](P& p, O o) { return p.NewMMachSpinDisableCommand(o, {"a", "b"}); }},
      {"spin enable", 1, "MMachSpinEnableCommand",
       [](P& p, O o) { return p.NewMMachSpinEnableCommand(o, {{"a", true}, {"b", false}}); }},
      {"move", 1, "MMachMoveCommand", [](P& p, O o) { return p.NewMMachMoveCommand(o, Movement({"a", "b"})); }},
      {"movezero", 0, "MMachMovezeroCommand", [](P& p, O o) { return p.NewMMachMovezeroCommand(o, Movement({"a"})); }},
      {"movebase", 0, "MMachMovebaseCommand", [](P& p, O o) { return p.NewMMachMovebaseCommand(o, {"a"}); }},
      {"movecircle", 0, "MMachMovecircleCommand", [](P& p, O o) { return p.NewMMachMovecircleCommand(o, Circle()); }},
      {"movecone", 0, "MMachMoveconeCommand", [](P& p, O o) { return p.NewMMachMoveconeCommand(o, Cone()); }},
      {"movehome", 0, "MMachMovehomeCommand", [](P& p, O o) { return p.NewMMachMovehomeCommand(o); }},
      {"wobble", 0, "MMachWobbleCommand", [](P& p, O o) { return p.NewMMachWobbleCommand(o, {}); }},
      {"movepoly", 0, "MMachMovepolyCommand", [poly](P& p, O o) { return p.NewMMachMovepolyCommand(o, poly); }},
      {"set", 1, "MMachSetCommand", [](P& p, O o) { return p.NewMMachSetCommand(o, {{"c1", 1.0}, {"c2", 2.0}}); }},
      {"reset", 1, "MMachResetCommand", [](P& p, O o) { return p.NewMMachResetCommand(o); }},
      {"probe offset", 1, "MMachProbeOffsetCommand",
       [](P& p, O o) { return p.NewMMachProbeOffsetCommand(o, {{"a", {}}, {"b", {}}}); }},
      {"probe define", 0, "MMachProbeDefineCommand", [](P& p, O o) { return p.NewMMachProbeDefineCommand(o, 1, 1, 7); }},
      {"probe delete", 0, "MMachProbeDeleteCommand", [](P& p, O o) { return p.NewMMachProbeDeleteCommand(o, 1, 1); }},
      {"probe load", 0, "MMachProbeLoadCommand", [](P& p, O o) { return p.NewMMachProbeLoadCommand(o, 1, 1); }},
      {"probe unload", 0, "MMachProbeUnloadCommand", [](P& p, O o) { return p.NewMMachProbeUnloadCommand(o); }},
      {"imagefifo reset", 0, "MMachImagefifoResetCommand", [](P& p, O o) { return p.NewMMachImagefifoResetCommand(o); }},
      {"probesystem load", 1, "MMachProbesystemLoadCommand",
       [](P& p, O o) { return p.NewMMachProbesystemLoadCommand(o, "ps2", 1); }},
      {"probesystem unload", 0, "MMachProbesystemUnloadCommand",
       [](P& p, O o) { return p.NewMMachProbesystemUnloadCommand(o); }},
      {"probesystem define", 1, "MMachProbesystemDefineCommand",
       [](P& p, O o) { return p.NewMMachProbesystemDefineCommand(o, MMachProbesystemInfo{"ps2", 2, {}, {}}); }},
      {"probesystem delete", 1, "MMachProbesystemDeleteCommand",
       [](P& p, O o) { return p.NewMMachProbesystemDeleteCommand(o, "ps2", 1); }},
      {"send", 1, "MMachSendCommand", [](P& p, O o) { return p.NewMMachSendCommand(o, "c2", "data"); }},
      {"receive", 1, "MMachReceiveCommand", [](P& p, O o) { return p.NewMMachReceiveCommand(o, "c2"); }, false,
       [](P&, MSimMachine& sim2) { sim2.Tables().receive_data["c2"] = "contents"; }},
      {"scandata", 1, "MMachScandataCommand", [](P& p, O o) { return p.NewMMachScandataCommand(o, {"a", "b"}); }},
      {"scanbase", 0, "MMachScanbaseCommand", [](P& p, O o) { return p.NewMMachScanbaseCommand(o, {"a"}); }},
      {"scanpoint", 1, "MMachScanpointCommand",
       [](P& p, O o) { return p.NewMMachScanpointCommand(o, Movement({"x"})); }, true, with_recorder},
      {"scancircle", 0, "MMachScancircleCommand",
       [](P& p, O o) { return p.NewMMachScancircleCommand(o, Circle()); }, true, on_stage},
      {"scancone", 0, "MMachScanconeCommand", [](P& p, O o) { return p.NewMMachScanconeCommand(o, Cone()); }, true,
       on_stage},
      {"scanpoly", 0, "MMachScanpolyCommand", [poly](P& p, O o) { return p.NewMMachScanpolyCommand(o, poly); }, true,
       on_stage},
      {"scan of the stage", 0, "MMachScanCommand", [](P& p, O o) { return p.NewMMachScanCommand(o, Movement({"x"})); },
       true, with_recorder},
      {"scan of the recorder", 1, "MMachScanCommand",
       [](P& p, O o) { return p.NewMMachScanCommand(o, Movement({"x"})); }, true, with_recorder},
  };
}

size_t CountContaining(const std::vector<std::string>& texts, const std::string& part) {
  size_t count = 0;
  for (const std::string& text : texts) count += text.find(part) != std::string::npos;
  return count;
}

class FaultMatrixTest : public ProxyFixture {
 protected:
  MProxyMachAbstract& Open() {
    MakeSims(2);
    Sim(0).AddAxis("x").AddAxis("y").AddAxis("z").AddAxis("a", 0, 1.0).AddAxis("scanstep", 0, 0.5)
        .AddAxis("speed", 0, 10.0).AddComponent("c1").AddProbesystem("ps").SetActiveProbesystem("ps", 1);
    Sim(1).AddAxis("b", 0, 2.0).AddAxis("time").AddComponent("c2").AddProbesystem("ps2");
    // Movehome and wobble are offered by exactly one submachine.
    Sim(1).SupportAllCommands().SetCommandUnsupported("MMachMovehomeCommand");
    Sim(1).SetCommandUnsupported("MMachWobbleCommand");
    Sim(0).SupportAllCommands();
    for (size_t i = 0; i < 2; ++i) {
      Sim(i).Command("MMachScanCommand").ScanData({{1}, {2}, {3}, {4}});
      Sim(i).Command("MMachScanpointCommand").ScanData({{1}});
      for (const char* scan : {"MMachScancircleCommand", "MMachScanconeCommand", "MMachScanpolyCommand"}) {
        Sim(i).Command(scan).ScanData({{1}});
      }
    }
    MProxyMachAbstract& proxy = OpenProxy();
    channel.Clear();
    return proxy;
  }

  void Inject(const Row& row, Fault fault) {
    MSimCommandBehaviour& behaviour = Sim(row.target).Command(row.command_class);
    switch (fault) {
      case Fault::kNone: break;
      case Fault::kRefuse: behaviour.Refuse(); break;
      case Fault::kRefuseWithReason: behaviour.RefuseWithError(15); break;
      case Fault::kErrorAtPoll: behaviour.DoneAfter(3).FailAtPoll(2, 12); break;
      case Fault::kServerAbort: behaviour.Endless(); break;
      case Fault::kCapabilitiesChanged: {
        std::vector<MSimAxis> axes = Sim(row.target).Tables().axes;
        axes.push_back(MSimAxis::Make("fresh"));
        behaviour.DoneAfter(2).ChangeAxesAt(1, axes);
        break;
      }
      case Fault::kNoData: behaviour.Endless().scan_data.clear(); break;
      case Fault::kFactoryThrows: Sim(row.target).ThrowAt(std::string("New").append(row.command_class)); break;
      case Fault::kPollThrows: behaviour.DoneAfter(3).ThrowAtPoll(2); break;
    }
  }

  // Polls like the server: GetData after each poll of a scan, an abort after the fourth poll
  // when the fault asks the server to give up. The number of polls, or -1 when it never ended.
  static int Drive(MMachCommand& command, const Row& row, bool abort) {
    for (int poll = 1; poll <= 40; ++poll) {
      if (command.IsDone()) return poll;
      if (row.scan) {
        std::vector<double> values;
        if (auto* scan = dynamic_cast<MMachScanCommand*>(&command)) scan->GetData(values);
      }
      if (abort && poll == 4) command.Abort();
    }
    return -1;
  }
};

TEST_F(FaultMatrixTest, EveryFactoryEndsCleanlyWhateverASubmachineDoes) {
  for (const Row& row : Rows()) {
    for (const auto& [fault, fault_name] : kFaults) {
      if (fault == Fault::kNoData && !row.scan) continue;
      SCOPED_TRACE(std::string(row.title) + " / " + fault_name);
      MProxyMachAbstract& proxy = Open();
      if (row.prepare) row.prepare(proxy, Sim(1));
      Inject(row, fault);
      MErrCapture capture;  // the failures' reports are expected; they must not reach the test's output
      std::unique_ptr<MMachCommand> command(row.make(proxy, &channel));
      const bool refused =
          fault == Fault::kRefuse || fault == Fault::kRefuseWithReason || fault == Fault::kFactoryThrows;
      if (command != nullptr) {
        EXPECT_GT(Drive(*command, row, fault == Fault::kServerAbort || fault == Fault::kNoData), 0);
        // A command whose poll threw is not polled again.
        const bool poll_threw = fault == Fault::kPollThrows;
        EXPECT_TRUE(EveryRecord([poll_threw](const MSimCommandRecord& r) {
          return r.done || (poll_threw && r.polls == 2);
        }));
        command.reset();
      } else {
        EXPECT_TRUE(refused) << "refused without a fault";
      }
      EXPECT_TRUE(EveryRecord([](const MSimCommandRecord& r) { return r.deleted; }));
      const std::string lines = TakeLines();
      switch (fault) {
        case Fault::kNone:
        case Fault::kCapabilitiesChanged: EXPECT_EQ(lines.find("error"), std::string::npos) << lines; break;
        case Fault::kRefuseWithReason: EXPECT_NE(lines.find(ErrorLine(15)), std::string::npos) << lines; break;
        case Fault::kErrorAtPoll: EXPECT_NE(lines.find(ErrorLine(12)), std::string::npos) << lines; break;
        case Fault::kPollThrows: EXPECT_NE(lines.find(ErrorLine(kMErrorInternal)), std::string::npos) << lines; break;
        default: break;
      }
      if (fault == Fault::kFactoryThrows || fault == Fault::kPollThrows) {
        const std::string thrower = "of submachine 'sim" + std::to_string(row.target + 1) + "' threw";
        EXPECT_EQ(CountContaining(capture.LogTexts(), thrower), 1u);
      }
      if (fault == Fault::kCapabilitiesChanged) {
        EXPECT_NE(proxy.GetAxisInfo("fresh"), nullptr);
      }
      EXPECT_EQ(proxy.GetAxisValue("a"), 1.0);
      EXPECT_EQ(proxy.GetAxisValue("b"), 2.0);
    }
  }
}

}  // namespace
