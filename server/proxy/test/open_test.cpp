#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "merrcapture.h"
#include "proxyfixture.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace {

constexpr uint32_t kNA = MMachAxisInfo::kNotAvailable;
constexpr const char* kInternalError = "0001\terror \"internal error\"\r\n";

struct MergeCase {
  const char* label;
  bool components;  // else axes
  std::vector<std::vector<std::pair<std::string, uint32_t>>> names;  // per submachine, with axis flags
  int active;                         // the submachine holding the loaded probe system, -1: none
  std::optional<std::string> ini;     // component prefixes
  std::vector<std::string> expected;  // Describe() of the merged table
};

std::ostream& operator<<(std::ostream& out, const MergeCase& c) { return out << c.label; }

class MergeTest : public ProxyFixture, public ::testing::WithParamInterface<MergeCase> {};

TEST_P(MergeTest, CollidingNamesAreRenamedPerSubmachine) {
  const MergeCase& c = GetParam();
  MakeSims(c.names.size());
  for (size_t i = 0; i < c.names.size(); ++i) {
    for (const auto& [name, flags] : c.names[i]) {
      if (c.components) {
        Sim(i).AddComponent(name);
      } else {
        Sim(i).AddAxis(name, flags);
      }
    }
  }
  if (c.active >= 0) Sim(static_cast<size_t>(c.active)).AddProbesystem("ps").SetActiveProbesystem("ps", 1);
  if (c.ini) WriteConfig(*c.ini);
  MProxyMachAbstract& proxy = OpenProxy();
  const auto merged = [this, &proxy, &c] {
    return c.components ? Describe(MProxyTestAccess::component_table(proxy))
                        : Describe(MProxyTestAccess::axis_table(proxy));
  };
  EXPECT_THAT(merged(), ElementsAreArray(c.expected));
  // Re-reading each unchanged submachine merges the kept listings of the others into the same table.
  proxy.UpdateCapabilities(nullptr);
  EXPECT_THAT(merged(), ElementsAreArray(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Axes, MergeTest,
    ::testing::Values(
        MergeCase{"ThreeCollide", false, {{{"z", 0}}, {{"z", 0}}, {{"z", 0}}}, -1, {},
                  {"z=sim1:z (n/a)", "z1=sim1:z", "z2=sim2:z", "z3=sim3:z"}},
        MergeCase{"TrailingDigitGetsUnderscore", false, {{{"a1", 0}}, {{"a1", 0}}}, -1, {},
                  {"a1=sim1:a1 (n/a)", "a1_1=sim1:a1", "a1_2=sim2:a1"}},
        MergeCase{"SharedAxisStaysUsable", false, {{{"speed", kNA}}, {{"speed", 0}}}, -1, {},
                  {"speed=sim1:speed", "speed1=sim1:speed (n/a)", "speed2=sim2:speed"}},
        MergeCase{"SharedAxisUnusableEverywhere", false, {{{"lock", kNA}}, {{"lock", kNA}}}, -1, {},
                  {"lock=sim1:lock (n/a)", "lock1=sim1:lock (n/a)", "lock2=sim2:lock (n/a)"}},
        MergeCase{"PlainNameFollowsTheActiveSubmachine", false, {{{"x", 0}}, {{"x", 0}, {"y", 0}}}, 1, {},
                  {"x=sim2:x", "x1=sim1:x", "x2=sim2:x", "y=sim2:y"}}));

INSTANTIATE_TEST_SUITE_P(
    Components, MergeTest,
    ::testing::Values(
        MergeCase{"NoSubmachines", true, {}, -1, {}, {"px.config=px:px.config"}},
        MergeCase{"SharedFileFollowsTheActiveSubmachine", true,
                  {{{"probe.config", 0}}, {{"probe.config", 0}}}, 1, {},
                  {"probe.config=sim2:probe.config", "probe.config1=sim1:probe.config",
                   "probe.config2=sim2:probe.config", "px.config=px:px.config"}},
        MergeCase{"OtherFileFollowsTheActiveSubmachineUnavailable", true, {{{"c", 0}}, {{"c", 0}}}, 0, {},
                  {"c=sim1:c (n/a)", "c1=sim1:c", "c2=sim2:c", "px.config=px:px.config"}},
        MergeCase{"EmptyFirstAlias", true,
                  {{{"probe.config", 0}, {"c", 0}}, {{"probe.config", 0}, {"c", 0}}}, -1,
                  "[Aliases]\n1=\n2=b\n",
                  {"b.c=sim2:c", "b.probe.config=sim2:probe.config", "c=sim1:c",
                   "probe.config=sim1:probe.config (n/a)", "px.config=px:px.config"}},
        MergeCase{"EmptyFirstAliasActiveSecond", true, {{{"probe.config", 0}}, {{"probe.config", 0}}}, 1,
                  "[Aliases]\n1=\n2=b\n",
                  {"b.probe.config=sim2:probe.config", "probe.config=sim2:probe.config",
                   "px.config=px:px.config"}}));

using OpenTest = ProxyFixture;

TEST_F(OpenTest, NameFoundTwiceFailsWithoutClosing) {
  const std::vector<std::pair<std::function<void(MSimMachine&)>, std::vector<std::string>>> cases = {
      {[](MSimMachine& s) { s.AddAxis("abcdefghijklmnopqrstuvwxyz").AddAxis("abcdefghijklmnopqrstuvwxyz"); },
       {"MProxyMachAbstract::get_axisinfos(): \"abcdefghijklmnopqrst\" found twice",
        "MProxyMachAbstract::Open(): get_axisinfos(1) failed"}},
      {[](MSimMachine& s) { s.AddComponent("c").AddComponent("c"); },
       {"MProxyMachAbstract::get_componentinfos(): \"c\" found twice",
        "MProxyMachAbstract::Open(): get_componentinfos(1) failed"}},
      {[](MSimMachine& s) { s.AddProbesystem("ps").AddProbesystem("ps"); },
       {"MProxyMachAbstract::get_probesystems(): \"ps\" found twice",
        "MProxyMachAbstract::Open(): get_probesystems(1) failed"}}};
  for (const auto& [fault, entries] : cases) {
    MakeSims(2);
    fault(Sim(1));
    MErrCapture capture;
    EXPECT_FALSE(MakeProxy().Open());
    EXPECT_THAT(capture.ContextTexts(), ElementsAreArray(entries));
    EXPECT_EQ(TakeLines(), kInternalError);
    EXPECT_EQ(Sim(0).CallCount("Close"), 0u);
  }
}

// A submachine that cannot be opened ends the proxy's Open at its place in the list, wherever
// that is: the submachines opened before it are closed again, the later ones never opened.
TEST_F(OpenTest, SubmachineThatCannotBeOpenedEndsTheList) {
  for (size_t failing = 0; failing < 3; ++failing) {
    SCOPED_TRACE(failing);
    MakeSims(3);
    for (size_t i = 0; i < 3; ++i) Sim(i).AddAxis(std::string("a").append(std::to_string(i)));
    Sim(failing).Tables().open_succeeds = false;
    Sim(failing).Tables().open_error = "no power";
    channel.Error("earlier");
    MErrCapture capture;
    MProxyMachAbstract& proxy = MakeProxy();
    EXPECT_FALSE(proxy.Open());
    EXPECT_THAT(capture.ContextTexts(), ElementsAre("MProxyMachAbstract::Open(): Open() for submachine index " +
                                                    std::to_string(failing) + " failed"));
    const std::string number = std::to_string(failing + 1);
    EXPECT_THAT(capture.LogTexts(), ElementsAre("MProxyMachAbstract::Open(): submachine " + number + " (sim" +
                                                number + " [d" + number + "]) not opened: " +
                                                "0001\terror \"no power\""));
    EXPECT_EQ(TakeLines(), "0001\terror \"earlier\"\r\n0001\terror \"no power\"\r\n" + std::string(kInternalError));
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(Sim(i).CallCount("Close"), i < failing ? 1u : 0u) << i;
      EXPECT_EQ(Sim(i).CallCount("Open"), i <= failing ? 1u : 0u) << i;
    }
    EXPECT_TRUE(proxy.submachines().empty() && proxy.GetAxisInfo("a0") == nullptr);
  }
}

TEST_F(OpenTest, OffersTheCommandsThatAnySubmachineOffers) {
  MakeSims(2);
  Sim(0).SetCommandSupported("MMachMoveCommand");
  Sim(0).SetCommandUnsupported("MMachWobbleCommand");
  Sim(1).SetCommandSupported("MMachProbesystemTypeCommand");  // advertised without a factory of ours
  Sim(1).SetCommandSupported("MMachIdleCommand");             // not offered by the proxy
  MProxyMachAbstract& proxy = OpenProxy();
  EXPECT_TRUE(proxy.IsCommandSupported("MMachMoveCommand"));
  EXPECT_TRUE(proxy.IsCommandSupported("MMachProbesystemTypeCommand"));
  EXPECT_FALSE(proxy.IsCommandSupported("MMachIdleCommand") || proxy.IsCommandSupported("MMachWobbleCommand"));
}

TEST_F(OpenTest, OnlyTheFirstActiveProbesystemStaysLoaded) {
  MakeSims(4);
  for (size_t i = 0; i < 4; ++i) Sim(i).AddProbesystem("ps").SetActiveProbesystem("ps", 1);
  for (size_t i = 0; i < 3; ++i) Sim(i).SetCommandSupported("MMachProbesystemUnloadCommand");
  Sim(1).Command("MMachProbesystemUnloadCommand").EventAt(1, 1);  // a pending event is text, too
  Sim(2).Command("MMachProbesystemUnloadCommand").RefuseWithError(16);
  MErrCapture capture;
  MProxyMachAbstract& proxy = OpenProxy();
  EXPECT_EQ(proxy.GetActiveProbesystem(), "ps");
  EXPECT_EQ(proxy.get_active_submachine(), &Sim(0));
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(Sim(i).CallCount("NewMMachProbesystemUnloadCommand"), i == 1 || i == 2 ? 1u : 0u) << i;
  }
  EXPECT_THAT(capture.LogTexts(),
              ElementsAre("load_startup_probesystem(): error during unload at machine sim2 [d2]: "
                          "0000\tevent \"capabilities changed\"\r\n",
                          "load_startup_probesystem(): error during unload at machine sim3 [d3]: "
                          "0001\terror \"internal error\"\r\n"));
}

