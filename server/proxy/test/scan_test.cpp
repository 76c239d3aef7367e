#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "merrcapture.h"
#include "proxyfixture.h"

using ::testing::ElementsAre;

namespace {

MMachMovementPara ScanX() {
  MMachMovementPara movement;
  movement.positions["x"] = {5.0, false};
  return movement;
}

// What each command a submachine created went through, as "name:polls/aborts" with "+" once
// done and "~" once deleted.
std::string Activity(const MSimMachine& sim) {
  std::string text;
  for (const MSimCommandRecord& record : sim.CommandLog()) {
    if (!text.empty()) text += ' ';
    text += record.name + ":" + std::to_string(record.polls) + "/" + std::to_string(record.aborts) +
            (record.done ? "+" : "") + (record.deleted ? "~" : "");
  }
  return text;
}

// sim1 (the stage) moves x and records "p"; sim2 (the sensor) only records "t" and has the
// "time" and "scanstep" axes that a recorder needs. The proxy's scan step is 0.5 at speed 10.
class ScanTest : public ProxyFixture {
 protected:
  MProxyMachAbstract& Open(const std::function<void(MSimMachine&, MSimMachine&)>& tweak = {}) {
    MakeSims(2);
    MMachAxisInfo time;
    time.name = "time";
    time.max_accel = 0.01;  // the smallest step the sensor records
    Sim(0).AddAxis("x").AddAxis("scanstep", 0, 0.5).AddAxis("speed", 0, 10.0).AddAxis("p");
    Sim(1).AddAxis(time).AddAxis("scanstep", 0x1).AddAxis("t");
    for (size_t i = 0; i < 2; ++i) Sim(i).SupportAllCommands();
    Sim(0).Command("MMachScanCommand").DoneAfter(3).ScanData({{10}, {11}, {12}}, 1);
    Sim(1).Command("MMachScanCommand").Endless().ScanData({{20}, {21}, {22}, {23}, {24}}, 2);
    if (tweak) tweak(Sim(0), Sim(1));
    MProxyMachAbstract& proxy = OpenProxy();
    MProxyTestAccess::scandata_assignment(proxy) = {{&Sim(0), {{"p"}, {1}}}, {&Sim(1), {{"t"}, {0}}}};
    channel.Clear();
    return proxy;
  }

