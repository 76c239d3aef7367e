// MSimMachine: a configurable machine for tests, benchmarks and demos. It answers every query
// from its tables (msimtables.h), creates commands whose course follows a behaviour per command
// class (msimbehaviour.h), logs every command it created and counts the calls of every
// operation it implements. A test sets it up with the chainable setters below, through
// Tables(), or from an ini description (LoadDescription). Its magazine is a real magazine
// database read from a file, and its image FIFO commands lay out real shared-memory blocks.
// Single-threaded, like every machine.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "mmachabstract.h"
#include "mmachcommandfactories.h"
#include "msimbehaviour.h"
#include "msimcommand.h"
#include "msimtables.h"

class MMachMagazineDB;

// A problem of an ini description: where it is and what it is. A warning does not refuse it.
struct MSimDescriptionProblem {
  std::string file;
  size_t line = 0;  // 0: no line holds it
  std::string message;
  bool warning = false;
};

class MSimMachine : public MMachAbstract {
 public:
  // As every machine: the server owns the channel and the host service (which may be null).
  MSimMachine(MOutputChannel* output, MMachHostService* host_service, const std::string& name,
              const std::string& configdir);
  // Detaches the commands still alive (see msimcommand.h) and drops the links to the image FIFO
  // blocks that its create commands made and no delete command released.
  ~MSimMachine() override;

  // A machine set up from the ini description at `path`; null (and an error-log entry) when
  // the description cannot be read or is malformed.
  static std::unique_ptr<MSimMachine> NewFromDescription(MOutputChannel* output,
                                                         MMachHostService* host_service,
                                                         const std::string& name,
                                                         const std::string& configdir,
                                                         const std::string& path);
  // Replaces the tables, the supported commands and the behaviours by the description at
  // `path`. On failure reports every problem to the error log, answers false and changes
  // nothing; warnings (unknown entries) go to the error log of a description that loads.
  bool LoadDescription(const std::string& path);
  // Reads the description at `path` as LoadDescription does, and the magazine file it names (from
  // `configdir`), without setting up a machine; appends every problem, warnings included, to
  // `problems` and answers whether the description would load and open.
  static bool CheckDescription(const std::string& path, const std::string& configdir,
                               std::vector<MSimDescriptionProblem>& problems);

  // Set-up. Each setter answers the machine, so that calls chain.
  MSimMachine& SetIdentity(const std::string& name, const std::string& version,
                           const std::string& description);
  MSimMachine& AddAxis(const std::string& name, uint32_t flags = 0, double value = 0.0);
  MSimMachine& AddAxis(const MMachAxisInfo& info, double value = 0.0);
  MSimMachine& SetAxes(std::vector<MSimAxis> axes);
  MSimMachine& SetAxisValue(const std::string& name, double value);
  MSimMachine& AddComponent(const std::string& name, const std::string& version = "1.00",
                            uint32_t flags = MMachComponentInfo::kDefaultFlags);
  MSimMachine& AddVersion(const std::string& name, const std::string& version, bool flag = false);
  // Lists `name` with one definition per id (no ids: listed without definitions).
  MSimMachine& AddProbesystem(const std::string& name, const std::vector<uint32_t>& ids = {1});
  MSimMachine& SetActiveProbesystem(const std::string& name, uint32_t id);
  MSimMachine& AddProbe(uint32_t probe, uint32_t tip, const std::vector<double>& tip_data = {});
  // Makes `probesystem` optical: its images have `format` (and the machine has image FIFOs).
  MSimMachine& SetImageFormat(const std::string& probesystem, const MMachImageFormat& format);
  // The magazine database that Open reads (see MSimTables::magazine_file).
  MSimMachine& SetMagazineFile(const std::string& file);
  MSimMachine& SetPossibility(MSimPossibility query, MSimRule rule);
  MSimMachine& SupportAllCommands();
  // The `call`-th call of `operation` ("GetAxisValue", "NewMMachMoveCommand") throws
  // std::runtime_error; the calls before and after it answer as usual.
  MSimMachine& ThrowAt(const std::string& operation, uint64_t call = 1);
  // Runs `action` once, at the next Poll().
  MSimMachine& AtNextPoll(std::function<void(MSimMachine&)> action);

  // The behaviour of the commands of `command_class` ("MMachMoveCommand"), created as the
  // default (done at the first poll) on first use.
  MSimCommandBehaviour& Command(const std::string& command_class);
  MSimTables& Tables() { return tables_; }
  const MSimTables& Tables() const { return tables_; }
  MOutputChannel* Output() const { return output; }