TEST_F(OpenTest, UpdateCapabilitiesGoesOnAfterAFailingSubmachine) {
  MakeSims(2);
  Sim(0).AddAxis("x");
  MProxyMachAbstract& proxy = OpenProxy();
  Sim(0).AddAxis("x");
  Sim(1).AddAxis("w").AddComponent("c");
  MErrCapture capture;
  MOutputChannel out(2);
  proxy.UpdateCapabilities(&out);
  EXPECT_THAT(capture.LogTexts(),
              ElementsAre("UpdateCapabilities(): failed to update axis infos for machine sim1",
                          "MProxyMachAbstract::get_axisinfos(): \"x\" found twice"));
  EXPECT_EQ(TakeLines(), kInternalError);
  EXPECT_THAT(Describe(MProxyTestAccess::axis_table(proxy)), ElementsAre("w=sim2:w", "x=sim1:x"));
  EXPECT_TRUE(out.HasEvent(1) && out.HasEvent(8));
  out.Clear();
}

TEST_F(OpenTest, CloseKeepsTheProbesystemsAndTheConfiguration) {
  MakeSims(2);
  Sim(0).AddAxis("x").AddComponent("c").AddProbesystem("ps").SetActiveProbesystem("ps", 1);
  Sim(0).SetCommandSupported("MMachMoveCommand");
  Sim(1).AddProbe(1, 1);
  WriteConfig("[Aliases]\n1=a\n2=b\n");
  MProxyMachAbstract& proxy = OpenProxy();
  proxy.Close();
  EXPECT_EQ(Sim(0).CallCount("Close") + Sim(1).CallCount("Close"), 2u);
  EXPECT_TRUE(proxy.submachines().empty() && MProxyTestAccess::axis_table(proxy).empty() &&
              MProxyTestAccess::component_table(proxy).empty());
  EXPECT_FALSE(proxy.IsCommandSupported("MMachMoveCommand") || proxy.HasProbes());
  EXPECT_STREQ(proxy.GetMachineName(), "Orvex Proxy");
  EXPECT_THAT(Describe(proxy.probesystem_table()), ElementsAre("ps=sim1:ps"));
  EXPECT_EQ(proxy.GetActiveProbesystem(), "ps");
  EXPECT_THAT(MProxyTestAccess::aliases(proxy), ElementsAre("a", "b"));
}