  // Polls until done (at most `limit` polls); the number of polls, or -1.
  static int PollToEnd(MMachCommand& command, int limit = 30) {
    for (int poll = 1; poll <= limit; ++poll) {
      if (command.IsDone()) return poll;
    }
    return -1;
  }
  bool NothingRunning() const { return EveryRecord([](const MSimCommandRecord& r) { return r.done; }); }
};

// Polls `scan` until done (at most `limit` polls), asking GetData once after each poll as the
// server does; one line per poll: "<poll>[ done] | <stage activity> | <sensor activity> |<data>".
std::vector<std::string> Transcript(MMachScanCommand& scan, const MSimMachine& stage, const MSimMachine& sensor,
                                    int limit = 30) {
  std::vector<std::string> lines;
  for (int poll = 1; poll <= limit; ++poll) {
    const bool done = scan.IsDone();
    std::vector<double> values;
    std::string data;
    if (scan.GetData(values)) {
      for (double v : values) data.append(" ").append(std::to_string(static_cast<int>(v)));
    }
    lines.push_back(std::to_string(poll) + (done ? " done" : "") + " | " + Activity(stage) + " | " +
                    Activity(sensor) + " |" + data);
    if (done) break;
  }
  return lines;
}

// The sensor's scan step is set and waited for, its endless scan starts and must deliver before
// the stage's scan starts; once the stage is done the endless scan is aborted exactly once, and
// the command ends when that scan has ended too. Values come merged in scandata order (t, p).
TEST_F(ScanTest, RunsTheWholeSequenceInOrder) {
  MProxyMachAbstract& proxy = Open();
  std::unique_ptr<MMachScanCommand> scan(proxy.NewMMachScanCommand(&channel, ScanX()));
  ASSERT_NE(scan, nullptr);
  EXPECT_THAT(Transcript(*scan, Sim(0), Sim(1)),
              ElementsAre("1 |  | set:1/0+~ scan:1/0 |",
                          "2 | scan:1/0 | set:1/0+~ scan:3/0 | 21 10",
                          "3 | scan:2/0 | set:1/0+~ scan:4/0 | 22 11",
                          "4 | scan:3/1+ | set:1/0+~ scan:5/1 | 23 12",
                          "5 done | scan:3/1+ | set:1/0+~ scan:6/1+ |"));
  EXPECT_EQ(std::get<MMachMovementPara>(Sim(0).LastCommand()->params), ScanX());
  MMachMovementPara endless;
  endless.positions["time"] = {std::numeric_limits<double>::max(), false};
  EXPECT_EQ(std::get<MMachMovementPara>(Sim(1).LastCommand()->params), endless);
  using Values = std::map<std::string, double>;
  EXPECT_EQ(std::get<Values>(Sim(1).LastCommand("MMachSetCommand")->params), (Values{{"scanstep", 0.05}}));
  EXPECT_EQ(TakeLines(), "");
}

// The step sent is the larger of the proxy's step and the sensor's smallest time step; a sensor
// without a usable periodic or discrete "scanstep" axis gets none.
TEST_F(ScanTest, ScanStepFollowsTheSensorsAxes) {
  struct Case {
    double time_min;
    uint32_t scanstep_flags;
    const char* expected;  // the sensor's first commands
  };
  for (const Case& c : {Case{0.2, 0x1, "set:1/0+~ scan:1/0"}, Case{0.01, 0x4, "set:1/0+~ scan:1/0"},
                        Case{0.01, 0x0, "scan:1/0"}, Case{0.01, 0x11, "scan:1/0"}}) {
    MProxyMachAbstract& proxy = Open([&c](MSimMachine&, MSimMachine& sensor) {
      sensor.Tables().axes[0].info.max_accel = c.time_min;
      sensor.Tables().axes[1].info.flags = c.scanstep_flags;
    });
    std::unique_ptr<MMachScanCommand> scan(proxy.NewMMachScanCommand(&channel, ScanX()));
    EXPECT_FALSE(scan->IsDone());
    EXPECT_EQ(Activity(Sim(1)), c.expected) << c.time_min << " " << c.scanstep_flags;
    if (const MSimCommandRecord* set = Sim(1).LastCommand("MMachSetCommand")) {
      const auto& values = std::get<std::map<std::string, double>>(set->params);
      EXPECT_EQ(values.at("scanstep"), std::max(0.05, c.time_min));
    }
    EXPECT_GT(PollToEnd(*scan), 0);
  }
}

// Without a recorder the scan is the stage's alone: no set, no endless scan.
TEST_F(ScanTest, WithoutRecorderOnlyTheMovingSubmachineScans) {
  MProxyMachAbstract& proxy = Open();
  MProxyTestAccess::scandata_assignment(proxy).erase(&Sim(1));
  std::unique_ptr<MMachScanCommand> scan(proxy.NewMMachScanCommand(&channel, ScanX()));
  EXPECT_THAT(Transcript(*scan, Sim(0), Sim(1)),
              ElementsAre("1 | scan:1/0 |  | 10", "2 | scan:2/0 |  | 11", "3 done | scan:3/1+ |  | 12"));
}

// Nothing is delivered before every scanning submachine has delivered once, and afterwards only
// in calls in which the moving submachine delivers, with the latest values of the others.
TEST_F(ScanTest, DeliversOnlyWhenTheMovingSubmachineDelivers) {
  MProxyMachAbstract& proxy = Open([](MSimMachine& stage, MSimMachine& sensor) {
    stage.Command("MMachScanCommand").DoneAfter(6).ScanData({{10}, {11}}, 3);
    sensor.Command("MMachScanCommand").Endless().ScanData({{20}, {21}, {22}, {23}, {24}, {25}}, 1);
  });
  std::unique_ptr<MMachScanCommand> scan(proxy.NewMMachScanCommand(&channel, ScanX()));
  std::vector<std::string> delivered;
  for (int poll = 1; poll <= 6; ++poll) {
    scan->IsDone();
    std::vector<double> values;
    if (scan->GetData(values)) delivered.push_back(std::to_string(poll) + ":" + std::to_string(int(values[0])) +
                                                   "," + std::to_string(int(values[1])));
  }
  // The sensor's 20 is taken while waiting for its first delivery; 21 and 22 are replaced by 23
  // before the stage's first values arrive at poll 3; the stage has nothing after poll 4.
  EXPECT_THAT(delivered, ElementsAre("3:23,10", "4:24,11"));
}

// A scandata command created while the scan runs places the values its way from the next
// delivery on.
TEST_F(ScanTest, ScandataCreatedWhileRunningReordersTheValues) {
  MProxyMachAbstract& proxy = Open();
  std::unique_ptr<MMachScanCommand> scan(proxy.NewMMachScanCommand(&channel, ScanX()));
  std::vector<double> values;
  for (int poll = 0; poll < 10 && !scan->GetData(values); ++poll) scan->IsDone();
  ASSERT_EQ(values, (std::vector<double>{21, 10}));
  std::unique_ptr<MMachCommand> scandata(proxy.NewMMachScandataCommand(&channel, {"p", "t"}));
  ASSERT_NE(scandata, nullptr);
  scan->IsDone();
  ASSERT_TRUE(scan->GetData(values));
  EXPECT_EQ(values, (std::vector<double>{11, 22}));
  EXPECT_GT(PollToEnd(*scandata), 0);
  EXPECT_GT(PollToEnd(*scan), 0);
}

// Every failing step ends the command after the roll back: whatever was started has ended, the
// stage's scan never starts when the preparation failed, and the server's channel holds the error.
TEST_F(ScanTest, FailuresRollBackAndEndEverything) {
  using Tweak = std::function<void(MSimMachine& stage, MSimMachine& sensor)>;
  struct Case {
    const char* title;
    Tweak tweak;
    bool stage_scans;  // the stage's scan was created (a refused one is not)
    std::string lines;
    std::vector<std::string> log;
  };
  const std::string set_failed =
      "MProxyGenericScanCommand::start_set_scanstep(): NewMMachSetCommand() failed on sim2(d2)";
  const std::string endless_failed =
      "MProxyGenericScanCommand::start_infinite_scans(): NewMMachScanCommand() failed on sim2(d2)";
  const std::vector<Case> cases = {
      {"no scanstep", [](MSimMachine& stage, MSimMachine&) { stage.SetAxisValue("scanstep", NAN); }, false,
       ErrorLine(16), {"MProxyGenericScanCommand::start_set_scanstep(): no scanstep axis"}},
      {"no speed", [](MSimMachine& stage, MSimMachine&) { stage.SetAxisValue("speed", NAN); }, false,
       ErrorLine(16), {"MProxyGenericScanCommand::start_set_scanstep(): no speed axis"}},
      {"speed zero", [](MSimMachine& stage, MSimMachine&) { stage.SetAxisValue("speed", 0.0); }, false,
       ErrorLine(16), {"MProxyGenericScanCommand::start_set_scanstep(): no speed axis"}},
      {"set refused", [](MSimMachine&, MSimMachine& sensor) { sensor.Command("MMachSetCommand").Refuse(); }, false,
       ErrorLine(16), {set_failed}},
      {"set refused with its reason",
       [](MSimMachine&, MSimMachine& sensor) { sensor.Command("MMachSetCommand").RefuseWithError(15); }, false,
       ErrorLine(15), {set_failed}},
      {"set fails", [](MSimMachine&, MSimMachine& sensor) { sensor.Command("MMachSetCommand").FailAtPoll(1, 12); },
       false, ErrorLine(12), {}},
      {"endless scan refused",
       [](MSimMachine&, MSimMachine& sensor) { sensor.Command("MMachScanCommand").Refuse(); }, false,
       ErrorLine(16), {endless_failed}},
      {"endless scan ends without data",
       [](MSimMachine&, MSimMachine& sensor) { sensor.Command("MMachScanCommand") = MSimCommandBehaviour{}; }, false,
       ErrorLine(16),
       {"MProxyGenericScanCommand::wait_for_infinite_scans(): endless scan on sim2(d2) ended without data"}},
      {"stage scan refused", [](MSimMachine& stage, MSimMachine&) { stage.Command("MMachScanCommand").Refuse(); },
       false, ErrorLine(16),
       {"MProxyGenericScanCommand::start_scan(): split_movementpara_to_subcommands() failed",
        "MProxyMachAbstract::split_movementpara_to_subcommands(): NewMMach*Command() failed"}},
      {"stage scan fails", [](MSimMachine& stage, MSimMachine&) { stage.Command("MMachScanCommand").FailAtPoll(2, 9); },
       true, ErrorLine(9), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    MProxyMachAbstract& proxy = Open(c.tweak);
    MErrCapture capture;
    std::unique_ptr<MMachScanCommand> scan(proxy.NewMMachScanCommand(&channel, ScanX()));
    EXPECT_GT(PollToEnd(*scan), 0);
    EXPECT_TRUE(NothingRunning());
    EXPECT_EQ(Sim(0).LastCommand("MMachScanCommand") != nullptr, c.stage_scans);
    EXPECT_EQ(TakeLines(), c.lines);
    EXPECT_EQ(capture.LogTexts(), c.log);
    for (const MSimCommandRecord& record : Sim(1).CommandLog()) {
      if (record.name == "scan") {
        EXPECT_EQ(record.aborts, 1u);
      }
    }
  }
}

// An abort by the server at any point of the sequence ends the scan: no new sub-command starts
// after it, and the endless scan, wherever it got to, is stopped and waited for.
TEST_F(ScanTest, AbortAtEveryStageEndsEverything) {
  for (int abort_after = 0; abort_after <= 4; ++abort_after) {
    SCOPED_TRACE(abort_after);
    MProxyMachAbstract& proxy = Open([](MSimMachine& stage, MSimMachine&) {
      stage.Command("MMachScanCommand").Endless().ScanData({{10}, {11}, {12}}, 1);
    });
    std::unique_ptr<MMachScanCommand> scan(proxy.NewMMachScanCommand(&channel, ScanX()));
    for (int poll = 1; poll <= abort_after; ++poll) EXPECT_FALSE(scan->IsDone());
    const size_t stage_commands = Sim(0).CommandLog().size();
    const size_t sensor_commands = Sim(1).CommandLog().size();
    scan->Abort();
    EXPECT_GT(PollToEnd(*scan), 0);
    EXPECT_TRUE(NothingRunning());
    EXPECT_EQ(Sim(0).CommandLog().size(), stage_commands);
    EXPECT_EQ(Sim(1).CommandLog().size(), sensor_commands);
    scan.reset();
    EXPECT_TRUE(EveryRecord([](const MSimCommandRecord& r) { return r.deleted; }));
    channel.Clear();
  }
}

// A polygon scan whose scandata moved to another submachine after the factory ran ends on its
// first poll with error 4, naming both submachines, and never polls its sub-command.
TEST_F(ScanTest, ScanpolyChecksTheScandataMachineOnItsFirstPoll) {
  for (const bool moved : {false, true}) {
    MProxyMachAbstract& proxy =
        Open([](MSimMachine& stage, MSimMachine&) { stage.AddProbesystem("ps").SetActiveProbesystem("ps", 1); });
    MProxyTestAccess::scandata_assignment(proxy).erase(&Sim(1));
    MMachMovepolyPara poly;
    poly.points = {{{"x", {1.0, false}}}, {{"x", {2.0, false}}}};
    std::unique_ptr<MMachScanpolyCommand> scan(proxy.NewMMachScanpolyCommand(&channel, poly));
    ASSERT_NE(scan, nullptr);
    if (moved) MProxyTestAccess::scandata_assignment(proxy) = {{&Sim(1), {{"t"}, {0}}}};
    MErrCapture capture;
    EXPECT_TRUE(scan->IsDone());
    EXPECT_EQ(Activity(Sim(0)), moved ? "scanpoly:0/0~" : "scanpoly:1/0+");  // released unpolled
    EXPECT_EQ(TakeLines(), moved ? ErrorLine(4) : "");
    EXPECT_EQ(capture.LogTexts(),
              moved ? std::vector<std::string>{"IsDone() [scanpoly]: scandata machine (sim2) must not be different "
                                               "from moving machine (sim1) during scan"}
                    : std::vector<std::string>{});
    scan.reset();
    EXPECT_TRUE(Sim(0).CommandLog().back().deleted);
  }
}

}  // namespace
