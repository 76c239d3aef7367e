#include "mhosttimelinemachine.h"

#include <type_traits>
#include <utility>

#include "mhosttimedcommand.h"

MHostTimelineMachine::MHostTimelineMachine(MMachAbstract& real, MHostTimeline& timeline, int track,
                                           const std::string& name, const std::string& configdir)
    : MMachAbstract(nullptr, nullptr, name, configdir), real_(real), timeline_(timeline), track_(track) {}

MHostTimelineMachine::~MHostTimelineMachine() = default;

namespace {

// The classes whose constructor takes only the channel, although their factory takes more (a
// timed command copies every public field from the real one anyway). A wrong entry does not build.
template <class C>
constexpr bool kConstructedFromTheChannel =
    std::is_same_v<C, MMachCommand> || std::is_same_v<C, MMachProbeLoadCommand> ||
    std::is_same_v<C, MMachProbeDeleteCommand> || std::is_same_v<C, MMachProbeDefineCommand>;

}  // namespace

template <class C, class... Args>
C* MHostTimelineMachine::timed(const char* factory, C* real, MOutputChannel* output, const Args&... args) {
  if (real == nullptr) {
    timeline_.Instant(track_, "refused", {MHostTimelineArg::Text("factory", factory)});
    return nullptr;
  }
  std::unique_ptr<C> owned(real);
  if constexpr (std::is_same_v<C, MMachImagefifoCreateCommand> || std::is_same_v<C, MMachImagefifoDeleteCommand>) {
    MMachAbstract* const machine = real->machine;  // the machine whose image FIFO table it changes
    return new MHostTimedCommand<C>(std::move(owned), timeline_, track_, output, machine, args...);
  } else if constexpr (kConstructedFromTheChannel<C>) {
    return new MHostTimedCommand<C>(std::move(owned), timeline_, track_, output);
  } else {
    return new MHostTimedCommand<C>(std::move(owned), timeline_, track_, output, args...);
  }
}

void MHostTimelineMachine::SetCommandSupported(const std::string& command) { real_.SetCommandSupported(command); }

void MHostTimelineMachine::SetCommandUnsupported(const std::string& command) { real_.SetCommandUnsupported(command); }

bool MHostTimelineMachine::Open() { return real_.Open(); }

void MHostTimelineMachine::Close() { real_.Close(); }

int MHostTimelineMachine::CallHostService(const std::string& command, const std::string& argument) {
  return real_.CallHostService(command, argument);
}

bool MHostTimelineMachine::IsHostServiceReady() { return real_.IsHostServiceReady(); }

void MHostTimelineMachine::Poll() { real_.Poll(); }

bool MHostTimelineMachine::IsCommandSupported(const std::string& command) { return real_.IsCommandSupported(command); }

const char* MHostTimelineMachine::GetMachineName() { return real_.GetMachineName(); }

const char* MHostTimelineMachine::GetMachineVersion() { return real_.GetMachineVersion(); }

const char* MHostTimelineMachine::GetMachineDescription() { return real_.GetMachineDescription(); }

const MMachComponentInfo* MHostTimelineMachine::GetComponentInfo(const std::string& name) {
  return real_.GetComponentInfo(name);
}

const MMachComponentInfo* MHostTimelineMachine::GetFirstComponentInfo() { return real_.GetFirstComponentInfo(); }

const MMachComponentInfo* MHostTimelineMachine::GetNextComponentInfo() { return real_.GetNextComponentInfo(); }

const MMachVersionInfo* MHostTimelineMachine::GetFirstVersionInfo() { return real_.GetFirstVersionInfo(); }

const MMachVersionInfo* MHostTimelineMachine::GetNextVersionInfo() { return real_.GetNextVersionInfo(); }

const MMachAxisInfo* MHostTimelineMachine::GetAxisInfo(const std::string& name) { return real_.GetAxisInfo(name); }

