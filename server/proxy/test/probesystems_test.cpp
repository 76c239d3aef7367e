#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "merrcapture.h"
#include "proxyfixture.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace {

using ProbesystemTest = ProxyFixture;

TEST_F(ProbesystemTest, CollidingNamesAreNumberedAndThePlainNameMeansTheFirst) {
  const std::vector<std::pair<std::vector<std::vector<std::string>>, std::vector<std::string>>> cases = {
      {{{"probe2"}, {"probe2"}}, {"probe2=sim1:probe2", "probe2_1=sim1:probe2", "probe2_2=sim2:probe2"}},
      {{{"a", "ps"}, {"ps"}, {"ps"}},
       {"a=sim1:a", "ps=sim1:ps", "ps1=sim1:ps", "ps2=sim2:ps", "ps3=sim3:ps"}}};
  MProxyMachAbstract* proxy = nullptr;
  for (const auto& [names, expected] : cases) {
    MakeSims(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
      for (const std::string& name : names[i]) Sim(i).AddProbesystem(name);
    }
    proxy = &OpenProxy();
    EXPECT_THAT(Describe(proxy->probesystem_table()), ElementsAreArray(expected));
    EXPECT_FALSE(proxy->HasActiveProbesystem() || proxy->get_active_submachine());
  }
  // Back to proxy names (last case): the plain name comes before its numbered forms.
  EXPECT_EQ(MProxyTestAccess::probesystem_submach2proxy_name(*proxy, "ps", &Sim(0)), "ps");
  EXPECT_EQ(MProxyTestAccess::probesystem_submach2proxy_name(*proxy, "ps", &Sim(2)), "ps3");
  MErrCapture capture;
  EXPECT_EQ(MProxyTestAccess::probesystem_submach2proxy_name(*proxy, "zz", &Sim(1)), "");
  EXPECT_THAT(capture.LogTexts(),
              ElementsAre("probesystem_submach2proxy_name(): no translation for zz, sim2 [d2] found"));
}

// The table is rebuilt from the names read at Open, whatever the submachines list now.
TEST_F(ProbesystemTest, RebuildUsesTheNamesReadAtOpenAndKeepsTheLoadedOne) {
  MakeSims(2);
  Sim(0).AddProbesystem("qs");
  Sim(1).AddProbesystem("ps").SetActiveProbesystem("ps", 1);
  MProxyMachAbstract& proxy = OpenProxy();
  Sim(0).AddProbesystem("new");
  proxy.update_probesystem_table();
  EXPECT_THAT(Describe(proxy.probesystem_table()), ElementsAre("ps=sim2:ps", "qs=sim1:qs"));
  EXPECT_EQ(proxy.get_active_submachine(), &Sim(1));
}

TEST_F(ProbesystemTest, DefinitionsAreListedUnderProxyNames) {
  MakeSims(2);
  Sim(0).AddProbesystem("ps", {1, 2});
  Sim(1).AddProbesystem("ps", {7, 8}).AddProbesystem("qs", {3});
  MProxyMachAbstract& proxy = OpenProxy();
  const std::vector<std::tuple<std::string, uint32_t, std::vector<std::string>>> cases = {
      {"", 0, {"ps 0", "ps1 0", "ps2 0", "qs 0"}},
      {"*", 0, {"ps 1", "ps 2", "ps2 7", "ps2 8", "qs 3"}},
      {"ps2", 0, {"ps2 7", "ps2 8"}},
      {"ps2", 8, {"ps2 8"}},
      {"ps2", 1, {}},
      {"ps1", 2, {"ps1 2"}},
      {"unknown", 0, {}}};
  for (const auto& [name, id, expected] : cases) {
    std::vector<std::string> listed;
    for (const MMachProbesystemInfo& info : proxy.GetProbesystemInfos(name, id)) {
      listed.push_back(info.name + " " + std::to_string(info.id));
    }
    EXPECT_THAT(listed, ElementsAreArray(expected)) << name << " " << id;
  }
  // Questions go to the owner under its own name; unknown names reach nobody.
  EXPECT_TRUE(proxy.IsProbesystemIdDefined("ps2", 8));
  EXPECT_FALSE(proxy.IsProbesystemIdDefined("ps2", 1) || proxy.IsProbesystemDefined("unknown"));
  EXPECT_EQ(Sim(0).CallCount("IsProbesystemIdDefined") + Sim(0).CallCount("IsProbesystemDefined") +
                Sim(1).CallCount("IsProbesystemDefined"),
            0u);
}

// The type comes from the active submachine, guarded by its own answers.
TEST_F(ProbesystemTest, TypeOfTheLoadedProbesystem) {
  const MMachProbesystemType type{5, {1, 2, 3}};
  struct Case {
    bool loaded, typed, unloaded_later;
    MMachProbesystemType expected;
  };
  for (const Case& c : {Case{false, false, false, {}}, Case{true, false, false, {1, {}}},
                        Case{true, true, false, type}, Case{true, true, true, {}}}) {
    MakeSims(2);
    if (c.loaded) Sim(1).AddProbesystem("ps").SetActiveProbesystem("ps", 1);
    if (c.typed) Sim(1).SetCommandSupported("MMachProbesystemTypeCommand");
    Sim(1).Tables().probesystem_type = type;
    MProxyMachAbstract& proxy = OpenProxy();
    if (c.unloaded_later) Sim(1).Tables().active_probesystem.clear();
    EXPECT_EQ(proxy.GetProbesystemType(), c.expected);
  }
}

}  // namespace
