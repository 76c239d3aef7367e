#include "mmachabstract.h"

#include "mmachhostservice.h"
#include "mmachmagazinedb.h"
#include "mmachprobeservice.h"
#include "mmachprobesystemservice.h"

namespace {

// The optional services' pattern: without the service (as the virtual presence test says) the
// empty value of the result type, else what `ask` gets from the service.
template <class Ask>
auto guarded(bool present, Ask ask) -> decltype(ask()) {
  if (!present) return decltype(ask()){};
  return ask();
}

// The base answer of a factory for a command this machine does not know.
std::nullptr_t refuse_command(MOutputChannel* output) {
  if (output) output->Error(kMErrorCommandUnknown);
  return nullptr;
}

}  // namespace

MMachAbstract::MMachAbstract(MOutputChannel* output, MMachHostService* host_service,
                             const std::string& name, const std::string& configdir)
    : output(output), host_service(host_service), name(name), configdir(configdir) {}

MMachAbstract::~MMachAbstract() = default;

void MMachAbstract::SetCommandSupported(const std::string& command) {
  supported_commands[command] = true;
}

void MMachAbstract::SetCommandUnsupported(const std::string& command) {
  supported_commands[command] = false;
}

int MMachAbstract::CallHostService(const std::string& command, const std::string& argument) {
  return host_service ? host_service->Call(command, argument) : -1;
}

bool MMachAbstract::IsHostServiceReady() { return host_service && host_service->IsReady() != 0; }

bool MMachAbstract::IsCommandSupported(const std::string& command) {
  const auto it = supported_commands.find(command);
  return it != supported_commands.end() && it->second;
}

// Identity, components and versions.

const MMachComponentInfo* MMachAbstract::GetComponentInfo(const std::string&) { return nullptr; }
const MMachComponentInfo* MMachAbstract::GetFirstComponentInfo() { return nullptr; }
const MMachComponentInfo* MMachAbstract::GetNextComponentInfo() { return nullptr; }
const MMachVersionInfo* MMachAbstract::GetFirstVersionInfo() { return nullptr; }
const MMachVersionInfo* MMachAbstract::GetNextVersionInfo() { return nullptr; }

// Axes.

double MMachAbstract::GetLimitTolerance(const char*) { return 5.0; }
bool MMachAbstract::IsScanningPossibleWith(const MMachAxesSet&) { return false; }
bool MMachAbstract::IsMovingPossibleWith(const MMachAxesSet&) { return false; }
bool MMachAbstract::IsMoveIntoLimitSwitchPossibleWith(const MMachAxesSet&) { return false; }
bool MMachAbstract::IsMovezeroingPossibleWith(const MMachAxesSet&) { return false; }
bool MMachAbstract::IsTrackingPossibleWith(const MMachAxesSet&, const MMachAxesSet&) {
  return false;
}
bool MMachAbstract::IsStrobePossibleWith(const MMachAxesSet&) { return false; }
int MMachAbstract::IsScandataPossibleWith(const MMachAxesSet&) { return 0; }

// Axis lists, keypad and spin axes.

bool MMachAbstract::HasAxisLists() { return false; }
const char* MMachAbstract::GetFirstListedAxis() { return nullptr; }
const char* MMachAbstract::GetNextListedAxis() { return nullptr; }
const char* MMachAbstract::GetFirstSecondListedAxis() { return nullptr; }
const char* MMachAbstract::GetNextSecondListedAxis() { return nullptr; }
bool MMachAbstract::IsKeypadAxis(const std::string&) { return false; }
bool MMachAbstract::HasKeypad() { return false; }
const char* MMachAbstract::GetFirstKeypadAxis() { return nullptr; }
const char* MMachAbstract::GetNextKeypadAxis() { return nullptr; }
const char* MMachAbstract::GetFirstKeypadAxisValue(uint64_t&) { return nullptr; }
const char* MMachAbstract::GetNextKeypadAxisValue(uint64_t&) { return nullptr; }
bool MMachAbstract::IsSpinAxis(const std::string&) { return false; }