  // The newest commands this machine created, oldest first: at most CommandLogCapacity() of
  // them (until ClearCommandLog), so that a long session keeps its memory flat.
  const std::deque<MSimCommandRecord>& CommandLog() const { return log_; }
  // Keeps at most `records` commands in the log (0: none); older ones are dropped now and as
  // new ones come. Commands whose record was dropped run on unrecorded.
  MSimMachine& SetCommandLogCapacity(size_t records);
  size_t CommandLogCapacity() const { return log_capacity_; }
  static constexpr size_t kDefaultCommandLogCapacity = 1000;
  // The newest entry of that class (any class when empty), or null.
  const MSimCommandRecord* LastCommand(const std::string& command_class = "") const;
  void ClearCommandLog();

  // Calls of an implemented operation of the machine interface, by name ("GetAxisValue").
  uint64_t CallCount(const std::string& operation) const;
  const std::map<std::string, uint64_t, std::less<>>& CallCounts() const { return calls_; }
  void ResetCallCounts() { calls_.clear(); }

  // Fails while Tables().open_succeeds is false, or when the magazine file cannot be read or
  // names probe systems that the machine does not define (reported to the error log).
  bool Open() override;
  void Close() override;
  int CallHostService(const std::string& command, const std::string& argument) override;
  bool IsHostServiceReady() override;
  void Poll() override;
  bool IsCommandSupported(const std::string& command) override;

  const char* GetMachineName() override;
  const char* GetMachineVersion() override;
  const char* GetMachineDescription() override;
  const MMachComponentInfo* GetComponentInfo(const std::string& name) override;
  const MMachComponentInfo* GetFirstComponentInfo() override;
  const MMachComponentInfo* GetNextComponentInfo() override;
  const MMachVersionInfo* GetFirstVersionInfo() override;
  const MMachVersionInfo* GetNextVersionInfo() override;

  const MMachAxisInfo* GetAxisInfo(const std::string& name) override;
  const MMachAxisInfo* GetFirstAxisInfo() override;
  const MMachAxisInfo* GetNextAxisInfo() override;
  // NaN for an axis this machine does not list.
  double GetAxisValue(const char* axis) override;
  double GetLimitTolerance(const char* axis) override;
  bool IsScanningPossibleWith(const MMachAxesSet& axes) override;
  bool IsMovingPossibleWith(const MMachAxesSet& axes) override;
  bool IsMoveIntoLimitSwitchPossibleWith(const MMachAxesSet& axes) override;
  bool IsMovezeroingPossibleWith(const MMachAxesSet& axes) override;
  bool IsTrackingPossibleWith(const MMachAxesSet& positions, const MMachAxesSet& tracking) override;
  bool IsStrobePossibleWith(const MMachAxesSet& axes) override;
  int IsScandataPossibleWith(const MMachAxesSet& axes) override;

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

  bool IsAutoinfoPossible() override;
  bool StartAutoinfo(MOutputChannel* out, uint32_t mode, const MMachAxesVector& axes) override;
  void StopAutoinfo() override;
  bool GetAutoinfoData(std::vector<double>& values) override;
  bool IsAutoinfoActive() override;
  bool IsAutolatchPossible() override;
  bool StartAutolatch(MOutputChannel* out, const std::string& axis,
                      const MMachAxesVector& axes) override;
  void StopAutolatch() override;
  bool IsAutolatchTriggered() override;
  bool IsAutolatchActive() override;
  bool IsPreviewPossible() override;
  bool StartPreview(MOutputChannel* out, uint64_t value) override;
  bool StopPreview() override;
  bool GetPreviewData(std::vector<double>& values) override;
  bool IsPreviewActive() override;
  bool IsPreviewMemoryPossible() override;
  bool StartPreviewMemory(MOutputChannel* out, uint32_t a, uint64_t b,
                          const std::string& probesystem) override;
  bool StopPreviewMemory(const std::string& probesystem) override;
  bool IsPreviewMemoryActive(const std::string& probesystem) override;
  bool IsPreviewMemoryReady(const std::string& probesystem) override;

  // Probe systems and probes answer empty values while their Tables() flag (has_probesystems,
  // has_probes) is false; the magazine operations are the base behaviour over the database
  // that Open read (none without a magazine file).
  bool HasProbesystems() override;
  bool IsProbesystemDefined(const std::string& name) override;
  const MMachProbesystemEntry* GetFirstProbesystem() override;
  const MMachProbesystemEntry* GetNextProbesystem() override;
  bool IsProbesystemIdDefined(const std::string& name, uint32_t id) override;
  // The definitions of `name` (all names when empty), all of them for id 0.
  std::vector<MMachProbesystemInfo> GetProbesystemInfos(const std::string& name,
                                                        uint32_t id) override;
  bool HasActiveProbesystem() override;
  bool IsProbesystemKnown(const std::string& name) override;
  std::string GetActiveProbesystem() override;
  uint32_t GetActiveProbesystemId() override;
  MMachProbesystemType GetProbesystemType() override;

