#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "hosttestproxy.h"
#include "mhostconfig.h"
#include "mhostline.h"
#include "mhostoptions.h"
#include "mhostplatform.h"
#include "mhostsession.h"
#include "moutputchannel.h"
#include "msimmachine.h"
#include "mtesttempdir.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

// A session straight over one simulated machine.
class HostSessionTest : public ::testing::Test {
 protected:
  HostSessionTest() : sim(&channel, nullptr, "bench", ".") {
    sim.AddAxis("x").AddAxis("y").SupportAllCommands();
    sim.Tables().receive_data["cfg"] = "line 1\r\n\"two\"";
  }

  // Runs `line`; answers the error text (empty when the line was good).
  std::string Run(const std::string& line) {
    std::string error;
    if (session.Run(line, error)) return {};
    return error.empty() ? "(empty error)" : error;
  }

  MOutputChannel channel{0};
  MSimMachine sim;
  std::ostringstream out;
  MHostSession session{sim, "bench", channel, {}, {}, out};
};

struct BadLine {
  const char* line;
  const char* error;
};

TEST_F(HostSessionTest, BadLinesAreReportedWithoutAskingTheMachine) {
  const BadLine cases[] = {
      {"frobnicate x", "unknown command \"frobnicate\""},
      {"a\rb x", "unknown command \"a\\rb\""},  // a control byte stays escaped in the reason
      {"probesystem frob", "unknown command \"probesystem\""},
      {"move x=1O", "bad number for x: \"1O\""},
      {"move x=nan", "bad number for x: \"nan\""},
      {"move", "missing target"},
      {"move x", "expected name=value, got \"x\""},
      {"move x=1 x=2", "\"x\" given twice"},
      {"move x=1 --speed=3", "unknown option --speed"},
      {"move x=1 --flag=yes", "option --flag takes no value"},
      {"move x=1 --xyz=a,b", "--xyz needs three axis names: \"a,b\""},
      {"get", "missing axis"},
      {"value x y", "unexpected argument \"y\""},
      {"probesystem load ps", "missing id"},
      {"probesystem load ps 4294967296", "bad number for id: \"4294967296\""},
      {"movecircle --point=1,2", "--point needs three numbers: \"1,2\""},
      {"spin enable x=2", "expected 0 or 1 for x"},
      {"send cfg \"open", "unterminated quote"},
      {"send cfg \"a\\qb\"", "unknown escape \\q"},
      {"possible flying x", "unknown query \"flying\""},
      {"abort 0 move x=1", "abort needs a poll count of at least 1 and a command"},
      {"abort 2", "abort needs a poll count of at least 1 and a command"},
      {"abort 2 abort 1 move x=1", "unknown command \"abort\""},
      {"abort 2 describe", "only a machine command can be aborted"},
  };
  for (const BadLine& c : cases) {
    EXPECT_EQ(Run(c.line), c.error) << c.line;
  }
  EXPECT_EQ(MHostLine_Printable("a\tb\x01\x1b[2J\x7f\xc3\xa9"), "a\tb\\x01\\x1b[2J\\x7f\xc3\xa9");
  EXPECT_TRUE(sim.CommandLog().empty());
  EXPECT_EQ(out.str(), "");
}

// What the words of a line become in the parameters the factory receives.
TEST_F(HostSessionTest, ParametersReachTheFactoryAsWritten) {
  ASSERT_EQ(Run("move x=-1.5 y=2e3 --track=u,v --xyz=y,x,z --flag"), "");
  const auto& move = std::get<MMachMovementPara>(sim.LastCommand("MMachMoveCommand")->params);
  EXPECT_EQ(move.positions.at("x").value, -1.5);
  EXPECT_TRUE(move.positions.at("x").flag);
  EXPECT_EQ(move.positions.at("y").value, 2000.0);
  EXPECT_THAT(move.tracking, ElementsAre("u", "v"));
  EXPECT_EQ(move.xaxis + move.yaxis + move.zaxis, "yxz");
  EXPECT_TRUE(move.flag);

  ASSERT_EQ(Run("movepoly x=1 y=2 | x=3 --track=y"), "");
  const auto& poly = std::get<MMachMovepolyPara>(sim.LastCommand("MMachMovepolyCommand")->params);
  ASSERT_EQ(poly.points.size(), 2u);
  EXPECT_EQ(poly.points[1].at("x").value, 3.0);
  EXPECT_EQ(poly.points[1].count("y"), 0u);
  EXPECT_THAT(poly.tracking, ElementsAre("y"));

  ASSERT_EQ(Run("send cfg \"a b\\r\\n\\\"c\\\"\\\\\""), "");
  EXPECT_EQ(sim.Tables().sent_data.at("cfg"), "a b\r\n\"c\"\\");

  ASSERT_EQ(Run("probesystem define ps 0x10 --data=1,2,3 --values=0.5,-1,2"), "");
  const auto& info = std::get<MMachProbesystemInfo>(sim.LastCommand("MMachProbesystemDefineCommand")->params);
  EXPECT_EQ(info.id, 16u);
  EXPECT_EQ(info.data[2], 3u);
  EXPECT_EQ(info.values[1], -1.0);
}

