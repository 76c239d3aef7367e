// Submachines whose tables are hostile to the merge: empty, duplicate and very long names, a null
// machine name, and names that the proxy's own numbering or prefixes would produce. A name listed
// twice refuses Open; everything else merges by the numbering rules, every proxy name leading to
// exactly one submachine entry (a numbered name replaces an own entry of that name).
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

enum class Table { kAxes, kComponents, kProbesystems };

struct HostileCase {
  const char* label;
  size_t sims;
  std::function<void(std::vector<MSimMachine*>& sims)> setup;
  std::optional<std::string> ini;
  Table table;
  std::vector<std::string> lines;  // Describe() of the merged table; empty: Open refuses ...
  std::string refusal;             // ... with this error-log entry
};

std::ostream& operator<<(std::ostream& out, const HostileCase& c) { return out << c.label; }

class HostileTablesTest : public ProxyFixture, public ::testing::WithParamInterface<HostileCase> {
 protected:
  std::vector<std::string> DescribeTable(const MProxyMachAbstract& proxy, Table table) const {
    switch (table) {
      case Table::kAxes:
        return Describe(MProxyTestAccess::axis_table(proxy));
      case Table::kComponents:
        return Describe(MProxyTestAccess::component_table(proxy));
      case Table::kProbesystems:
        return Describe(proxy.probesystem_table());
    }
    return {};
  }
};

TEST_P(HostileTablesTest, OpenMergesByTheNumberingOrRefuses) {
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
    EXPECT_THAT(DescribeTable(proxy, c.table), ElementsAreArray(c.lines));
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
        HostileCase{"EmptyAxisName", 2, [](auto& s) { s[0]->AddAxis(""); s[1]->AddAxis(""); }, {}, Table::kAxes,
                    {"=sim1: (n/a)", "1=sim1:", "2=sim2:"}, ""},
        HostileCase{"EmptyComponentName", 1, [](auto& s) { s[0]->AddComponent(""); }, {}, Table::kComponents,
                    {"=sim1:", "px.config=px:px.config"}, ""},
        HostileCase{"EmptyProbesystemName", 1, [](auto& s) { s[0]->AddProbesystem(""); }, {}, Table::kProbesystems,
                    {"=sim1:"}, ""},
        HostileCase{"DuplicateAxisName", 2, [](auto& s) { s[1]->AddAxis("y").AddAxis("y"); }, {}, Table::kAxes, {},
                    "MProxyMachAbstract::Open(): submachine 2 (sim2 [d2]) refused: axis \"y\" listed twice"},
        HostileCase{"NullMachineName", 2,
                    [](auto& s) {
                      s[0]->AddAxis("x");
                      s[1]->AddAxis("x");
                      s[1]->Tables().null_machine_name = true;
                    },
                    {}, Table::kAxes, {"x=sim1:x (n/a)", "x1=sim1:x", "x2=sim2:x"}, ""},
        // The second submachine's own L1 collides with the first one's numbered L: numbered again.
        HostileCase{"ThousandCharacterNames", 2,
                    [](auto& s) {
                      s[0]->AddAxis(kLong);
                      s[1]->AddAxis(kLong).AddAxis(kLong + "1");
                    },
                    {}, Table::kAxes, {kLong + "=sim1:" + kLong + " (n/a)", kLong + "1=sim1:" + kLong + " (n/a)",
                     kLong + "1_1=sim1:" + kLong, kLong + "1_2=sim2:" + kLong + "1", kLong + "2=sim2:" + kLong}, ""},
        HostileCase{"OwnNumberedNameBesideTwoPlainOnes", 3,
                    [](auto& s) {
                      s[0]->AddAxis("x1");
                      s[1]->AddAxis("x");
                      s[2]->AddAxis("x");
                    },
                    {}, Table::kAxes, {"x=sim2:x (n/a)", "x1=sim1:x1", "x2=sim2:x", "x3=sim3:x"}, ""},
        // The numbered name replaces the first submachine's own "x2", which has no proxy name then.
        HostileCase{"NumberedNameReplacesAnOwnName", 2,
                    [](auto& s) {
                      s[0]->AddAxis("x").AddAxis("x2");
                      s[1]->AddAxis("x");
                    },
                    {}, Table::kAxes, {"x=sim1:x (n/a)", "x1=sim1:x", "x2=sim2:x"}, ""},
        HostileCase{"TwoNumberingsMeet", 2,
                    [](auto& s) {
                      for (MSimMachine* sim : s) sim->AddAxis("a1").AddAxis("a1_");
                    },
                    {}, Table::kAxes, {"a1=sim1:a1 (n/a)", "a1_=sim1:a1_ (n/a)", "a1_1=sim1:a1_", "a1_2=sim2:a1_"}, ""},
        HostileCase{"PrefixedNameReplacesAnOwnName", 2,
                    [](auto& s) {
                      s[0]->AddComponent("b.drive.config");
                      s[1]->AddComponent("drive.config");
                    },
                    "[Aliases]\n1=\n2=b\n", Table::kComponents, {"b.drive.config=sim2:drive.config", "px.config=px:px.config"}, ""},
        HostileCase{"NumberedProbesystemReplacesAnOwnName", 2,
                    [](auto& s) {
                      s[0]->AddProbesystem("ps").AddProbesystem("ps2");
                      s[1]->AddProbesystem("ps");
                    },
                    {}, Table::kProbesystems, {"ps=sim1:ps", "ps1=sim1:ps", "ps2=sim2:ps"}, ""}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