// Autoinfo, autolatch, preview and preview memory.

bool MMachAbstract::IsAutoinfoPossible() { return false; }
bool MMachAbstract::StartAutoinfo(MOutputChannel*, uint32_t, const MMachAxesVector&) {
  return false;
}
void MMachAbstract::StopAutoinfo() {}
bool MMachAbstract::GetAutoinfoData(std::vector<double>&) { return false; }
bool MMachAbstract::IsAutoinfoActive() { return false; }
bool MMachAbstract::IsAutolatchPossible() { return false; }
bool MMachAbstract::StartAutolatch(MOutputChannel*, const std::string&, const MMachAxesVector&) {
  return false;
}
void MMachAbstract::StopAutolatch() {}
bool MMachAbstract::IsAutolatchTriggered() { return false; }
bool MMachAbstract::IsAutolatchActive() { return false; }
bool MMachAbstract::IsPreviewPossible() { return false; }
bool MMachAbstract::StartPreview(MOutputChannel*, uint64_t) { return false; }
bool MMachAbstract::StopPreview() { return false; }
bool MMachAbstract::GetPreviewData(std::vector<double>&) { return false; }
bool MMachAbstract::IsPreviewActive() { return false; }
bool MMachAbstract::IsPreviewMemoryPossible() { return false; }
bool MMachAbstract::StartPreviewMemory(MOutputChannel*, uint32_t, uint64_t, const std::string&) {
  return false;
}
bool MMachAbstract::StopPreviewMemory(const std::string&) { return false; }
bool MMachAbstract::IsPreviewMemoryActive(const std::string&) { return false; }
bool MMachAbstract::IsPreviewMemoryReady(const std::string&) { return false; }

// Probe systems.

bool MMachAbstract::HasProbesystems() { return probesystems != nullptr; }

bool MMachAbstract::IsProbesystemDefined(const std::string& name) {
  return guarded(HasProbesystems(), [&] { return probesystems->IsProbesystemDefined(name); });
}

const MMachProbesystemEntry* MMachAbstract::GetFirstProbesystem() {
  return guarded(HasProbesystems(), [&] { return probesystems->GetFirstProbesystem(); });
}

const MMachProbesystemEntry* MMachAbstract::GetNextProbesystem() {
  return guarded(HasProbesystems(), [&] { return probesystems->GetNextProbesystem(); });
}

bool MMachAbstract::IsProbesystemIdDefined(const std::string& name, uint32_t id) {
  return guarded(HasProbesystems(),
                 [&] { return probesystems->IsProbesystemIdDefined(name, id); });
}

std::vector<MMachProbesystemInfo> MMachAbstract::GetProbesystemInfos(const std::string& name,
                                                                     uint32_t id) {
  return guarded(HasProbesystems(), [&] { return probesystems->GetProbesystemInfos(name, id); });
}

bool MMachAbstract::HasActiveProbesystem() {
  return guarded(HasProbesystems(), [&] { return probesystems->HasActiveProbesystem(); });
}

bool MMachAbstract::IsProbesystemKnown(const std::string& name) {
  return guarded(HasProbesystems(), [&] { return probesystems->IsProbesystemKnown(name); });
}

std::string MMachAbstract::GetActiveProbesystem() {
  return guarded(HasProbesystems(), [&] { return probesystems->GetActiveProbesystem(); });
}

uint32_t MMachAbstract::GetActiveProbesystemId() {
  return guarded(HasProbesystems(), [&] { return probesystems->GetActiveProbesystemId(); });
}

MMachProbesystemType MMachAbstract::GetProbesystemType() { return {1, {0, 0, 0}}; }

// Image FIFOs.