TEST_F(HostSessionTest, TranscriptShowsChannelLinesResultsAndScanData) {
  sim.SetAxisValue("x", 0.1);
  sim.Command("MMachScanCommand").DoneAfter(3).ScanData({{1, 2}, {3.25, -4}}, 2);
  sim.Command("MMachMoveCommand").DoneAfter(3).FailAtPoll(2, 42);
  sim.Command("MMachInitCommand").RefuseWithError(18);
  for (const char* line : {"get x y", "receive cfg", "scan x=1", "move x=1", "init x"}) {
    ASSERT_EQ(Run(line), "") << line;
  }
  EXPECT_EQ(out.str(),
            "= x 0.1\n= y 0\n= done after 1 poll\n"
            "= data \"line 1\\r\\n\\\"two\\\"\"\n= done after 1 poll\n"
            "= data 1 2\n= data 3.25 -4\n= done after 3 polls\n"
            "0004\terror \"probe: no contact\"\n= failed after 2 polls\n"
            "0005\terror \"wrong state\"\n= refused\n");
}

TEST_F(HostSessionTest, EndlessCommandsAreAbortedWhenAskedOrAtTheLimit) {
  sim.Command("MMachScanCommand").Endless().AbortWithError(10);
  ASSERT_EQ(Run("abort 3 scan x=1"), "");
  session.SetMaxPolls(5);
  ASSERT_EQ(Run("scan x=2"), "");
  EXPECT_EQ(out.str(),
            "= abort after 3 polls\n0001\terror \"aborted\"\n= failed after 4 polls\n"
            "= abort after 5 polls\n0002\terror \"aborted\"\n= failed after 6 polls\n");
  for (const MSimCommandRecord& record : sim.CommandLog()) {
    EXPECT_EQ(record.aborts, 1u);
    EXPECT_TRUE(record.deleted);
  }
}

struct ConfigCase {
  const char* text;
  const char* error;  // empty: good
  size_t line = 0;    // where the error lies
};

