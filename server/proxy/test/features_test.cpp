#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "merrcapture.h"
#include "proxyfixture.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace {

using Values = std::vector<double>;
using Tweak = std::function<void(MSimTables&, MSimTables&)>;

const std::string kInvalid = "0001\terror \"invalid argument\"\r\n";
const std::string kNotLoaded = "0001\terror \"probesystem not loaded\"\r\n";

class FeatureTest : public ProxyFixture {
 protected:
  // sim1 lists x and y, sim2 x and z (x1 and x2 lead to the owners' own x), sim3 w; all can
  // autoinfo and autolatch.
  MProxyMachAbstract& OpenSims(size_t count = 2) {
    MakeSims(count);
    const std::vector<std::vector<const char*>> axes = {{"x", "y"}, {"x", "z"}, {"w"}};
    for (size_t i = 0; i < count; ++i) {
      for (const char* axis : axes[i]) Sim(i).AddAxis(axis);
      Sim(i).Tables().autoinfo.possible = Sim(i).Tables().autolatch.possible = true;
    }
    return OpenProxy();
  }
};

// Merged only when both owners delivered since the last merged read, in the order of the started
// axes; several owners are drained to their latest vector.
TEST_F(FeatureTest, AutoinfoMergesOnlyWhenEveryOwnerDelivered) {
  MProxyMachAbstract& proxy = OpenSims();
  ASSERT_TRUE(proxy.StartAutoinfo(&channel, 7, {"z", "x1", "y", "x2"}));
  EXPECT_THAT(Sim(0).Tables().autoinfo.axes, ElementsAre("x", "y"));
  EXPECT_THAT(Sim(1).Tables().autoinfo.axes, ElementsAre("z", "x"));
  struct Step {
    std::vector<Values> first, second;
    bool answer;
    Values values;
  };
  const std::vector<Step> steps = {{{{9, 9}, {1, 2}}, {}, false, {-1}},
                                   {{}, {{3, 4}}, true, {3, 1, 2, 4}},
                                   {{}, {}, false, {3, 1, 2, 4}},
                                   {{}, {{5, 6}}, false, {3, 1, 2, 4}},
                                   {{{7, 8}}, {}, true, {5, 7, 8, 6}}};
  Values values{-1};
  for (size_t i = 0; i < steps.size(); ++i) {
    for (const Values& v : steps[i].first) Sim(0).Tables().autoinfo.data.push_back(v);
    for (const Values& v : steps[i].second) Sim(1).Tables().autoinfo.data.push_back(v);
    EXPECT_EQ(proxy.GetAutoinfoData(values), steps[i].answer) << "step " << i;
    EXPECT_THAT(values, ElementsAreArray(steps[i].values)) << "step " << i;
  }
  proxy.StopAutoinfo();
  EXPECT_FALSE(proxy.IsAutoinfoActive() || Sim(0).Tables().autoinfo.active || Sim(1).Tables().autoinfo.active);
}

// Every failure leaves autoinfo idle, also when it ran before; a refused start stops the owners
// started before it, and nothing else.
TEST_F(FeatureTest, FailedAutoinfoStartLeavesNothingRunning) {
  struct Case {
    MMachAxesVector axes;
    std::function<void(MSimTables&, MSimTables&, MSimTables&)> tweak;
    std::vector<std::string> log;
    std::string lines;
    std::vector<uint64_t> starts, stops;
  };
  const std::vector<Case> cases = {
      {{"y", "z"}, [](MSimTables&, MSimTables& t, MSimTables&) { t.autoinfo.possible = false; },
       {"MProxyMachAbstract::StartAutoinfo(): impossible for axis z"}, kInvalid, {0, 0, 0}, {0, 0, 0}},
      {{"y", "z", "w"}, [](MSimTables&, MSimTables&, MSimTables& t) { t.autoinfo.start_succeeds = false; },
       {"MProxyMachAbstract::StartAutoinfo(): StartAutoinfo() failed"}, "", {1, 1, 1}, {1, 1, 0}}};
  for (const Case& c : cases) {
    MProxyMachAbstract& proxy = OpenSims(3);
    ASSERT_TRUE(proxy.StartAutoinfo(&channel, 0, {"y"}));
    c.tweak(Sim(0).Tables(), Sim(1).Tables(), Sim(2).Tables());
    for (size_t i = 0; i < 3; ++i) Sim(i).ResetCallCounts();
    MErrCapture capture;
    EXPECT_FALSE(proxy.StartAutoinfo(&channel, 0, c.axes)) << c.log[0];
    EXPECT_FALSE(proxy.IsAutoinfoActive()) << c.log[0];
    EXPECT_THAT(capture.LogTexts(), ElementsAreArray(c.log));
    EXPECT_EQ(TakeLines(), c.lines) << c.log[0];
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(Sim(i).CallCount("StartAutoinfo"), c.starts[i]) << c.log[0] << ", sim" << i + 1;
      EXPECT_EQ(Sim(i).CallCount("StopAutoinfo"), c.stops[i]) << c.log[0] << ", sim" << i + 1;
    }
  }
}

