#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "merrcapture.h"
#include "proxyfixture.h"

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace {

constexpr const char* kUnload = "MMachProbesystemUnloadCommand";
constexpr const char* kInternalError = "0001\terror \"internal error\"\r\n";
using Factory = std::function<MMachCommand*(MProxyMachAbstract&, MOutputChannel*)>;

class ProbesystemCommandTest : public ProxyFixture {
 protected:
  // sim1 lists a (ids 1, 2; 1 loaded), sim2 b and ps, sim3 c and ps: the proxy names are a, b, c,
  // ps and ps2 (sim2's ps), ps3 (sim3's ps); a is the current probe system.
  MProxyMachAbstract& OpenThree() {
    MakeSims(3);
    Sim(0).AddProbesystem("a", {1, 2}).SetActiveProbesystem("a", 1);
    Sim(1).AddProbesystem("b").AddProbesystem("ps");
    Sim(2).AddProbesystem("c").AddProbesystem("ps");
    for (size_t i = 0; i < 3; ++i) Sim(i).SupportAllCommands();
    return OpenProxy();
  }
  // Polls `command` (owned) until done: the number of polls, 0 when not done within ten.
  static int Run(MMachCommand* command) {
    std::unique_ptr<MMachCommand> owned(command);
    for (int poll = 1; owned && poll <= 10; ++poll) {
      if (owned->IsDone()) return poll;
    }
    return 0;
  }
};

TEST_F(ProbesystemCommandTest, LoadUnloadsEachOtherLoadedSubmachineOnceAfterItsOwnLoad) {
  struct Case {
    const char* label;
    std::function<void(MSimMachine& sim1, MSimMachine& sim3)> setup;
    int polls;
    std::vector<long> unloads;  // per submachine
    std::string output;
  };
  const std::vector<Case> cases = {
      {"nobody else loaded", [](MSimMachine& s1, MSimMachine&) { s1.Tables().active_probesystem.clear(); }, 1,
       {0, 0, 0}, ""},
      {"two others, one at a time",
       [](MSimMachine& s1, MSimMachine& s3) {
         s3.SetActiveProbesystem("c", 1);
         s1.Command(kUnload).DoneAfter(2);
         s3.Command(kUnload).DoneAfter(2);
       },
       3, {1, 0, 1}, ""},
      {"a failed unload is not repeated", [](MSimMachine& s1, MSimMachine&) { s1.Command(kUnload).DoneAfter(3).FailAtPoll(2, 18); },
       2, {1, 0, 0}, "0001\terror \"wrong state\"\r\n"},
      {"deleted while its unload runs", [](MSimMachine& s1, MSimMachine&) { s1.Command(kUnload).Endless(); }, 0,
       {1, 0, 0}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    MProxyMachAbstract& proxy = OpenThree();
    c.setup(Sim(0), Sim(2));
    EXPECT_EQ(Run(proxy.NewMMachProbesystemLoadCommand(&channel, "b", 1)), c.polls);
    for (size_t i = 0; i < 3; ++i) {
      long unloads = 0;
      for (const MSimCommandRecord& record : Sim(i).CommandLog()) {
        if (record.command_class != kUnload) continue;
        ++unloads;
        EXPECT_TRUE(record.deleted);  // a running unload goes with the load command
      }
      EXPECT_EQ(unloads, c.unloads[i]) << "sim" << i + 1;
    }
    EXPECT_EQ(proxy.get_active_submachine(), &Sim(1));
    EXPECT_EQ(TakeLines(), c.output);
  }
}

// An abort reaches the unload that is running, and no further unload starts after it.
TEST_F(ProbesystemCommandTest, AbortStopsTheRunningUnloadAndStartsNoOther) {
  MProxyMachAbstract& proxy = OpenThree();
  Sim(2).SetActiveProbesystem("c", 1);
  Sim(0).Command(kUnload).Endless();
  std::unique_ptr<MMachCommand> load(proxy.NewMMachProbesystemLoadCommand(&channel, "b", 1));
  EXPECT_FALSE(load->IsDone());
  load->Abort();
  EXPECT_EQ(Run(load.release()), 1);
  ASSERT_NE(Sim(0).LastCommand(kUnload), nullptr);
  EXPECT_EQ(Sim(0).LastCommand(kUnload)->aborts, 1u);
  EXPECT_EQ(Sim(2).LastCommand(kUnload), nullptr);
  channel.Clear();
}

TEST_F(ProbesystemCommandTest, FinishedCommandsUpdateDefinitionsAndTheCurrentProbesystem) {
  MProxyMachAbstract& proxy = OpenThree();
  auto ids = [&](const std::string& name) {
    std::vector<uint32_t> listed;
    for (const MMachProbesystemInfo& info : proxy.GetProbesystemInfos(name, 0)) listed.push_back(info.id);
    return listed;
  };
  MMachProbesystemInfo info;
  info.name = "ps3";
  info.id = 5;
  EXPECT_EQ(Run(proxy.NewMMachProbesystemDefineCommand(&channel, info)), 1);
  EXPECT_EQ(std::get<MMachProbesystemInfo>(Sim(2).LastCommand()->params).name, "ps");
  EXPECT_THAT(ids("ps3"), ElementsAre(1, 5));
  EXPECT_THAT(ids("ps2"), ElementsAre(1));
  EXPECT_EQ(Run(proxy.NewMMachProbesystemDeleteCommand(&channel, "ps3", 5)), 1);
  EXPECT_THAT(ids("ps3"), ElementsAre(1));

  EXPECT_EQ(Run(proxy.NewMMachProbesystemUnloadCommand(&channel)), 1);
  EXPECT_FALSE(proxy.HasActiveProbesystem());
  EXPECT_EQ(Run(proxy.NewMMachProbesystemLoadCommand(&channel, "a", 2)), 1);
  EXPECT_EQ(proxy.GetActiveProbesystemId(), 2u);
  // Id 0 deletes all of a, the loaded one included: no current probe system, capabilities re-read.
  const uint64_t axis_reads = Sim(0).CallCount("GetFirstAxisInfo");
  EXPECT_EQ(Run(proxy.NewMMachProbesystemDeleteCommand(&channel, "a", 0)), 1);
  EXPECT_FALSE(proxy.HasActiveProbesystem() || proxy.get_active_submachine());
  EXPECT_GT(Sim(0).CallCount("GetFirstAxisInfo"), axis_reads);

  EXPECT_EQ(TakeLines(), "");
}

// A failed sub-command changes nothing but rebuilds the table (which ends a listing walk).
TEST_F(ProbesystemCommandTest, FailedSubcommandChangesNothingAndRebuildsTheTable) {
  MMachProbesystemInfo info;
  info.name = "ps3";
  const std::vector<std::tuple<std::string, Factory, std::string>> cases = {
      {"Define", [&](MProxyMachAbstract& p, MOutputChannel* o) { return p.NewMMachProbesystemDefineCommand(o, info); },
       "define]: an error occured. NOT defining new probesystem."},
      {"Delete", [](MProxyMachAbstract& p, MOutputChannel* o) { return p.NewMMachProbesystemDeleteCommand(o, "a", 2); },
       "delete]: an error occured. NOT deleting probesystem \"a 2\""},
      {"Load", [](MProxyMachAbstract& p, MOutputChannel* o) { return p.NewMMachProbesystemLoadCommand(o, "ps3", 1); },
       "load]: an error occured. NOT loading probesystem \"ps3 1\""},
      {"Unload", [](MProxyMachAbstract& p, MOutputChannel* o) { return p.NewMMachProbesystemUnloadCommand(o); },
       "unload]: an error occured. NOT unloading probesystem."}};
  for (const auto& [command, factory, trace] : cases) {
    SCOPED_TRACE(command);
    MProxyMachAbstract& proxy = OpenThree();
    for (size_t i = 0; i < 3; ++i) Sim(i).Command("MMachProbesystem" + command + "Command").FailAtPoll(1, 25);
    MErrCapture capture(5);
    ASSERT_TRUE(proxy.GetFirstProbesystem());
    EXPECT_EQ(Run(factory(proxy, &channel)), 1);
    EXPECT_EQ(proxy.GetNextProbesystem(), nullptr);
    EXPECT_THAT(capture.TraceLines(), Contains("handle_finished_subcommand() [probesystem " + trace));
    EXPECT_EQ(TakeLines(), "0001\terror \"unknown probesystem\"\r\n");
    EXPECT_EQ(proxy.GetActiveProbesystem(), "a");
    EXPECT_EQ(proxy.GetProbesystemInfos("*", 0).size(), 6u);
  }
}

TEST_F(ProbesystemCommandTest, FactoryFailuresReportAndLeaveNoCommand) {
  struct Case {
    std::function<void(MProxyMachAbstract&)> setup;
    Factory factory;
    std::vector<std::string> log;
    std::string output;
  };
  MMachProbesystemInfo info;
  info.name = "ps1";  // sim1 has no ps
  const std::string prefix = "MProxyMachAbstract::NewMMachProbesystem";
  const std::vector<Case> cases = {
      {[](MProxyMachAbstract&) {}, [&](MProxyMachAbstract& p, MOutputChannel* o) { return p.NewMMachProbesystemDefineCommand(o, info); },
       {prefix + "DefineCommand(): no mapping for probesystem \"ps1\""}, kInternalError},
      {[this](MProxyMachAbstract&) { Sim(1).Command("MMachProbesystemLoadCommand").Refuse(); },
       [](MProxyMachAbstract& p, MOutputChannel* o) { return p.NewMMachProbesystemLoadCommand(o, "ps", 1); },
       {prefix + "LoadCommand(): subcommand creation failed"}, kInternalError},
      {[this](MProxyMachAbstract&) { Sim(0).Command(kUnload).RefuseWithError(25); },
       [](MProxyMachAbstract& p, MOutputChannel* o) { return p.NewMMachProbesystemUnloadCommand(o); },
       {"~MOutputChannel(): Not all entries cleared for 0001\t!", "~MOutputChannel(): \"0001\terror \"unknown probesystem\"\r\n\"",
        prefix + "UnloadCommand(): subcommand creation failed"},
       "0001\terror \"unknown probesystem\"\r\n"},
      {[](MProxyMachAbstract& p) { p.set_current_probesystem(""); },
       [](MProxyMachAbstract& p, MOutputChannel* o) { return p.NewMMachProbesystemUnloadCommand(o); }, {},
       "0001\terror \"probesystem not loaded\"\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.output);
    MProxyMachAbstract& proxy = OpenThree();
    c.setup(proxy);
    MErrCapture capture;
    EXPECT_EQ(Run(c.factory(proxy, &channel)), 0);
    EXPECT_THAT(capture.LogTexts(), ElementsAreArray(c.log));
    EXPECT_EQ(TakeLines(), c.output);
    EXPECT_EQ(RecordCount(), 0u);
  }
}

}  // namespace