  bool HasImagefifos() override;
  MMachImagefifoEntry* GetActiveImagefifo() override;
  MMachImagefifoEntry* FindImagefifo(const std::string& name) override;
  MMachImagefifoEntry* GetFirstImagefifo() override;
  MMachImagefifoEntry* GetNextImagefifo() override;
  // The format of the loaded probe system; zero when it is not optical or none is loaded.
  MMachImageFormat GetImageFormat() override;

  bool HasProbes() override;
  bool IsProbeDefined(uint32_t probe) override;
  bool IsProbeTipDefined(uint32_t probe, uint32_t tip) override;
  std::vector<double> GetProbeTipData(uint32_t probe, uint32_t tip) override;
  uint64_t GetProbeInfo() override;
  uint64_t GetProbeStatus() override;
  uint32_t GetLoadedProbe() override;
  uint64_t GetLoadedTip() override;

  bool HasMagazine() override;
  uint32_t GetMagazineSlotOfProbe(uint32_t probe) override;
  bool IsMagazineSlot(uint32_t slot) override;
  bool SetMagazineSlot(uint32_t slot, uint32_t probe) override;
  bool GetMagazineLoadProgram(std::string& out, uint32_t slot) override;
  bool GetMagazineUnloadProgram(std::string& out, uint32_t slot) override;
  bool GetMagazineChangeProgram(std::string& out, uint32_t slot, uint32_t target) override;
  std::map<uint32_t, uint32_t> GetMagazineSlots(const std::string& probesystem,
                                                uint32_t id) override;

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

  // Factories: every one with a command class creates an MSimCommand of it (the magazine set
  // an MSimMagazineSetCommand); the two without a class keep the base behaviour. The image FIFO
  // create and delete commands do the work of the real commands when their behaviour ends them.
  MMACH_COMMAND_FACTORIES(MMACH_FACTORY_OVERRIDE, MMACH_FACTORY_OVERRIDE)

 private:
  friend class MSimCommandCore;

  void count_call(const char* operation);
  bool possible(MSimPossibility query, const MMachAxesSet& axes) const;
  int possibility_answer(MSimPossibility query, const MMachAxesSet& axes) const;
  MSimCommandRecord* find_record(uint64_t serial);
  // Drops the oldest records beyond the capacity.
  void trim_command_log();
  const MMachProbesystemEntry* next_probesystem();
  // Reads Tables().magazine_file into a new database (none without a file).
  bool open_magazine();
  // Reads the magazine file into the machine's database; false with the reasons in the error trace.
  bool read_magazine();
  // The magazine file: a name in the configuration directory, an absolute path as it is.
  std::string magazine_path() const;
  // The entry that a finished create command put into the machine's own map moves into the
  // tables, and its block counts one more link of this machine.
  void adopt_imagefifo(const std::string& name);
  // After a delete command: `released` (the entry it found) no longer holds a link.
  void drop_imagefifo(const std::string& name, const MMachImagefifoEntry& released);
  // The factory frame of every command: counts the factory call, refuses or creates the
  // command with the behaviour of its class, and logs it.
  template <class Command, class... Args>
  Command* new_command(const char* factory, MOutputChannel* output, MSimCommandParams params,
                       Args&&... args);

  MSimTables tables_;
  std::map<std::string, MSimCommandBehaviour> behaviours_;
  std::vector<std::function<void(MSimMachine&)>> poll_actions_;
  std::map<std::string, uint64_t, std::less<>> calls_;
  std::deque<MSimCommandRecord> log_;
  uint64_t first_serial_ = 0;  // the serial of log_.front(); serials count every command created
  size_t log_capacity_ = kDefaultCommandLogCapacity;
  std::set<MSimCommandCore*> live_commands_;  // not owned: the callers own the commands
  // Listing cursors: the index of the next element.
  size_t axis_cursor_ = 0;
  size_t component_cursor_ = 0;
  size_t version_cursor_ = 0;
  size_t probesystem_cursor_ = 0;
  size_t first_list_cursor_ = 0;
  size_t second_list_cursor_ = 0;
  size_t keypad_cursor_ = 0;
  size_t keypad_value_cursor_ = 0;
  std::string imagefifo_cursor_;  // the name handed out last
  MMachProbesystemEntry probesystem_entry_;
  std::unique_ptr<MMachMagazineDB> magazine_db_;  // what the base's `magazine` points at
  std::map<void*, size_t> imagefifo_links_;       // block → links its create commands made
};
