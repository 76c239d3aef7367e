// The machine interface that the server, the proxy and every submachine share. The order of the
// virtual operations is part of the binary interface: never insert, remove or reorder one.
// The base class answers "not supported" wherever a machine does not override, forwards the
// probe-system, probe and magazine queries to optional services, and refuses every command.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "mmachaxisrecords.h"
#include "mmachcommandfactories.h"
#include "mmachcommands.h"
#include "mmachimagefifoentry.h"
#include "mmachmachinerecords.h"
#include "mmachparameterrecords.h"
#include "moutputchannel.h"

class MMachHostService;
class MMachProbesystemService;
class MMachProbeService;
class MMachMagazineDB;

class MMachAbstract {
 public:
  // Keeps both pointers without owning them; the server owns the channel and the host service.
  MMachAbstract(MOutputChannel* output, MMachHostService* host_service, const std::string& name,
                const std::string& configdir);
  MMachAbstract(const MMachAbstract&) = delete;
  MMachAbstract& operator=(const MMachAbstract&) = delete;

  // Supported commands, by command class name ("MMachWobbleCommand").
  virtual void SetCommandSupported(const std::string& command);
  virtual void SetCommandUnsupported(const std::string& command);
  // Touches neither the channel nor any service.
  virtual ~MMachAbstract();
  virtual bool Open() = 0;
  virtual void Close() = 0;
  // Forwarded to the host service; -1 and false without one.
  virtual int CallHostService(const std::string& command, const std::string& argument);
  virtual bool IsHostServiceReady();
  virtual void Poll() = 0;
  virtual bool IsCommandSupported(const std::string& command);

  // Identity, components and versions. Listings are first/next pairs: a returned pointer stays
  // valid until the next call of the same listing.
  virtual const char* GetMachineName() = 0;
  virtual const char* GetMachineVersion() = 0;
  virtual const char* GetMachineDescription() = 0;
  virtual const MMachComponentInfo* GetComponentInfo(const std::string& name);
  virtual const MMachComponentInfo* GetFirstComponentInfo();
  virtual const MMachComponentInfo* GetNextComponentInfo();
  virtual const MMachVersionInfo* GetFirstVersionInfo();
  virtual const MMachVersionInfo* GetNextVersionInfo();

  // Axes and what can be done with them.
  virtual const MMachAxisInfo* GetAxisInfo(const std::string& name) = 0;
  virtual const MMachAxisInfo* GetFirstAxisInfo() = 0;
  virtual const MMachAxisInfo* GetNextAxisInfo() = 0;
  virtual double GetAxisValue(const char* axis) = 0;
  virtual double GetLimitTolerance(const char* axis);
  virtual bool IsScanningPossibleWith(const MMachAxesSet& axes);
  virtual bool IsMovingPossibleWith(const MMachAxesSet& axes);
  virtual bool IsMoveIntoLimitSwitchPossibleWith(const MMachAxesSet& axes);
  virtual bool IsMovezeroingPossibleWith(const MMachAxesSet& axes);
  virtual bool IsTrackingPossibleWith(const MMachAxesSet& positions, const MMachAxesSet& tracking);
  virtual bool IsStrobePossibleWith(const MMachAxesSet& axes);
  virtual int IsScandataPossibleWith(const MMachAxesSet& axes);

  // Axis lists, keypad and spin axes.
  virtual bool HasAxisLists();
  virtual const char* GetFirstListedAxis();
  virtual const char* GetNextListedAxis();
  virtual const char* GetFirstSecondListedAxis();
  virtual const char* GetNextSecondListedAxis();
  virtual bool IsKeypadAxis(const std::string& axis);
  virtual bool HasKeypad();
  virtual const char* GetFirstKeypadAxis();
  virtual const char* GetNextKeypadAxis();
  virtual const char* GetFirstKeypadAxisValue(uint64_t& value);
  virtual const char* GetNextKeypadAxisValue(uint64_t& value);
  virtual bool IsSpinAxis(const std::string& axis);

  // Autoinfo, autolatch, preview and preview memory.
  virtual bool IsAutoinfoPossible();
  virtual bool StartAutoinfo(MOutputChannel* out, uint32_t mode, const MMachAxesVector& axes);
  virtual void StopAutoinfo();
  virtual bool GetAutoinfoData(std::vector<double>& values);
  virtual bool IsAutoinfoActive();
  virtual bool IsAutolatchPossible();
  virtual bool StartAutolatch(MOutputChannel* out, const std::string& axis,
                              const MMachAxesVector& axes);
  virtual void StopAutolatch();
  virtual bool IsAutolatchTriggered();
  virtual bool IsAutolatchActive();
  virtual bool IsPreviewPossible();
  virtual bool StartPreview(MOutputChannel* out, uint64_t value);
  virtual bool StopPreview();
  virtual bool GetPreviewData(std::vector<double>& values);
  virtual bool IsPreviewActive();
  virtual bool IsPreviewMemoryPossible();
  virtual bool StartPreviewMemory(MOutputChannel* out, uint32_t a, uint64_t b,
                                  const std::string& probesystem);
  virtual bool StopPreviewMemory(const std::string& probesystem);
  virtual bool IsPreviewMemoryActive(const std::string& probesystem);
  virtual bool IsPreviewMemoryReady(const std::string& probesystem);