const MMachAxisInfo* MHostTimelineMachine::GetFirstAxisInfo() { return real_.GetFirstAxisInfo(); }

const MMachAxisInfo* MHostTimelineMachine::GetNextAxisInfo() { return real_.GetNextAxisInfo(); }

double MHostTimelineMachine::GetAxisValue(const char* axis) { return real_.GetAxisValue(axis); }

double MHostTimelineMachine::GetLimitTolerance(const char* axis) { return real_.GetLimitTolerance(axis); }

bool MHostTimelineMachine::IsScanningPossibleWith(const MMachAxesSet& axes) {
  return real_.IsScanningPossibleWith(axes);
}

bool MHostTimelineMachine::IsMovingPossibleWith(const MMachAxesSet& axes) { return real_.IsMovingPossibleWith(axes); }

bool MHostTimelineMachine::IsMoveIntoLimitSwitchPossibleWith(const MMachAxesSet& axes) {
  return real_.IsMoveIntoLimitSwitchPossibleWith(axes);
}

bool MHostTimelineMachine::IsMovezeroingPossibleWith(const MMachAxesSet& axes) {
  return real_.IsMovezeroingPossibleWith(axes);
}

bool MHostTimelineMachine::IsTrackingPossibleWith(const MMachAxesSet& positions, const MMachAxesSet& tracking) {
  return real_.IsTrackingPossibleWith(positions, tracking);
}

bool MHostTimelineMachine::IsStrobePossibleWith(const MMachAxesSet& axes) { return real_.IsStrobePossibleWith(axes); }

int MHostTimelineMachine::IsScandataPossibleWith(const MMachAxesSet& axes) {
  return real_.IsScandataPossibleWith(axes);
}

bool MHostTimelineMachine::HasAxisLists() { return real_.HasAxisLists(); }

const char* MHostTimelineMachine::GetFirstListedAxis() { return real_.GetFirstListedAxis(); }

const char* MHostTimelineMachine::GetNextListedAxis() { return real_.GetNextListedAxis(); }

const char* MHostTimelineMachine::GetFirstSecondListedAxis() { return real_.GetFirstSecondListedAxis(); }

const char* MHostTimelineMachine::GetNextSecondListedAxis() { return real_.GetNextSecondListedAxis(); }

bool MHostTimelineMachine::IsKeypadAxis(const std::string& axis) { return real_.IsKeypadAxis(axis); }

bool MHostTimelineMachine::HasKeypad() { return real_.HasKeypad(); }

const char* MHostTimelineMachine::GetFirstKeypadAxis() { return real_.GetFirstKeypadAxis(); }

const char* MHostTimelineMachine::GetNextKeypadAxis() { return real_.GetNextKeypadAxis(); }

const char* MHostTimelineMachine::GetFirstKeypadAxisValue(uint64_t& value) {
  return real_.GetFirstKeypadAxisValue(value);
}

const char* MHostTimelineMachine::GetNextKeypadAxisValue(uint64_t& value) {
  return real_.GetNextKeypadAxisValue(value);
}

bool MHostTimelineMachine::IsSpinAxis(const std::string& axis) { return real_.IsSpinAxis(axis); }

bool MHostTimelineMachine::IsAutoinfoPossible() { return real_.IsAutoinfoPossible(); }

bool MHostTimelineMachine::StartAutoinfo(MOutputChannel* out, uint32_t mode, const MMachAxesVector& axes) {
  return real_.StartAutoinfo(out, mode, axes);
}

void MHostTimelineMachine::StopAutoinfo() { real_.StopAutoinfo(); }

bool MHostTimelineMachine::GetAutoinfoData(std::vector<double>& values) { return real_.GetAutoinfoData(values); }

bool MHostTimelineMachine::IsAutoinfoActive() { return real_.IsAutoinfoActive(); }

bool MHostTimelineMachine::IsAutolatchPossible() { return real_.IsAutolatchPossible(); }

