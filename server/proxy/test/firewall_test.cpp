// A submachine that throws from any call family: the proxy answers that call's failure value,
// writes one error-log entry naming the submachine and the operation, ends the command with
// every sub-command ended, and the next command works.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "merrcapture.h"
#include "proxyfixture.h"

namespace {

using P = MProxyMachAbstract;

// Polls `command` like the server (GetData after every poll of a scan, an abort after the
// second poll when asked): "ended" and "+error" when the channel got the internal error, or
// "never ended".
std::string Drive(MMachCommand* command, MOutputChannel& channel, bool abort) {
  if (command == nullptr) return "null";
  for (int poll = 1; poll <= 20; ++poll) {
    if (command->IsDone()) {
      std::string text;
      channel.Peek(text);
      return text.find(ErrorLine(kMErrorInternal)) != std::string::npos ? "ended+error" : "ended";
    }
    std::vector<double> values;
    if (auto* scan = dynamic_cast<MMachScanCommand*>(command)) scan->GetData(values);
    if (abort && poll == 2) command->Abort();
  }
  return "never ended";
}

std::string Text(double value) { return std::isnan(value) ? "nan" : std::to_string(value); }
std::string Text(bool value) { return value ? "true" : "false"; }
std::string Text(const void* value) { return value ? "pointer" : "null"; }

struct Row {
  const char* family;
  size_t thrower;         // the submachine that throws
  const char* operation;  // ... from this operation, named so in the log
  std::function<void(MSimMachine& thrower, MSimMachine& other)> inject;
  // The proxy's answer as text; `channel` is the server's.
  std::function<std::string(P& proxy, MOutputChannel& channel)> call;
  const char* answer;
  bool open_first = true;     // false: the call finds the proxy made but not opened
  bool proxy_closed = false;  // the call leaves it closed: the next command runs on a new one
};

MMachMovementPara Movement() {
  MMachMovementPara movement;
  movement.positions["a"] = {1.0, false};
  movement.positions["b"] = {1.0, false};
  return movement;
}

std::vector<Row> Rows() {
  const auto machine = [](const char* operation) {
    return [operation](MSimMachine& sim, MSimMachine&) { sim.ThrowAt(operation, sim.CallCount(operation) + 1); };
  };
  const auto move = [](P& p, MOutputChannel& c) {
    std::unique_ptr<MMachCommand> command(p.NewMMachMoveCommand(&c, Movement()));
    return Drive(command.get(), c, false);
  };
  return {
      {"factory", 1, "NewMMachMoveCommand", machine("NewMMachMoveCommand"), move, "null"},
      {"IsDone", 1, "IsDone",
       [](MSimMachine& sim, MSimMachine& other) {
         sim.Command("MMachMoveCommand").DoneAfter(3).ThrowAtPoll(2);
         other.Command("MMachMoveCommand").Endless();  // ended only by the proxy's abort
       },
       move, "ended+error"},
      {"Abort", 1, "Abort",
       [](MSimMachine& sim, MSimMachine& other) {
         sim.Command("MMachMoveCommand").DoneAfter(4).ThrowOnAbort();
         other.Command("MMachMoveCommand").Endless();
       },
       [](P& p, MOutputChannel& c) {
         std::unique_ptr<MMachCommand> command(p.NewMMachMoveCommand(&c, Movement()));
         return Drive(command.get(), c, true);
       },
       "ended"},
      {"GetData", 0, "GetData",
       [](MSimMachine& sim, MSimMachine&) { sim.Command("MMachScanpointCommand").ThrowOnGetData().ScanData({{1}}); },
       [](P& p, MOutputChannel& c) {
         MMachMovementPara movement;
         movement.positions["a"] = {1.0, false};
         std::unique_ptr<MMachScanpointCommand> command(p.NewMMachScanpointCommand(&c, movement));
         std::vector<double> values;
         const bool delivered = command != nullptr && command->IsDone() && command->GetData(values);
         return Text(delivered);
       },
       "false"},
      {"double query", 0, "GetAxisValue", machine("GetAxisValue"),
       [](P& p, MOutputChannel&) { return Text(p.GetAxisValue("a")); }, "nan"},
      {"bool query", 1, "HasKeypad", machine("HasKeypad"), [](P& p, MOutputChannel&) { return Text(p.HasKeypad()); },
       "false"},
      // The first call asks whether the machine restricts scan data at all; the second throws.
      {"int query", 0, "IsScandataPossibleWith",
       [](MSimMachine& sim, MSimMachine&) {
         sim.ThrowAt("IsScandataPossibleWith", sim.CallCount("IsScandataPossibleWith") + 2);
       },
       [](P& p, MOutputChannel&) { return std::to_string(p.IsScandataPossibleWith({"a"})); }, "0"},
      // A throw at the first call counts as "restricted": the answer for the axes decides.
      {"int query, first call", 0, "IsScandataPossibleWith",
       [](MSimMachine& sim, MSimMachine&) {
         sim.SetPossibility(MSimPossibility::kScandata, [](const MMachAxesSet& axes) { return axes.empty() ? 1 : 0; });
         sim.ThrowAt("IsScandataPossibleWith", sim.CallCount("IsScandataPossibleWith") + 1);
       },
       [](P& p, MOutputChannel&) { return std::to_string(p.IsScandataPossibleWith({"a"})); }, "0"},
      {"pointer query", 1, "FindImagefifo", machine("FindImagefifo"),
       [](P& p, MOutputChannel&) { return Text(p.FindImagefifo("f")); }, "null"},
      {"string query", 0, "GetMachineText", machine("GetMachineText"),
       [](P& p, MOutputChannel&) { return std::string("'").append(p.GetMachineText()).append("'"); }, "''"},
      {"name", 0, "GetMachineName", machine("GetMachineName"),
       [](P& p, MOutputChannel&) { return std::string(p.GetMachineName()); }, "?"},
      {"probe system", 0, "GetActiveProbesystemId", machine("GetActiveProbesystemId"),
       [](P& p, MOutputChannel&) { return std::to_string(p.GetActiveProbesystemId()); }, "0"},
      {"probe system defined", 1, "IsProbesystemDefined", machine("IsProbesystemDefined"),
       [](P& p, MOutputChannel&) { return Text(p.IsProbesystemDefined("ps2")); }, "false"},
      {"transfer", 1, "NewMMachSendCommand", machine("NewMMachSendCommand"),
       [](P& p, MOutputChannel& c) {
         std::unique_ptr<MMachCommand> command(p.NewMMachSendCommand(&c, "c2", "data"));
         return Drive(command.get(), c, false);
       },
       "null"},
      {"receive", 1, "NewMMachReceiveCommand", machine("NewMMachReceiveCommand"),
       [](P& p, MOutputChannel& c) {
         std::unique_ptr<MMachCommand> command(p.NewMMachReceiveCommand(&c, "c2"));
         return Drive(command.get(), c, false);
       },
       "null"},
      {"scan factory", 0, "NewMMachScanCommand", machine("NewMMachScanCommand"),
       [](P& p, MOutputChannel& c) {
         MMachMovementPara movement;
         movement.positions["a"] = {1.0, false};
         std::unique_ptr<MMachCommand> command(p.NewMMachScanCommand(&c, movement));
         return Drive(command.get(), c, false);
       },
       "ended+error"},  // a scan creates its sub-commands as it runs
      {"probe-system load", 1, "NewMMachProbesystemLoadCommand", machine("NewMMachProbesystemLoadCommand"),
       [](P& p, MOutputChannel& c) {
         std::unique_ptr<MMachCommand> command(p.NewMMachProbesystemLoadCommand(&c, "ps2", 1));
         return Drive(command.get(), c, false);
       },
       "null"},
      // Loading ps2 unloads sim1's ps, whose unload factory throws: the load fails.
      {"probe-system unload", 0, "NewMMachProbesystemUnloadCommand", machine("NewMMachProbesystemUnloadCommand"),
       [](P& p, MOutputChannel& c) {
         std::unique_ptr<MMachCommand> command(p.NewMMachProbesystemLoadCommand(&c, "ps2", 1));
         return Drive(command.get(), c, false);
       },
       "ended+error"},
      {"probe-system id", 1, "IsProbesystemIdDefined", machine("IsProbesystemIdDefined"),
       [](P& p, MOutputChannel&) { return Text(p.IsProbesystemIdDefined("ps2", 1)); }, "false"},
      {"Close", 1, "Close", machine("Close"), [](P& p, MOutputChannel&) { p.Close(); return std::string("closed"); },
       "closed", true, true},
      {"Open", 1, "Open", machine("Open"), [](P& p, MOutputChannel&) { return Text(p.Open()); }, "false", false, true},
      {"listing", 1, "GetNextAxisInfo", machine("GetNextAxisInfo"), [](P& p, MOutputChannel&) { return Text(p.Open()); },
       "false", false, true},
  };
}

class FirewallTest : public ProxyFixture {
 protected:
  MProxyMachAbstract& Open() {
    MakeSims(2);
    Sim(0).AddAxis("a", 0, 1.0).AddComponent("c1").AddProbesystem("ps").SetActiveProbesystem("ps", 1);
    Sim(1).AddAxis("b", 0, 2.0).AddComponent("c2").AddProbesystem("ps2");
    Sim(0).SupportAllCommands();
    Sim(1).SupportAllCommands();
    MProxyMachAbstract& proxy = OpenProxy();
    channel.Clear();
    return proxy;
  }
};

TEST_F(FirewallTest, AThrowBecomesTheFailureValueWithOneLogEntry) {
  for (const Row& row : Rows()) {
    SCOPED_TRACE(row.family);
    MProxyMachAbstract* proxy = &Open();
    if (!row.open_first) proxy = &MakeProxy();
    row.inject(Sim(row.thrower), Sim(1 - row.thrower));
    std::vector<std::string> log;
    {
      MErrCapture capture;
      EXPECT_EQ(row.call(*proxy, channel), row.answer);
      log = capture.LogTexts();
    }
    const std::string entry = std::string(row.operation) + "() of submachine 'sim" +
                              std::to_string(row.thrower + 1) + "' threw: simulated exception in " +
                              row.operation;
    size_t entries = 0;
    for (const std::string& text : log) entries += text.find(entry) != std::string::npos;
    EXPECT_EQ(entries, 1u) << ::testing::PrintToString(log);
    EXPECT_TRUE(EveryRecord([](const MSimCommandRecord& r) { return r.deleted; }));

    // The next command works.
    if (row.proxy_closed) proxy = &OpenProxy();
    channel.Clear();
    std::unique_ptr<MMachCommand> next(proxy->NewMMachGetCommand(&channel, {"a", "b"}));
    EXPECT_EQ(Drive(next.get(), channel, false), "ended");
    EXPECT_EQ(TakeLines().find("error"), std::string::npos);
  }
}

}  // namespace