TEST(HostConfigTest, ReadsMachinesInListOrderAndRejectsWhatItDoesNotKnow) {
  const ConfigCase cases[] = {
      {"[Proxy]\nplugin=orvexproxy\nname=cmm\nsubmachines=b, a\n[Submachine a]\nplugin=sim\n"
       "configdir=sub\n[Submachine b]\nplugin=/opt/x.so\nname=B\n",
       ""},
      {"[Proxy]\nplugin=p\n[Machine]\n", "[Machine]: unknown section", 3},
      {"[Submachine a]\nplugin=p\n", "[Proxy]: missing"},
      {"; host\n[Proxy]\nname=cmm\n", "[Proxy] plugin: missing", 2},
      {"[Proxy]\nplugin=p\nsubmachines=a\n", "[Proxy] submachines: no section [Submachine a]", 3},
      {"[Proxy]\nplugin=p\nsubmachines=a a\n[Submachine a]\nplugin=s\n", "[Proxy] submachines: \"a\" named twice", 3},
      {"[Proxy]\nplugin=p\n[Submachine a]\nplugin=s\n", "[Submachine a]: not listed in [Proxy] submachines", 3},
      {"[Proxy]\nplugin=p\nsubmachines=a\n[Submachine a]\nplugin=s\nsubmachines=b\n",
       "[Submachine a] submachines: unknown entry", 6},
      {"[Proxy]\nplugin=p\nsubmachines a\n", "No '=' found", 3},
  };
  MTestTempDir dir;
  const std::string path = (dir.path() / "host.ini").string();
  for (const ConfigCase& c : cases) {
    std::ofstream(path, std::ios::trunc) << c.text;
    MHostConfig config;
    std::string error;
    size_t line = 0;
    const bool good = MHostConfig_Read(path, config, error, line);
    EXPECT_EQ(line, c.line) << c.text;
    if (*c.error == '\0') {
      ASSERT_TRUE(good) << error;
      ASSERT_EQ(config.submachines.size(), 2u);
      EXPECT_EQ(config.submachines[0].name, "B");
      EXPECT_EQ(config.submachines[0].plugin, "/opt/x.so");
      EXPECT_EQ(config.submachines[1].name, "a");
      EXPECT_EQ(config.submachines[1].configdir, dir.path().string() + "/sub");
      EXPECT_EQ(config.proxy.configdir, dir.path().string());
    } else {
      EXPECT_FALSE(good) << c.text;
      EXPECT_THAT(error, HasSubstr(c.error)) << c.text;
    }
  }
  MHostConfig config;
  std::string error;
  size_t line = 0;
  EXPECT_FALSE(MHostConfig_Read((dir.path() / "absent.ini").string(), config, error, line));
  EXPECT_EQ(error, "file not found");
}

TEST(HostConfigTest, AliasesFallBackAsTheProxyDoes) {
  MTestTempDir dir;
  const std::string path = (dir.path() / "cmm.ini").string();
  std::ofstream(path) << "[Aliases]\n1=\n2=r t ; table\n3=rt\n5=\n";
  EXPECT_THAT(MHostConfig_ReadAliases(path, 5), ElementsAre("", "rt", "submach3", "submach4", "submach5"));
  EXPECT_TRUE(MHostConfig_ReadAliases((dir.path() / "absent.ini").string(), 2).empty());
}

struct PathCase {
  const char* plugin;
  const char* expected;
};

TEST(HostConfigTest, BareNamesComeFromThePluginFolderAndPathsFromTheConfiguration) {
  const std::string file = MHostPlatform_PluginFileName("orvexsim");
  const PathCase cases[] = {
      {"orvexsim", "/plugins/"},  // followed by the platform's file name
      {"lib/orvexsim.so", "/cfg/lib/orvexsim.so"},
      {"orvexsim.dll", "/cfg/orvexsim.dll"},
      {"..\\x\\orvexsim.dll", "/cfg/..\\x\\orvexsim.dll"},
      {"/opt/orvexsim.so", "/opt/orvexsim.so"},
      {"C:\\orvex\\orvexsim.dll", "C:\\orvex\\orvexsim.dll"},
  };
  for (const PathCase& c : cases) {
    const std::string expected = std::string(c.expected) + (std::string(c.plugin) == "orvexsim" ? file : "");
    EXPECT_EQ(MHostConfig_PluginPath(c.plugin, {"/plugins"}, "/cfg"), expected) << c.plugin;
  }
  EXPECT_EQ(MHostConfig_PluginPath("orvexsim", {"."}, "/cfg"), file);
  // A bare name comes from the first folder that holds the file, else from the last folder.
  MTestTempDir first, second;
  std::ofstream(second.File(file)) << "x";
  const std::vector<std::string> dirs = {first.path().string(), second.path().string(), "/own"};
  EXPECT_EQ(MHostConfig_PluginPath("orvexsim", dirs, "/cfg"), dirs[1] + "/" + file);
  EXPECT_EQ(MHostConfig_PluginPath("orvexproxy", dirs, "/cfg"),
            "/own/" + MHostPlatform_PluginFileName("orvexproxy"));
  EXPECT_EQ(MHostConfig_Resolve(".", "examples"), "examples");
  EXPECT_EQ(MHostConfig_Resolve("sub", "."), "sub");
  EXPECT_EQ(MHostConfig_Folder("host.ini"), ".");
  EXPECT_EQ(MHostConfig_Folder("/host.ini"), "/");
  EXPECT_EQ(MHostConfig_Folder("a\\b/host.ini"), "a\\b");
}

