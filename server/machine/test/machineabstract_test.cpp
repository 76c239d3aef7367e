#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "mmachabstract.h"
#include "mmachcommand.h"
#include "mmachhostservice.h"
#include "mmachprobeservice.h"
#include "mmachprobesystemservice.h"
#include "moutputchannel.h"
#include "mtestmachine.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Pair;
using ::testing::Return;
using ::testing::StrictMock;

namespace {

// The bare test machine with a switch that replaces the presence tests of the probe-system and
// probe services.
class TestMachine : public MTestMachine {
 public:
  using MTestMachine::MTestMachine;

  bool HasProbesystems() override { return !hide_services && MMachAbstract::HasProbesystems(); }
  bool HasProbes() override { return !hide_services && MMachAbstract::HasProbes(); }

  bool hide_services = false;
};

class MockProbesystemService : public MMachProbesystemService {
 public:
  MOCK_METHOD(bool, IsProbesystemDefined, (const std::string&), (override));
  MOCK_METHOD(const MMachProbesystemEntry*, GetFirstProbesystem, (), (override));
  MOCK_METHOD(const MMachProbesystemEntry*, GetNextProbesystem, (), (override));
  MOCK_METHOD(bool, IsProbesystemIdDefined, (const std::string&, uint32_t), (override));
  MOCK_METHOD(std::vector<MMachProbesystemInfo>, GetProbesystemInfos,
              (const std::string&, uint32_t), (override));
  MOCK_METHOD(bool, HasActiveProbesystem, (), (override));
  MOCK_METHOD(bool, IsProbesystemKnown, (const std::string&), (override));
  MOCK_METHOD(std::string, GetActiveProbesystem, (), (override));
  MOCK_METHOD(uint32_t, GetActiveProbesystemId, (), (override));
};

class MockProbeService : public MMachProbeService {
 public:
  MOCK_METHOD(bool, IsProbeDefined, (uint32_t), (override));
  MOCK_METHOD(bool, IsProbeTipDefined, (uint32_t, uint32_t), (override));
  MOCK_METHOD(std::vector<double>, GetProbeTipData, (uint32_t, uint32_t), (override));
  MOCK_METHOD(uint64_t, GetProbeInfo, (), (override));
  MOCK_METHOD(uint64_t, GetProbeStatus, (), (override));
  MOCK_METHOD(uint32_t, GetLoadedProbe, (), (override));
  MOCK_METHOD(uint64_t, GetLoadedTip, (), (override));
};

class MockHostService : public MMachHostService {
 public:
  MOCK_METHOD(int, Call, (const std::string&, const std::string&), (override));
  MOCK_METHOD(int, IsReady, (), (override));
};

TEST(MachineAbstractTest, SupportedCommandsKeepOneFlagPerExactName) {
  TestMachine machine;
  EXPECT_FALSE(machine.IsCommandSupported("MMachWobbleCommand"));
  machine.SetCommandSupported("MMachWobbleCommand");
  EXPECT_TRUE(machine.IsCommandSupported("MMachWobbleCommand"));
  EXPECT_FALSE(machine.IsCommandSupported("mmachwobblecommand"));
  machine.SetCommandUnsupported("MMachWobbleCommand");
  EXPECT_FALSE(machine.IsCommandSupported("MMachWobbleCommand"));
  EXPECT_THAT(machine.supported_commands, ElementsAre(Pair("MMachWobbleCommand", false)));
}

// Every guarded operation answers its empty value, both without a service and with a service
// that the overridden presence test hides (the strict mocks fail on any call).
TEST(MachineAbstractTest, GuardedOperationsAnswerEmptyValuesWithoutTheirService) {
  StrictMock<MockProbesystemService> probesystems;
  StrictMock<MockProbeService> probes;
  for (bool hidden : {false, true}) {
    SCOPED_TRACE(hidden ? "hidden services" : "no services");
    TestMachine machine;
    if (hidden) {
      machine.probesystems = &probesystems;
      machine.probes = &probes;
      machine.hide_services = true;
    }
    EXPECT_FALSE(machine.HasProbesystems());
    EXPECT_FALSE(machine.IsProbesystemDefined("Optic"));
    EXPECT_EQ(machine.GetFirstProbesystem(), nullptr);
    EXPECT_EQ(machine.GetNextProbesystem(), nullptr);
    EXPECT_FALSE(machine.IsProbesystemIdDefined("Optic", 2));
    EXPECT_THAT(machine.GetProbesystemInfos("Optic", 2), IsEmpty());
    EXPECT_FALSE(machine.HasActiveProbesystem());
    EXPECT_FALSE(machine.IsProbesystemKnown("Optic"));
    EXPECT_EQ(machine.GetActiveProbesystem(), "");
    EXPECT_EQ(machine.GetActiveProbesystemId(), 0u);

    EXPECT_FALSE(machine.HasProbes());
    EXPECT_FALSE(machine.IsProbeDefined(1));
    EXPECT_FALSE(machine.IsProbeTipDefined(1, 2));
    EXPECT_THAT(machine.GetProbeTipData(1, 2), IsEmpty());
    EXPECT_EQ(machine.GetProbeInfo(), 0u);
    EXPECT_EQ(machine.GetProbeStatus(), 0u);
    EXPECT_EQ(machine.GetLoadedProbe(), 0u);
    EXPECT_EQ(machine.GetLoadedTip(), 0u);

    std::string text = "unchanged";
    EXPECT_FALSE(machine.HasMagazine());
    EXPECT_EQ(machine.GetMagazineSlotOfProbe(7), 0u);
    EXPECT_FALSE(machine.IsMagazineSlot(1) || machine.SetMagazineSlot(1, 7));
    EXPECT_FALSE(machine.GetMagazineLoadProgram(text, 1) || machine.GetMagazineUnloadProgram(text, 1) ||
                 machine.GetMagazineChangeProgram(text, 1, 4));
    EXPECT_EQ(text, "unchanged");
    EXPECT_THAT(machine.GetMagazineSlots("Optic", 2), IsEmpty());
  }
}

TEST(MachineAbstractTest, HostServiceCallsAreForwardedAndReadinessConverted) {
  StrictMock<MockHostService> host;
  TestMachine machine(nullptr, &host);
  EXPECT_CALL(host, Call("measure", "a=1")).WillOnce(Return(42));
  EXPECT_CALL(host, IsReady()).WillOnce(Return(2)).WillOnce(Return(0));
  EXPECT_EQ(machine.CallHostService("measure", "a=1"), 42);
  EXPECT_TRUE(machine.IsHostServiceReady());
  EXPECT_FALSE(machine.IsHostServiceReady());

  TestMachine without_host;
  EXPECT_EQ(without_host.CallHostService("measure", ""), -1);
  EXPECT_FALSE(without_host.IsHostServiceReady());
}

TEST(MachineAbstractTest, NonEmptyDefaults) {
  TestMachine machine;
  EXPECT_EQ(machine.GetLimitTolerance("x"), 5.0);
  EXPECT_TRUE(machine.IsAxisInitialized("x"));
  EXPECT_EQ(machine.GetProbesystemType(), (MMachProbesystemType{1, {0, 0, 0}}));

  MMachWobbleParameters wobble;
  wobble.values = {1, 2, 3, 4, 5, 6};
  EXPECT_FALSE(machine.GetWobbleParameters(wobble));
  EXPECT_EQ(wobble, MMachWobbleParameters{});
}

struct FactoryCase {
  const char* name;
  std::function<MMachCommand*(MMachAbstract&, MOutputChannel*)> create;
};

std::ostream& operator<<(std::ostream& os, const FactoryCase& c) { return os << c.name; }

#define FACTORY(op, ...) \
  FactoryCase { #op, [](MMachAbstract& m, MOutputChannel* o) { return m.op(__VA_ARGS__); } }

class BaseFactoryTest : public ::testing::TestWithParam<FactoryCase> {};

TEST_P(BaseFactoryTest, WritesOneCommandUnknownErrorAndAnswersNull) {
  MOutputChannel channel(7);
  TestMachine machine(&channel);
  EXPECT_EQ(GetParam().create(machine, &channel), nullptr);
  std::string text;
  channel.Take(text, true);
  EXPECT_EQ(text, "0007\terror \"transaction: command unknown\"\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    AllButIdle, BaseFactoryTest,
    ::testing::Values(
        FACTORY(NewMMachGetCommand, o, {"x"}), FACTORY(NewMMachInitCommand, o, {"x"}),
        FACTORY(NewMMachKeypadDisableCommand, o, {}), FACTORY(NewMMachKeypadEnableCommand, o, {}),
        FACTORY(NewMMachMagazineSetCommand, o, 1, 2), FACTORY(NewMMachModuloCommand, o, {}),
        FACTORY(NewMMachMovebaseCommand, o, {}), FACTORY(NewMMachMoveCommand, o, {}),
        FACTORY(NewMMachMovecircleCommand, o, {}), FACTORY(NewMMachMoveconeCommand, o, {}),
        FACTORY(NewMMachMovehomeCommand, o), FACTORY(NewMMachMovezeroCommand, o, {}),
        FACTORY(NewMMachReceiveCommand, o, "a.config"),
        FACTORY(NewMMachSendCommand, o, "a.config", "data"), FACTORY(NewMMachSetCommand, o, {}),
        FACTORY(NewMMachScanCommand, o, {}), FACTORY(NewMMachSpinDisableCommand, o, {}),
        FACTORY(NewMMachSpinEnableCommand, o, {}),
        FACTORY(NewMMachProbesystemLoadCommand, o, "Optic", 2),
        FACTORY(NewMMachProbesystemUnloadCommand, o),
        FACTORY(NewMMachProbesystemDefineCommand, o, {}),
        FACTORY(NewMMachProbesystemDeleteCommand, o, "Optic", 2),
        FACTORY(NewMMachProbeLoadCommand, o, 1, 2), FACTORY(NewMMachProbeDeleteCommand, o, 1, 2),
        FACTORY(NewMMachProbeDefineCommand, o, 1, 2, 3), FACTORY(NewMMachProbeUnloadCommand, o),
        FACTORY(NewMMachProbesystemTypeCommand, o), FACTORY(NewMMachProbeOffsetCommand, o, {}),
        FACTORY(NewMMachResetCommand, o), FACTORY(NewMMachScanbaseCommand, o, {}),
        FACTORY(NewMMachScancircleCommand, o, {}), FACTORY(NewMMachScanconeCommand, o, {}),
        FACTORY(NewMMachScandataCommand, o, {}), FACTORY(NewMMachImagefifoInfoCommand, o, "f"),
        FACTORY(NewMMachScanpointCommand, o, {}), FACTORY(NewMMachMovepolyCommand, o, {}),
        FACTORY(NewMMachScanpolyCommand, o, {}),
        FACTORY(NewMMachImagefifoCreateCommand, o, "f", 1000000),
        FACTORY(NewMMachImagefifoDeleteCommand, o, "f"), FACTORY(NewMMachImagefifoResetCommand, o),
        FACTORY(NewMMachImagefifoSelectCommand, o, "f"), FACTORY(NewMMachWobbleCommand, o, {})));

#undef FACTORY

TEST(BaseFactoryTest, IdleAnswersNullAndLeavesTheChannelUntouched) {
  MOutputChannel channel(7);
  TestMachine machine(&channel);
  EXPECT_EQ(machine.NewMMachIdleCommand(&channel), nullptr);
  EXPECT_TRUE(channel.IsEmpty());
}

}  // namespace
