#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "fastfile.h"
#include "merrcapture.h"
#include "mfilefaultmatrix.h"
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
  EXPECT_EQ(RecordCount(), 0u);

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
  ASSERT_FALSE(MProxyTestAccess::component_table(proxy).at("probe.config").info.IsAvailable());
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


// A proxy over one simulated submachine in a scenario's directory, whose px.ini holds kConfig.
struct TransferScenario {
  static constexpr const char* kConfig = "[Aliases]\r\n1=s\r\n";
  explicit TransferScenario(const MTestTempDir& dir) : sim(&channel, nullptr, "sim1", dir.path().string()) {
    std::ofstream(dir.File("px.ini"), std::ios::binary) << kConfig;
    proxy = std::make_unique<MProxyMachAbstract>(&channel, nullptr, std::vector<MMachAbstract*>{&sim}, "px",
                                                 dir.path().string());
    EXPECT_TRUE(proxy->Open());
    channel.Clear();
  }
  ~TransferScenario() { channel.Clear(); }
  // The channel's text; a failure must have left exactly `error`.
  void ExpectOutput(bool succeeded, const std::string& error) {
    std::string text;
    channel.Take(text, true);
    EXPECT_EQ(text, succeeded ? "" : "0001\terror \"" + error + "\"\r\n");
  }
  MOutputChannel channel{1};
  MSimMachine sim;
  std::unique_ptr<MProxyMachAbstract> proxy;
};

auto Scenario(std::function<bool(TransferScenario&)> operation) {
  return [operation](const MTestTempDir& dir) -> std::function<bool()> {
    auto state = std::make_shared<TransferScenario>(dir);
    return [state, operation] { return operation(*state); };
  };
}

// The factory dumps its context: its message heads the file layer's entries in the error log.
std::vector<MFileFault> ReportedInLog(const std::string& message, const std::vector<std::vector<std::string>>& entries) {
  std::vector<MFileFault> faults;
  for (const std::vector<std::string>& trace : entries) {
    faults.push_back({{}, {message}});
    faults.back().log.insert(faults.back().log.end(), trace.begin(), trace.end());
  }
  return faults;
}

// The failures of `faults` reported only in the error log, each headed by `message`.
std::vector<MFileFault> ReportedInLog(const std::string& message, const std::vector<MFileFault>& faults) {
  std::vector<std::vector<std::string>> entries;
  for (const MFileFault& fault : faults) entries.push_back(fault.trace);
  return ReportedInLog(message, entries);
}

// Reading and saving the proxy's own configuration with each file call failing in turn: the
// failure is reported with its message and error line, nothing stays open, and a failed save
// leaves the previous px.ini byte-identical.
TEST(TransferFaultTest, ConfigurationTransferReportsEveryFailingFileCall) {
  const std::string f = "\"*px.ini\"";
  const std::string read_failed = "MFastFile_ReadAtOnce(): MFastFile_ReadAtOnce(" + f + ",..,16) failed";
  const std::string size_failed = "MFastFile_ReadAtOnce(): file_size(" + f + ") returned -1";
  const MFileFaultCase receive{
      "receive px.config",
      Scenario([](TransferScenario& s) {
        std::unique_ptr<MMachReceiveCommand> command(s.proxy->NewMMachReceiveCommand(&s.channel, "px.config"));
        s.ExpectOutput(command != nullptr, "Failed to read configuration file");
        if (command == nullptr) return false;
        EXPECT_TRUE(command->IsDone());
        EXPECT_EQ(command->data, TransferScenario::kConfig);
        return true;
      }),
      ReportedInLog("MProxyMachAbstract::NewMMachReceiveCommand(): MFastFile_ReadAtOnce(*px.ini, ...) failed",
                    {{"file_type(): _findfirst(" + f + ") failed: *", size_failed},
                     {"file_size(): _stat64(" + f + ") failed: *", size_failed},
                     {"openfile(): CreateFile(" + f + ") failed: {code}",
                      "MFastFile_ReadAtOnce(): openfile(" + f + ") failed.", read_failed},
                     {"read64(): ReadFile() failed: {code}",
                      "MFastFile_ReadAtOnce(): ReadFile(..,16,..) failed for " + f, read_failed},
                     {"MFastFile_ReadAtOnce(): CloseHandle() failed for " + f + ": {code}", read_failed}})};
  const MFileFaultCase send{
      "send px.config",
      Scenario([](TransferScenario& s) {
        std::unique_ptr<MMachSendCommand> command(s.proxy->NewMMachSendCommand(&s.channel, "px.config", "[A]"));
        s.ExpectOutput(command != nullptr, "Failed to save configuration file");
        return command != nullptr && command->IsDone();
      }),
      ReportedInLog("MProxyMachAbstract::NewMMachSendCommand(): MFastFile_WriteAtOnce(*px.ini, [A]) failed",
                    MFileFaultsOfWriteAtOnce("*px.ini", kMFastFileReplace)),
      "px.ini"};
  ExpectFileFaultMatrix(receive);
  ExpectFileFaultMatrix(send);
}

}  // namespace