struct OptionsCase {
  std::vector<std::string> args;
  MHostRequest request;
  std::string expected;  // the error, or what the options hold: "dirs|log|level|polls|config|script"
};

std::string summary(const MHostOptions& o) {
  std::string dirs;
  for (const std::string& dir : o.plugin_dirs) dirs.append(dirs.empty() ? "" : ",").append(dir);
  return dirs + "|" + o.error_log + "|" + std::to_string(o.trace_level) + "|" + std::to_string(o.max_polls) +
         "|" + o.config + "|" + o.script;
}

TEST(HostOptionsTest, ReadsTheCommandLineTheGnuWay) {
  using R = MHostRequest;
  const OptionsCase cases[] = {
      {{"h.ini"}, R::kRun, "||-1|100000|h.ini|-"},
      {{"--plugin-dir=a", "--plugin-dir", "b", "--error-log", "e", "--trace-level=3", "--max-polls", "7", "h.ini",
        "s"},
       R::kRun, "a,b|e|3|7|h.ini|s"},
      {{"--", "--help", "-"}, R::kRun, "||-1|100000|--help|-"},
      {{"h.ini", "-h"}, R::kHelp, ""},
      {{"--help"}, R::kHelp, ""},
      {{"--version", "x"}, R::kVersion, ""},
      {{"h.ini", "--error-log"}, R::kBadCommandLine, "option '--error-log' needs a value"},
      {{"--plugin-dir=", "h.ini"}, R::kBadCommandLine, "option '--plugin-dir' needs a value"},
      {{"--version=2"}, R::kBadCommandLine, "option '--version' doesn't allow an argument"},
      {{"--colour", "h.ini"}, R::kBadCommandLine, "unrecognized option '--colour'"},
      {{"-x", "h.ini"}, R::kBadCommandLine, "invalid option -- 'x'"},
      {{"--trace-level=10", "h.ini"}, R::kBadCommandLine, "--trace-level needs a level from 0 to 9"},
      {{"--max-polls", "0", "h.ini"}, R::kBadCommandLine, "--max-polls needs a positive number"},
      {{}, R::kBadCommandLine, "no host configuration given"},
      {{"a", "b", "c"}, R::kBadCommandLine, "too many arguments"},
  };
  for (const OptionsCase& c : cases) {
    MHostOptions options;
    std::string error;
    const MHostRequest request = MHostOptions_Parse(c.args, options, error);
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(request, c.request);
    if (c.request != R::kHelp && c.request != R::kVersion) {
      EXPECT_EQ(c.request == R::kRun ? summary(options) : error, c.expected);
    }
  }
}

// describe over the real proxy, loaded through its exports as the host loads it: numbered names
// of names that end in a digit, prefixed components, the plain probe-system name of the first.
struct DescribeCase {
  std::string aliases;  // the proxy's [Aliases] section, empty: no configuration file
  struct Sub {
    std::vector<std::string> axes, components, probesystems;
  };
  std::vector<Sub> subs;
  std::string expected;  // after the header lines of the submachines
};

