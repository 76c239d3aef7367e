// MProxyMachAbstract: one machine made of the submachines that the server hands over. Open merges
// their axes, components and probe systems into tables with collision-free proxy names; every
// query is answered by the owning submachine with names translated both ways. The server owns the
// submachines, the channel and the host service; the proxy owns only its tables. One thread.
// In order below: the machine interface, the operations the proxy adds to it, the machinery its
// own commands and factories use, and the internals.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "mmachabstract.h"
#include "mmachcommandfactories.h"
#include "mproxyaxesvectorpart.h"
#include "mproxyaxislistings.h"
#include "mproxycommand.h"
#include "mproxyentries.h"
#include "mproxyfeaturestate.h"
#include "mproxynameindex.h"

class MProxyMachAbstract : public MMachAbstract {
 public:
  using AxisTable = std::map<std::string, MProxyAxisEntry>;
  using ComponentTable = std::map<std::string, MProxyComponentEntry>;
  using ProbesystemTable = std::map<std::string, MProxyProbesystemEntry>;

  // Copies the submachine list (not owned); reads no file and calls no submachine.
  MProxyMachAbstract(MOutputChannel* output, MMachHostService* host_service,
                     const std::vector<MMachAbstract*>& submachines, const std::string& name,
                     const std::string& configdir);
  // Neither closes nor destroys the submachines.
  ~MProxyMachAbstract() override;

  // The machine interface.

  bool Open() override;
  // Closes and forgets the submachines and empties the axis, component and supported-command
  // tables; the probe-system table, the current probe system and the aliases stay.
  void Close() override;
  // Polls every submachine (all write into this machine's channel) and re-reads the capabilities
  // of each one that raised "capabilities changed".
  void Poll() override;

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
  double GetAxisValue(const char* axis) override;
  double GetLimitTolerance(const char* axis) override;
  bool IsScanningPossibleWith(const MMachAxesSet& axes) override;
  bool IsMovingPossibleWith(const MMachAxesSet& axes) override;
  bool IsMoveIntoLimitSwitchPossibleWith(const MMachAxesSet& axes) override;
  bool IsMovezeroingPossibleWith(const MMachAxesSet& axes) override;
  bool IsTrackingPossibleWith(const MMachAxesSet& positions, const MMachAxesSet& tracking) override;
  bool IsStrobePossibleWith(const MMachAxesSet& axes) override;
  // -1 for the empty set and when no owner refuses; 0 when an owner that restricts scan data
  // refuses (or an axis is unknown); 1 or a single owner's answer otherwise.
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
  bool IsAutolatchPossible() override;
  bool IsPreviewPossible() override;
  bool IsPreviewMemoryPossible() override;

  // Started features: each runs on the submachines that own its axes or probe system, and every
  // later read or stop goes to exactly those. A failed start answers false, leaves the reason in
  // the error trace or the error log, and leaves the feature idle (autolatch: as it was).
  // Autoinfo: a start while running extends the running request. The read answers true (values
  // in the order of the started axes) only once every owner has delivered since the last one.
  bool StartAutoinfo(MOutputChannel* out, uint32_t mode, const MMachAxesVector& axes) override;
  void StopAutoinfo() override;
  bool GetAutoinfoData(std::vector<double>& values) override;
  bool IsAutoinfoActive() override;
  // Autolatch: `axis` and every one of `axes` must belong to the same submachine.
  bool StartAutolatch(MOutputChannel* out, const std::string& axis,
                      const MMachAxesVector& axes) override;
  void StopAutolatch() override;
  bool IsAutolatchTriggered() override;
  bool IsAutolatchActive() override;
  // Preview: on the active submachine when it can, else on the one submachine that can.
  bool StartPreview(MOutputChannel* out, uint64_t value) override;
  bool StopPreview() override;
  bool GetPreviewData(std::vector<double>& values) override;
  bool IsPreviewActive() override;
  // Preview memory, per proxy probe-system name, on the probe system's owner. Stop and ready
  // hand the owner the proxy's name unchanged.
  bool StartPreviewMemory(MOutputChannel* out, uint32_t a, uint64_t b,
                          const std::string& probesystem) override;
  bool StopPreviewMemory(const std::string& probesystem) override;
  bool IsPreviewMemoryActive(const std::string& probesystem) override;
  bool IsPreviewMemoryReady(const std::string& probesystem) override;