bool MHostTimelineMachine::StartAutolatch(MOutputChannel* out, const std::string& axis, const MMachAxesVector& axes) {
  return real_.StartAutolatch(out, axis, axes);
}

void MHostTimelineMachine::StopAutolatch() { real_.StopAutolatch(); }

bool MHostTimelineMachine::IsAutolatchTriggered() { return real_.IsAutolatchTriggered(); }

bool MHostTimelineMachine::IsAutolatchActive() { return real_.IsAutolatchActive(); }

bool MHostTimelineMachine::IsPreviewPossible() { return real_.IsPreviewPossible(); }

bool MHostTimelineMachine::StartPreview(MOutputChannel* out, uint64_t value) { return real_.StartPreview(out, value); }

bool MHostTimelineMachine::StopPreview() { return real_.StopPreview(); }

bool MHostTimelineMachine::GetPreviewData(std::vector<double>& values) { return real_.GetPreviewData(values); }

bool MHostTimelineMachine::IsPreviewActive() { return real_.IsPreviewActive(); }

bool MHostTimelineMachine::IsPreviewMemoryPossible() { return real_.IsPreviewMemoryPossible(); }

bool MHostTimelineMachine::StartPreviewMemory(MOutputChannel* out, uint32_t a, uint64_t b,
                                              const std::string& probesystem) {
  return real_.StartPreviewMemory(out, a, b, probesystem);
}

bool MHostTimelineMachine::StopPreviewMemory(const std::string& probesystem) {
  return real_.StopPreviewMemory(probesystem);
}

bool MHostTimelineMachine::IsPreviewMemoryActive(const std::string& probesystem) {
  return real_.IsPreviewMemoryActive(probesystem);
}

bool MHostTimelineMachine::IsPreviewMemoryReady(const std::string& probesystem) {
  return real_.IsPreviewMemoryReady(probesystem);
}

bool MHostTimelineMachine::HasProbesystems() { return real_.HasProbesystems(); }

bool MHostTimelineMachine::IsProbesystemDefined(const std::string& name) { return real_.IsProbesystemDefined(name); }

const MMachProbesystemEntry* MHostTimelineMachine::GetFirstProbesystem() { return real_.GetFirstProbesystem(); }

const MMachProbesystemEntry* MHostTimelineMachine::GetNextProbesystem() { return real_.GetNextProbesystem(); }

bool MHostTimelineMachine::IsProbesystemIdDefined(const std::string& name, uint32_t id) {
  return real_.IsProbesystemIdDefined(name, id);
}

std::vector<MMachProbesystemInfo> MHostTimelineMachine::GetProbesystemInfos(const std::string& name, uint32_t id) {
  return real_.GetProbesystemInfos(name, id);
}

bool MHostTimelineMachine::HasActiveProbesystem() { return real_.HasActiveProbesystem(); }

bool MHostTimelineMachine::IsProbesystemKnown(const std::string& name) { return real_.IsProbesystemKnown(name); }

std::string MHostTimelineMachine::GetActiveProbesystem() { return real_.GetActiveProbesystem(); }

uint32_t MHostTimelineMachine::GetActiveProbesystemId() { return real_.GetActiveProbesystemId(); }

MMachProbesystemType MHostTimelineMachine::GetProbesystemType() { return real_.GetProbesystemType(); }

bool MHostTimelineMachine::HasImagefifos() { return real_.HasImagefifos(); }

MMachImagefifoEntry* MHostTimelineMachine::GetActiveImagefifo() { return real_.GetActiveImagefifo(); }

MMachImagefifoEntry* MHostTimelineMachine::FindImagefifo(const std::string& name) { return real_.FindImagefifo(name); }

MMachImagefifoEntry* MHostTimelineMachine::GetFirstImagefifo() { return real_.GetFirstImagefifo(); }

MMachImagefifoEntry* MHostTimelineMachine::GetNextImagefifo() { return real_.GetNextImagefifo(); }

