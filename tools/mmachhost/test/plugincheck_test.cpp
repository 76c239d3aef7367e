#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "hosttestproxy.h"
#include "mplugincheck.h"
#include "mplugincheckreport.h"
#include "mplugincheckrunner.h"
#include "msimmachine.h"
#include "trace.h"

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

using SimSetup = std::function<void(MSimMachine&)>;
using TargetSetup = std::function<void(MPluginCheckTarget&)>;

// The simulated machine that every check must pass: axes, a component, a version line, a loaded
// probe system, every command supported but the wobble, which its factory refuses as the base does.
// The bench's magazine: probe 7 in slot 1, probe 9 in slot 2 of probe system ps/1.
std::string magazine_file() {
  static const std::string path = [] {
    const std::filesystem::path file = std::filesystem::temp_directory_path() / "orvexcheck-test-magazine.database";
    std::ofstream(file) << "[ps_1_slot1]\nprobe=7\nload.program=load 1\nunload.program=unload 1\n"
                           "change_to_2.program=change 1 2\n[ps_1_slot2]\nprobe=9\nload.program=load 2\nunload.program=unload 2\n";
    return file.string();
  }();
  return path;
}

void well_behaved(MSimMachine& sim) {
  sim.SetIdentity("Bench", "1.00", "checked bench")
      .AddAxis("x", 0, 1.5)
      .AddAxis("y")
      .AddAxis("c", MMachAxisInfo::kPeriodic)
      .AddComponent("bench.config")
      .AddVersion("firmware", "2.1")
      .AddProbesystem("ps", {1, 2})
      .SetActiveProbesystem("ps", 1)
      .SetImageFormat("ps", {64, 48, 1})
      .SetMagazineFile(magazine_file())
      .SupportAllCommands();
  sim.Tables().receive_data["bench.config"] = "speed=1";
  sim.SetCommandUnsupported("MMachWobbleCommand");
  sim.Command("MMachWobbleCommand").RefuseWithError(kMErrorCommandUnknown);
  sim.Command("MMachMoveCommand").DoneAfter(3);
  sim.Command("MMachScanCommand").DoneAfter(2).ScanData({{1, 2, 3}, {4, 5, 6}});  // one value per axis
}

// The check's seam filled with simulated machines: `fault` changes each one after set-up.
MPluginCheckTarget sim_target(SimSetup fault = nullptr) {
  MPluginCheckTarget target;
  target.new_machine = [fault](const std::string& name, const std::string& configdir, MOutputChannel* output,
                               MMachHostService* host, const std::vector<MMachAbstract*>&) {
    auto* sim = new MSimMachine(output, host, name, configdir);
    well_behaved(*sim);
    if (fault) fault(*sim);
    return sim;
  };
  target.new_proxy = host_test_proxy_plugin().new_machine;
  target.is_proxy = [] { return false; };
  target.set_trace_level = [](int level) { return _MTrace_SetLevel("default", level); };
  target.name = "bench";
  target.max_polls = 20;
  target.poll_interval = 0;
  return target;
}

// A plug-in that hands out its one machine again while that machine is alive.
void reuse_live_machine(MPluginCheckTarget& target) {
  auto live = std::make_shared<MSimMachine*>(nullptr);
  struct Tracked : MSimMachine {
    Tracked(MOutputChannel* output, std::shared_ptr<MSimMachine*> live)
        : MSimMachine(output, nullptr, "bench", "."), live(std::move(live)) {}
    ~Tracked() override { *live = nullptr; }
    std::shared_ptr<MSimMachine*> live;
  };
  target.new_machine = [live](const std::string&, const std::string&, MOutputChannel* output, MMachHostService*,
                              const std::vector<MMachAbstract*>&) -> MMachAbstract* {
    if (*live == nullptr) {
      *live = new Tracked(output, live);
      well_behaved(**live);
    }
    return *live;
  };
}

// The report lines of a run of `groups`, by check name. `here`: in this process, so that what
// the machines do can be counted here.
std::map<std::string, std::string> run_groups(const MPluginCheckTarget& target, const std::vector<std::string>& groups,
                                              std::string* all = nullptr, bool here = false) {
  const MPluginCheck check(target);
  std::ostringstream out;
  MPluginCheckReport report(out);
  for (const std::string& group : groups) {
    if (here) {
      check.RunHere(group, report);
    } else {
      MPluginCheck_RunGroup(check, group, report, 10.0);
    }
  }
  std::map<std::string, std::string> lines;
  std::istringstream text(out.str());
  for (std::string line; std::getline(text, line);) {
    if (auto parsed = MPluginCheckReport::Parse(line)) lines[parsed->first] = line;
  }
  if (all != nullptr) *all = out.str();
  return lines;
}

