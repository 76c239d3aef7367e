#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "msharedmem.h"
#include "msimmachine.h"
#include "mtestuniquename.h"

using ::testing::ElementsAre;

namespace {

std::string text_of(const MOutputChannel& channel) {
  std::string text;
  return channel.Peek(text);
}

class SimCommandTest : public ::testing::Test {
 protected:
  ~SimCommandTest() override {
    output.Clear();
    machine_output.Clear();
  }

  std::unique_ptr<MMachCommand> move(const MMachMovementPara& movement = {}) {
    return std::unique_ptr<MMachCommand>(sim.NewMMachMoveCommand(&output, movement));
  }

  // Polls the command to its end; answers the channel's text and clears the channel.
  std::string Run(MMachCommand* created) {
    std::unique_ptr<MMachCommand> command(created);
    EXPECT_NE(command, nullptr);
    while (command != nullptr && !command->IsDone()) {
    }
    std::string text;
    output.Take(text, true);
    output.Clear();
    return text;
  }

  // The answers of `polls` IsDone() calls.
  static std::vector<bool> poll(MMachCommand& command, int polls) {
    std::vector<bool> answers;
    for (int i = 0; i < polls; ++i) answers.push_back(command.IsDone());
    return answers;
  }

  MOutputChannel machine_output{1};
  MSimMachine sim{&machine_output, nullptr, "sim", "/etc/sim"};
  MOutputChannel output{7};
};

// No answers: the factory refuses. An abort comes after `abort_after` polls.
struct CourseCase {
  const char* label;
  std::function<void(MSimCommandBehaviour&)> setup;
  std::vector<bool> answers;
  std::string text;
  int abort_after = 0;
  friend void PrintTo(const CourseCase& c, std::ostream* os) { *os << c.label; }
};

class SimCommandCourseTest : public SimCommandTest,
                             public ::testing::WithParamInterface<CourseCase> {};

TEST_P(SimCommandCourseTest, FollowsItsBehaviourPollByPoll) {
  const CourseCase& c = GetParam();
  c.setup(sim.Command("MMachMoveCommand"));
  auto command = move();
  if (c.answers.empty()) {  // refused, logged nowhere, and only this class is refused
    EXPECT_EQ(command, nullptr);
    EXPECT_TRUE(sim.CommandLog().empty());
    EXPECT_NE(std::unique_ptr<MMachCommand>(sim.NewMMachInitCommand(&output, {"x"})), nullptr);
  } else {
    ASSERT_NE(command, nullptr);
    std::vector<bool> answers = poll(*command, c.abort_after);
    if (c.abort_after > 0) command->Abort();
    for (const bool answer : poll(*command, static_cast<int>(c.answers.size()) - c.abort_after)) {
      answers.push_back(answer);
    }
    EXPECT_EQ(answers, c.answers);
    const MSimCommandRecord* record = sim.LastCommand("MMachMoveCommand");
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->polls, c.answers.size());
    EXPECT_EQ(record->aborts, c.abort_after > 0 ? 1u : 0u);
    EXPECT_EQ(record->done, c.answers.back());
  }
  EXPECT_EQ(text_of(output), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Behaviours, SimCommandCourseTest,
    ::testing::Values(
        CourseCase{"DoneAtFirstPollByDefault", [](MSimCommandBehaviour&) {}, {true, true}, ""},
        CourseCase{"FailsAtItsPollWithTheCode",
                   [](MSimCommandBehaviour& b) { b.DoneAfter(5).FailAtPoll(2, 20); },
                   {false, true, true}, "0007\terror \"undefined probesystem\"\r\n"},
        CourseCase{"WritesDataAtItsPolls",
                   [](MSimCommandBehaviour& b) {
                     b.DoneAfter(2).DataAt(2, std::vector<double>{1.5, -2}).DataAt(1, "first");
                   },
                   {false, true}, "0007\tdata first\r\n0007\tdata 1.5 -2\r\n"},
        CourseCase{"RaisesEventsAtItsPolls",
                   [](MSimCommandBehaviour& b) { b.DoneAfter(2).EventAt(2, 12).EventAt(1, 11); },
                   {false, true},
                   "0000\tevent \"movement: begin\"\r\n0000\tevent \"movement: end\"\r\n"},
        CourseCase{"EndlessNeverFinishesByItself", [](MSimCommandBehaviour& b) { b.Endless(); },
                   {false, false, false, false}, ""},
        CourseCase{"EndlessEndsAtThePollAfterAbort", [](MSimCommandBehaviour& b) { b.Endless(); },
                   {false, false, true}, "", 2},
        CourseCase{"AbortedWithAnError", [](MSimCommandBehaviour& b) { b.Endless().AbortWithError(); },
                   {false, false, true}, "0007\terror \"aborted\"\r\n", 2},
        CourseCase{"RefusedSilently", [](MSimCommandBehaviour& b) { b.Refuse(); }, {}, ""},
        CourseCase{"RefusedWithAnErrorLine", [](MSimCommandBehaviour& b) { b.RefuseWithError(4); }, {},
                   "0007\terror \"invalid axis\"\r\n"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(SimCommandTest, ScanDataIsDeliveredOneVectorPerCallFromItsPoll) {
  sim.Command("MMachScanpointCommand").DoneAfter(3).ScanData({{1.0, 2.0}, {3.0}}, 2);
  std::unique_ptr<MMachScanpointCommand> scan(sim.NewMMachScanpointCommand(&output, {}));
  std::vector<double> values{9.0};
  EXPECT_FALSE(scan->IsDone());
  EXPECT_FALSE(scan->GetData(values));
  EXPECT_FALSE(scan->IsDone());
  ASSERT_TRUE(scan->GetData(values));
  EXPECT_THAT(values, ElementsAre(1.0, 2.0));
  ASSERT_TRUE(scan->GetData(values));
  EXPECT_THAT(values, ElementsAre(3.0));
  EXPECT_FALSE(scan->GetData(values));
  EXPECT_THAT(values, ElementsAre(3.0));
}

TEST_F(SimCommandTest, AxisTableChangesWithCapabilitiesEventAtItsPoll) {
  sim.AddAxis("x");
  sim.Command("MMachMoveCommand")
      .DoneAfter(3)
      .ChangeAxesAt(2, {MSimAxis::Make("x"), MSimAxis::Make("y", MMachAxisInfo::kNotAvailable)});
  auto command = move();
  command->IsDone();
  EXPECT_FALSE(output.HasEvent(1));
  EXPECT_EQ(sim.GetAxisInfo("y"), nullptr);
  command->IsDone();
  EXPECT_TRUE(output.HasEvent(1));
  EXPECT_EQ(text_of(output), "0000\tevent \"capabilities changed\"\r\n");
  EXPECT_FALSE(sim.IsMovingPossibleWith({"y"}));
}

TEST_F(SimCommandTest, LogKeepsParametersPollsAbortsAndDeletion) {
  MMachMovementPara movement;
  movement.positions["x"] = {5.0, true};
  movement.tracking = {"c"};
  auto command = move(movement);
  command->IsDone();
  command->Abort();
  command.reset();
  std::unique_ptr<MMachCommand> load(sim.NewMMachProbesystemLoadCommand(&output, "ps", 3));
  ASSERT_EQ(sim.CommandLog().size(), 2u);
  const MSimCommandRecord& record = sim.CommandLog()[0];
  EXPECT_EQ(std::get<MMachMovementPara>(record.params), movement);
  EXPECT_TRUE(record.polls == 1 && record.aborts == 1 && record.deleted);
  EXPECT_EQ(std::get<MSimNameArgs>(sim.CommandLog()[1].params), (MSimNameArgs{"ps", 3}));
  EXPECT_FALSE(sim.CommandLog()[1].deleted);
}

TEST_F(SimCommandTest, ClearedLogAndDeadMachineAreNotTouchedByLiveCommands) {
  auto first = move();
  sim.ClearCommandLog();
  first->IsDone();
  first.reset();
  EXPECT_TRUE(sim.CommandLog().empty());

  auto machine = std::make_unique<MSimMachine>(&machine_output, nullptr, "gone", "");
  machine->Command("MMachMoveCommand").Endless().DataAt(1, "never");
  std::unique_ptr<MMachCommand> orphan(machine->NewMMachMoveCommand(&output, {}));
  machine.reset();
  EXPECT_TRUE(orphan->IsDone());
  EXPECT_EQ(text_of(output), "");
}

// A bounded log drops its oldest records; commands keep updating their own record (by serial),
// never a newer command's, and commands whose record was dropped run on unrecorded.
TEST_F(SimCommandTest, BoundedLogKeepsTheNewestRecordsInStep) {
  struct Case {
    size_t capacity;
    int commands;
    size_t kept;
  };
  for (const Case& c : {Case{0, 3, 0}, Case{2, 1, 1}, Case{2, 2, 2}, Case{2, 5, 2}}) {
    MSimMachine machine(&machine_output, nullptr, "bounded", "");
    machine.SetCommandLogCapacity(c.capacity);
    std::vector<std::unique_ptr<MMachCommand>> commands;
    for (int i = 0; i < c.commands; ++i) {
      MMachMovementPara movement;
      movement.positions["x"] = {static_cast<double>(i), false};
      commands.emplace_back(machine.NewMMachMoveCommand(&output, movement));
    }
    // Poll command i (i + 1) times, so that each record shows whose polls it counted.
    for (int i = 0; i < c.commands; ++i) poll(*commands[static_cast<size_t>(i)], i + 1);
    commands.front().reset();
    ASSERT_EQ(machine.CommandLog().size(), c.kept) << "capacity " << c.capacity;
    for (size_t k = 0; k < c.kept; ++k) {
      const int index = c.commands - static_cast<int>(c.kept) + static_cast<int>(k);
      const MSimCommandRecord& record = machine.CommandLog()[k];
      EXPECT_EQ(std::get<MMachMovementPara>(record.params).positions.at("x").value, index);
      EXPECT_EQ(record.polls, static_cast<uint32_t>(index + 1));
      EXPECT_EQ(record.deleted, index == 0);
    }
  }
  // Lowering the capacity drops at once; serials stay in step across it.
  auto first = move();
  auto second = move();
  sim.SetCommandLogCapacity(1);
  second->IsDone();
  first->IsDone();
  ASSERT_EQ(sim.CommandLog().size(), 1u);
  EXPECT_EQ(sim.CommandLog()[0].polls, 1u);
}

// Commands that change the machine's tables when they finish, and their failures.
TEST_F(SimCommandTest, ProbesystemCommandsChangeTheTablesWhenTheyFinish) {
  sim.AddProbesystem("ps", {1});
  MMachProbesystemInfo info;
  info.name = "probe2";
  info.id = 7;
  EXPECT_EQ(Run(sim.NewMMachProbesystemDefineCommand(&output, info)), "");
  EXPECT_TRUE(sim.IsProbesystemIdDefined("probe2", 7));

  EXPECT_EQ(Run(sim.NewMMachProbesystemLoadCommand(&output, "probe2", 7)), "");
  EXPECT_EQ(sim.GetActiveProbesystemId(), 7u);
  EXPECT_EQ(Run(sim.NewMMachProbesystemLoadCommand(&output, "nothere", 1)),
            "0007\terror \"unknown probesystem\"\r\n");
  EXPECT_EQ(Run(sim.NewMMachProbesystemLoadCommand(&output, "probe2", 8)),
            "0007\terror \"undefined probesystem id\"\r\n");
  EXPECT_EQ(sim.GetActiveProbesystem(), "probe2");

  EXPECT_EQ(Run(sim.NewMMachProbesystemDeleteCommand(&output, "probe2", 8)),
            "0007\terror \"undefined probesystem id\"\r\n");
  EXPECT_EQ(Run(sim.NewMMachProbesystemDeleteCommand(&output, "probe2", 0)), "");
  EXPECT_FALSE(sim.HasActiveProbesystem());

  sim.SetActiveProbesystem("ps", 1);
  sim.Command("MMachProbesystemUnloadCommand").FailAtPoll(1);
  EXPECT_EQ(Run(sim.NewMMachProbesystemUnloadCommand(&output)),
            "0007\terror \"internal error\"\r\n");
  EXPECT_EQ(sim.GetActiveProbesystem(), "ps");
}

TEST_F(SimCommandTest, GetUsesTheAxisTable) {
  sim.AddAxis("x", 0, 1.5).AddAxis("y", 0, -2.0);
  std::unique_ptr<MMachGetCommand> get(sim.NewMMachGetCommand(&output, {"y", "x"}));
  EXPECT_TRUE(get->IsDone());
  EXPECT_THAT(get->values, ElementsAre(-2.0, 1.5));
  std::unique_ptr<MMachGetCommand> unknown(sim.NewMMachGetCommand(&output, {"x", "q"}));
  EXPECT_TRUE(unknown->IsDone());
  EXPECT_TRUE(unknown->values.empty());
  EXPECT_EQ(text_of(output), "0007\terror \"unknown axis\"\r\n");
}

constexpr MMachImageFormat kVga{640, 480, 1};

// Unique per process, as test processes may run side by side.
// An optical probe system, loaded.
void add_optic(MSimMachine& machine) {
  machine.AddProbesystem("Optic", {2}).SetImageFormat("Optic", kVga).SetActiveProbesystem("Optic", 2);
}

// The block appears when the command's behaviour ends it, laid out as the machine asks.
TEST_F(SimCommandTest, ImagefifoCreateLaysOutABlockThatDeleteReleases) {
  add_optic(sim);
  for (const bool wide : {false, true}) {
    SCOPED_TRACE(wide ? "64-bit layout" : "32-bit layout");
    const std::string name = MTestUniqueName(wide ? "wide" : "narrow");
    sim.Tables().wide_imagefifos = wide;
    sim.Command("MMachImagefifoCreateCommand").DoneAfter(2);
    std::unique_ptr<MMachCommand> create(sim.NewMMachImagefifoCreateCommand(&output, name, 1000000));
    EXPECT_FALSE(create->IsDone());
    EXPECT_EQ(sim.FindImagefifo(name), nullptr);
    EXPECT_TRUE(create->IsDone());
    const MMachImagefifoEntry* entry = sim.FindImagefifo(name);
    ASSERT_NE(entry, nullptr);
    auto* block = static_cast<unsigned char*>(wide ? entry->buffer64 : entry->buffer32);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(wide ? entry->buffer32 : entry->buffer64, nullptr);
    EXPECT_TRUE(entry->format == kVga);
    EXPECT_EQ(block[0], wide ? 8 : 4);
    EXPECT_EQ(block[wide ? 16 : 8], 3);  // slots

    EXPECT_EQ(Run(sim.NewMMachImagefifoDeleteCommand(&output, name)), "");
    EXPECT_EQ(sim.FindImagefifo(name), nullptr);
    EXPECT_EQ(MSharedMem_GetSize(block), -1);
  }
}

// A block created twice holds two links; the machine drops both when it goes.
TEST_F(SimCommandTest, ADestroyedMachineReleasesTheImagefifoBlocksItStillHolds) {
  const std::string name = MTestUniqueName("kept");
  auto machine = std::make_unique<MSimMachine>(&output, nullptr, "gone", "");
  add_optic(*machine);
  EXPECT_EQ(Run(machine->NewMMachImagefifoCreateCommand(&output, name, 1000000)), "");
  EXPECT_EQ(Run(machine->NewMMachImagefifoCreateCommand(&output, name, 1000000)), "");
  void* const block = machine->FindImagefifo(name)->buffer32;
  ASSERT_NE(block, nullptr);
  machine.reset();
  EXPECT_EQ(MSharedMem_GetSize(block), -1);
}

}  // namespace