MMachImageFormat MHostTimelineMachine::GetImageFormat() { return real_.GetImageFormat(); }

bool MHostTimelineMachine::HasProbes() { return real_.HasProbes(); }

bool MHostTimelineMachine::IsProbeDefined(uint32_t probe) { return real_.IsProbeDefined(probe); }

bool MHostTimelineMachine::IsProbeTipDefined(uint32_t probe, uint32_t tip) {
  return real_.IsProbeTipDefined(probe, tip);
}

std::vector<double> MHostTimelineMachine::GetProbeTipData(uint32_t probe, uint32_t tip) {
  return real_.GetProbeTipData(probe, tip);
}

uint64_t MHostTimelineMachine::GetProbeInfo() { return real_.GetProbeInfo(); }

uint64_t MHostTimelineMachine::GetProbeStatus() { return real_.GetProbeStatus(); }

uint32_t MHostTimelineMachine::GetLoadedProbe() { return real_.GetLoadedProbe(); }

uint64_t MHostTimelineMachine::GetLoadedTip() { return real_.GetLoadedTip(); }

bool MHostTimelineMachine::HasMagazine() { return real_.HasMagazine(); }

uint32_t MHostTimelineMachine::GetMagazineSlotOfProbe(uint32_t probe) { return real_.GetMagazineSlotOfProbe(probe); }

bool MHostTimelineMachine::IsMagazineSlot(uint32_t slot) { return real_.IsMagazineSlot(slot); }

bool MHostTimelineMachine::SetMagazineSlot(uint32_t slot, uint32_t probe) { return real_.SetMagazineSlot(slot, probe); }

bool MHostTimelineMachine::GetMagazineLoadProgram(std::string& out, uint32_t slot) {
  return real_.GetMagazineLoadProgram(out, slot);
}

bool MHostTimelineMachine::GetMagazineUnloadProgram(std::string& out, uint32_t slot) {
  return real_.GetMagazineUnloadProgram(out, slot);
}

bool MHostTimelineMachine::GetMagazineChangeProgram(std::string& out, uint32_t slot, uint32_t target) {
  return real_.GetMagazineChangeProgram(out, slot, target);
}

std::map<uint32_t, uint32_t> MHostTimelineMachine::GetMagazineSlots(const std::string& probesystem, uint32_t id) {
  return real_.GetMagazineSlots(probesystem, id);
}

std::string MHostTimelineMachine::GetMachineText() { return real_.GetMachineText(); }

bool MHostTimelineMachine::GetWobbleParameters(MMachWobbleParameters& out) { return real_.GetWobbleParameters(out); }

bool MHostTimelineMachine::HasFeatureA() { return real_.HasFeatureA(); }

bool MHostTimelineMachine::IsReady() { return real_.IsReady(); }

bool MHostTimelineMachine::IsInitAxis(const std::string& axis) { return real_.IsInitAxis(axis); }

bool MHostTimelineMachine::IsAxisInitialized(const std::string& axis) { return real_.IsAxisInitialized(axis); }

bool MHostTimelineMachine::HasFeatureB() { return real_.HasFeatureB(); }

bool MHostTimelineMachine::HasFeatureC() { return real_.HasFeatureC(); }

bool MHostTimelineMachine::IsProbeReady() { return real_.IsProbeReady(); }

bool MHostTimelineMachine::HasIdleCommand() { return real_.HasIdleCommand(); }

// Every factory wraps the submachine's command in a timed command of the same class.
#define MHOST_TIMED_FACTORY(Result, Name, Parameters, Arguments) \
  Result* MHostTimelineMachine::Name Parameters { return timed(#Name, real_.Name Arguments, MMACH_UNPACK Arguments); }
MMACH_COMMAND_FACTORIES(MHOST_TIMED_FACTORY, MHOST_TIMED_FACTORY)
#undef MHOST_TIMED_FACTORY
