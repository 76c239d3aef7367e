#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "mproxygetcommand.h"
#include "proxyfixture.h"

namespace {

using GetCommandTest = ProxyFixture;

// sim1 holds "a" = 1 and "c" = 3, sim2 "b" = 2. Values come back in request order once every
// sub-command is done; a failed sub-command leaves them unassembled.
TEST_F(GetCommandTest, ValuesAreAssembledInRequestOrder) {
  for (const bool fails : {false, true}) {
    MakeSims(2);
    Sim(0).AddAxis("a", 0, 1.0).AddAxis("c", 0, 3.0).Command("MMachGetCommand").DoneAfter(2);
    Sim(1).AddAxis("b", 0, 2.0);
    if (fails) Sim(1).Command("MMachGetCommand").FailAtPoll(1);
    std::unique_ptr<MMachGetCommand> command(OpenProxy().NewMMachGetCommand(&channel, {"a", "b", "c"}));
    ASSERT_NE(command, nullptr);
    EXPECT_FALSE(command->IsDone());
    EXPECT_TRUE(command->IsDone());
    const std::vector<double> expected = fails ? std::vector<double>{} : std::vector<double>{1, 2, 3};
    EXPECT_EQ(command->values, expected);
    channel.Clear();
  }
}

}  // namespace