bool MMachAbstract::HasImagefifos() { return false; }
MMachImagefifoEntry* MMachAbstract::GetActiveImagefifo() { return nullptr; }
MMachImagefifoEntry* MMachAbstract::FindImagefifo(const std::string&) { return nullptr; }
MMachImagefifoEntry* MMachAbstract::GetFirstImagefifo() { return nullptr; }
MMachImagefifoEntry* MMachAbstract::GetNextImagefifo() { return nullptr; }
MMachImageFormat MMachAbstract::GetImageFormat() { return {}; }

// Probes.

bool MMachAbstract::HasProbes() { return probes != nullptr; }

bool MMachAbstract::IsProbeDefined(uint32_t probe) {
  return guarded(HasProbes(), [&] { return probes->IsProbeDefined(probe); });
}

bool MMachAbstract::IsProbeTipDefined(uint32_t probe, uint32_t tip) {
  return guarded(HasProbes(), [&] { return probes->IsProbeTipDefined(probe, tip); });
}

std::vector<double> MMachAbstract::GetProbeTipData(uint32_t probe, uint32_t tip) {
  return guarded(HasProbes(), [&] { return probes->GetProbeTipData(probe, tip); });
}

uint64_t MMachAbstract::GetProbeInfo() {
  return guarded(HasProbes(), [&] { return probes->GetProbeInfo(); });
}

uint64_t MMachAbstract::GetProbeStatus() {
  return guarded(HasProbes(), [&] { return probes->GetProbeStatus(); });
}

uint32_t MMachAbstract::GetLoadedProbe() {
  return guarded(HasProbes(), [&] { return probes->GetLoadedProbe(); });
}

uint64_t MMachAbstract::GetLoadedTip() {
  return guarded(HasProbes(), [&] { return probes->GetLoadedTip(); });
}

// Magazine.

bool MMachAbstract::HasMagazine() { return magazine != nullptr; }

uint32_t MMachAbstract::GetMagazineSlotOfProbe(uint32_t probe) {
  return guarded(HasMagazine(), [&] { return magazine->GetSlotOfProbe(probe); });
}

bool MMachAbstract::IsMagazineSlot(uint32_t slot) {
  return guarded(HasMagazine(), [&] { return magazine->FindSlot(slot) != nullptr; });
}

bool MMachAbstract::SetMagazineSlot(uint32_t slot, uint32_t probe) {
  return guarded(HasMagazine(), [&] { return magazine->SetSlot(slot, probe); });
}

bool MMachAbstract::GetMagazineLoadProgram(std::string& out, uint32_t slot) {
  return guarded(HasMagazine(), [&] {
    out = magazine->GetLoadProgram(slot);
    return !out.empty();
  });
}

bool MMachAbstract::GetMagazineUnloadProgram(std::string& out, uint32_t slot) {
  return guarded(HasMagazine(), [&] {
    out = magazine->GetUnloadProgram(slot);
    return !out.empty();
  });
}

bool MMachAbstract::GetMagazineChangeProgram(std::string& out, uint32_t slot, uint32_t target) {
  return guarded(HasMagazine(), [&] {
    out = magazine->GetChangeProgram(slot, target);
    return !out.empty();
  });
}

std::map<uint32_t, uint32_t> MMachAbstract::GetMagazineSlots(const std::string& probesystem,
                                                             uint32_t id) {
  return guarded(HasMagazine(), [&] { return magazine->GetSlots(probesystem, id); });
}

// Further state and capabilities.

std::string MMachAbstract::GetMachineText() { return {}; }

bool MMachAbstract::GetWobbleParameters(MMachWobbleParameters& out) {
  out = MMachWobbleParameters{};
  return false;
}

bool MMachAbstract::HasFeatureA() { return false; }
bool MMachAbstract::IsInitAxis(const std::string&) { return false; }
bool MMachAbstract::IsAxisInitialized(const std::string&) { return true; }
bool MMachAbstract::HasFeatureB() { return false; }
bool MMachAbstract::HasFeatureC() { return false; }
bool MMachAbstract::IsProbeReady() { return false; }
bool MMachAbstract::HasIdleCommand() { return false; }

// Command factories.

