#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "merrcapture.h"
#include "proxyfixture.h"

using ::testing::ElementsAreArray;

namespace {

class TransferTest : public ProxyFixture {
 protected:
  // Aliases s and t: sim2's "tool" is t.tool; both submachines list the shared probe.config.
  MProxyMachAbstract& OpenTwo() {
    MakeSims(2);
    WriteConfig("[Aliases]\r\n1=s\r\n2=t\r\n");
    Sim(0).AddComponent("probe.config").SupportAllCommands();
    Sim(1).AddComponent("probe.config").AddComponent("tool").SupportAllCommands();
    return OpenProxy();
  }
};

TEST_F(TransferTest, OwnConfigurationComponentIsTheIniFile) {
  MProxyMachAbstract& proxy = OpenTwo();
  std::unique_ptr<MMachReceiveCommand> receive(proxy.NewMMachReceiveCommand(&channel, "px.config"));
  ASSERT_TRUE(receive && receive->IsDone());
  EXPECT_EQ(receive->data, "[Aliases]\r\n1=s\r\n2=t\r\n");
  for (const std::string data : {"[Aliases]\n1=u\n", ""}) {  // an empty text empties the file
    std::unique_ptr<MMachSendCommand> send(proxy.NewMMachSendCommand(&channel, "px.config", data));
    ASSERT_TRUE(send && send->IsDone());
    receive.reset(proxy.NewMMachReceiveCommand(&channel, "px.config"));
    EXPECT_EQ(receive->data, data);
  }
  std::filesystem::remove(dir.File("px.ini"));
  receive.reset(proxy.NewMMachReceiveCommand(&channel, "px.config"));
  ASSERT_TRUE(receive && receive->IsDone());
  EXPECT_EQ(receive->data, "");
  EXPECT_EQ(TakeLines(), "");
  EXPECT_EQ(Sim(0).CommandLog().size() + Sim(1).CommandLog().size(), 0u);

  std::filesystem::create_directory(dir.File("px.ini"));  // neither readable nor writable
  const std::string path = dir.path().string() + "\\px.ini";
  MErrCapture capture;
  EXPECT_FALSE(proxy.NewMMachReceiveCommand(&channel, "px.config"));
  EXPECT_FALSE(proxy.NewMMachSendCommand(&channel, "px.config", "abc"));
  EXPECT_THAT(capture.LogTexts(), testing::IsSupersetOf({
      "MProxyMachAbstract::NewMMachReceiveCommand(): MFastFile_ReadAtOnce(" + path + ", ...) failed",
      "MProxyMachAbstract::NewMMachSendCommand(): MFastFile_WriteAtOnce(" + path + ", abc) failed"}));
  EXPECT_EQ(TakeLines(), "0001\terror \"Failed to read configuration file\"\r\n"
                       "0001\terror \"Failed to save configuration file\"\r\n");
}

// Other components go to their owner under its own name; a finished receive hands its data on.
TEST_F(TransferTest, SubmachineComponentsGoToTheirOwner) {
  MProxyMachAbstract& proxy = OpenTwo();
  Sim(1).Tables().receive_data["tool"] = "tool data";
  Sim(1).Command("MMachReceiveCommand").DoneAfter(2);
  std::unique_ptr<MMachReceiveCommand> receive(proxy.NewMMachReceiveCommand(&channel, "t.tool"));
  ASSERT_TRUE(receive);
  EXPECT_FALSE(receive->IsDone());
  EXPECT_TRUE(receive->IsDone());
  EXPECT_EQ(receive->data, "tool data");
  // The plain shared name is not available without a loaded probe system; it is sent all the same.
  ASSERT_FALSE(proxy.component_table().at("probe.config").info.IsAvailable());
  std::unique_ptr<MMachSendCommand> send(proxy.NewMMachSendCommand(&channel, "probe.config", "p"));
  ASSERT_TRUE(send && send->IsDone());
  EXPECT_EQ(Sim(0).Tables().sent_data["probe.config"] + Sim(1).Tables().sent_data["probe.config"], "p");
  EXPECT_EQ(TakeLines(), "");
}

TEST_F(TransferTest, UnknownOrRefusedComponentsFail) {
  const std::string prefix = "MProxyMachAbstract::NewMMachReceiveCommand(): ";
  const std::string internal_error = "0001\terror \"internal error\"\r\n";
  const std::vector<std::tuple<std::string, uint32_t, std::vector<std::string>, std::string>> cases = {
      // component, refusal of sim2 (0 none, 1 without a word, else that error), log, output
      {std::string(45, 'n'), 0, {prefix + "No submachine found for \"" + std::string(40, 'n') + "\""}, internal_error},
      {"t.tool", 1, {prefix + "NewMMachReceiveCommand() returned NULL without providing an error message"}, internal_error},
      {"t.tool", 7,
       {"~MOutputChannel(): Not all entries cleared for 0001\t!", "~MOutputChannel(): \"0001\terror \"unknown component\"\r\n\""},
       "0001\terror \"unknown component\"\r\n"},
  };
  for (const auto& [component, refusal, log, output] : cases) {
    SCOPED_TRACE(refusal);
    MProxyMachAbstract& proxy = OpenTwo();
    if (refusal == 1) Sim(1).Command("MMachReceiveCommand").Refuse();
    if (refusal > 1) Sim(1).Command("MMachReceiveCommand").RefuseWithError(refusal);
    MErrCapture capture;
    EXPECT_FALSE(proxy.NewMMachReceiveCommand(&channel, component));
    EXPECT_THAT(capture.LogTexts(), ElementsAreArray(log));
    EXPECT_EQ(TakeLines(), output);
  }
}

}  // namespace
