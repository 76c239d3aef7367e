#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <tuple>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "merrcapture.h"
#include "proxyfixture.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

namespace {

using Call = std::function<MMachCommand*(MProxyMachAbstract&, MOutputChannel*)>;
using Tweak = std::function<void(MSimMachine& sim1, MSimMachine& sim2, MProxyMachAbstract& proxy)>;

MMachConePara Cone(std::array<double, 3> direction, double taper) {
  MMachConePara cone;
  cone.point = {1.0, 2.0, 3.0};
  cone.direction = direction;
  cone.taper = taper;
  return cone;
}

MMachCirclePara Circle(std::array<double, 3> direction) {
  const MMachConePara cone = Cone(direction, 0.0);
  return MMachCirclePara{cone.point, cone.direction, 0.0, cone.movement};
}

MMachMovementPara MoveX() {
  MMachMovementPara movement;
  movement.positions["x"] = {1.0, true};
  return movement;
}

// The scandata assignment names sim<index + 1> alone.
Tweak ScandataOn(size_t index) {
  return [=](MSimMachine& a, MSimMachine& b, MProxyMachAbstract& proxy) {
    MProxyTestAccess::scandata_assignment(proxy) = {{index == 0 ? &a : &b, {{"t"}, {0}}}};
  };
}

// The factory of `command_class` on sim<index + 1> refuses, after writing `code` unless 0.
Tweak Refuse(const char* command_class, size_t index, uint32_t code = 0, const Tweak& also = {}) {
  return [=](MSimMachine& a, MSimMachine& b, MProxyMachAbstract& proxy) {
    MSimCommandBehaviour& behaviour = (index == 0 ? a : b).Command(command_class);
    if (code != 0) behaviour.RefuseWithError(code); else behaviour.Refuse();
    if (also) also(a, b, proxy);
  };
}

// sim1: x, y, speed (periodic), accel, component c1; sim2: z, accel (discrete), speed
// (discrete, unavailable), component c2. `active`: the submachine with the loaded probe system.
class FactoriesSingleTest : public ProxyFixture {
 protected:
  MProxyMachAbstract& Open(int active, const Tweak& tweak = {}) {
    MakeSims(2);
    Sim(0).AddAxis("x").AddAxis("y").AddAxis("speed", 0x1).AddAxis("accel").AddComponent("c1");
    Sim(1).AddAxis("z").AddAxis("accel", 0x4).AddAxis("speed", 0x14).AddComponent("c2");
    for (size_t i = 0; i < 2; ++i) Sim(i).SupportAllCommands();
    if (active >= 0) Sim(static_cast<size_t>(active)).AddProbesystem("ps").SetActiveProbesystem("ps", 1);
    MProxyMachAbstract& proxy = OpenProxy();
    if (tweak) tweak(Sim(0), Sim(1), proxy);
    channel.Clear();
    return proxy;
  }
};

TEST_F(FactoriesSingleTest, FailuresReportAndDestroyWhatWasMadeUnpolled) {
  struct Case {
    int active;
    Tweak tweak;
    Call call;
    std::vector<std::string> log;
    std::string lines;
  };
  const std::string px = "MProxyMachAbstract::NewMMach";
  const std::string scanpoint_failed = px + "ScanpointCommand(): NewMMachScanpointCommand() failed on sim2(d2)";
  const std::vector<Case> cases = {
      {-1, {}, [](auto& p, auto* o) { return p.NewMMachMovebaseCommand(o, {"x", "z"}); },
       {"NewMMachMovebaseCommand(): we support only one machine, but axes for 2 machines are given"},
       ErrorLine(4)},
      {-1, Refuse("MMachMovebaseCommand", 1),
       [](auto& p, auto* o) { return p.NewMMachMovebaseCommand(o, {}); },
       {"NewMMachMovebaseCommand(): failed"}, ErrorLine(16)},
      {1, {}, [](auto& p, auto* o) { return p.NewMMachScanbaseCommand(o, {"x"}); },
       {"NewMMachScanbaseCommand(): we support scanbase only with the active machine"}, ErrorLine(4)},
      {-1, {}, [](auto& p, auto* o) {
         MMachConePara cone = Cone({0, 0, 1}, 0);
         cone.movement.xaxis = "q";
         return p.NewMMachMoveconeCommand(o, cone);
       },
       {px + "MoveconeCommand(): split_movementpara_to_submachines() failed",
        "MProxyMachAbstract::split_movementpara_to_submachines(): position axis q not found!"}, ErrorLine(4)},
      {0, ScandataOn(1), [](auto& p, auto* o) { return p.NewMMachScanconeCommand(o, Cone({0, 0, 1}, 0)); },
       {px + "ScanconeCommand(): all scandata axes must be provided by the active machine"}, ErrorLine(4)},
      {0, Refuse("MMachScancircleCommand", 0, 0, ScandataOn(0)),
       [](auto& p, auto* o) { return p.NewMMachScancircleCommand(o, Circle({0, 0, 1})); },
       {px + "ScancircleCommand(): NewMMachScancircleCommand() failed on sim1 (d1)"}, ErrorLine(16)},
      {-1, {}, [](auto& p, auto* o) { return p.NewMMachSetCommand(o, {{"c1", 1}, {"px.config", 1}}); },
       {px + "SetCommand(): px.config not found!"}, ""},
      {-1, Refuse("MMachSetCommand", 1),
       [](auto& p, auto* o) { return p.NewMMachSetCommand(o, {{"c1", 1}, {"c2", 2}}); },
       {px + "SetCommand(): NewMMachSetCommand() failed"}, ""},
      {-1, {}, [](auto& p, auto* o) { return p.NewMMachMovehomeCommand(o); },
       {px + "MovehomeCommand(): we support movehome only with a single machine"}, ErrorLine(15)},
      {-1, {}, [](auto& p, auto* o) { return p.NewMMachProbeLoadCommand(o, 1, 2); }, {}, ErrorLine(22)},
      {1, Refuse("MMachImagefifoSelectCommand", 1),
       [](auto& p, auto* o) { return p.NewMMachImagefifoSelectCommand(o, "f"); },
       {px + "ImagefifoSelectCommand(): subcommand creation failed"}, ErrorLine(16)},
      {-1, {}, [](auto& p, auto* o) { return p.NewMMachMagazineSetCommand(o, 1, 2); },
       {px + "MagazineSetCommand(): no active machine"}, ErrorLine(22)},
      {1, Refuse("MMachMagazineSetCommand", 1),
       [](auto& p, auto* o) { return p.NewMMachMagazineSetCommand(o, 1, 2); }, {}, ErrorLine(16)},
      {-1, {}, [](auto& p, auto* o) { return p.NewMMachImagefifoDeleteCommand(o, "f"); },
       {px + "ImagefifoDeleteCommand(): f not found"}, ErrorLine(16)},
      // The "time" sub-command's channel is forwarded, then cleared: its own error, else 16.
      {-1, Refuse("MMachScanpointCommand", 1, 15, ScandataOn(1)),
       [](auto& p, auto* o) { return p.NewMMachScanpointCommand(o, MoveX()); }, {scanpoint_failed},
       ErrorLine(15)},
      {-1, Refuse("MMachScanpointCommand", 1, 0, ScandataOn(1)),
       [](auto& p, auto* o) { return p.NewMMachScanpointCommand(o, MoveX()); }, {scanpoint_failed},
       ErrorLine(16)},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i);
    MProxyMachAbstract& proxy = Open(cases[i].active, cases[i].tweak);
    MErrCapture capture;
    EXPECT_EQ(cases[i].call(proxy, &channel), nullptr);
    EXPECT_THAT(capture.LogTexts(), ElementsAreArray(cases[i].log));
    EXPECT_EQ(TakeLines(), cases[i].lines);
    EXPECT_TRUE(EveryRecord([](const MSimCommandRecord& r) { return r.deleted && r.polls == 0; }));
  }
  // A scan on another than the active submachine names both.
  MProxyMachAbstract& proxy = Open(1);
  MErrCapture capture;
  EXPECT_EQ(proxy.NewMMachScancircleCommand(&channel, Circle({0, 0, 1})), nullptr);
  char expected[160];
  std::snprintf(expected, sizeof expected,
                "MProxyMachAbstract::NewMMachScancircleCommand(): we support only the active machine (%p!=%p)",
                static_cast<void*>(&Sim(0)), static_cast<void*>(&Sim(1)));
  EXPECT_THAT(capture.LogTexts(), ElementsAre(expected));
}