// Autolatch runs on one capable submachine; a failed start leaves the one running on sim2 alone.
TEST_F(FeatureTest, AutolatchNeedsOneCapableOwner) {
  struct Case {
    std::string axis;
    MMachAxesVector axes;
    Tweak tweak;
    std::vector<std::string> log;
    std::string lines;
  };
  const auto none = [](MSimTables&, MSimTables&) {};
  const std::vector<Case> cases = {
      {"x1", {"y", "z"}, none, {"StartAutolatch(): not all axes on the same submachine"}, kInvalid},
      {"x1", {"y"}, [](MSimTables& t, MSimTables&) { t.autolatch.possible = false; },
       {"StartAutolatch(): autolatch command not supported by submachine sim1 (d1)"}, kInvalid},
      {"x1", {"y"}, [](MSimTables& t, MSimTables&) { t.autolatch.start_succeeds = false; },
       {"StartAutolatch(): failed to start autolatch on sim1 (d1)"}, ""},
      {"x2", {"z", "x2"}, none, {}, ""}};
  for (const Case& c : cases) {
    MProxyMachAbstract& proxy = OpenSims();
    ASSERT_TRUE(proxy.StartAutolatch(&channel, "z", {"z"}));
    c.tweak(Sim(0).Tables(), Sim(1).Tables());
    MErrCapture capture;
    EXPECT_EQ(proxy.StartAutolatch(&channel, c.axis, c.axes), c.log.empty()) << c.axis;
    EXPECT_THAT(capture.LogTexts(), ElementsAreArray(c.log));
    EXPECT_EQ(TakeLines(), c.lines) << c.axis;
    Sim(1).Tables().autolatch.triggered = true;
    EXPECT_TRUE(proxy.IsAutolatchTriggered() && !Sim(0).Tables().autolatch.active) << c.axis;
    proxy.StopAutolatch();
    EXPECT_FALSE(proxy.IsAutolatchActive() || Sim(1).Tables().autolatch.active) << c.axis;
  }
  EXPECT_EQ(Sim(1).Tables().autolatch.axis, "x");
  EXPECT_THAT(Sim(1).Tables().autolatch.axes, ElementsAre("z", "x"));
}

// The active submachine previews when it can; otherwise exactly one capable submachine must
// exist, and a preview left running counts as one.
TEST_F(FeatureTest, PreviewPlacement) {
  const std::string ambiguous =
      "StartPreview(): active machine does not support preview. Where do you want to start it?";
  struct Case {
    bool first_active, first_can, second_can;
    int machine;          // the 0-based index of the preview machine; -1: refused
    std::string context;  // of the first start when refused, else of the second
    bool second_start;
  };
  const std::vector<Case> cases = {{true, true, true, 0, "", true},
                                   {true, false, true, 1, ambiguous, false},
                                   {false, true, true, -1, ambiguous, false},
                                   {true, false, false, -1, "StartPreview(): no submachine supports preview", false}};
  for (const Case& c : cases) {
    MakeSims(2);
    Sim(0).AddProbesystem("ps");
    if (c.first_active) Sim(0).SetActiveProbesystem("ps", 1);
    Sim(0).Tables().preview.possible = c.first_can;
    Sim(1).Tables().preview.possible = c.second_can;
    MProxyMachAbstract& proxy = OpenProxy();
    EXPECT_TRUE(proxy.StopPreview());  // nothing runs
    MErrCapture capture(3);
    const bool placed = c.machine >= 0;
    EXPECT_EQ(proxy.StartPreview(&channel, 9), placed) << c.context;
    if (placed) {
      const std::string n = std::to_string(c.machine + 1);
      EXPECT_THAT(capture.TraceLines(), ElementsAre("StartPreview(): preview started on sim" + n + " [d" + n + "]"));
      EXPECT_EQ(Sim(c.machine).Tables().preview.value, 9u);
      EXPECT_EQ(proxy.StartPreview(&channel, 9), c.second_start) << c.context;
    }
    EXPECT_EQ(proxy.IsPreviewActive(), c.second_start) << c.context;
    if (!c.second_start) {
      EXPECT_THAT(capture.ContextTexts(), ElementsAre(c.context));
      EXPECT_EQ(TakeLines(), kNotLoaded) << c.context;
    }
  }
}

