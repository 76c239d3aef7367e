#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "merrcapture.h"
#include "msimmachine.h"
#include "mtesttempdir.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Pair;

namespace {

class SimMachineTest : public ::testing::Test {
 protected:
  ~SimMachineTest() override { output.Clear(); }

  MOutputChannel output{1};
  MSimMachine sim{&output, nullptr, "bench", "/etc/sim"};
};

TEST_F(SimMachineTest, CountsEveryCallByOperationUntilReset) {
  sim.AddAxis("x");
  sim.GetAxisValue("x");
  sim.GetAxisValue("nothere");
  sim.IsCommandSupported("MMachMoveCommand");
  delete sim.NewMMachIdleCommand(&output);
  EXPECT_EQ(sim.NewMMachImagefifoInfoCommand(&output, "f"), nullptr);  // base behaviour
  EXPECT_EQ(sim.CallCount("GetAxisValue"), 2u);
  EXPECT_EQ(sim.CallCount("NewMMachImagefifoInfoCommand"), 1u);
  EXPECT_EQ(sim.CallCounts().size(), 4u);
  sim.ResetCallCounts();
  EXPECT_THAT(sim.CallCounts(), IsEmpty());
}

// The possibility queries answer from the axis table unless a rule is set: every named axis usable.
TEST_F(SimMachineTest, DefaultRuleIsEveryNamedAxisUsable) {
  sim.AddAxis("x").AddAxis("y", MMachAxisInfo::kNotAvailable | MMachAxisInfo::kHasRange);
  const std::pair<MMachAxesSet, bool> cases[] = {{{}, true}, {{"x"}, true}, {{"y"}, false}, {{"x", "z"}, false}};
  for (const auto& [axes, usable] : cases) {
    SCOPED_TRACE(::testing::PrintToString(axes));
    EXPECT_EQ(sim.IsScanningPossibleWith(axes), usable);
    EXPECT_EQ(sim.IsMovezeroingPossibleWith(axes), usable);
    EXPECT_EQ(sim.IsTrackingPossibleWith({}, axes), usable);
    EXPECT_EQ(sim.IsScandataPossibleWith(axes), usable ? 1 : 0);
  }
}

TEST_F(SimMachineTest, RulesReplaceTheDefaultPerQuery) {
  sim.AddAxis("x");
  MMachAxesSet asked;
  sim.SetPossibility(MSimPossibility::kMoving, [&](const MMachAxesSet& axes) {
       asked = axes;
       return 0;
     })
      .SetPossibility(MSimPossibility::kScandata, [](const MMachAxesSet&) { return -1; });
  EXPECT_FALSE(sim.IsMovingPossibleWith({"x"}));
  EXPECT_THAT(asked, ElementsAre("x"));
  EXPECT_TRUE(sim.IsScanningPossibleWith({"x"}));
  EXPECT_EQ(sim.IsScandataPossibleWith({}), -1);
  sim.SetPossibility(MSimPossibility::kTracking, [&](const MMachAxesSet& axes) {
    asked = axes;
    return 1;
  });
  EXPECT_TRUE(sim.IsTrackingPossibleWith({"x"}, {"q"}));
  EXPECT_THAT(asked, ElementsAre("q", "x"));
}

TEST_F(SimMachineTest, ProbesystemQueriesAnswerFromTheDefinitions) {
  sim.AddProbesystem("ps", {1, 7}).AddProbesystem("other", {}).SetActiveProbesystem("ps", 7);
  const auto ids = [&](const std::string& name, uint32_t id) {
    std::vector<uint32_t> result;
    for (const auto& info : sim.GetProbesystemInfos(name, id)) result.push_back(info.id);
    return result;
  };
  EXPECT_THAT(ids("ps", 0), ElementsAre(1u, 7u));
  EXPECT_THAT(ids("ps", 7), ElementsAre(7u));
  EXPECT_THAT(ids("ps", 2), IsEmpty());
  EXPECT_FALSE(sim.IsProbesystemDefined("other"));

  // Without the flag the machine has no probe systems at all.
  sim.Tables().has_probesystems = false;
  EXPECT_EQ(sim.GetFirstProbesystem(), nullptr);
  EXPECT_FALSE(sim.HasActiveProbesystem());
  EXPECT_THAT(ids("ps", 0), IsEmpty());
}

TEST_F(SimMachineTest, AutoinfoStartsOnlyWhenAllowedAndDeliversQueuedData) {
  MSimAutoinfo& autoinfo = sim.Tables().autoinfo;
  autoinfo.possible = true;
  autoinfo.data = {{1.0}, {2.0}};
  autoinfo.start_succeeds = false;
  std::vector<double> values;
  EXPECT_FALSE(sim.StartAutoinfo(&output, 3, {"x", "y"}));
  EXPECT_FALSE(sim.GetAutoinfoData(values));

  autoinfo.start_succeeds = true;
  EXPECT_TRUE(sim.StartAutoinfo(&output, 3, {"x", "y"}));
  ASSERT_TRUE(sim.GetAutoinfoData(values));
  EXPECT_THAT(values, ElementsAre(1.0));
  sim.StopAutoinfo();
  EXPECT_FALSE(sim.IsAutoinfoActive());
  EXPECT_FALSE(sim.GetAutoinfoData(values));
}

// The magazine named by the description is read at Open; the magazine-set command saves the file.
TEST(SimMagazineTest, IsReadFromItsFileAtOpenAndSetThroughTheCommand) {
  MTestTempDir dir;
  std::ofstream(dir.File("sim.ini"), std::ios::binary)
      << "[Machine]\nmagazine=magazine.database\n[Probesystem Optic]\nids=2\nactive=2\n";
  std::ofstream(dir.File("magazine.database"), std::ios::binary)
      << "[Optic_2_slot1]\nload.program=\"l1\"\nunload.program=u1\nprobe=4\n";
  MOutputChannel output(1);
  auto sim = MSimMachine::NewFromDescription(&output, nullptr, "bench", dir.path().string(),
                                             dir.File("sim.ini"));
  ASSERT_NE(sim, nullptr);
  std::string text = "unchanged";
  EXPECT_FALSE(sim->GetMagazineLoadProgram(text, 1));  // not read before Open
  EXPECT_EQ(text, "unchanged");
  ASSERT_TRUE(sim->Open());
  EXPECT_TRUE(sim->GetMagazineLoadProgram(text, 1));
  EXPECT_EQ(text, "l1");
  for (const auto& [slot, fails] : {std::pair{3u, true}, std::pair{1u, false}}) {
    std::unique_ptr<MMachCommand> set(sim->NewMMachMagazineSetCommand(&output, slot, 9));
    EXPECT_TRUE(set->IsDone());
    EXPECT_EQ(output.HasError(), fails) << "slot " << slot;
    output.Clear();
  }
  EXPECT_THAT(sim->GetMagazineSlots("", 0), ElementsAre(Pair(1u, 9u)));
  std::ifstream saved(dir.File("magazine.database"), std::ios::binary);
  EXPECT_THAT(std::string(std::istreambuf_iterator<char>(saved), {}), HasSubstr("probe=9\r\n"));
}

TEST(SimMagazineTest, AMagazineNamingAnUndefinedProbesystemFailsOpen) {
  MTestTempDir dir;
  const std::string path = dir.File("other.database");
  std::ofstream(path, std::ios::binary) << "[Camera_1_slot1]\nload.program=l\nunload.program=u\n";
  MOutputChannel output(1);
  MSimMachine sim(&output, nullptr, "bench", "/nowhere");
  sim.AddProbesystem("Optic").SetMagazineFile(path);
  MErrCapture capture;
  EXPECT_FALSE(sim.Open());
  EXPECT_THAT(capture.LogTexts(),
              ElementsAre("MSimMachine::Open(): magazine \"" + path + "\" not read",
                          "MMachMagazineDB::analyse_inifile(): Probesystem \"Camera\" not defined",
                          "MMachMagazineDB::Open(): analyse_inifile() failed"));
  EXPECT_FALSE(sim.HasMagazine());
  std::string text;
  EXPECT_EQ(output.Take(text, true) ? text : "", "0001\terror \"magazine \"" + path + "\" not read\"\r\n");
  output.Clear();
}

TEST_F(SimMachineTest, OpenCanFailAndPollRunsQueuedActionsOnce) {
  sim.Tables().open_succeeds = false;
  EXPECT_FALSE(sim.Open());
  sim.Tables().open_succeeds = true;
  EXPECT_TRUE(sim.Open());

  int runs = 0;
  sim.AtNextPoll([&](MSimMachine& machine) {
    ++runs;
    machine.Output()->Event(1);
    machine.AddAxis("new");
  });
  sim.Poll();
  sim.Poll();
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(output.HasEvent(1));
  EXPECT_NE(sim.GetAxisInfo("new"), nullptr);
}

}  // namespace