// Which submachine gets which sub-command with what parameters; every command is done when its
// sub-commands are (a command without any at once).
TEST_F(FactoriesSingleTest, SubcommandsReachTheRightSubmachines) {
  using Logged = std::vector<std::pair<std::string, MSimCommandParams>>;
  struct Case {
    int active;
    Tweak tweak;
    Call call;
    Logged sim1, sim2;
  };
  const MMachWobbleParameters wobble{{1, 2, 3, 4, 5, 6}};
  MMachCirclePara circle = Circle({0, 0, 1});
  circle.movement.positions["x"] = {9.0, false};  // replaced only in the copy that is split
  const Tweak only_sim2 = [](MSimMachine& a, MSimMachine&, MProxyMachAbstract&) {
    a.SetCommandUnsupported("MMachWobbleCommand");
  };
  const std::vector<Case> cases = {
      // An empty set goes to every capable submachine, the active one or not.
      {1, {}, [](auto& p, auto* o) { return p.NewMMachScanbaseCommand(o, {}); },
       {{"MMachScanbaseCommand", MMachAxesSet{}}}, {{"MMachScanbaseCommand", MMachAxesSet{}}}},
      {-1, {}, [&](auto& p, auto* o) { return p.NewMMachMovecircleCommand(o, circle); },
       {{"MMachMovecircleCommand", circle}}, {}},
      {-1, {},
       [](auto& p, auto* o) { return p.NewMMachSetCommand(o, {{"accel", 2}, {"c2", 3}, {"speed", 1}}); },
       {{"MMachSetCommand", std::map<std::string, double>{{"speed", 1}}}},
       {{"MMachSetCommand", std::map<std::string, double>{{"accel", 2}, {"c2", 3}}}}},
      {-1, Refuse("MMachResetCommand", 1), [](auto& p, auto* o) { return p.NewMMachResetCommand(o); },
       {{"MMachResetCommand", std::monostate{}}}, {}},
      {-1, {}, [](auto& p, auto* o) { return p.NewMMachIdleCommand(o); }, {}, {}},
      {-1, only_sim2, [&](auto& p, auto* o) { return p.NewMMachWobbleCommand(o, wobble); },
       {}, {{"MMachWobbleCommand", wobble}}},
      {1, {}, [](auto& p, auto* o) { return p.NewMMachProbeDefineCommand(o, 1, 2, 3); },
       {}, {{"MMachProbeDefineCommand", MSimProbeArgs{1, 2, 3}}}},
      {-1, [](auto&, auto& b, auto&) { b.Tables().imagefifos["f"]; },
       [](auto& p, auto* o) { return p.NewMMachImagefifoDeleteCommand(o, "f"); },
       {}, {{"MMachImagefifoDeleteCommand", MSimNameArgs{"f", 0}}}},
  };
  const auto logged = [](const MSimMachine& sim) {
    Logged entries;
    for (const MSimCommandRecord& record : sim.CommandLog()) {
      entries.emplace_back(record.command_class, record.params);
    }
    return entries;
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i);
    MProxyMachAbstract& proxy = Open(cases[i].active, cases[i].tweak);
    MErrCapture capture;
    std::unique_ptr<MMachCommand> command(cases[i].call(proxy, &channel));
    ASSERT_NE(command, nullptr);
    EXPECT_TRUE(logged(Sim(0)) == cases[i].sim1 && logged(Sim(1)) == cases[i].sim2);
    EXPECT_TRUE(command->IsDone());
    EXPECT_EQ(TakeLines(), "");
    EXPECT_THAT(capture.LogTexts(), IsEmpty());
  }
}