MMachGetCommand* MMachAbstract::NewMMachGetCommand(MOutputChannel* output, const MMachAxesVector&) {
  return refuse_command(output);
}
MMachInitCommand* MMachAbstract::NewMMachInitCommand(MOutputChannel* output, const MMachAxesSet&) {
  return refuse_command(output);
}
MMachKeypadDisableCommand* MMachAbstract::NewMMachKeypadDisableCommand(MOutputChannel* output,
                                                          const MMachAxesSet&) {
  return refuse_command(output);
}
MMachKeypadEnableCommand* MMachAbstract::NewMMachKeypadEnableCommand(MOutputChannel* output,
                                                         const MMachAxesSet&) {
  return refuse_command(output);
}
MMachCommand* MMachAbstract::NewMMachMagazineSetCommand(MOutputChannel* output, uint32_t,
                                                        uint32_t) {
  return refuse_command(output);
}
MMachModuloCommand* MMachAbstract::NewMMachModuloCommand(MOutputChannel* output, const MMachAxesSet&) {
  return refuse_command(output);
}
MMachMovebaseCommand* MMachAbstract::NewMMachMovebaseCommand(MOutputChannel* output, const MMachAxesSet&) {
  return refuse_command(output);
}
MMachMoveCommand* MMachAbstract::NewMMachMoveCommand(MOutputChannel* output,
                                                 const MMachMovementPara&) {
  return refuse_command(output);
}
MMachMovecircleCommand* MMachAbstract::NewMMachMovecircleCommand(MOutputChannel* output,
                                                       const MMachCirclePara&) {
  return refuse_command(output);
}
MMachMoveconeCommand* MMachAbstract::NewMMachMoveconeCommand(MOutputChannel* output,
                                                     const MMachConePara&) {
  return refuse_command(output);
}
MMachMovehomeCommand* MMachAbstract::NewMMachMovehomeCommand(MOutputChannel* output) {
  return refuse_command(output);
}
MMachMovezeroCommand* MMachAbstract::NewMMachMovezeroCommand(MOutputChannel* output,
                                                     const MMachMovementPara&) {
  return refuse_command(output);
}
MMachReceiveCommand* MMachAbstract::NewMMachReceiveCommand(MOutputChannel* output, const std::string&) {
  return refuse_command(output);
}
MMachSendCommand* MMachAbstract::NewMMachSendCommand(MOutputChannel* output, const std::string&,
                                                 const std::string&) {
  return refuse_command(output);
}
MMachSetCommand* MMachAbstract::NewMMachSetCommand(MOutputChannel* output,
                                                const std::map<std::string, double>&) {
  return refuse_command(output);
}
MMachScanCommand* MMachAbstract::NewMMachScanCommand(MOutputChannel* output,
                                                 const MMachMovementPara&) {
  return refuse_command(output);
}
MMachSpinDisableCommand* MMachAbstract::NewMMachSpinDisableCommand(MOutputChannel* output,
                                                        const MMachAxesSet&) {
  return refuse_command(output);
}
MMachSpinEnableCommand* MMachAbstract::NewMMachSpinEnableCommand(MOutputChannel* output,
                                                       const MMachAxesBoolMap&) {
  return refuse_command(output);
}
MMachIdleCommand* MMachAbstract::NewMMachIdleCommand(MOutputChannel*) { return nullptr; }
MMachProbesystemLoadCommand* MMachAbstract::NewMMachProbesystemLoadCommand(MOutputChannel* output,
                                                            const std::string&, uint32_t) {
  return refuse_command(output);
}
MMachProbesystemUnloadCommand* MMachAbstract::NewMMachProbesystemUnloadCommand(MOutputChannel* output) {
  return refuse_command(output);
}
MMachProbesystemDefineCommand* MMachAbstract::NewMMachProbesystemDefineCommand(MOutputChannel* output,
                                                              const MMachProbesystemInfo&) {
  return refuse_command(output);
}
MMachProbesystemDeleteCommand* MMachAbstract::NewMMachProbesystemDeleteCommand(MOutputChannel* output,
                                                              const std::string&, uint32_t) {
  return refuse_command(output);
}
MMachProbeLoadCommand* MMachAbstract::NewMMachProbeLoadCommand(MOutputChannel* output, uint32_t,
                                                      uint32_t) {
  return refuse_command(output);
}
MMachProbeDeleteCommand* MMachAbstract::NewMMachProbeDeleteCommand(MOutputChannel* output, uint32_t,
                                                        uint32_t) {
  return refuse_command(output);
}
MMachProbeDefineCommand* MMachAbstract::NewMMachProbeDefineCommand(MOutputChannel* output, uint32_t,
                                                        uint32_t, uint64_t) {
  return refuse_command(output);
}
MMachProbeUnloadCommand* MMachAbstract::NewMMachProbeUnloadCommand(MOutputChannel* output) {
  return refuse_command(output);
}
MMachCommand* MMachAbstract::NewMMachProbesystemTypeCommand(MOutputChannel* output) {
  return refuse_command(output);
}
MMachProbeOffsetCommand* MMachAbstract::NewMMachProbeOffsetCommand(MOutputChannel* output,
                                                        const MMachDestinationPara&) {
  return refuse_command(output);
}
MMachResetCommand* MMachAbstract::NewMMachResetCommand(MOutputChannel* output) {
  return refuse_command(output);
}
MMachScanbaseCommand* MMachAbstract::NewMMachScanbaseCommand(MOutputChannel* output, const MMachAxesSet&) {
  return refuse_command(output);
}
MMachScancircleCommand* MMachAbstract::NewMMachScancircleCommand(MOutputChannel* output,
                                                       const MMachCirclePara&) {
  return refuse_command(output);
}
MMachScanconeCommand* MMachAbstract::NewMMachScanconeCommand(MOutputChannel* output,
                                                     const MMachConePara&) {
  return refuse_command(output);
}
MMachScandataCommand* MMachAbstract::NewMMachScandataCommand(MOutputChannel* output,
                                                     const MMachAxesVector&) {
  return refuse_command(output);
}
MMachCommand* MMachAbstract::NewMMachImagefifoInfoCommand(MOutputChannel* output,
                                                          const std::string&) {
  return refuse_command(output);
}
MMachScanpointCommand* MMachAbstract::NewMMachScanpointCommand(MOutputChannel* output,
                                                      const MMachMovementPara&) {
  return refuse_command(output);
}
MMachMovepolyCommand* MMachAbstract::NewMMachMovepolyCommand(MOutputChannel* output,
                                                     const MMachMovepolyPara&) {
  return refuse_command(output);
}
MMachScanpolyCommand* MMachAbstract::NewMMachScanpolyCommand(MOutputChannel* output,
                                                     const MMachMovepolyPara&) {
  return refuse_command(output);
}
MMachImagefifoCreateCommand* MMachAbstract::NewMMachImagefifoCreateCommand(MOutputChannel* output,
                                                            const std::string&, uint64_t) {
  return refuse_command(output);
}
MMachImagefifoDeleteCommand* MMachAbstract::NewMMachImagefifoDeleteCommand(MOutputChannel* output,
                                                            const std::string&) {
  return refuse_command(output);
}
MMachImagefifoResetCommand* MMachAbstract::NewMMachImagefifoResetCommand(MOutputChannel* output) {
  return refuse_command(output);
}
MMachImagefifoSelectCommand* MMachAbstract::NewMMachImagefifoSelectCommand(MOutputChannel* output,
                                                            const std::string&) {
  return refuse_command(output);
}
MMachWobbleCommand* MMachAbstract::NewMMachWobbleCommand(MOutputChannel* output,
                                                   const MMachWobbleParameters&) {
  return refuse_command(output);
}

std::string MMachAbstract_ConfigFile(const std::string& configdir, const std::string& name) {
  return std::string(configdir).append("\\").append(name).append(".ini");
}