TEST(HostDescribeTest, NamesTheSubmachineEntriesBehindEachProxyName) {
  const DescribeCase cases[] = {
      {"1=\n2=b\n",
       {{{"axis1", "x"}, {"c", "probe.config"}, {"ps"}}, {{"axis1"}, {"c", "probe.config"}, {"ps"}}},
       "= axes:\n"
       "=   axis1    0x10  shared: one axis1, two axis1\n"
       "=   axis1_1  0x0   one axis1\n"
       "=   axis1_2  0x0   two axis1\n"
       "=   x        0x0   one x\n"
       "= components:\n"
       "=   b.c             0x3  two c\n"
       "=   b.probe.config  0x3  two probe.config\n"
       "=   c               0x3  one c\n"
       "=   probe.config    0xb  shared: one probe.config, two probe.config\n"
       "=   px.config       0x3  the proxy itself\n"
       "= probe systems:\n"
       "=   ps     one ps\n"
       "=   ps1    one ps\n"
       "=   ps2    two ps\n"},
      // Names that look numbered or prefixed themselves: "a1_2" is both "a1" and "a1_" numbered.
      {"1=p\n2=p.q\n3=r\n",
       {{{"a1", "a1_", "x", "x2", "1"}, {"p.c", "c", "q"}, {"s1", "s"}},
        {{"a1", "a1_", "x", "2"}, {"c", "q", "c1"}, {"s", "s1"}},
        {{"x", "a1_2"}, {"c", "p.q.c"}, {"s"}}},
       "= axes:\n"
       "=   1       0x0   one 1\n"
       "=   2       0x0   two 2\n"
       "=   a1      0x10  shared: one a1, two a1\n"
       "=   a1_     0x10  shared: one a1_, two a1_\n"
       "=   a1_1    0x0   shared: one a1, one a1_\n"
       "=   a1_2    0x10  shared: two a1, two a1_\n"
       "=   a1_2_2  0x0   -\n"
       "=   a1_2_3  0x0   three a1_2\n"
       "=   x       0x10  shared: one x, two x, three x\n"
       "=   x1      0x0   one x\n"
       "=   x2      0x0   two x\n"
       "=   x3      0x0   three x\n"
       "= components:\n"
       "=   p.c        0xb  one c\n"
       "=   p.p.c      0x3  one p.c\n"
       "=   p.q        0x3  one q\n"
       "=   p.q.c      0xb  two c\n"
       "=   p.q.c1     0x3  two c1\n"
       "=   p.q.p.q.c  0x3  -\n"
       "=   p.q.q      0x3  two q\n"
       "=   px.config  0x3  the proxy itself\n"
       "=   r.c        0x3  three c\n"
       "=   r.p.q.c    0x3  three p.q.c\n"
       "= probe systems:\n"
       "=   s       one s\n"
       "=   s1      one s\n"
       "=   s1_1    one s1\n"
       "=   s1_2    two s1\n"
       "=   s2      two s\n"
       "=   s3      three s\n"},
      {"",
       {{{"9", "x_", "x1"}, {"c", "c1"}, {"p"}}, {{"x", "9"}, {"c1", "c"}, {"p1"}}},
       "= axes:\n"
       "=   9    0x10  shared: one 9, two 9\n"
       "=   9_1  0x0   one 9\n"
       "=   9_2  0x0   two 9\n"
       "=   x    0x0   two x\n"
       "=   x1   0x0   one x1\n"
       "=   x_   0x0   one x_\n"
       "= components:\n"
       "=   c          0xb  shared: one c, two c\n"
       "=   c1         0xb  one c\n"
       "=   c1_1       0x3  one c1\n"
       "=   c1_2       0x3  two c1\n"
       "=   c2         0x3  two c\n"
       "=   px.config  0x3  the proxy itself\n"
       "= probe systems:\n"
       "=   p     one p\n"
       "=   p1    one p\n"},
  };
  for (const DescribeCase& c : cases) {
    SCOPED_TRACE(c.aliases.empty() ? std::string("no aliases") : "aliases " + c.aliases);
    MTestTempDir dir;
    if (!c.aliases.empty()) std::ofstream((dir.path() / "px.ini").string()) << "[Aliases]\n" << c.aliases;
    MOutputChannel channel(0);
    std::vector<std::unique_ptr<MSimMachine>> sims;
    std::vector<MMachAbstract*> machines;
    std::vector<MHostSubmachine> described;
    for (const DescribeCase::Sub& sub : c.subs) {
      const std::string name = sims.empty() ? "one" : sims.size() == 1 ? "two" : "three";
      sims.push_back(std::make_unique<MSimMachine>(&channel, nullptr, name, dir.path().string()));
      for (const std::string& axis : sub.axes) sims.back()->AddAxis(axis);
      for (const std::string& component : sub.components) sims.back()->AddComponent(component);
      for (const std::string& probesystem : sub.probesystems) sims.back()->AddProbesystem(probesystem);
      machines.push_back(sims.back().get());
      described.push_back({name, sims.back().get()});
    }
    const MHostTestProxy proxy("px", dir.path().string(), channel, machines);
    ASSERT_TRUE(proxy.get());
    std::ostringstream out;
    MHostSession session(*proxy.get(), "px", channel, described,
                         MHostConfig_ReadAliases((dir.path() / "px.ini").string(), machines.size()), out);
    session.Describe();
    const std::string text = out.str();
    EXPECT_EQ(text.substr(text.find("= axes:")), c.expected);
  }
}

}  // namespace