TEST_F(FeatureTest, PreviewEndsWhateverTheSubmachineAnswers) {
  MakeSims(1);
  Sim(0).Tables().preview.possible = true;
  MProxyMachAbstract& proxy = OpenProxy();
  Sim(0).Tables().preview.start_succeeds = false;
  MErrCapture capture;
  EXPECT_FALSE(proxy.StartPreview(&channel, 1));
  EXPECT_THAT(capture.ContextTexts(), ElementsAre("StartPreview(): failed to start preview on sim1 [d1]"));
  EXPECT_FALSE(proxy.IsPreviewActive());
  Sim(0).Tables().preview.start_succeeds = true;
  Sim(0).Tables().preview.stop_succeeds = false;
  ASSERT_TRUE(proxy.StartPreview(&channel, 1));
  EXPECT_FALSE(proxy.StopPreview());
  EXPECT_FALSE(proxy.IsPreviewActive());
}

// Preview memory of ps2 (sim2's own ps) runs on sim2: the start translates the name, stop and
// ready hand the proxy's name over unchanged.
TEST_F(FeatureTest, PreviewMemoryFollowsTheProbesystemOwner) {
  struct Case {
    std::string probesystem;
    Tweak tweak;
    std::string context, lines;
  };
  const auto none = [](MSimTables&, MSimTables&) {};
  const std::vector<Case> cases = {
      {"nope", none, "StartPreviewMemory(): no mapping for probesystem nope",
       "0001\terror \"unknown probesystem\"\r\n"},
      {"ps1", none, "StartPreviewMemory(): sim1 [d1] does not support preview memory command",
       "0001\terror \"probesystem does not support preview\"\r\n"},
      {"ps2", [](MSimTables&, MSimTables& t) { t.preview_memory.start_succeeds = false; },
       "StartPreviewMemory(): command failed on the submachine", ""},
      {"ps2", none, "", ""}};
  for (const Case& c : cases) {
    MakeSims(2);
    Sim(0).AddProbesystem("ps");
    Sim(1).AddProbesystem("ps");
    Sim(1).Tables().preview_memory.possible = true;
    MProxyMachAbstract& proxy = OpenProxy();
    c.tweak(Sim(0).Tables(), Sim(1).Tables());
    MErrCapture capture(3);
    const bool started = c.context.empty();
    EXPECT_EQ(proxy.StartPreviewMemory(&channel, 4, 5, c.probesystem), started) << c.context;
    EXPECT_EQ(TakeLines(), c.lines) << c.context;
    EXPECT_EQ(proxy.IsPreviewMemoryActive(c.probesystem), started) << c.context;
    if (!started) {
      EXPECT_THAT(capture.ContextTexts(), ElementsAre(c.context));
      EXPECT_TRUE(proxy.StopPreviewMemory(c.probesystem));
      EXPECT_EQ(Sim(1).CallCount("StopPreviewMemory"), 0u);
      continue;
    }
    EXPECT_EQ(Sim(1).Tables().preview_memory.running.count("ps"), 1u);
    Sim(1).Tables().preview_memory.running["ps2"].ready = true;
    EXPECT_TRUE(proxy.IsPreviewMemoryReady("ps2"));
    EXPECT_TRUE(proxy.StopPreviewMemory("ps2"));
    EXPECT_FALSE(proxy.IsPreviewMemoryActive("ps2"));
    EXPECT_THAT(capture.TraceLines(), ElementsAre("StartPreviewMemory(): preview memory started on sim2 [d2]",
                                                  "StopPreviewMemory(): preview memory stopped on sim2 [d2]"));
  }
}

}  // namespace