TEST(PluginCheckTest, WellBehavedSimulatedMachinePassesEveryGroup) {
  std::string all;
  const auto lines = run_groups(sim_target(), MPluginCheck::GroupNames(), &all);
  const MPluginCheck check(sim_target());
  size_t expected = 0;
  for (const std::string& group : MPluginCheck::GroupNames()) expected += check.Cases(group).size();
  EXPECT_EQ(lines.size(), expected) << all;
  EXPECT_THAT(all, Not(HasSubstr("FAIL "))) << all;
  EXPECT_THAT(lines.at("commands.MMachMoveCommand"), HasSubstr("done at 3 polls"));
  EXPECT_THAT(lines.at("commands.MMachScanCommand"), HasSubstr("2 scan vectors"));
  EXPECT_THAT(lines.at("commands.MMachWobbleCommand"), HasSubstr("not supported: null with error"));
  EXPECT_THAT(lines.at("probesystems.load-unload"), HasSubstr("2 definitions loaded and unloaded"));
  EXPECT_THAT(lines.at("scans.scandata-scan"), HasSubstr("2 vectors of 3 values"));
  EXPECT_THAT(lines.at("magazine.slots"), HasSubstr("2 slots in the magazine of ps/1, 2 probes"));
  EXPECT_THAT(lines.at("magazine.programs"), HasSubstr("6 programs read"));
  EXPECT_THAT(lines.at("imagefifos.released"), StartsWith("PASS "));
  EXPECT_THAT(lines.at("proxy.open"), HasSubstr("\"x\" of both as x1 and x2"));
  EXPECT_THAT(lines.at("proxy.scan"), HasSubstr("2 vectors of 3 values"));
}

// Without a loaded probe system the magazine and image FIFO checks load one for themselves,
// through the load command, and unload it again.
TEST(PluginCheckTest, MagazineAndImagefifosLoadAProbesystemWhenNoneIsLoaded) {
  auto unloads = std::make_shared<int>(0);
  const SimSetup unloaded = [unloads](MSimMachine& m) {
    m.Tables().active_probesystem.clear();
    m.Command("MMachProbesystemUnloadCommand").At(1, [unloads](auto&, auto&) { ++*unloads; });
  };
  const auto lines = run_groups(sim_target(unloaded), {"magazine", "imagefifos"}, nullptr, true);
  for (const char* check : {"magazine.slots", "magazine.programs", "imagefifos.create-delete", "imagefifos.released"}) {
    EXPECT_THAT(lines.at(check), StartsWith("PASS "));
    EXPECT_THAT(lines.at(check), HasSubstr("ps/1 loaded for it"));
  }
  EXPECT_EQ(*unloads, 4);
}

// Every machine of the commands group that creates an image FIFO deletes it again.
TEST(PluginCheckTest, CommandsDeleteTheImageFifosTheyCreate) {
  auto machines = std::make_shared<int>(0);
  auto created = std::make_shared<std::set<int>>();
  auto deleted = std::make_shared<std::set<int>>();
  run_groups(sim_target([=](MSimMachine& m) {
               const int serial = ++*machines;
               m.Command("MMachImagefifoCreateCommand").At(1, [=](auto&, auto&) { created->insert(serial); });
               m.Command("MMachImagefifoDeleteCommand").At(1, [=](auto&, auto&) { deleted->insert(serial); });
             }),
             {"commands"}, nullptr, true);
  EXPECT_FALSE(created->empty());
  for (const int serial : *created) EXPECT_EQ(deleted->count(serial), 1u) << "machine " << serial;
}

struct FaultCase {
  std::string check;  // the check that must fail
  SimSetup sim_fault;
  TargetSetup target_fault;
  std::string seen;    // part of what it reports
  bool crashes = false;  // the plug-in crashes: needs a child process
};

std::ostream& operator<<(std::ostream& out, const FaultCase& fault) { return out << fault.check; }

class PluginCheckFaultTest : public ::testing::TestWithParam<FaultCase> {};

// Each fault fails its check, and the group still reports every one of its checks.
TEST_P(PluginCheckFaultTest, FaultFailsItsCheckAndTheGroupFinishes) {
  const FaultCase& fault = GetParam();
#if defined(_WIN32)
  if (fault.crashes) GTEST_SKIP() << "groups run in-process on Windows";
#endif
  MPluginCheckTarget target = sim_target(fault.sim_fault);
  if (fault.target_fault) fault.target_fault(target);
  const std::string& check = fault.check;
  const std::string group = check.substr(0, check.find('.'));
  std::string all;
  const auto lines = run_groups(target, {group}, &all);
  EXPECT_EQ(lines.size(), MPluginCheck(target).Cases(group).size()) << all;
  ASSERT_EQ(lines.count(check), 1u) << all;
  EXPECT_THAT(lines.at(check), StartsWith(std::string("FAIL ") + check + ": ")) << all;
  EXPECT_THAT(lines.at(check), HasSubstr(fault.seen));
}

