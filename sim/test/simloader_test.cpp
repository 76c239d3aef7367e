#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

#include <fstream>
#include <ostream>
#include <memory>
#include <string>
#include <vector>

#include "merrcapture.h"
#include "msimmachine.h"
#include "mtesttempdir.h"

using ::testing::ElementsAre;

namespace {

class SimLoaderTest : public ::testing::Test {
 protected:
  ~SimLoaderTest() override { output.Clear(); }

  std::string write(const std::string& text) {
    const std::string path = dir.File("sim.ini");
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

  MTestTempDir dir;
  MOutputChannel output{3};
};

TEST_F(SimLoaderTest, DescriptionSetsUpTablesCommandsAndBehaviours) {
  const std::string path = write(
      "; a bench with two axes\r\n"
      "[Machine]\r\nname=Bench A\r\nversion=2.10\r\ndescription=simulated bench\r\n"
      "features=A, C\r\nwobble=1 2 3 4 5 6\r\nthrow=GetMachineText:2\r\npoll_error=16\r\n"
      "[Commands]\r\nsupported=all\r\nunsupported=MMachWobbleCommand\r\n"
      "[Axis x]\r\nflags=0x8\r\nvalue= 12.5 \r\nmin=-100\r\nmax=1e2\r\ntolerance=0.5\r\n"
      "list=1 2\r\nkeypad=7\r\n"
      "[Axis y]\r\nflags=16\r\ninitialized=0\r\n"
      "[Component probe.config]\r\nversion=1.00-00\r\nflags=11\r\n"
      "[Probesystem ps]\r\nids=1 2\r\nactive=2\r\nimage=640 480 0x1\r\n"
      "[Command MMachScanCommand]\r\npolls=2\r\nscandata=1 2 3, 4.5 -6 7\r\n"
      "[Command MMachMoveCommand]\r\nfail_at_poll=1\r\nerror=20\r\nthrow_on_abort=1\r\n");
  MErrCapture capture;
  auto sim = MSimMachine::NewFromDescription(&output, nullptr, "bench", "/etc/sim", path);
  ASSERT_NE(sim, nullptr);
  EXPECT_TRUE(capture.LogTexts().empty());

  EXPECT_STREQ(sim->GetMachineVersion(), "2.10");
  EXPECT_NO_THROW(sim->GetMachineText());
  EXPECT_THROW(sim->GetMachineText(), std::runtime_error);
  EXPECT_NO_THROW(sim->GetMachineText());
  EXPECT_TRUE(sim->HasFeatureA() && !sim->HasFeatureB() && sim->HasFeatureC());
  MMachWobbleParameters wobble;
  EXPECT_TRUE(sim->GetWobbleParameters(wobble));
  EXPECT_EQ(wobble.values[5], 6.0);

  const MMachAxisInfo* x = sim->GetFirstAxisInfo();
  ASSERT_NE(x, nullptr);
  EXPECT_TRUE(x->flags == MMachAxisInfo::kHasRange && x->range_min == -100.0 && x->range_max == 100.0);
  EXPECT_EQ(sim->GetAxisValue("x"), 12.5);
  uint64_t keypad_value = 0;
  EXPECT_STREQ(sim->GetFirstKeypadAxisValue(keypad_value), "x");
  EXPECT_EQ(keypad_value, 7u);
  EXPECT_EQ(sim->GetNextAxisInfo()->flags, MMachAxisInfo::kNotAvailable);
  EXPECT_FALSE(sim->IsAxisInitialized("y"));
  EXPECT_EQ(sim->GetComponentInfo("probe.config")->flags, 11u);

  EXPECT_EQ(sim->GetActiveProbesystemId(), 2u);
  EXPECT_TRUE(sim->HasImagefifos() && sim->GetImageFormat() == (MMachImageFormat{640, 480, 1}));
  EXPECT_TRUE(sim->IsCommandSupported("MMachScandataCommand"));
  EXPECT_FALSE(sim->IsCommandSupported("MMachWobbleCommand"));
  std::unique_ptr<MMachScanCommand> scan(sim->NewMMachScanCommand(&output, {}));
  EXPECT_FALSE(scan->IsDone());
  EXPECT_TRUE(scan->IsDone());
  std::vector<double> values;
  ASSERT_TRUE(scan->GetData(values) && scan->GetData(values));
  EXPECT_THAT(values, ElementsAre(4.5, -6.0, 7.0));
  std::unique_ptr<MMachCommand> move(sim->NewMMachMoveCommand(&output, {}));
  EXPECT_THROW(move->Abort(), std::runtime_error);
  EXPECT_TRUE(move->IsDone());
  std::string text;
  EXPECT_EQ(output.Peek(text), "0003\terror \"undefined probesystem\"\r\n");
  output.Clear();
  sim->Poll();
  EXPECT_EQ(output.Peek(text), "0003\terror \"internal error\"\r\n");
}

// Empty content: no file. Line 0: the reason follows "<path>: ".
struct MalformedCase {
  const char* label;
  std::string content;
  size_t line;
  std::string reason;  // the error-trace entry under the report, after "<path>:<line>: "
  friend void PrintTo(const MalformedCase& c, std::ostream* os) { *os << c.label; }
};

class SimMalformedDescriptionTest : public SimLoaderTest,
                                    public ::testing::WithParamInterface<MalformedCase> {};

TEST_P(SimMalformedDescriptionTest, IsReportedAndChangesNothing) {
  const std::string path = GetParam().content.empty() ? dir.File("missing.ini") : write(GetParam().content);
  const std::string line = GetParam().line == 0 ? "" : std::string(":").append(std::to_string(GetParam().line));
  MSimMachine sim(&output, nullptr, "bench", "/etc/sim");
  sim.AddAxis("kept");
  MErrCapture capture;
  EXPECT_FALSE(sim.LoadDescription(path));
  EXPECT_THAT(capture.LogTexts(),
              ElementsAre("MSimMachine::LoadDescription(): \"" + path + "\" not loaded",
                          path + line + ": " + GetParam().reason));
  ASSERT_NE(sim.GetFirstAxisInfo(), nullptr);
  EXPECT_EQ(sim.GetNextAxisInfo(), nullptr);
  EXPECT_EQ(sim.NewFromDescription(&output, nullptr, "bench", "", path), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, SimMalformedDescriptionTest,
    ::testing::Values(
        MalformedCase{"MissingFile", "", 0, "file not found"},
        MalformedCase{"NotAFlag", "[Axis x]\nflags=abc\n", 2,
                      "[Axis x] flags: \"abc\" is not an unsigned 32-bit number"},
        MalformedCase{"FlagBeyond32Bits", "[Axis x]\nflags=4294967296\n", 2,
                      "[Axis x] flags: \"4294967296\" is not an unsigned 32-bit number"},
        MalformedCase{"DecimalComma", "[Axis x]\nvalue=1,5\n", 2,
                      "[Axis x] value: \"1,5\" is not a number"},
        MalformedCase{"UnknownSection", "[Machine]\nname=a\n[Axes]\n", 3, "[Axes]: unknown section"},
        MalformedCase{"UnknownCommandClass", "[Command MMachMoovCommand]\npolls=2\n", 1,
                      "[Command MMachMoovCommand]: \"MMachMoovCommand\" is not a command class"},
        MalformedCase{"UnknownSupportedCommand", "[Commands]\nsupported=MMachMoveCommand, all\n", 2,
                      "[Commands] supported: \"all\" is not a command class"},
        MalformedCase{"TwoActiveProbesystems",
                      "[Probesystem a]\nids=1\nactive=1\n[Probesystem b]\nactive=1\n", 5,
                      "[Probesystem b] active: \"a\" is already the active probe system"},
        MalformedCase{"ActiveIdNotAmongItsIds", "[Probesystem ps]\nids=1 2\nactive=3\n", 3,
                      "[Probesystem ps] active: 3 is not among its ids"},
        MalformedCase{"ScanDataRowsOfTwoWidths", "[Command MMachScanCommand]\nscandata=1 2, 3\n", 2,
                      "[Command MMachScanCommand] scandata: rows of 2 and 1 values"},
        MalformedCase{"NegativeCount", "[Command MMachMoveCommand]\npolls=-1\n", 2,
                      "[Command MMachMoveCommand] polls: \"-1\" is negative"},
        MalformedCase{"ImageOfTwoNumbers", "[Probesystem ps]\nimage=640, 480\n", 2,
                      "[Probesystem ps] image: \"640, 480\" is not three numbers"},
        MalformedCase{"ThrowAtCallZero", "[Machine]\nthrow=Open:0\n", 2,
                      "[Machine] throw: \"Open:0\" is not operation[:call] with a call from 1"},
        MalformedCase{"NotABoolean", "[Machine]\nopen=yes\n", 2,
                      "[Machine] open: \"yes\" is not 0 or 1"},
        MalformedCase{"BadScanData", "[Command MMachScanCommand]\nscandata=1 2, 3 x\n", 2,
                      "[Command MMachScanCommand] scandata: \"1 2, 3 x\" is not a list of "
                      "numbers"}),
    [](const auto& info) { return std::string(info.param.label); });

// One pass finds every problem; an unknown entry only warns. Checking lists the same problems
// with their lines, and reads the magazine that the description names.
TEST_F(SimLoaderTest, EveryProblemIsFoundWithItsLine) {
  const std::string path = write(
      "[Axis x]\nspeeed=1\nflags=-3\n\n[Probesystem ps]\nids=1\nactive=2\n"
      "[Command MMachScanCommand]\nscandata=1, 2 3\nabort_error=-1\n");
  MSimMachine sim(&output, nullptr, "bench", "/etc/sim");
  MErrCapture capture;
  EXPECT_FALSE(sim.LoadDescription(path));
  EXPECT_THAT(capture.LogTexts(),
              ElementsAre("MSimMachine::LoadDescription(): \"" + path + "\" not loaded",
                          path + ":3: [Axis x] flags: \"-3\" is negative",
                          path + ":2: [Axis x] speeed: unknown entry, ignored",
                          path + ":10: [Command MMachScanCommand] abort_error: \"-1\" is negative",
                          path + ":7: [Probesystem ps] active: 2 is not among its ids",
                          path + ":9: [Command MMachScanCommand] scandata: rows of 1 and 2 values"));
  std::vector<MSimDescriptionProblem> problems;
  EXPECT_FALSE(MSimMachine::CheckDescription(path, dir.path().string(), problems));
  ASSERT_EQ(problems.size(), 5u);
  EXPECT_TRUE(problems[1].warning && problems[1].line == 2 && problems[1].file == path);

  capture.Reset();
  const std::string good = write("[Machine]\nmagazine=mag.database\n[Axis x]\nspeeed=1\n");
  EXPECT_TRUE(sim.LoadDescription(good));
  EXPECT_THAT(capture.LogTexts(),
              ElementsAre("MSimMachine::LoadDescription(): " + good + ":4: [Axis x] speeed: unknown entry, ignored"));
  std::ofstream(dir.File("mag.database"), std::ios::binary) << "[Camera_1_slot1]\nload.program=l\nunload.program=u\n";
  problems.clear();
  EXPECT_FALSE(MSimMachine::CheckDescription(good, dir.path().string(), problems));
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_EQ(problems[1].line, 2u);
  EXPECT_THAT(problems[1].message, testing::StartsWith("[Machine] magazine: \"" + dir.path().string() + "\\mag.database\" not read: "));
}

TEST_F(SimLoaderTest, UnreadableFileIsReportedWithTheReaderReason) {
  MErrCapture capture;
  MSimMachine sim(&output, nullptr, "bench", "/etc/sim");
  const std::string broken = write("[Machine]\nname\n");
  EXPECT_FALSE(sim.LoadDescription(broken));
  const std::vector<std::string> texts = capture.LogTexts();
  ASSERT_GE(texts.size(), 2u);
  EXPECT_EQ(texts[0], "MSimMachine::LoadDescription(): \"" + broken + "\" not loaded");
  EXPECT_THAT(texts, testing::Contains(testing::HasSubstr("No '=' found")));
}

}  // namespace
