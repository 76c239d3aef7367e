#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "merrcapture.h"
#include "proxyfixture.h"
#include "stl_utilities.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

constexpr const char* kInternalError = "0001\terror \"internal error\"\r\n";
constexpr const char* kInvalidAxis = "0001\terror \"invalid axis\"\r\n";
constexpr const char* kRefusal = "0001\terror \"transaction: command unknown\"\r\n";

// "a" belongs to sim1 (which holds the loaded probe system), "b" to sim2.
class SplitFactoryTest : public ProxyFixture {
 protected:
  void SetUp() override {
    MakeSims(2);
    Sim(0).AddAxis("a", 0, 1.0).AddAxis("c", 0, 3.0).AddProbesystem("ps").SetActiveProbesystem("ps", 1);
    Sim(1).AddAxis("b", 0, 2.0);
    proxy = &OpenProxy();
    channel.Clear();
  }
  void TearDown() override {
    out.Clear();
    ProxyFixture::TearDown();
  }
  std::string TakeOut() { return TakeLines(out); }

  MProxyMachAbstract* proxy = nullptr;
  MOutputChannel out{1};
};

using Make = std::function<MMachCommand*(MProxyMachAbstract&, MOutputChannel*, const std::string& axis)>;

struct FactoryCase {
  const char* command_class;
  std::string kind;  // the parameter splitter ("axesset", ...); "axesvector" for get and scandata
  std::string unknown_message, refused_message;  // the factory's reports
  Make make;                                     // asks for "a" and `axis`
};

// The trace entries of a splitter's sub-command function for an unknown axis "zz" and a refusal.
std::vector<std::string> unknown_entries(const std::string& kind) {
  const std::string p = "MProxyMachAbstract::split_" + kind;
  if (kind == "axesvector") return {p + "_to_submachines(): zz not found!"};
  const bool named = kind == "destinationpara" || kind == "movementpara";
  return {p + "_to_submachines(): " + (named ? "position axis " : "") + "zz not found!",
          p + "_to_subcommands()" + (named ? "" : ": split_" + kind + "_to_submachines()") + " failed"};
}
std::vector<std::string> refused_entries(const std::string& kind) {
  if (kind == "axesvector") return {};
  return {"MProxyMachAbstract::split_" + kind + "_to_subcommands(): NewMMach*Command() failed"};
}

std::vector<FactoryCase> factory_cases() {
  const MMachAxisTarget t{};
  const auto move = [t](const std::string& axis) { return MMachMovementPara{{{"a", t}, {axis, t}}, {}}; };
  // A group-B factory reports the same message for both failures.
  const auto b = [](const char* command_class, const char* kind, const char* failed, Make make) {
    const std::string message = "MProxyMachAbstract::NewMMach" + std::string(command_class).substr(5) + "(): " + failed;
    return FactoryCase{command_class, kind, message, message, std::move(make)};
  };
  const char* vector_failed = "split_axesvector_to_submachines() failed";
  using P = MProxyMachAbstract;
  using O = MOutputChannel*;
  using A = const std::string&;
  return {
      b("MMachInitCommand", "axesset", vector_failed, [](P& x, O o, A a) { return x.NewMMachInitCommand(o, {"a", a}); }),
      b("MMachKeypadDisableCommand", "axesset", vector_failed,
        [](P& x, O o, A a) { return x.NewMMachKeypadDisableCommand(o, {"a", a}); }),
      b("MMachModuloCommand", "axesset", vector_failed, [](P& x, O o, A a) { return x.NewMMachModuloCommand(o, {"a", a}); }),
      b("MMachSpinEnableCommand", "axesboolmap", vector_failed,
        [](P& x, O o, A a) { return x.NewMMachSpinEnableCommand(o, {{"a", true}, {a, false}}); }),
      b("MMachMoveCommand", "movementpara", "split_movementpara_to_subcommands() failed",
        [move](P& x, O o, A a) { return x.NewMMachMoveCommand(o, move(a)); }),
      b("MMachMovezeroCommand", "movementpara", "split_movementpara_to_subcommands() failed",
        [move](P& x, O o, A a) { return x.NewMMachMovezeroCommand(o, move(a)); }),
      b("MMachProbeOffsetCommand", "destinationpara", "split_destinationpara_to_subcommands() failed",
        [t](P& x, O o, A a) { return x.NewMMachProbeOffsetCommand(o, {{"a", t}, {a, t}}); }),
      {"MMachGetCommand", "axesvector", "NewMMachGetCommand(): split_axesvector_to_submachines failed",
       "NewMMachGetCommand(): failed to instantiate command",
       [](P& x, O o, A a) { return x.NewMMachGetCommand(o, {"a", a}); }},
      {"MMachScandataCommand", "axesvector", "NewMMachScandataCommand(): split_axesvector_to_submachines() failed",
       "NewMMachScandataCommand(): failed", [](P& x, O o, A a) { return x.NewMMachScandataCommand(o, {"a", a}); }},
  };
}

// A report is the factory's message followed by its context's entries, at the end of the log.
void expect_report(const std::vector<std::string>& log, const std::string& message,
                   const std::vector<std::string>& entries) {
  const auto found = std::find(log.begin(), log.end(), message);
  ASSERT_NE(found, log.end()) << message;
  EXPECT_EQ(std::vector<std::string>(found + 1, log.end()), entries) << message;
}