  bool HasProbesystems() override;
  bool IsProbesystemDefined(const std::string& name) override;
  const MMachProbesystemEntry* GetFirstProbesystem() override;
  const MMachProbesystemEntry* GetNextProbesystem() override;
  bool IsProbesystemIdDefined(const std::string& name, uint32_t id) override;
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

  // Command factories: each splits its parameters over the owning submachines, creates the
  // sub-commands there and wraps them in the matching proxy command (null and a report on failure).
  MMACH_COMMAND_FACTORIES(MMACH_FACTORY_OVERRIDE, MMACH_NO_FACTORY)

  // The operations appended to the machine interface, in this binary order.
  // The submachines (list order) that share `axis`, an axis of the combine table; `combine`
  // receives its combine function. Any other axis: empty, `combine` untouched.
  virtual std::vector<MMachAbstract*> get_submachines_with_axis(const std::string& axis,
                                                                MProxyCombineFunction* combine);
  // Rebuild the merged tables from the stored submachine infos; `changed` (may be null) is set
  // when a submachine's entry is new or differs.
  virtual void update_axis_table(bool* changed);
  virtual void update_component_table(bool* changed);
  // The owner of the loaded probe system, or null.
  virtual MMachAbstract* get_active_submachine();
  // Makes the first submachine with an active probe system the active one and unloads the probe
  // systems of the later ones.
  virtual bool load_startup_probesystem();
  // Re-reads every submachine; raises "capabilities changed" and "machine changed" on `out`.
  virtual void UpdateCapabilities(MOutputChannel* out);

  // The proxy's own machinery, for its commands, factories and frames; not for the server.

  // The machine's own channel (not owned); a proxy command aborts itself while it shows an error.
  MOutputChannel* GetOutputChannel() const { return output; }
  const std::vector<MMachAbstract*>& submachines() const { return submachines_; }
  const ProbesystemTable& probesystem_table() const { return probesystem_table_; }
  // The scandata axes each submachine provides, as the last scandata factory that could create
  // its command split them (request positions included).
  const MProxyAxesVectorParts& scandata_assignment() const { return scandata_assignment_; }
  // Changes whenever the scandata assignment is replaced (for tables built from it).
  uint64_t scandata_assignment_version() const { return scandata_assignment_version_; }
  // Re-reads one submachine's axes and components and rebuilds the tables; the flags may be null.
  void UpdateCapabilities(MMachAbstract* submachine, bool* axes_changed, bool* components_changed);
  // Rebuilds the probe-system table from the name sets read at Open; keeps the current probe
  // system by name.
  void update_probesystem_table();
  // The probe-system state that the probe-system commands keep up to date: the current probe
  // system (none when `proxy_name` is not in the table) and the definitions of a submachine by
  // its own probe-system names (null when `submachine` is not one of this proxy's).
  void set_current_probesystem(const std::string& proxy_name);
  std::multimap<std::string, MMachProbesystemInfo>* submachine_probesystem_list(
      const MMachAbstract* submachine);
  // The owner of a component of the component table, which turns `name` into the owner's own
  // component name; null (and `name` unchanged) when the table has no such component.
  MMachAbstract* find_submachine_for_component(std::string& name);