  // Probe systems: HasProbesystems() guards every other operation of the group, which then
  // forwards to `probesystems` (an empty value without it).
  virtual bool HasProbesystems();
  virtual bool IsProbesystemDefined(const std::string& name);
  virtual const MMachProbesystemEntry* GetFirstProbesystem();
  virtual const MMachProbesystemEntry* GetNextProbesystem();
  virtual bool IsProbesystemIdDefined(const std::string& name, uint32_t id);
  virtual std::vector<MMachProbesystemInfo> GetProbesystemInfos(const std::string& name,
                                                                uint32_t id);
  virtual bool HasActiveProbesystem();
  virtual bool IsProbesystemKnown(const std::string& name);
  virtual std::string GetActiveProbesystem();
  virtual uint32_t GetActiveProbesystemId();
  virtual MMachProbesystemType GetProbesystemType();

  // Image FIFOs.
  virtual bool HasImagefifos();
  virtual MMachImagefifoEntry* GetActiveImagefifo();
  virtual MMachImagefifoEntry* FindImagefifo(const std::string& name);
  virtual MMachImagefifoEntry* GetFirstImagefifo();
  virtual MMachImagefifoEntry* GetNextImagefifo();
  virtual MMachImageFormat GetImageFormat();

  // Probes: HasProbes() guards the group, which forwards to `probes`.
  virtual bool HasProbes();
  virtual bool IsProbeDefined(uint32_t probe);
  virtual bool IsProbeTipDefined(uint32_t probe, uint32_t tip);
  virtual std::vector<double> GetProbeTipData(uint32_t probe, uint32_t tip);
  virtual uint64_t GetProbeInfo();
  virtual uint64_t GetProbeStatus();
  virtual uint32_t GetLoadedProbe();
  virtual uint64_t GetLoadedTip();

  // Magazine: HasMagazine() guards the group, which forwards to `magazine`. The program queries
  // replace `out` with the database's answer and answer whether it is non-empty; without a
  // magazine they leave `out` unchanged.
  virtual bool HasMagazine();
  virtual uint32_t GetMagazineSlotOfProbe(uint32_t probe);
  virtual bool IsMagazineSlot(uint32_t slot);
  virtual bool SetMagazineSlot(uint32_t slot, uint32_t probe);
  virtual bool GetMagazineLoadProgram(std::string& out, uint32_t slot);
  virtual bool GetMagazineUnloadProgram(std::string& out, uint32_t slot);
  virtual bool GetMagazineChangeProgram(std::string& out, uint32_t slot, uint32_t target);
  virtual std::map<uint32_t, uint32_t> GetMagazineSlots(const std::string& probesystem,
                                                        uint32_t id);

  // Further state and capabilities.
  virtual std::string GetMachineText();
  // Zeroes `out` and answers false.
  virtual bool GetWobbleParameters(MMachWobbleParameters& out);
  virtual bool HasFeatureA();
  virtual bool IsReady() = 0;
  virtual bool IsInitAxis(const std::string& axis);
  virtual bool IsAxisInitialized(const std::string& axis);
  virtual bool HasFeatureB();
  virtual bool HasFeatureC();
  virtual bool IsProbeReady();
  virtual bool HasIdleCommand();

  // Command factories, each answering its own command class (the three without a class answer
  // MMachCommand). The caller owns the command and `output`, which must outlive it. Every
  // base factory but NewMMachIdleCommand writes error 15 ("transaction: command unknown") into
  // `output` and answers null; NewMMachIdleCommand answers null and writes nothing.
  MMACH_COMMAND_FACTORIES(MMACH_VIRTUAL_FACTORY, MMACH_VIRTUAL_FACTORY)

 protected:
  // The pointers are not owned: the server owns channel and host service; whoever sets one of
  // the three optional services keeps it alive as long as the machine.
  MOutputChannel* output;
  MMachHostService* host_service;
  std::map<std::string, bool> supported_commands;  // absent: not offered
  MMachProbesystemService* probesystems = nullptr;
  MMachProbeService* probes = nullptr;
  MMachMagazineDB* magazine = nullptr;
  std::string name;
  std::string configdir;
  std::map<std::string, MMachImagefifoEntry> imagefifos;  // filled by the image FIFO commands

  friend class MMachImagefifoCreateCommand;
  friend class MMachImagefifoDeleteCommand;
};

// The configuration file of the machine `name`: "<configdir>\<name>.ini" (the server's paths use
// backslashes on every platform; the file layer translates them).
std::string MMachAbstract_ConfigFile(const std::string& configdir, const std::string& name);