// An unknown axis: the report, the error, null; a refused sub-command: the refusal's line (no
// further error), and the sub-command already made on sim1 is destroyed unpolled.
TEST_F(SplitFactoryTest, FailuresReportAndDestroyWhatWasMade) {
  for (const FactoryCase& c : factory_cases()) {
    SCOPED_TRACE(c.command_class);
    const bool vector = c.kind == "axesvector";
    const bool scandata = std::string(c.command_class) == "MMachScandataCommand";
    {
      MErrCapture capture;
      out.Error(5u);  // the axes-vector factories set error 4 even then, the others add nothing
      EXPECT_EQ(c.make(*proxy, &out, "zz"), nullptr);
      expect_report(capture.LogTexts(), c.unknown_message, unknown_entries(c.kind));
      EXPECT_EQ(TakeOut(), "0001\terror \"unknown axis\"\r\n" + std::string(vector ? kInvalidAxis : ""));
    }
    Sim(1).Command(c.command_class).RefuseWithError(15);
    {
      MErrCapture capture;
      EXPECT_EQ(c.make(*proxy, &out, "b"), nullptr);
      expect_report(capture.LogTexts(), c.refused_message, refused_entries(c.kind));
      // Only scandata clears the refused channel; elsewhere its destructor reports the text.
      EXPECT_EQ(capture.LogTexts().size(), 1 + refused_entries(c.kind).size() + (scandata ? 0 : 2));
      EXPECT_EQ(TakeOut(), kRefusal);
      const MSimCommandRecord* made = Sim(0).LastCommand(c.command_class);
      ASSERT_NE(made, nullptr);
      EXPECT_TRUE(made->deleted && made->polls == 0);
    }
    Sim(1).Command(c.command_class).Refuse();
    MErrCapture capture;
    EXPECT_EQ(c.make(*proxy, &out, "b"), nullptr);
    EXPECT_EQ(TakeOut(), kInternalError);
  }
}

// Movezero takes one submachine; probe offset needs a loaded probe system (no message).
TEST_F(SplitFactoryTest, SingleAndActiveSubmachineRules) {
  const MMachAxisTarget t{};
  MErrCapture capture;
  EXPECT_EQ(proxy->NewMMachMovezeroCommand(&out, MMachMovementPara{{{"a", t}, {"b", t}}, {}}), nullptr);
  EXPECT_THAT(capture.LogTexts(), ElementsAre("MProxyMachAbstract::NewMMachMovezeroCommand(): this command "
                                              "supports only one submachine, but 2 submachines are given"));
  EXPECT_EQ(TakeOut(), kInvalidAxis);
  const MSimCommandRecord* made = Sim(1).LastCommand("MMachMovezeroCommand");
  EXPECT_TRUE(made->deleted && made->polls == 0);

  MakeSims(1);
  Sim(0).AddAxis("a");
  MProxyMachAbstract& unloaded = OpenProxy();
  capture.Reset();
  EXPECT_EQ(unloaded.NewMMachProbeOffsetCommand(&out, {{"a", t}}), nullptr);
  EXPECT_THAT(capture.LogTexts(), IsEmpty());
  EXPECT_EQ(TakeOut(), "0001\terror \"probesystem not loaded\"\r\n");
  EXPECT_THAT(Sim(0).CommandLog(), IsEmpty());
}

// Each scandata command that could be created replaces the assignment; a refused one does not.
TEST_F(SplitFactoryTest, ScandataReplacesTheAssignment) {
  std::unique_ptr<MMachCommand> first(proxy->NewMMachScandataCommand(&out, {"b", "a"}));
  EXPECT_EQ(MProxyTestAccess::scandata_assignment(*proxy)[&Sim(1)].positions, (std::vector<uint64_t>{0}));
  std::unique_ptr<MMachCommand> second(proxy->NewMMachScandataCommand(&out, {"c"}));
  ASSERT_EQ(MProxyTestAccess::scandata_assignment(*proxy).size(), 1u);
  EXPECT_EQ(MProxyTestAccess::scandata_assignment(*proxy)[&Sim(0)].names, (std::vector<std::string>{"c"}));
  Sim(1).Command("MMachScandataCommand").Refuse();
  MErrCapture capture;
  EXPECT_EQ(proxy->NewMMachScandataCommand(&out, {"b"}), nullptr);
  EXPECT_EQ(MProxyTestAccess::scandata_assignment(*proxy).count(&Sim(1)), 0u);
  TakeOut();
}

// A polygon scan runs on the active submachine only, which must provide every scandata axis.
TEST_F(SplitFactoryTest, ScanpolyNeedsTheActiveSubmachine) {
  const MMachAxisTarget t{};
  const std::string name = "MProxyMachAbstract::NewMMachScanpolyCommand(): ";
  std::string elsewhere;
  stl_string_printf(elsewhere, "%swe support only the active machine (%p!=%p)", name.c_str(),
                    static_cast<void*>(&Sim(1)), static_cast<void*>(&Sim(0)));
  std::unique_ptr<MMachCommand> scandata;
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"b", elsewhere}, {"a", name + "all scandata axes must be provided by the active machine"}};
  for (const auto& [axis, message] : cases) {
    MErrCapture capture;
    EXPECT_EQ(proxy->NewMMachScanpolyCommand(&out, {{{{axis, t}}}, {}}), nullptr);
    EXPECT_THAT(capture.LogTexts(), ElementsAre(message));
    EXPECT_EQ(TakeOut(), kInvalidAxis);
    scandata.reset(proxy->NewMMachScandataCommand(&out, {"b"}));
  }
  scandata.reset(proxy->NewMMachScandataCommand(&out, {"c"}));
  Sim(0).Command("MMachScanpolyCommand").ScanData({{4, 5}});
  std::unique_ptr<MMachScanpolyCommand> scan(proxy->NewMMachScanpolyCommand(&out, {{{{"a", t}}}, {}}));
  ASSERT_NE(scan, nullptr);
  std::vector<double> values;
  EXPECT_TRUE(scan->GetData(values));
  EXPECT_EQ(values, (std::vector<double>{4, 5}));
}

}  // namespace
