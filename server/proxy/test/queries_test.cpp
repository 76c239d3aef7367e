#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "merrcapture.h"
#include "proxyfixture.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

namespace {

using QueryTest = ProxyFixture;
using Ask = std::function<double(MProxyMachAbstract&, const std::string&)>;

// "x" on both submachines: the proxy's x2 is the second one's x (marked unavailable, still its
// owner's). Some queries hand the owner the proxy's name unchanged, the others the owner's own.
TEST_F(QueryTest, PerAxisQueriesReachTheOwnerWithTheRightName) {
  struct Case {
    const char* operation;
    std::function<void(MSimTables&)> setup;  // the owner answers 1 for the right name only
    Ask ask;
  };
  const std::vector<Case> cases = {
      {"GetLimitTolerance", [](MSimTables& t) { t.limit_tolerances["x2"] = 1.0; },
       [](MProxyMachAbstract& p, const std::string& a) { return p.GetLimitTolerance(a.c_str()); }},
      {"GetAxisValue", [](MSimTables& t) { t.axes.push_back(MSimAxis::Make("x2", 0, 1.0)); },
       [](MProxyMachAbstract& p, const std::string& a) { return p.GetAxisValue(a.c_str()); }},
      {"IsSpinAxis", [](MSimTables& t) { t.spin_axes = {"x2"}; },
       [](MProxyMachAbstract& p, const std::string& a) { return p.IsSpinAxis(a) ? 1.0 : 0.0; }},
      {"IsKeypadAxis", [](MSimTables& t) { t.keypad_axes = {{"x", 0}}; },
       [](MProxyMachAbstract& p, const std::string& a) { return p.IsKeypadAxis(a) ? 1.0 : 0.0; }},
      {"IsInitAxis", [](MSimTables& t) { t.init_axes = {"x"}; },
       [](MProxyMachAbstract& p, const std::string& a) { return p.IsInitAxis(a) ? 1.0 : 0.0; }},
      {"IsAxisInitialized", [](MSimTables& t) { t.uninitialized_axes = {"x2"}; },
       [](MProxyMachAbstract& p, const std::string& a) { return p.IsAxisInitialized(a) ? 1.0 : 0.0; }}};
  const std::string unknown(45, 'u');
  for (const Case& c : cases) {
    MakeSims(2);
    Sim(0).AddAxis("x");
    Sim(1).AddAxis("x", MMachAxisInfo::kNotAvailable);
    MProxyMachAbstract& proxy = OpenProxy();
    c.setup(Sim(1).Tables());  // after Open, so that the merged tables stay as they are
    EXPECT_EQ(c.ask(proxy, "x2"), 1.0) << c.operation;
    EXPECT_EQ(Sim(0).CallCount(c.operation), 0u) << c.operation;
    MErrCapture capture;
    EXPECT_EQ(c.ask(proxy, unknown), 0.0) << c.operation;
    EXPECT_THAT(capture.LogTexts(), ElementsAre("MProxyMachAbstract::" + std::string(c.operation) +
                                                "(): could not find axis \"" + unknown.substr(0, 40) + "\""));
  }
}

TEST_F(QueryTest, SharedAxisValuesAreCombined) {
  struct Case {
    const char* axis;
    uint32_t first_flags;
    double first, second, expected;
  };
  for (const Case& c : {Case{"speed", 0, 3, 4, 3}, Case{"init", 0, 1, 0, 0}, Case{"lock", 0, 0, 1, 1},
                        Case{"speed", MMachAxisInfo::kNotAvailable, 3, 4, 4}}) {
    MakeSims(2);
    Sim(0).AddAxis(c.axis, c.first_flags, c.first);
    Sim(1).AddAxis(c.axis, 0, c.second);
    EXPECT_EQ(OpenProxy().GetAxisValue(c.axis), c.expected) << c.axis << " " << c.first_flags;
  }
}

double combine_marker(double, double) { return -1.0; }

TEST_F(QueryTest, SubmachinesSharingAnAxis) {
  struct Case {
    const char* label;
    bool async;
    size_t count;
    int unusable, active;
    const char* axis;
    std::vector<size_t> expected;
    size_t log_texts;
  };
  const std::vector<Case> cases = {
      {"UsableOnes", false, 3, 1, -1, "speed", {0, 2}, 0},
      {"NotShared", false, 2, -1, -1, "x", {}, 0},
      {"NoSubmachines", false, 0, -1, -1, "speed", {}, 0},
      // Asynchronous: the plain and the numbered name must belong to that one submachine.
      {"AsyncPlainNameOwner", true, 2, -1, -1, "speed", {0}, 0},
      {"AsyncFollowsActive", true, 2, -1, 1, "speed", {1}, 0},
      {"AsyncOwnerUnusable", true, 2, 0, -1, "speed", {}, 0},
      {"AsyncNumberedNameMissing", true, 1, -1, -1, "speed", {}, 2}};
  for (const Case& c : cases) {
    MakeSims(c.count);
    for (size_t i = 0; i < c.count; ++i) {
      Sim(i).AddAxis("speed", static_cast<int>(i) == c.unusable ? MMachAxisInfo::kNotAvailable : 0);
    }
    if (c.active >= 0) Sim(static_cast<size_t>(c.active)).AddProbesystem("ps").SetActiveProbesystem("ps", 1);
    MProxyMachAbstract& proxy = c.async ? OpenProxy<MProxyAsyncMachAbstract>() : OpenProxy();
    MErrCapture capture;
    MProxyCombineFunction combine = combine_marker;
    std::vector<MMachAbstract*> expected;
    for (size_t i : c.expected) expected.push_back(&Sim(i));
    EXPECT_THAT(proxy.get_submachines_with_axis(c.axis, &combine), ElementsAreArray(expected)) << c.label;
    EXPECT_EQ(combine(2.0, 3.0), std::string(c.axis) == "x" ? -1.0 : 2.0) << c.label;
    EXPECT_EQ(capture.LogTexts().size(), c.log_texts) << c.label;
  }
}

MSimRule answer(int for_empty_set, int for_axes) {
  return [=](const MMachAxesSet& axes) { return axes.empty() ? for_empty_set : for_axes; };
}

// Each submachine has an x: the proxy's x1 and x2. Owners get their own names, and the call
// counters show who was asked.
TEST_F(QueryTest, PossibilityQueriesAskTheOwners) {
  using P = MSimPossibility;
  struct Case {
    const char* label;
    P query;
    MSimRule first, second;  // null: "every named axis is usable here"
    std::function<int(MProxyMachAbstract&)> ask;
    int expected;
    uint64_t first_asked, second_asked;
  };
  const auto scandata = [](MMachAxesSet axes) {
    return [axes](MProxyMachAbstract& p) { return p.IsScandataPossibleWith(axes); };
  };
  const std::vector<Case> cases = {
      {"ScanningOnTwoOwners", P::kScanning, nullptr, nullptr,
       [](MProxyMachAbstract& p) { return int{p.IsScanningPossibleWith({"x1", "x2"})}; }, 0, 0, 0},
      {"MovingAsksEveryOwner", P::kMoving, answer(1, 0), nullptr,
       [](MProxyMachAbstract& p) { return int{p.IsMovingPossibleWith({"x1", "x2"})}; }, 0, 1, 1},
      {"MovingAllAgree", P::kMoving, nullptr, nullptr,
       [](MProxyMachAbstract& p) { return int{p.IsMovingPossibleWith({"x1", "x2"})}; }, 1, 1, 1},
      {"ScandataEmptySet", P::kScandata, nullptr, nullptr, scandata({}), -1, 0, 0},
      {"ScandataUnrestrictedOwner", P::kScandata, answer(0, 0), nullptr, scandata({"x1"}), 1, 1, 0},
      {"ScandataStopsAtARefusal", P::kScandata, answer(1, 0), nullptr, scandata({"x1", "x2"}), 0, 2, 0},
      {"ScandataNoRefusal", P::kScandata, answer(0, 0), answer(1, 1), scandata({"x1", "x2"}), -1, 1, 2},
      {"TrackingOnTwoOwners", P::kTracking, nullptr, nullptr,
       [](MProxyMachAbstract& p) { return int{p.IsTrackingPossibleWith({"x1"}, {"x2"})}; }, 0, 0, 0}};
  const std::map<P, std::string> counters = {{P::kScanning, "IsScanningPossibleWith"},
                                             {P::kMoving, "IsMovingPossibleWith"},
                                             {P::kScandata, "IsScandataPossibleWith"},
                                             {P::kTracking, "IsTrackingPossibleWith"}};
  for (const Case& c : cases) {
    MakeSims(2);
    Sim(0).AddAxis("x").SetPossibility(c.query, c.first);
    Sim(1).AddAxis("x").SetPossibility(c.query, c.second);
    MProxyMachAbstract& proxy = OpenProxy();
    EXPECT_EQ(c.ask(proxy), c.expected) << c.label;
    EXPECT_EQ(Sim(0).CallCount(counters.at(c.query)), c.first_asked) << c.label;
    EXPECT_EQ(Sim(1).CallCount(counters.at(c.query)), c.second_asked) << c.label;
  }
  MErrCapture capture;
  EXPECT_FALSE(OpenProxy().IsMoveIntoLimitSwitchPossibleWith({"x1", "q"}));
  EXPECT_THAT(capture.LogTexts(),
              ElementsAre("MProxyMachAbstract::IsMoveIntoLimitSwitchPossibleWith(): "
                          "split_axesset_to_submachines() failed",
                          "MProxyMachAbstract::split_axesset_to_submachines(): q not found!"));
}

// Both submachines list their x, which the proxy offers as x (the first's), x1 and x2.
TEST_F(QueryTest, MergedListsCarryProxyNames) {
  MakeSims(3);
  Sim(0).AddAxis("x").Tables().keypad_axes = {{"x", 5}, {"free", 1}};
  Sim(1).AddAxis("x").Tables().keypad_axes = {{"x", 9}};
  Sim(2).Tables().keypad_axes = {{"hidden", 7}};
  Sim(0).Tables().has_keypad = Sim(1).Tables().has_keypad = true;
  Sim(0).Tables().has_axis_lists = Sim(1).Tables().has_axis_lists = true;
  Sim(0).Tables().first_axis_list = {"y"};
  Sim(1).Tables().first_axis_list = {"y", "x"};
  MProxyMachAbstract& proxy = OpenProxy();
  std::vector<std::string> listed;
  uint64_t value = 0;
  for (const char* axis = proxy.GetFirstKeypadAxisValue(value); axis;
       axis = proxy.GetNextKeypadAxisValue(value)) {
    listed.push_back(std::string(axis) + "=" + std::to_string(value));
  }
  EXPECT_THAT(listed, ElementsAre("free=1", "x=5", "x1=5", "x2=9"));
  EXPECT_EQ(value, 9u);  // the end leaves it alone
  EXPECT_EQ(Sim(2).CallCount("GetFirstKeypadAxisValue"), 0u);
  listed.clear();
  for (const char* axis = proxy.GetFirstListedAxis(); axis; axis = proxy.GetNextListedAxis()) {
    listed.push_back(axis);
  }
  EXPECT_THAT(listed, ElementsAre("x2", "y"));
}

TEST_F(QueryTest, VersionListing) {
  for (const bool prefixes : {false, true}) {
    MakeSims(2);
    if (prefixes) WriteConfig("[Aliases]\n1=\n2=b\n");
    Sim(0).AddVersion("fw", "3.0");
    Sim(1).AddVersion("fw", "4.0").AddVersion("a", "5.0");
    MProxyMachAbstract& proxy = OpenProxy();
    std::vector<std::string> listed;
    for (auto* line = proxy.GetFirstVersionInfo(); line; line = proxy.GetNextVersionInfo()) {
      listed.push_back(line->name + "|" + line->version);
    }
    const std::vector<std::string> with_prefixes = {"1: '': sim1|1.1", "2: 'b': sim2|1.2",
                                                    "Generic Orvex Proxy|2.00-00", "b.a|5.0", "b.fw|4.0", "fw|3.0"};
    const std::vector<std::string> numbered = {"1: sim1|1.1", "2: sim2|1.2", "Generic Orvex Proxy|2.00-00",
                                               "a|5.0", "fw|3.0", "fw|4.0"};
    EXPECT_THAT(listed, ElementsAreArray(prefixes ? with_prefixes : numbered));
  }
}

// Without a loaded probe system nobody is asked; with one, its owner answers first.
TEST_F(QueryTest, ActiveSubmachineQuestions) {
  for (const bool active : {false, true}) {
    MakeSims(2);
    Sim(0).AddProbe(3, 1).Tables().machine_text = "first";
    Sim(1).AddProbe(4, 2, {2.5}).Tables().loaded_probe = 4;
    if (active) Sim(1).AddProbesystem("ps").SetActiveProbesystem("ps", 1).Tables().machine_text = "active";
    MProxyMachAbstract& proxy = OpenProxy();
    std::string text = "kept";
    EXPECT_FALSE(proxy.GetMagazineLoadProgram(text, 1) || text != "kept");
    EXPECT_EQ(proxy.GetLoadedProbe(), active ? 4u : 0u);
    EXPECT_EQ(proxy.GetProbeTipData(4, 2), active ? std::vector<double>{2.5} : std::vector<double>{});
    EXPECT_EQ(proxy.GetMachineText(), active ? "active" : "first");
    EXPECT_EQ(Sim(0).CallCount("GetLoadedProbe") + Sim(0).CallCount("GetProbeTipData"), 0u);
  }
}

TEST_F(QueryTest, ImagefifoListingWalksEverySubmachine) {
  MakeSims(3);
  Sim(0).Tables().imagefifos = {{"a", {}}, {"b", {}}};
  Sim(2).Tables().imagefifos = {{"c", {}}};
  MProxyMachAbstract& proxy = OpenProxy();
  EXPECT_EQ(proxy.GetNextImagefifo(), nullptr);  // no listing started
  std::vector<const MMachImagefifoEntry*> listed;
  for (auto* entry = proxy.GetFirstImagefifo(); entry; entry = proxy.GetNextImagefifo()) {
    listed.push_back(entry);
  }
  auto& fifos = Sim(0).Tables().imagefifos;
  EXPECT_THAT(listed, ElementsAre(&fifos["a"], &fifos["b"], &Sim(2).Tables().imagefifos["c"]));
  EXPECT_EQ(proxy.GetNextImagefifo(), nullptr);
}

// Wobble parameters come from the one submachine that offers wobble; with none or two the
// proxy answers as a machine without wobble (zeroed parameters) and logs why.
TEST_F(QueryTest, WobbleParametersComeFromTheOneWobbler) {
  const MMachWobbleParameters own{{1, 2, 3, 4, 5, 6}};
  for (size_t wobblers = 0; wobblers <= 2; ++wobblers) {
    MakeSims(3);
    for (size_t i = 0; i < 3; ++i) Sim(i).Tables().wobble = own;
    for (size_t i = 0; i < wobblers; ++i) Sim(i + 1).SetCommandSupported("MMachWobbleCommand");
    MProxyMachAbstract& proxy = OpenProxy();
    MErrCapture capture;
    MMachWobbleParameters out{{9, 9, 9, 9, 9, 9}};
    EXPECT_EQ(proxy.GetWobbleParameters(out), wobblers == 1) << wobblers;
    EXPECT_EQ(out, wobblers == 1 ? own : MMachWobbleParameters{}) << wobblers;
    EXPECT_EQ(capture.LogTexts().size(), wobblers == 1 ? 0u : 1u) << wobblers;
  }
}

}  // namespace
