#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <variant>
#include <vector>

#include "merrcapture.h"
#include "proxyfixture.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

constexpr uint64_t kNone = MProxyAxesVectorPart::kNoPosition;

// sim1: x, speed, init, a, every command; sim2: x, speed, init, b, only moves. Proxy names:
// x, x1 (sim1's), x2; speed, speed1, speed2 and init, init1, init2 alike (the plain name sim1's).
class SplitTest : public ProxyFixture {
 protected:
  void SetUp() override {
    MakeSims(2);
    for (size_t i = 0; i < 2; ++i) Sim(i).AddAxis("x").AddAxis("speed").AddAxis("init");
    Sim(0).SupportAllCommands();
    Sim(1).SetCommandSupported("MMachMoveCommand");
    Sim(0).AddAxis("a", 0, 1.0);
    Sim(1).AddAxis("b", 0, 2.0);
    proxy = &OpenProxy();
    channel.Clear();
  }

  MProxyMachAbstract* proxy = nullptr;
};

// Tracking-only owners get a record without positions; the flag reaches every record; the x, y
// and z names of the request are not carried over.
TEST_F(SplitTest, MovementKeepsTrackingOnlyOwnersAndTheFlag) {
  MMachMovementPara movement{{{"a", {1.0, true}}, {"x1", {2.0, false}}}, {"b"}, "u", "v", "w", true};
  MProxyBySubmachine<MMachMovementPara> result;
  ASSERT_TRUE(proxy->split_movementpara_to_submachines(movement, result));
  MMachMovementPara first{{{"a", {1.0, true}}, {"x", {2.0, false}}}, {}};
  first.flag = true;
  MMachMovementPara second{{}, {"b"}};
  second.flag = true;
  EXPECT_THAT(result, ElementsAre(std::pair(&Sim(0), first), std::pair(&Sim(1), second)));

  MErrCapture capture;
  const std::string unknown(45, 'u');
  EXPECT_FALSE(proxy->split_movementpara_to_submachines({{}, {unknown}}, result));
  EXPECT_THAT(capture.ContextTexts(), ElementsAre("MProxyMachAbstract::split_movementpara_to_submachines(): "
                                                  "tracking axis " + unknown.substr(0, 40) + " not found!"));
}

// A shared axis is asked of every sharing submachine; only the owner's entry answers a position.
TEST_F(SplitTest, AxesVectorAsksSharingSubmachinesAndMergesBack) {
  MProxyAxesVectorParts parts;
  std::vector<MProxySharedAxis> shared;
  ASSERT_TRUE(proxy->split_axesvector_to_submachines({"b", "init", "a"}, parts, shared));
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_EQ(parts[&Sim(0)].names, (std::vector<std::string>{"init", "a"}));
  EXPECT_EQ(parts[&Sim(0)].positions, (std::vector<uint64_t>{1, 2}));
  EXPECT_EQ(parts[&Sim(1)].names, (std::vector<std::string>{"b", "init"}));
  EXPECT_EQ(parts[&Sim(1)].positions, (std::vector<uint64_t>{0, kNone}));
  ASSERT_EQ(shared.size(), 1u);
  EXPECT_EQ(shared[0].index, 1u);
  EXPECT_EQ(shared[0].parts, (std::map<MMachAbstract*, uint64_t>{{&Sim(0), 0}, {&Sim(1), 1}}));

  struct Case {
    const char* label;
    MProxyBySubmachine<std::vector<double>> values;
    std::vector<double> expected;
  };
  const std::vector<Case> cases = {
      {"All", {{&Sim(0), {1, 7}}, {&Sim(1), {5, 1}}}, {5, 1, 7}},
      {"InitIsAnd", {{&Sim(0), {1, 7}}, {&Sim(1), {5, 0}}}, {5, 0, 7}},
      {"SingleAnswerBecomesOne", {{&Sim(0), {3, 7}}}, {0, 1, 7}},
      {"ShortVectorNotReadPastItsEnd", {{&Sim(0), {1}}, {&Sim(1), {5}}}, {5, 1, 0}},
      {"NothingDelivered", {}, {0, 0, 0}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MProxyMachAbstract::merge_axesvector_values(parts, shared, c.values), c.expected) << c.label;
  }
}

// A polygon goes to one submachine; a failure reaches no submachine.
TEST_F(SplitTest, PolygonNeedsExactlyOneMovingSubmachine) {
  const MMachAxisTarget t{};
  const std::string prefix = "MProxyMachAbstract::split_movepolypara_to_submachines(): ";
  struct Case {
    MMachMovepolyPara poly;
    std::string entry;  // empty: succeeds
  };
  const std::vector<Case> cases = {
      {{{{{"a", t}}, {}, {{"x1", t}}}, {"speed"}}, ""},
      {{{{{"a", t}}, {{"b", t}}}, {}}, prefix + "only one machine may move: sim1 != sim2"},
      {{{{{"a", t}}}, {"b"}}, prefix + "only one machine may move: sim1 != sim2"},
      {{{{}, {}}, {"a"}}, prefix + "no position axis given"},
      {{{{{"c", t}}}, {}}, prefix + "position axis c not found!"},
  };
  for (const Case& c : cases) {
    Sim(0).ClearCommandLog();
    MErrCapture capture;
    MProxyCommand::SubcommandMap subcommands;
    const bool ok =
        proxy->split_movepolypara_to_subcommands<MMachMovepolyCommand>(c.poly, &channel, subcommands);
    EXPECT_EQ(ok, c.entry.empty()) << c.entry;
    if (ok) {
      ASSERT_EQ(subcommands.size(), 1u);
      const auto& sent = std::get<MMachMovepolyPara>(Sim(0).LastCommand()->params);
      EXPECT_EQ(sent, (MMachMovepolyPara{{{{"a", t}}, {}, {{"x", t}}}, {"speed"}}));
    } else {
      EXPECT_THAT(capture.ContextTexts(), ElementsAre(c.entry));
      EXPECT_THAT(Sim(0).CommandLog(), IsEmpty());
      EXPECT_THAT(Sim(1).CommandLog(), IsEmpty());
    }
  }
}

// A request without axes goes, empty, to each submachine supporting the command; a movement's
// tracking axes and flag stay behind.
TEST_F(SplitTest, RequestWithoutAxesGoesToSupportingSubmachines) {
  MProxyCommand::SubcommandMap subcommands;
  ASSERT_TRUE(proxy->split_axesset_to_subcommands<MMachInitCommand>({}, &channel, subcommands));
  EXPECT_EQ(subcommands.size(), 1u);
  EXPECT_EQ(subcommands.count(&Sim(0)), 1u);
  subcommands.clear();
  MMachMovementPara movement{{}, {"a"}};
  movement.flag = true;
  ASSERT_TRUE(proxy->split_movementpara_to_subcommands<MMachMoveCommand>(movement, &channel, subcommands));
  EXPECT_EQ(subcommands.size(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(std::get<MMachMovementPara>(Sim(i).LastCommand("MMachMoveCommand")->params), MMachMovementPara{});
  }
}

}  // namespace
