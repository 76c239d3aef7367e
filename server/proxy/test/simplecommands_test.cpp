#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "mproxygetcommand.h"
#include "proxyfixture.h"

namespace {

using GetCommandTest = ProxyFixture;

// sim1 holds "a" = 1 and "c" = 3, sim2 "b" = 2; both hold the shared axis `shared`. Values come
// back in request order, a shared axis combines both values (first submachine first), and a
// failed sub-command leaves the values unassembled.
TEST_F(GetCommandTest, ValuesAreAssembledInRequestOrder) {
  struct Case {
    const char* label;
    const char* shared;
    double first, second;
    std::function<void(MSimMachine&, MSimMachine&)> setup;
    MMachAxesVector axes;
    std::vector<double> expected;
  };
  const auto none = [](MSimMachine&, MSimMachine&) {};
  const std::vector<Case> cases = {
      {"Order", "lock", 0, 0, [](MSimMachine& s1, MSimMachine&) { s1.Command("MMachGetCommand").DoneAfter(2); },
       {"a", "b", "c"}, {1, 2, 3}},
      {"InitOne", "init", 1, 0, none, {"b", "init"}, {2, 0}},
      {"SpeedFirst", "speed", 5, 7, none, {"speed"}, {5}},
      {"Failed", "lock", 0, 0, [](MSimMachine&, MSimMachine& s2) { s2.Command("MMachGetCommand").FailAtPoll(1); },
       {"a", "b"}, {}},
  };
  MOutputChannel out{1};
  for (const Case& c : cases) {
    MakeSims(2);
    Sim(0).AddAxis("a", 0, 1.0).AddAxis("c", 0, 3.0).AddAxis(c.shared, 0, c.first);
    Sim(1).AddAxis("b", 0, 2.0).AddAxis(c.shared, 0, c.second);
    c.setup(Sim(0), Sim(1));
    MProxyMachAbstract& proxy = OpenProxy();
    std::unique_ptr<MMachGetCommand> command(proxy.NewMMachGetCommand(&out, c.axes));
    ASSERT_NE(command, nullptr) << c.label;
    int polls = 1;
    while (!command->IsDone() && polls < 10) ++polls;
    EXPECT_EQ(command->values, c.expected) << c.label;
    out.Clear();
  }
}

}  // namespace
