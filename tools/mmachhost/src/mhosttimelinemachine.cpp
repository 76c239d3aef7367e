#include "mhosttimelinemachine.h"

#include <utility>

#include "mhosttimedcommand.h"

MHostTimelineMachine::MHostTimelineMachine(MMachAbstract& real, MHostTimeline& timeline, int track,
                                           const std::string& name, const std::string& configdir)
    : MMachAbstract(nullptr, nullptr, name, configdir), real_(real), timeline_(timeline), track_(track) {}

MHostTimelineMachine::~MHostTimelineMachine() = default;

template <class C, class... Args>
C* MHostTimelineMachine::timed(const char* factory, C* real, Args&&... args) {
  if (real == nullptr) {
    timeline_.Instant(track_, "refused", {MHostTimelineArg::Text("factory", factory)});
    return nullptr;
  }
  return new MHostTimedCommand<C>(std::unique_ptr<C>(real), timeline_, track_, std::forward<Args>(args)...);
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

MMachGetCommand* MHostTimelineMachine::NewMMachGetCommand(MOutputChannel* output, const MMachAxesVector& axes) {
  return timed(__func__, real_.NewMMachGetCommand(output, axes), output, axes);
}

MMachInitCommand* MHostTimelineMachine::NewMMachInitCommand(MOutputChannel* output, const MMachAxesSet& axes) {
  return timed(__func__, real_.NewMMachInitCommand(output, axes), output, axes);
}

MMachKeypadDisableCommand* MHostTimelineMachine::NewMMachKeypadDisableCommand(MOutputChannel* output,
                                                                              const MMachAxesSet& axes) {
  return timed(__func__, real_.NewMMachKeypadDisableCommand(output, axes), output, axes);
}

MMachKeypadEnableCommand* MHostTimelineMachine::NewMMachKeypadEnableCommand(MOutputChannel* output,
                                                                            const MMachAxesSet& axes) {
  return timed(__func__, real_.NewMMachKeypadEnableCommand(output, axes), output, axes);
}

MMachCommand* MHostTimelineMachine::NewMMachMagazineSetCommand(MOutputChannel* output, uint32_t slot, uint32_t probe) {
  return timed(__func__, real_.NewMMachMagazineSetCommand(output, slot, probe), output);
}

MMachModuloCommand* MHostTimelineMachine::NewMMachModuloCommand(MOutputChannel* output, const MMachAxesSet& axes) {
  return timed(__func__, real_.NewMMachModuloCommand(output, axes), output, axes);
}

MMachMovebaseCommand* MHostTimelineMachine::NewMMachMovebaseCommand(MOutputChannel* output, const MMachAxesSet& axes) {
  return timed(__func__, real_.NewMMachMovebaseCommand(output, axes), output, axes);
}

MMachMoveCommand* MHostTimelineMachine::NewMMachMoveCommand(MOutputChannel* output, const MMachMovementPara& movement) {
  return timed(__func__, real_.NewMMachMoveCommand(output, movement), output, movement);
}

MMachMovecircleCommand* MHostTimelineMachine::NewMMachMovecircleCommand(MOutputChannel* output,
                                                                        const MMachCirclePara& circle) {
  return timed(__func__, real_.NewMMachMovecircleCommand(output, circle), output, circle);
}

MMachMoveconeCommand* MHostTimelineMachine::NewMMachMoveconeCommand(MOutputChannel* output, const MMachConePara& cone) {
  return timed(__func__, real_.NewMMachMoveconeCommand(output, cone), output, cone);
}

MMachMovehomeCommand* MHostTimelineMachine::NewMMachMovehomeCommand(MOutputChannel* output) {
  return timed(__func__, real_.NewMMachMovehomeCommand(output), output);
}

MMachMovezeroCommand* MHostTimelineMachine::NewMMachMovezeroCommand(MOutputChannel* output,
                                                                    const MMachMovementPara& movement) {
  return timed(__func__, real_.NewMMachMovezeroCommand(output, movement), output, movement);
}

MMachReceiveCommand* MHostTimelineMachine::NewMMachReceiveCommand(MOutputChannel* output,
                                                                  const std::string& component) {
  return timed(__func__, real_.NewMMachReceiveCommand(output, component), output, component);
}

MMachSendCommand* MHostTimelineMachine::NewMMachSendCommand(MOutputChannel* output, const std::string& component,
                                                            const std::string& data) {
  return timed(__func__, real_.NewMMachSendCommand(output, component, data), output, component, data);
}

MMachSetCommand* MHostTimelineMachine::NewMMachSetCommand(MOutputChannel* output,
                                                          const std::map<std::string, double>& values) {
  return timed(__func__, real_.NewMMachSetCommand(output, values), output, values);
}

MMachScanCommand* MHostTimelineMachine::NewMMachScanCommand(MOutputChannel* output, const MMachMovementPara& movement) {
  return timed(__func__, real_.NewMMachScanCommand(output, movement), output, movement);
}

MMachSpinDisableCommand* MHostTimelineMachine::NewMMachSpinDisableCommand(MOutputChannel* output,
                                                                          const MMachAxesSet& axes) {
  return timed(__func__, real_.NewMMachSpinDisableCommand(output, axes), output, axes);
}

MMachSpinEnableCommand* MHostTimelineMachine::NewMMachSpinEnableCommand(MOutputChannel* output,
                                                                        const MMachAxesBoolMap& axes) {
  return timed(__func__, real_.NewMMachSpinEnableCommand(output, axes), output, axes);
}

MMachIdleCommand* MHostTimelineMachine::NewMMachIdleCommand(MOutputChannel* output) {
  return timed(__func__, real_.NewMMachIdleCommand(output), output);
}

MMachProbesystemLoadCommand* MHostTimelineMachine::NewMMachProbesystemLoadCommand(MOutputChannel* output,
                                                                                  const std::string& name,
                                                                                  uint32_t id) {
  return timed(__func__, real_.NewMMachProbesystemLoadCommand(output, name, id), output, name, id);
}

MMachProbesystemUnloadCommand* MHostTimelineMachine::NewMMachProbesystemUnloadCommand(MOutputChannel* output) {
  return timed(__func__, real_.NewMMachProbesystemUnloadCommand(output), output);
}

MMachProbesystemDefineCommand* MHostTimelineMachine::NewMMachProbesystemDefineCommand(
    MOutputChannel* output, const MMachProbesystemInfo& info) {
  return timed(__func__, real_.NewMMachProbesystemDefineCommand(output, info), output, info);
}

MMachProbesystemDeleteCommand* MHostTimelineMachine::NewMMachProbesystemDeleteCommand(MOutputChannel* output,
                                                                                      const std::string& name,
                                                                                      uint32_t id) {
  return timed(__func__, real_.NewMMachProbesystemDeleteCommand(output, name, id), output, name, id);
}

MMachProbeLoadCommand* MHostTimelineMachine::NewMMachProbeLoadCommand(MOutputChannel* output, uint32_t probe,
                                                                      uint32_t tip) {
  return timed(__func__, real_.NewMMachProbeLoadCommand(output, probe, tip), output);
}

MMachProbeDeleteCommand* MHostTimelineMachine::NewMMachProbeDeleteCommand(MOutputChannel* output, uint32_t probe,
                                                                          uint32_t tip) {
  return timed(__func__, real_.NewMMachProbeDeleteCommand(output, probe, tip), output);
}

MMachProbeDefineCommand* MHostTimelineMachine::NewMMachProbeDefineCommand(MOutputChannel* output, uint32_t probe,
                                                                          uint32_t tip, uint64_t value) {
  return timed(__func__, real_.NewMMachProbeDefineCommand(output, probe, tip, value), output);
}

MMachProbeUnloadCommand* MHostTimelineMachine::NewMMachProbeUnloadCommand(MOutputChannel* output) {
  return timed(__func__, real_.NewMMachProbeUnloadCommand(output), output);
}

MMachCommand* MHostTimelineMachine::NewMMachProbesystemTypeCommand(MOutputChannel* output) {
  return timed(__func__, real_.NewMMachProbesystemTypeCommand(output), output);
}

MMachProbeOffsetCommand* MHostTimelineMachine::NewMMachProbeOffsetCommand(MOutputChannel* output,
                                                                          const MMachDestinationPara& destination) {
  return timed(__func__, real_.NewMMachProbeOffsetCommand(output, destination), output, destination);
}

MMachResetCommand* MHostTimelineMachine::NewMMachResetCommand(MOutputChannel* output) {
  return timed(__func__, real_.NewMMachResetCommand(output), output);
}

MMachScanbaseCommand* MHostTimelineMachine::NewMMachScanbaseCommand(MOutputChannel* output, const MMachAxesSet& axes) {
  return timed(__func__, real_.NewMMachScanbaseCommand(output, axes), output, axes);
}

MMachScancircleCommand* MHostTimelineMachine::NewMMachScancircleCommand(MOutputChannel* output,
                                                                        const MMachCirclePara& circle) {
  return timed(__func__, real_.NewMMachScancircleCommand(output, circle), output, circle);
}

MMachScanconeCommand* MHostTimelineMachine::NewMMachScanconeCommand(MOutputChannel* output, const MMachConePara& cone) {
  return timed(__func__, real_.NewMMachScanconeCommand(output, cone), output, cone);
}

MMachScandataCommand* MHostTimelineMachine::NewMMachScandataCommand(MOutputChannel* output,
                                                                    const MMachAxesVector& axes) {
  return timed(__func__, real_.NewMMachScandataCommand(output, axes), output, axes);
}

MMachCommand* MHostTimelineMachine::NewMMachImagefifoInfoCommand(MOutputChannel* output, const std::string& name) {
  return timed(__func__, real_.NewMMachImagefifoInfoCommand(output, name), output);
}

MMachScanpointCommand* MHostTimelineMachine::NewMMachScanpointCommand(MOutputChannel* output,
                                                                      const MMachMovementPara& movement) {
  return timed(__func__, real_.NewMMachScanpointCommand(output, movement), output, movement);
}

MMachMovepolyCommand* MHostTimelineMachine::NewMMachMovepolyCommand(MOutputChannel* output,
                                                                    const MMachMovepolyPara& poly) {
  return timed(__func__, real_.NewMMachMovepolyCommand(output, poly), output, poly);
}

MMachScanpolyCommand* MHostTimelineMachine::NewMMachScanpolyCommand(MOutputChannel* output,
                                                                    const MMachMovepolyPara& poly) {
  return timed(__func__, real_.NewMMachScanpolyCommand(output, poly), output, poly);
}

MMachImagefifoCreateCommand* MHostTimelineMachine::NewMMachImagefifoCreateCommand(MOutputChannel* output,
                                                                                  const std::string& name,
                                                                                  uint64_t size) {
  MMachImagefifoCreateCommand* const command = real_.NewMMachImagefifoCreateCommand(output, name, size);
  return timed(__func__, command, output, command != nullptr ? command->machine : nullptr, name, size);
}

MMachImagefifoDeleteCommand* MHostTimelineMachine::NewMMachImagefifoDeleteCommand(MOutputChannel* output,
                                                                                  const std::string& name) {
  MMachImagefifoDeleteCommand* const command = real_.NewMMachImagefifoDeleteCommand(output, name);
  return timed(__func__, command, output, command != nullptr ? command->machine : nullptr, name);
}

MMachImagefifoResetCommand* MHostTimelineMachine::NewMMachImagefifoResetCommand(MOutputChannel* output) {
  return timed(__func__, real_.NewMMachImagefifoResetCommand(output), output);
}

MMachImagefifoSelectCommand* MHostTimelineMachine::NewMMachImagefifoSelectCommand(MOutputChannel* output,
                                                                                  const std::string& name) {
  return timed(__func__, real_.NewMMachImagefifoSelectCommand(output, name), output, name);
}

MMachWobbleCommand* MHostTimelineMachine::NewMMachWobbleCommand(MOutputChannel* output,
                                                                const MMachWobbleParameters& parameters) {
  return timed(__func__, real_.NewMMachWobbleCommand(output, parameters), output, parameters);
}