// Only the axes that move on the circle or cone choose the submachine: sim1 owns x and y, sim2 z.
TEST_F(FactoriesSingleTest, CircleAndConeChooseByTheAxesThatMove) {
  const double kCircle = std::numeric_limits<double>::quiet_NaN();
  const std::vector<std::tuple<std::array<double, 3>, double, size_t>> cases = {
      {{0, 0, 1}, kCircle, 1}, {{0, 0, -2e-8}, kCircle, 1}, {{0, 0, 1e-8}, kCircle, 0},
      {{1, 0, 0}, kCircle, 2}, {{0, 1, 0}, kCircle, 2},     {{0, 0, 1}, 1e-8, 1},
      {{0, 0, 1}, -2e-8, 2},   {{0, 0, 0}, 1.0, 2},         {{0, 0, 0}, 0.0, 0}};
  MProxyMachAbstract& proxy = Open(-1);
  for (const auto& [direction, taper, machines] : cases) {
    SCOPED_TRACE(testing::Message() << direction[0] << " " << direction[1] << " " << direction[2] << " "
                                    << taper);
    MErrCapture capture;
    MMachCommand* made = nullptr;
    if (std::isnan(taper)) {
      made = proxy.NewMMachMovecircleCommand(&channel, Circle(direction));
    } else {
      made = proxy.NewMMachMoveconeCommand(&channel, Cone(direction, taper));
    }
    std::unique_ptr<MMachCommand> command(made);
    EXPECT_EQ(command != nullptr, machines == 1);
    if (machines != 1) {
      EXPECT_THAT(capture.LogTexts(), ElementsAre(testing::EndsWith(
                                          "axes for " + std::to_string(machines) + " machines are given")));
    }
    channel.Clear();
  }
}

// The scanpoint gives the scandata-only submachine an endless "time" point and delivers only
// when both deliver, merged by the scandata assignment.
TEST_F(FactoriesSingleTest, ScanpointDeliversOnlyWhenEverySubmachineDelivers) {
  MProxyMachAbstract& proxy = Open(-1, [](MSimMachine& a, MSimMachine& b, MProxyMachAbstract& p) {
    MProxyTestAccess::scandata_assignment(p) = {{&a, {{"p"}, {1}}}, {&b, {{"t"}, {0}}}};
    a.Command("MMachScanpointCommand").ScanData({{10}, {11}});
    b.Command("MMachScanpointCommand").ScanData({{20}}, 1);
  });
  std::unique_ptr<MMachScanpointCommand> point(proxy.NewMMachScanpointCommand(&channel, MoveX()));
  ASSERT_NE(point, nullptr);
  MMachMovementPara time_only;
  time_only.positions["time"] = {std::numeric_limits<double>::max(), false};
  EXPECT_EQ(std::get<MMachMovementPara>(Sim(1).LastCommand()->params), time_only);
  std::vector<double> values;
  EXPECT_FALSE(point->GetData(values));  // sim2 has nothing before its first poll
  EXPECT_TRUE(point->IsDone());
  EXPECT_TRUE(point->GetData(values));
  EXPECT_THAT(values, ElementsAre(20, 11));
  EXPECT_FALSE(point->GetData(values));
}

}  // namespace