  // Splitters: each adds the request's share of every owning submachine (own axis names) to
  // `result`; false (and a trace entry) at an unknown axis.
  bool split_axesset_to_submachines(const MMachAxesSet& axes, MProxyBySubmachine<MMachAxesSet>& result) const;
  bool split_axesboolmap_to_submachines(const MMachAxesBoolMap& axes,
                                        MProxyBySubmachine<MMachAxesBoolMap>& result) const;
  bool split_destinationpara_to_submachines(const MMachDestinationPara& destination,
                                            MProxyBySubmachine<MMachDestinationPara>& result) const;
  bool split_movementpara_to_submachines(const MMachMovementPara& movement,
                                         MProxyBySubmachine<MMachMovementPara>& result) const;
  // Polygons go to exactly one submachine: axes of two owners, or no position axis at all, fail.
  bool split_movepolypara_to_submachines(const MMachMovepolyPara& poly,
                                         MProxyBySubmachine<MMachMovepolyPara>& result) const;
  // Also records in `shared` the axes whose value several submachines deliver.
  bool split_axesvector_to_submachines(const MMachAxesVector& axes, MProxyAxesVectorParts& result,
                                       std::vector<MProxySharedAxis>& shared);
  // The values of a split axes vector in request order (positions nobody delivered stay 0.0);
  // shared axes combine the values of the submachines that delivered one.
  static std::vector<double> merge_axesvector_values(
      const MProxyAxesVectorParts& parts, const std::vector<MProxySharedAxis>& shared,
      const MProxyBySubmachine<std::vector<double>>& values);
  // The same into `merged`, whose storage is reused (for the scan data of every poll).
  static void merge_axesvector_values(const MProxyAxesVectorParts& parts,
                                      const std::vector<MProxySharedAxis>& shared,
                                      const MProxyBySubmachine<std::vector<double>>& values,
                                      std::vector<double>& merged);

  // Sub-command creation over a split request, one algorithm instantiated per submachine command
  // class (`Command`, e.g. MMachInitCommand): splits the request by owner (a request that names
  // no axis goes, empty, to every submachine supporting `Command`; a polygon to its one mover)
  // and creates one sub-command per owner in key order into `subcommands`. On failure: a trace
  // entry, a refused sub-command's channel text appended to `output`, `subcommands` emptied, false.
  template <class Command>
  bool split_axesset_to_subcommands(const MMachAxesSet& axes, MOutputChannel* output,
                                    MProxyCommand::SubcommandMap& subcommands);
  template <class Command>
  bool split_axesboolmap_to_subcommands(const MMachAxesBoolMap& axes, MOutputChannel* output,
                                        MProxyCommand::SubcommandMap& subcommands);
  template <class Command>
  bool split_destinationpara_to_subcommands(const MMachDestinationPara& destination, MOutputChannel* output,
                                            MProxyCommand::SubcommandMap& subcommands);
  template <class Command>
  bool split_movementpara_to_subcommands(const MMachMovementPara& movement, MOutputChannel* output,
                                         MProxyCommand::SubcommandMap& subcommands);
  template <class Command>
  bool split_movepolypara_to_subcommands(const MMachMovepolyPara& poly, MOutputChannel* output,
                                         MProxyCommand::SubcommandMap& subcommands);

 protected:
  // `name` followed by `number`, with "_" between when `name` ends in a digit.
  static std::string append_number(const std::string& name, size_t number);
  // The usable test of a shared axis: listed by `submachine` without the not-available bit.
  static bool is_axis_usable(MMachAbstract* submachine, const std::string& axis);
  // False for an axis outside the combine table; else stores its function through `combine`.
  bool find_combine_function(const std::string& axis, MProxyCombineFunction* combine) const;

 private:
  friend class MProxyTestAccess;  // the tests' view of the tables and the scandata assignment

  using NameCursor = std::set<std::string>::const_iterator;