const FaultCase kFaults[] = {
    {"exports.functions", nullptr, [](MPluginCheckTarget& t) { t.set_trace_level = nullptr; }, "SetDefaultTracelevel"},
    {"exports.is-proxy", nullptr, [](MPluginCheckTarget& t) { t.is_proxy = [] { return true; }; }, "answers true"},
    {"exports.new-machine", nullptr,
     [](MPluginCheckTarget& t) {
       t.new_machine = [](auto&, auto&, auto, auto, auto&) -> MMachAbstract* { return nullptr; };
     },
     "answered null"},
    {"exports.independent", nullptr, reuse_live_machine, "the first machine again"},
    {"exports.trace-levels", nullptr, [](MPluginCheckTarget& t) { t.set_trace_level = [](int) { return 0; }; },
     "setting 2 answered 0"},
    {"lifecycle.open", [](MSimMachine& m) { m.Tables().open_succeeds = false; }, nullptr, "Open answered false"},
    {"lifecycle.reopen", [](MSimMachine& m) { m.Tables().reopen_succeeds = false; }, nullptr, "after Close"},
    {"lifecycle.close-unopened", [](MSimMachine& m) { m.Tables().crash_operations.insert("Close"); }, nullptr,
     "crashed", true},
    {"lifecycle.delete-after-failed-open",
     [](MSimMachine& m) {
       m.Tables().open_succeeds = false;
       m.Tables().crash_operations.insert("~MSimMachine");
     },
     nullptr, "crashed", true},
    {"lifecycle.channel", [](MSimMachine& m) { m.AtNextPoll([](MSimMachine& s) { s.Output()->Error(16); }); },
     nullptr, "internal error"},
    {"lifecycle.channel", [](MSimMachine& m) { m.AtNextPoll([](MSimMachine& s) { s.Output()->Warning(3); }); },
     nullptr, "unknown warning number 3"},
    {"tables.axes", [](MSimMachine& m) { m.AddAxis("y"); }, nullptr, "\"y\" listed twice"},
    {"tables.axes", [](MSimMachine& m) { m.AddAxis(""); }, nullptr, "empty name"},
    {"tables.axes", [](MSimMachine& m) { m.Tables().crash_operations.insert("GetAxisValue"); }, nullptr, "crashed",
     true},
    {"tables.components", [](MSimMachine& m) { m.AddComponent("bench.config"); }, nullptr, "listed twice"},
    {"tables.versions", [](MSimMachine& m) { m.AddVersion("", "1"); }, nullptr, "empty name"},
    {"tables.probesystems", [](MSimMachine& m) { m.Tables().active_probesystem = "ghost"; }, nullptr,
     "\"ghost\" is not listed"},
    {"tables.probesystems", [](MSimMachine& m) { m.Tables().probesystem_names.push_back("bare"); }, nullptr,
     "IsProbesystemDefined(\"bare\") answers false"},
    {"tables.after-change",
     [](MSimMachine& m) {
       m.AtNextPoll([](MSimMachine& s) {
         s.AddAxis("x");
         s.Output()->Event(kMEventCapabilitiesChanged);
       });
     },
     nullptr, "\"x\" listed twice"},
    {"commands.MMachMoveCommand", [](MSimMachine& m) { m.Command("MMachMoveCommand").Endless(); }, nullptr,
     "not done after 20 polls"},
    {"commands.MMachInitCommand", [](MSimMachine& m) { m.Command("MMachInitCommand").Refuse(); }, nullptr,
     "supported, but the factory answered null"},
    {"commands.MMachWobbleCommand", [](MSimMachine& m) { m.Command("MMachWobbleCommand").refuse = false; }, nullptr,
     "not supported, but the factory made a command"},
    {"commands.MMachResetCommand",
     [](MSimMachine& m) {
       m.SetCommandUnsupported("MMachResetCommand");
       m.Command("MMachResetCommand").Refuse();
     },
     nullptr, "null without an error"},
    {"commands.MMachScanCommand", [](MSimMachine& m) { m.Tables().crash_operations.insert("NewMMachScanCommand"); },
     nullptr, "signal", true},
    {"commands.MMachGetCommand", [](MSimMachine& m) { m.Command("MMachGetCommand").text_name = "fetch"; }, nullptr,
     "GetName answers \"fetch\""},
    {"commands.abort", [](MSimMachine& m) { m.Command("MMachSetCommand").Endless().IgnoreAbort(); }, nullptr,
     "MMachSetCommand still running 20 polls after Abort"},
    {"queries.flags", [](MSimMachine& m) { m.Tables().crash_operations.insert("HasKeypad"); }, nullptr, "crashed",
     true},
    {"queries.axes", [](MSimMachine& m) { m.Tables().limit_tolerances["y"] = -1; }, nullptr,
     "GetLimitTolerance(\"y\") answers -1"},
    {"queries.axes", [](MSimMachine& m) { m.SetAxisValue("x", std::nan("")); }, nullptr, "not finite"},
    {"queries.axis-lists",
     [](MSimMachine& m) {
       m.Tables().has_axis_lists = true;
       m.Tables().second_axis_list = {"x", "ghost"};
     },
     nullptr, "the second axis list names \"ghost\""},
    {"queries.possibility", [](MSimMachine& m) { m.SetPossibility(MSimPossibility::kStrobe, [](auto&) { return 1; }); },
     nullptr, "IsStrobePossibleWith answers possible for {orvexcheck-no-axis}"},
    {"queries.possible-made", [](MSimMachine& m) { m.Command("MMachMovezeroCommand").RefuseWithError(4); }, nullptr,
     "IsMovezeroingPossibleWith({x}) answers true, but the factory of MMachMovezeroCommand answered null"},
    {"queries.features",
     [](MSimMachine& m) {
       m.Tables().autoinfo.possible = true;
       m.Tables().autoinfo.start_succeeds = false;
     },
     nullptr, "autoinfo is possible, but its start answered false"},
    {"queries.features", [](MSimMachine& m) { m.Tables().preview.active = true; }, nullptr,
     "preview is active before any start"},
    {"probesystems.definitions", [](MSimMachine& m) { m.AddProbesystem("twin", {3, 3}); }, nullptr,
     "twin/3 defined twice"},
    {"probesystems.load-unload", [](MSimMachine& m) { m.Command("MMachProbesystemLoadCommand").FailAtPoll(1, 16); },
     nullptr, "probesystem load ps/1 ended with error"},
    {"probesystems.load-unload", [](MSimMachine& m) { m.Command("MMachProbesystemUnloadCommand").FailAtPoll(1, 16); },
     nullptr, "probesystem unload ended with error"},
    {"scans.scandata-scan", [](MSimMachine& m) { m.Command("MMachScanCommand").ScanData({{1, 2, 3}, {4, 5}}); },
     nullptr, "vector 2 has 2 values, the scandata asked for 3"},
    {"scans.scandata-scan", [](MSimMachine& m) { m.Command("MMachScandataCommand").FailAtPoll(1, 5); }, nullptr,
     "the scandata ended with error"},
    {"magazine.slots", [](MSimMachine& m) { m.Tables().denied_magazine_slots.insert(2); }, nullptr,
     "lists slot 2, but IsMagazineSlot(2) answers false"},
    {"magazine.programs", [](MSimMachine& m) { m.Tables().crash_operations.insert("GetMagazineChangeProgram"); },
     nullptr, "crashed", true},
    {"imagefifos.create-delete", [](MSimMachine& m) { m.Command("MMachImagefifoCreateCommand").FailAtPoll(1, 48); },
     nullptr, "imagefifo create ended with error"},
    {"imagefifos.released", [](MSimMachine& m) { m.Tables().keep_imagefifo_blocks = true; }, nullptr, "is still held"},
    {"proxy.open", [](MSimMachine& m) { m.AddAxis("y"); }, nullptr, "the proxy did not open"},
    {"proxy.move-machine", [](MSimMachine& m) { m.Command("MMachMoveCommand").Endless(); }, nullptr,
     "not done after 20 polls"},
    {"proxy.move-sim", [](MSimMachine& m) { m.Tables().poll_error = kMErrorInternal; }, nullptr,
     "the proxy aborted the move of orvexcheck-simaxis on the simulated machine"},
    {"proxy.scan", [](MSimMachine& m) { m.Command("MMachScanCommand").ScanData({{1, 2, 3}, {4, 5}}); }, nullptr,
     "vector 2 has 2 values"},
};

// The table, and for every command class the check of that class: its own factory throws.
std::vector<FaultCase> all_faults() {
  std::vector<FaultCase> faults(std::begin(kFaults), std::end(kFaults));
  const MPluginCheck check{MPluginCheckTarget{}};
  for (const MPluginCheckCase& command : check.Cases("commands")) {
    if (command.name == "commands.abort") continue;
    const std::string factory = std::string("New").append(command.name.substr(command.name.find('.') + 1));
    faults.push_back({command.name, [factory](MSimMachine& m) { m.Tables().throw_operations[factory] = 1; }, nullptr,
                      std::string("simulated exception in ").append(factory)});
  }
  return faults;
}

INSTANTIATE_TEST_SUITE_P(Faults, PluginCheckFaultTest, ::testing::ValuesIn(all_faults()));

}  // namespace
