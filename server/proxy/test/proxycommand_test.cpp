#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "mproxysimplecommands.h"
#include "proxyfixture.h"

namespace {

// Counts the finished-sub-command notifications per submachine.
class CountingMove final : public MProxyForwardingCommand<MMachMoveCommand> {
 public:
  using MProxyForwardingCommand<MMachMoveCommand>::MProxyForwardingCommand;
  void handle_finished_subcommand(MMachAbstract* submachine, MMachCommand*) override { ++calls[submachine]; }
  std::map<MMachAbstract*, int> calls;
};

// Axis "a" on sim1, "b" on sim2; every command polls a move over both.
class ProxyCommandTest : public ProxyFixture {
 protected:
  void SetUp() override {
    MakeSims(2);
    Sim(0).AddAxis("a");
    Sim(1).AddAxis("b");
    proxy = &OpenProxy();
    channel.Clear();
  }
  void TearDown() override {
    command.reset();
    out.Clear();
    ProxyFixture::TearDown();
  }

  void MakeCommand(const MMachMovementPara& movement) {
    MProxyCommand::SubcommandMap subcommands;
    ASSERT_TRUE(proxy->split_movementpara_to_subcommands<MMachMoveCommand>(movement, &out, subcommands));
    command = std::make_unique<CountingMove>(proxy, subcommands, &out, movement);
  }
  void MakeCommand() { MakeCommand(MMachMovementPara{{{"a", {1.0, false}}, {"b", {2.0, false}}}, {}}); }
  const MSimCommandRecord& Move(size_t sim) { return *Sim(sim).LastCommand("MMachMoveCommand"); }

  MProxyMachAbstract* proxy = nullptr;
  MOutputChannel out{1};
  std::unique_ptr<CountingMove> command;
};

struct PollCase {
  const char* label;
  uint32_t done_at[2];  // the poll at which each sub-command finishes by itself
  uint32_t fail_first;  // the poll at which the first one fails, 0: never
  bool machine_error;   // the proxy machine's own channel shows an error before the first pass
  int server_aborts;    // Abort() calls of the server before the first pass
  std::vector<bool> answers;
  std::vector<uint32_t> polls, aborts;  // per sub-command, after the passes
};

// The failed sub-command is never aborted; the other one is aborted in every later pass.
TEST_F(ProxyCommandTest, PollingPassesFollowTheRules) {
  const std::vector<PollCase> cases = {
      {"BothAtOnce", {1, 1}, 0, false, 0, {true, true}, {1, 1}, {0, 0}},
      {"SecondAfterThree", {1, 3}, 0, false, 0, {false, false, true, true}, {1, 3}, {0, 0}},
      {"FailureAbortsTheOther", {1, 5}, 1, false, 0, {false, true, true}, {1, 2}, {0, 2}},
      {"MachineErrorAbortsAllOnce", {5, 5}, 0, true, 0, {true, true, true}, {1, 1}, {1, 1}},
      {"AbortTwiceAbortsOnce", {5, 1}, 0, false, 2, {true}, {1, 1}, {1, 1}},
  };
  for (const PollCase& c : cases) {
    SCOPED_TRACE(c.label);
    SetUp();
    for (size_t i = 0; i < 2; ++i) Sim(i).Command("MMachMoveCommand").DoneAfter(c.done_at[i]);
    if (c.fail_first) Sim(0).Command("MMachMoveCommand").FailAtPoll(c.fail_first);
    MakeCommand();
    if (c.machine_error) channel.Error(16u);
    for (int i = 0; i < c.server_aborts; ++i) command->Abort();
    std::vector<bool> answers;
    for (size_t i = 0; i < c.answers.size(); ++i) answers.push_back(static_cast<MMachCommand&>(*command).IsDone());
    EXPECT_EQ(answers, c.answers);
    EXPECT_EQ((std::vector<uint32_t>{Move(0).polls, Move(1).polls}), c.polls);
    EXPECT_EQ((std::vector<uint32_t>{Move(0).aborts, Move(1).aborts}), c.aborts);
    EXPECT_EQ(command->calls, (std::map<MMachAbstract*, int>{{&Sim(0), 1}, {&Sim(1), 1}}));
    TearDown();
  }
}

// Output written between polls reaches the server's channel once; "capabilities changed" makes
// the proxy re-read that submachine's axes.
TEST_F(ProxyCommandTest, OutputForwardedOnceAndCapabilitiesReread) {
  Sim(0).Command("MMachMoveCommand").DoneAfter(3).DataAt(1, "one").DataAt(2, "two");
  Sim(1).Command("MMachMoveCommand").ChangeAxesAt(1, {MSimAxis::Make("b"), MSimAxis::Make("c")});
  MakeCommand();
  ASSERT_EQ(MProxyTestAccess::axis_table(*proxy).count("c"), 0u);
  for (int i = 0; i < 4; ++i) static_cast<MMachCommand&>(*command).IsDone();
  EXPECT_EQ(MProxyTestAccess::axis_table(*proxy).count("c"), 1u);
  EXPECT_EQ(TakeLines(out), "0001\tdata one\r\n0001\tdata two\r\n0000\tevent \"capabilities changed\"\r\n");
}

}  // namespace
