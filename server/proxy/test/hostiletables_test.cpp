// Submachines whose tables are hostile to the merge: empty, duplicate and very long names, a null
// machine name, and names that the proxy's own numbering or prefixes would produce. Open either
// merges them so that every proxy name leads to exactly one submachine entry, or refuses.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "merrcapture.h"
#include "proxyfixture.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace {

const std::string kLong(1000, 'n');

struct HostileCase {
  const char* label;
  size_t sims;
  std::function<void(std::vector<MSimMachine*>& sims)> setup;
  std::optional<std::string> ini;
  std::vector<std::string> axes;  // Describe() of the merged axis table; empty: Open refuses ...
  std::string refusal;            // ... with this error-log entry
};

std::ostream& operator<<(std::ostream& out, const HostileCase& c) { return out << c.label; }

class HostileTablesTest : public ProxyFixture, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(HostileTablesTest, OpenMergesUniquelyOrRefuses) {
  const HostileCase& c = GetParam();
  MakeSims(c.sims);
  std::vector<MSimMachine*> sims;
  for (size_t i = 0; i < c.sims; ++i) sims.push_back(&Sim(i));
  c.setup(sims);
  if (c.ini) WriteConfig(*c.ini);
  MErrCapture capture;
  MProxyMachAbstract& proxy = MakeProxy();
  const bool opened = proxy.Open();
  if (c.refusal.empty()) {
    ASSERT_TRUE(opened);
    EXPECT_THAT(Describe(MProxyTestAccess::axis_table(proxy)), ElementsAreArray(c.axes));
    for (const auto& [name, entry] : MProxyTestAccess::axis_table(proxy)) {
      const MMachAxisInfo* info = proxy.GetAxisInfo(name);
      EXPECT_TRUE(info && info->name == name) << name.substr(0, 20);
    }
  } else {
    EXPECT_FALSE(opened);
    EXPECT_THAT(capture.LogTexts(), ElementsAre(c.refusal));
    EXPECT_EQ(TakeLines(), ErrorLine(kMErrorInternal));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HostileTablesTest,
    ::testing::Values(
        HostileCase{"EmptyAxisName", 2, [](auto& s) { s[0]->AddAxis("x"); s[1]->AddAxis(""); }, {}, {},
                    "MProxyMachAbstract::Open(): submachine 2 (sim2 [d2]) refused: axis with an empty name"},
        HostileCase{"EmptyComponentName", 1, [](auto& s) { s[0]->AddComponent(""); }, {}, {},
                    "MProxyMachAbstract::Open(): submachine 1 (sim1 [d1]) refused: component with an empty name"},
        HostileCase{"EmptyProbesystemName", 1, [](auto& s) { s[0]->AddProbesystem(""); }, {}, {},
                    "MProxyMachAbstract::Open(): submachine 1 (sim1 [d1]) refused: probe system with an empty "
                    "name"},
        HostileCase{"DuplicateAxisName", 2, [](auto& s) { s[1]->AddAxis("y").AddAxis("y"); }, {}, {},
                    "MProxyMachAbstract::Open(): submachine 2 (sim2 [d2]) refused: axis \"y\" listed twice"},
        HostileCase{"NullMachineName", 2,
                    [](auto& s) {
                      s[0]->AddAxis("x");
                      s[1]->AddAxis("x");
                      s[1]->Tables().null_machine_name = true;
                    },
                    {}, {"x=sim1:x (n/a)", "x1=sim1:x", "x2=sim2:x"}, ""},
        HostileCase{"ThousandCharacterNames", 2,
                    [](auto& s) {
                      s[0]->AddAxis(kLong);
                      s[1]->AddAxis(kLong).AddAxis(kLong + "1");
                    },
                    {}, {},
                    std::string("MProxyMachAbstract::update_axis_table(): axis \"")
                        .append(kLong, 0, 50)
                        .append("\" of submachine 1 (sim1 [d1]) would be named \"")
                        .append(kLong, 0, 50)
                        .append("\", which is axis \"")
                        .append(kLong, 0, 50)
                        .append("\" of submachine 2 (sim2 [d2])")},
        HostileCase{"ThousandCharacterNamesMerged", 2,
                    [](auto& s) {
                      s[0]->AddAxis(kLong);
                      s[1]->AddAxis(kLong);
                    },
                    {}, {kLong + "=sim1:" + kLong + " (n/a)", kLong + "1=sim1:" + kLong, kLong + "2=sim2:" + kLong},
                    ""},
        HostileCase{"OwnNumberedNameBesideTwoPlainOnes", 3,
                    [](auto& s) {
                      s[0]->AddAxis("x1");
                      s[1]->AddAxis("x");
                      s[2]->AddAxis("x");
                    },
                    {}, {"x=sim2:x (n/a)", "x1=sim1:x1", "x2=sim2:x", "x3=sim3:x"}, ""},
        HostileCase{"NumberedNameTakenByAnotherSubmachinesAxis", 2,
                    [](auto& s) {
                      s[0]->AddAxis("x").AddAxis("x2");
                      s[1]->AddAxis("x");
                      s[1]->Tables().null_machine_name = true;
                    },
                    {}, {},
                    "MProxyMachAbstract::update_axis_table(): axis \"x\" of submachine 2 (? [d2]) would be named "
                    "\"x2\", which is axis \"x2\" of submachine 1 (sim1 [d1])"},
        HostileCase{"NumberedNameIsNotNumberedAgain", 2,
                    [](auto& s) {
                      s[0]->AddAxis("a");
                      s[1]->AddAxis("a").AddAxis("a1");
                    },
                    {}, {},
                    "MProxyMachAbstract::update_axis_table(): axis \"a\" of submachine 1 (sim1 [d1]) would be named "
                    "\"a1\", which is axis \"a1\" of submachine 2 (sim2 [d2])"},
        HostileCase{"TwoNumberingsMeet", 2,
                    [](auto& s) {
                      for (MSimMachine* sim : s) sim->AddAxis("a1").AddAxis("a1_");
                    },
                    {}, {},
                    "MProxyMachAbstract::update_axis_table(): axis \"a1_\" of submachine 1 (sim1 [d1]) would be "
                    "named \"a1_1\", which is axis \"a1\" of submachine 1 (sim1 [d1])"},
        HostileCase{"PrefixedNameTaken", 2,
                    [](auto& s) {
                      s[0]->AddComponent("b.drive.config");
                      s[1]->AddComponent("drive.config");
                    },
                    "[Aliases]\n1=\n2=b\n", {},
                    "MProxyMachAbstract::update_component_table(): component \"drive.config\" of submachine 2 "
                    "(sim2 [d2]) would be named \"b.drive.config\", which is component \"b.drive.config\" of "
                    "submachine 1 (sim1 [d1])"},
        HostileCase{"NumberedProbesystemTaken", 2,
                    [](auto& s) {
                      s[0]->AddProbesystem("ps").AddProbesystem("ps2");
                      s[1]->AddProbesystem("ps");
                    },
                    {}, {},
                    "MProxyMachAbstract::update_probesystem_table(): probe system \"ps\" of submachine 2 "
                    "(sim2 [d2]) would be named \"ps2\", which is probe system \"ps2\" of submachine 1 "
                    "(sim1 [d1])"}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