// The submachines write into the proxy's own channel; a "capabilities changed" re-reads the
// submachine that raised it, or every one when the event was pending before.
TEST_F(OpenTest, PollGathersTheLinesAndRereadsAnnouncingSubmachines) {
  for (const bool pending_before : {false, true}) {
    MakeSims(2);
    Sim(0).AddAxis("a");
    MProxyMachAbstract& proxy = OpenProxy();
    channel.Data("pre");
    if (pending_before) channel.Event(1);
    Sim(0).AtNextPoll([](MSimMachine& m) { m.Output()->Data("one"); });
    Sim(1).AtNextPoll([](MSimMachine& m) { m.AddAxis("w").Output()->Event(1); });
    proxy.Poll();
    EXPECT_EQ(TakeLines(), "0001\tdata pre\r\n0001\tdata one\r\n0000\tevent \"capabilities changed\"\r\n");
    EXPECT_THAT(Describe(MProxyTestAccess::axis_table(proxy)), ElementsAre("a=sim1:a", "w=sim2:w"));
    EXPECT_EQ(Sim(0).CallCount("GetFirstAxisInfo"), pending_before ? 2u : 1u);
    EXPECT_EQ(Sim(1).CallCount("GetFirstAxisInfo"), 2u);
  }
}

}  // namespace
