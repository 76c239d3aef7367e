#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

#include "mmachabstract.h"
#include "mmachcommands.h"
#include "mvtableslot.h"

namespace {

struct Slot {
  const char* name;
  std::ptrdiff_t slot;
};

#define MACH_SLOT(op) Slot{#op, MTestVtableSlot(&MMachAbstract::op)}

// Every virtual operation of the machine interface in binary order; the virtual destructor sits
// between SetCommandUnsupported and Open and takes two slots.
const std::vector<Slot> kMachineBeforeDestructor = {MACH_SLOT(SetCommandSupported),
                                                    MACH_SLOT(SetCommandUnsupported)};
const std::vector<Slot> kMachineAfterDestructor = {
    MACH_SLOT(Open), MACH_SLOT(Close), MACH_SLOT(CallHostService), MACH_SLOT(IsHostServiceReady),
    MACH_SLOT(Poll), MACH_SLOT(IsCommandSupported),
    // identity, components and versions
    MACH_SLOT(GetMachineName), MACH_SLOT(GetMachineVersion), MACH_SLOT(GetMachineDescription),
    MACH_SLOT(GetComponentInfo), MACH_SLOT(GetFirstComponentInfo),
    MACH_SLOT(GetNextComponentInfo), MACH_SLOT(GetFirstVersionInfo),
    MACH_SLOT(GetNextVersionInfo),
    // axes
    MACH_SLOT(GetAxisInfo), MACH_SLOT(GetFirstAxisInfo), MACH_SLOT(GetNextAxisInfo),
    MACH_SLOT(GetAxisValue), MACH_SLOT(GetLimitTolerance), MACH_SLOT(IsScanningPossibleWith),
    MACH_SLOT(IsMovingPossibleWith), MACH_SLOT(IsMoveIntoLimitSwitchPossibleWith),
    MACH_SLOT(IsMovezeroingPossibleWith), MACH_SLOT(IsTrackingPossibleWith),
    MACH_SLOT(IsStrobePossibleWith), MACH_SLOT(IsScandataPossibleWith),
    // axis lists, keypad, spin
    MACH_SLOT(HasAxisLists), MACH_SLOT(GetFirstListedAxis), MACH_SLOT(GetNextListedAxis),
    MACH_SLOT(GetFirstSecondListedAxis), MACH_SLOT(GetNextSecondListedAxis),
    MACH_SLOT(IsKeypadAxis), MACH_SLOT(HasKeypad), MACH_SLOT(GetFirstKeypadAxis),
    MACH_SLOT(GetNextKeypadAxis), MACH_SLOT(GetFirstKeypadAxisValue),
    MACH_SLOT(GetNextKeypadAxisValue), MACH_SLOT(IsSpinAxis),
    // autoinfo, autolatch, preview, preview memory
    MACH_SLOT(IsAutoinfoPossible), MACH_SLOT(StartAutoinfo), MACH_SLOT(StopAutoinfo),
    MACH_SLOT(GetAutoinfoData), MACH_SLOT(IsAutoinfoActive), MACH_SLOT(IsAutolatchPossible),
    MACH_SLOT(StartAutolatch), MACH_SLOT(StopAutolatch), MACH_SLOT(IsAutolatchTriggered),
    MACH_SLOT(IsAutolatchActive), MACH_SLOT(IsPreviewPossible), MACH_SLOT(StartPreview),
    MACH_SLOT(StopPreview), MACH_SLOT(GetPreviewData), MACH_SLOT(IsPreviewActive),
    MACH_SLOT(IsPreviewMemoryPossible), MACH_SLOT(StartPreviewMemory),
    MACH_SLOT(StopPreviewMemory), MACH_SLOT(IsPreviewMemoryActive),
    MACH_SLOT(IsPreviewMemoryReady),
    // probe systems
    MACH_SLOT(HasProbesystems), MACH_SLOT(IsProbesystemDefined), MACH_SLOT(GetFirstProbesystem),
    MACH_SLOT(GetNextProbesystem), MACH_SLOT(IsProbesystemIdDefined),
    MACH_SLOT(GetProbesystemInfos), MACH_SLOT(HasActiveProbesystem),
    MACH_SLOT(IsProbesystemKnown), MACH_SLOT(GetActiveProbesystem),
    MACH_SLOT(GetActiveProbesystemId), MACH_SLOT(GetProbesystemType),
    // image FIFOs
    MACH_SLOT(HasImagefifos), MACH_SLOT(GetActiveImagefifo), MACH_SLOT(FindImagefifo),
    MACH_SLOT(GetFirstImagefifo), MACH_SLOT(GetNextImagefifo), MACH_SLOT(GetImageFormat),
    // probes
    MACH_SLOT(HasProbes), MACH_SLOT(IsProbeDefined), MACH_SLOT(IsProbeTipDefined),
    MACH_SLOT(GetProbeTipData), MACH_SLOT(GetProbeInfo), MACH_SLOT(GetProbeStatus),
    MACH_SLOT(GetLoadedProbe), MACH_SLOT(GetLoadedTip),
    // magazine
    MACH_SLOT(HasMagazine), MACH_SLOT(GetMagazineSlotOfProbe), MACH_SLOT(IsMagazineSlot),
    MACH_SLOT(SetMagazineSlot), MACH_SLOT(GetMagazineLoadProgram),
    MACH_SLOT(GetMagazineUnloadProgram), MACH_SLOT(GetMagazineChangeProgram),
    MACH_SLOT(GetMagazineSlots),
    // further state and capabilities
    MACH_SLOT(GetMachineText), MACH_SLOT(GetWobbleParameters), MACH_SLOT(HasFeatureA),
    MACH_SLOT(IsReady), MACH_SLOT(IsInitAxis), MACH_SLOT(IsAxisInitialized),
    MACH_SLOT(HasFeatureB), MACH_SLOT(HasFeatureC), MACH_SLOT(IsProbeReady),
    MACH_SLOT(HasIdleCommand),
    // factories
    MACH_SLOT(NewMMachGetCommand), MACH_SLOT(NewMMachInitCommand),
    MACH_SLOT(NewMMachKeypadDisableCommand), MACH_SLOT(NewMMachKeypadEnableCommand),
    MACH_SLOT(NewMMachMagazineSetCommand), MACH_SLOT(NewMMachModuloCommand),
    MACH_SLOT(NewMMachMovebaseCommand), MACH_SLOT(NewMMachMoveCommand),
    MACH_SLOT(NewMMachMovecircleCommand), MACH_SLOT(NewMMachMoveconeCommand),
    MACH_SLOT(NewMMachMovehomeCommand), MACH_SLOT(NewMMachMovezeroCommand),
    MACH_SLOT(NewMMachReceiveCommand), MACH_SLOT(NewMMachSendCommand),
    MACH_SLOT(NewMMachSetCommand), MACH_SLOT(NewMMachScanCommand),
    MACH_SLOT(NewMMachSpinDisableCommand), MACH_SLOT(NewMMachSpinEnableCommand),
    MACH_SLOT(NewMMachIdleCommand), MACH_SLOT(NewMMachProbesystemLoadCommand),
    MACH_SLOT(NewMMachProbesystemUnloadCommand), MACH_SLOT(NewMMachProbesystemDefineCommand),
    MACH_SLOT(NewMMachProbesystemDeleteCommand), MACH_SLOT(NewMMachProbeLoadCommand),
    MACH_SLOT(NewMMachProbeDeleteCommand), MACH_SLOT(NewMMachProbeDefineCommand),
    MACH_SLOT(NewMMachProbeUnloadCommand), MACH_SLOT(NewMMachProbesystemTypeCommand),
    MACH_SLOT(NewMMachProbeOffsetCommand), MACH_SLOT(NewMMachResetCommand),
    MACH_SLOT(NewMMachScanbaseCommand), MACH_SLOT(NewMMachScancircleCommand),
    MACH_SLOT(NewMMachScanconeCommand), MACH_SLOT(NewMMachScandataCommand),
    MACH_SLOT(NewMMachImagefifoInfoCommand), MACH_SLOT(NewMMachScanpointCommand),
    MACH_SLOT(NewMMachMovepolyCommand), MACH_SLOT(NewMMachScanpolyCommand),
    MACH_SLOT(NewMMachImagefifoCreateCommand), MACH_SLOT(NewMMachImagefifoDeleteCommand),
    MACH_SLOT(NewMMachImagefifoResetCommand), MACH_SLOT(NewMMachImagefifoSelectCommand),
    MACH_SLOT(NewMMachWobbleCommand)};

#undef MACH_SLOT

TEST(VtableTest, MachineOperationsTakeTheirSlotsInOrder) {
  // 147 operations, the destructor being one of them.
  ASSERT_EQ(kMachineBeforeDestructor.size() + 1 + kMachineAfterDestructor.size(), 147u);
  std::ptrdiff_t expected = 0;
  for (const Slot& op : kMachineBeforeDestructor) EXPECT_EQ(op.slot, expected++) << op.name;
  expected += 2;
  for (const Slot& op : kMachineAfterDestructor) EXPECT_EQ(op.slot, expected++) << op.name;
}

// IsDone, Abort and GetName follow the command's destructor; scan commands add GetData.
TEST(VtableTest, CommandOperationsFollowTheDestructor) {
  const std::ptrdiff_t slots[] = {MTestVtableSlot(&MMachCommand::IsDone), MTestVtableSlot(&MMachCommand::Abort),
                                  MTestVtableSlot(&MMachCommand::GetName)};
  EXPECT_THAT(slots, ::testing::ElementsAre(2, 3, 4));
  for (const std::ptrdiff_t slot :
       {MTestVtableSlot(&MMachScanCommand::GetData), MTestVtableSlot(&MMachScancircleCommand::GetData),
        MTestVtableSlot(&MMachScanconeCommand::GetData), MTestVtableSlot(&MMachScanpointCommand::GetData),
        MTestVtableSlot(&MMachScanpolyCommand::GetData)}) {
    EXPECT_EQ(slot, 5);
  }
}

}  // namespace
