// MHostTimelineMachine: a submachine as the proxy sees it when the host records a timeline. It
// forwards every operation of the machine interface to the real submachine unchanged, and wraps
// each command that the real factories create in an MHostTimedCommand of the same class, which
// records the command on the submachine's track. The real machine and the timeline are not owned
// and must outlive the decorator; the commands it hands out own their real commands.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "mhosttimeline.h"
#include "mmachabstract.h"
#include "mmachcommandfactories.h"

class MHostTimelineMachine final : public MMachAbstract {
 public:
  // `name` and `configdir` as the host configuration gives them for `real`.
  MHostTimelineMachine(MMachAbstract& real, MHostTimeline& timeline, int track, const std::string& name,
                       const std::string& configdir);
  ~MHostTimelineMachine() override;

  // Everything below forwards to the real machine; the factories wrap what it answers.
  void SetCommandSupported(const std::string& command) override;
  void SetCommandUnsupported(const std::string& command) override;
  bool Open() override;
  void Close() override;
  int CallHostService(const std::string& command, const std::string& argument) override;
  bool IsHostServiceReady() override;
  void Poll() override;
  bool IsCommandSupported(const std::string& command) override;

  // Identity, components and versions.
  const char* GetMachineName() override;
  const char* GetMachineVersion() override;
  const char* GetMachineDescription() override;
  const MMachComponentInfo* GetComponentInfo(const std::string& name) override;
  const MMachComponentInfo* GetFirstComponentInfo() override;
  const MMachComponentInfo* GetNextComponentInfo() override;
  const MMachVersionInfo* GetFirstVersionInfo() override;
  const MMachVersionInfo* GetNextVersionInfo() override;

  // Axes and what can be done with them.
  const MMachAxisInfo* GetAxisInfo(const std::string& name) override;
  const MMachAxisInfo* GetFirstAxisInfo() override;
  const MMachAxisInfo* GetNextAxisInfo() override;
  double GetAxisValue(const char* axis) override;
  double GetLimitTolerance(const char* axis) override;
  bool IsScanningPossibleWith(const MMachAxesSet& axes) override;
  bool IsMovingPossibleWith(const MMachAxesSet& axes) override;
  bool IsMoveIntoLimitSwitchPossibleWith(const MMachAxesSet& axes) override;
  bool IsMovezeroingPossibleWith(const MMachAxesSet& axes) override;
  bool IsTrackingPossibleWith(const MMachAxesSet& positions, const MMachAxesSet& tracking) override;
  bool IsStrobePossibleWith(const MMachAxesSet& axes) override;
  int IsScandataPossibleWith(const MMachAxesSet& axes) override;

  // Axis lists, keypad and spin axes.
  bool HasAxisLists() override;
  const char* GetFirstListedAxis() override;
  const char* GetNextListedAxis() override;
  const char* GetFirstSecondListedAxis() override;
  const char* GetNextSecondListedAxis() override;
  bool IsKeypadAxis(const std::string& axis) override;
  bool HasKeypad() override;
  const char* GetFirstKeypadAxis() override;
  const char* GetNextKeypadAxis() override;
  const char* GetFirstKeypadAxisValue(uint64_t& value) override;
  const char* GetNextKeypadAxisValue(uint64_t& value) override;
  bool IsSpinAxis(const std::string& axis) override;

