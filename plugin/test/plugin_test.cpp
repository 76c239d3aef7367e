#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "mmachabstract.h"
#include "moutputchannel.h"
#include "msimmachine.h"
#include "mtestlibrary.h"
#include "mtesttempdir.h"
#include "orvexplugin.h"

using ::testing::ElementsAre;

namespace {

// The host's view: only the three exports, looked up by name in the loaded library.
TEST(OrvexProxyPluginTest, MakesAProxyOverSubmachinesThroughItsExports) {
  MTestLibrary library(ORVEX_PROXY_PLUGIN);
  ASSERT_TRUE(library.IsLoaded()) << library.Error();
  const auto is_proxy = library.Find<IsProxyFunction>(kIsProxyName);
  const auto set_trace_level = library.Find<SetDefaultTracelevelFunction>(kSetDefaultTracelevelName);
  const auto new_machine = library.Find<NewMMachAbstractFunction>(kNewMMachAbstractName);
  ASSERT_TRUE(is_proxy && set_trace_level && new_machine);
  EXPECT_TRUE(is_proxy());
  EXPECT_EQ(set_trace_level(4), 0);  // the plug-in's own trace state answers the earlier level
  EXPECT_EQ(set_trace_level(0), 4);

  MTestTempDir dir;
  MOutputChannel channel(1);
  MSimMachine first(&channel, nullptr, "sim1", dir.path().string());
  MSimMachine second(&channel, nullptr, "sim2", dir.path().string());
  first.AddAxis("x");
  second.AddAxis("x").AddAxis("y");
  const std::vector<MMachAbstract*> submachines = {&first, &second};
  std::unique_ptr<MMachAbstract> proxy(new_machine("px", dir.path().string(), &channel, nullptr, submachines));
  ASSERT_TRUE(proxy);
  ASSERT_TRUE(proxy->Open());
  std::vector<std::string> axes;
  for (const MMachAxisInfo* axis = proxy->GetFirstAxisInfo(); axis; axis = proxy->GetNextAxisInfo()) {
    axes.push_back(axis->name);
  }
  EXPECT_THAT(axes, ElementsAre("x", "x1", "x2", "y"));
  EXPECT_STREQ(proxy->GetMachineName(), "sim1");
  proxy->Close();
  EXPECT_EQ(first.CallCount("Close") + second.CallCount("Close"), 2u);
  proxy.reset();  // destroyed through the virtual destructor, inside the library
  EXPECT_TRUE(channel.IsEmpty());
}

// A simulated machine from "<configdir>\<name>.ini"; a name without description gives none.
TEST(OrvexSimPluginTest, MakesSimulatedMachinesFromDescriptions) {
  MTestLibrary library(ORVEX_SIM_PLUGIN);
  ASSERT_TRUE(library.IsLoaded()) << library.Error();
  const auto is_proxy = library.Find<IsProxyFunction>(kIsProxyName);
  const auto new_machine = library.Find<NewMMachAbstractFunction>(kNewMMachAbstractName);
  ASSERT_TRUE(is_proxy && new_machine && library.Find<SetDefaultTracelevelFunction>(kSetDefaultTracelevelName));
  EXPECT_FALSE(is_proxy());

  MTestTempDir dir;
  std::ofstream(dir.path() / "table.ini") << "[Machine]\ndescription=rotary table\n[Axis c]\nvalue=90\n";
  MOutputChannel channel(1);
  std::unique_ptr<MMachAbstract> table(new_machine("table", dir.path().string(), &channel, nullptr, {}));
  ASSERT_TRUE(table);
  ASSERT_TRUE(table->Open());
  EXPECT_STREQ(table->GetMachineName(), "table");
  EXPECT_STREQ(table->GetMachineDescription(), "rotary table");
  EXPECT_EQ(table->GetAxisValue("c"), 90.0);
  table->Close();
  EXPECT_EQ(new_machine("absent", dir.path().string(), &channel, nullptr, {}), nullptr);
  EXPECT_TRUE(channel.IsEmpty());
}

}  // namespace