  // Reads the component prefix of every submachine from configdir\<name>.ini, section "Aliases".
  void read_config_file();
  void update_supported_commands();
  // A submachine's listings; false at a name listed twice or a listing call that threw, which
  // `refused` describes for the error log.
  bool get_axisinfos(MMachAbstract* submachine, std::map<std::string, MMachAxisInfo>& infos,
                     std::string& refused);
  bool get_componentinfos(MMachAbstract* submachine, std::map<std::string, MMachComponentInfo>& infos,
                          std::string& refused);
  bool get_probesystems(MMachAbstract* submachine, std::multimap<std::string, MMachProbesystemInfo>& infos,
                        std::set<std::string>& names, std::string& refused);
  // The position of `submachine` in the list, or the list size when absent.
  size_t submachine_index(const MMachAbstract* submachine) const;
  // A component name of submachine `index` with its alias ("alias.name"), or numbered without aliases.
  std::string apply_component_prefix(const std::string& name, size_t index) const;
  // Every proxy name (table order) of submachine `index`'s axis, else the name itself; the
  // pointers stay valid until the axis table is rebuilt.
  void axis_submach2proxy_names(const char* submachine_axis, size_t index,
                                std::vector<const char*>& names) const;
  // The proxy name of a submachine's probe system; an empty name (and a log entry) when unknown.
  const std::string& probesystem_submach2proxy_name(const std::string& submachine_name,
                                                    MMachAbstract* submachine);
  // The entry of `axis`; null after the trace entry "MProxyMachAbstract::<splitter>(): <role><axis>
  // not found!" (`role` names the kind of axis, e.g. "position axis ").
  const MProxyAxisEntry* find_axis_or_trace(const char* splitter, const char* role,
                                            const std::string& axis) const;
  // Calls add(owner's entry, item) for every item (an axis name, or a map entry keyed by one) in
  // order; false at the first unknown axis. Used by the splitters only.
  template <class Items, class Add>
  bool add_by_owner(const char* splitter, const char* role, const Items& items, Add&& add) const;
  // The axis entry of `axis`; an error-log entry naming `operation` when absent.
  const MProxyAxisEntry* find_axis_or_report(const char* operation, const std::string& axis) const;
  bool any_submachine(const char* operation, bool (MMachAbstract::*ask)());
  bool possible_with(const char* operation, const MMachAxesSet& axes,
                     bool (MMachAbstract::*ask)(const MMachAxesSet&), bool ask_every_owner);
  void rebuild_versions();
  const char* next_name(std::set<std::string>& list, NameCursor& cursor);
  void rebuild_name_list(bool (MMachAbstract::*guard)(), const char* (MMachAbstract::*first)(),
                         const char* (MMachAbstract::*next)(), std::set<std::string>& list);
  MMachImagefifoEntry* imagefifo_from_cursor(bool ask_first);

  // Configuration and the merged tables (Open).
  std::vector<std::string> aliases_;
  std::set<std::string> shared_config_files_;
  std::string own_config_component_;
  std::vector<MMachAbstract*> submachines_;  // not owned
  AxisTable axis_table_;
  MProxyNameIndex<MProxyAxisEntry> axis_index_;  // rebuilt with axis_table_
  MProxyAxisListings axis_listings_;  // what each submachine listed, kept against axis_table_
  ComponentTable component_table_;
  std::vector<std::map<std::string, MMachComponentInfo>> submachine_componentinfos_;
  ProbesystemTable probesystem_table_;
  ProbesystemTable::iterator current_probesystem_;  // end(): no probe system loaded
  std::vector<std::multimap<std::string, MMachProbesystemInfo>> submachine_probesystem_infos_;
  std::vector<std::set<std::string>> submachine_probesystem_names_;
  std::map<std::string, MProxyCombineFunction> combine_functions_;  // fixed at construction
  MProxyNameIndex<MProxyCombineFunction> combine_index_;
  MProxyAxesVectorParts scandata_assignment_;  // see scandata_assignment()
  uint64_t scandata_assignment_version_ = 0;

  // Cursors and caches of the listings; every table rebuild ends a walk of that table.
  std::vector<MMachVersionInfo> versions_;
  size_t version_cursor_ = 0;
  std::multimap<std::string, MMachVersionInfo> submachine_versions_;
  std::multimap<std::string, MMachVersionInfo>::const_iterator submachine_version_cursor_;
  ComponentTable::const_iterator component_cursor_;
  AxisTable::const_iterator axis_cursor_;
  std::set<std::string> first_axis_list_, second_axis_list_, keypad_axis_list_;
  NameCursor first_axis_cursor_, second_axis_cursor_, keypad_axis_cursor_;
  std::map<std::string, uint64_t> keypad_values_;
  std::map<std::string, uint64_t>::const_iterator keypad_value_cursor_;
  ProbesystemTable::const_iterator probesystem_cursor_;
  MMachProbesystemEntry probesystem_listing_entry_;
  std::vector<MMachProbesystemInfo> probesystem_definitions_;
  size_t imagefifo_cursor_ = SIZE_MAX;  // a submachine index; past the end: listing over

  MProxyFeatureState features_;  // the started features (Close leaves them alone)
};