  // Autoinfo, autolatch, preview and preview memory.
  bool IsAutoinfoPossible() override;
  bool StartAutoinfo(MOutputChannel* out, uint32_t mode, const MMachAxesVector& axes) override;
  void StopAutoinfo() override;
  bool GetAutoinfoData(std::vector<double>& values) override;
  bool IsAutoinfoActive() override;
  bool IsAutolatchPossible() override;
  bool StartAutolatch(MOutputChannel* out, const std::string& axis, const MMachAxesVector& axes) override;
  void StopAutolatch() override;
  bool IsAutolatchTriggered() override;
  bool IsAutolatchActive() override;
  bool IsPreviewPossible() override;
  bool StartPreview(MOutputChannel* out, uint64_t value) override;
  bool StopPreview() override;
  bool GetPreviewData(std::vector<double>& values) override;
  bool IsPreviewActive() override;
  bool IsPreviewMemoryPossible() override;
  bool StartPreviewMemory(MOutputChannel* out, uint32_t a, uint64_t b, const std::string& probesystem) override;
  bool StopPreviewMemory(const std::string& probesystem) override;
  bool IsPreviewMemoryActive(const std::string& probesystem) override;
  bool IsPreviewMemoryReady(const std::string& probesystem) override;

  // Probe systems.
  bool HasProbesystems() override;
  bool IsProbesystemDefined(const std::string& name) override;
  const MMachProbesystemEntry* GetFirstProbesystem() override;
  const MMachProbesystemEntry* GetNextProbesystem() override;
  bool IsProbesystemIdDefined(const std::string& name, uint32_t id) override;
  std::vector<MMachProbesystemInfo> GetProbesystemInfos(const std::string& name, uint32_t id) override;
  bool HasActiveProbesystem() override;
  bool IsProbesystemKnown(const std::string& name) override;
  std::string GetActiveProbesystem() override;
  uint32_t GetActiveProbesystemId() override;
  MMachProbesystemType GetProbesystemType() override;

  // Image FIFOs.
  bool HasImagefifos() override;
  MMachImagefifoEntry* GetActiveImagefifo() override;
  MMachImagefifoEntry* FindImagefifo(const std::string& name) override;
  MMachImagefifoEntry* GetFirstImagefifo() override;
  MMachImagefifoEntry* GetNextImagefifo() override;
  MMachImageFormat GetImageFormat() override;

  // Probes.
  bool HasProbes() override;
  bool IsProbeDefined(uint32_t probe) override;
  bool IsProbeTipDefined(uint32_t probe, uint32_t tip) override;
  std::vector<double> GetProbeTipData(uint32_t probe, uint32_t tip) override;
  uint64_t GetProbeInfo() override;
  uint64_t GetProbeStatus() override;
  uint32_t GetLoadedProbe() override;
  uint64_t GetLoadedTip() override;

  // Magazine.
  bool HasMagazine() override;
  uint32_t GetMagazineSlotOfProbe(uint32_t probe) override;
  bool IsMagazineSlot(uint32_t slot) override;
  bool SetMagazineSlot(uint32_t slot, uint32_t probe) override;
  bool GetMagazineLoadProgram(std::string& out, uint32_t slot) override;
  bool GetMagazineUnloadProgram(std::string& out, uint32_t slot) override;
  bool GetMagazineChangeProgram(std::string& out, uint32_t slot, uint32_t target) override;
  std::map<uint32_t, uint32_t> GetMagazineSlots(const std::string& probesystem, uint32_t id) override;

  // Further state and capabilities.
  std::string GetMachineText() override;
  bool GetWobbleParameters(MMachWobbleParameters& out) override;
  bool HasFeatureA() override;
  bool IsReady() override;
  bool IsInitAxis(const std::string& axis) override;
  bool IsAxisInitialized(const std::string& axis) override;
  bool HasFeatureB() override;
  bool HasFeatureC() override;
  bool IsProbeReady() override;
  bool HasIdleCommand() override;

  // Command factories: the real command in an MHostTimedCommand, or null (recorded as "refused").
  MMACH_COMMAND_FACTORIES(MMACH_FACTORY_OVERRIDE, MMACH_FACTORY_OVERRIDE)

 private:
  // `real` in an MHostTimedCommand<C> built from the factory's parameters `output` and `args`
  // (as C's constructor takes them); null when the factory answered null.
  template <class C, class... Args>
  C* timed(const char* factory, C* real, MOutputChannel* output, const Args&... args);

  MMachAbstract& real_;
  MHostTimeline& timeline_;
  int track_;
};
