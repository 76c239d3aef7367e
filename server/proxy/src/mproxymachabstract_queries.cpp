// Queries answered by the submachines: flags merged over all of them, identity, the version and
// table listings, per-axis questions routed to the owner, and the possibility queries on axis sets.
#include "mproxymachabstract.h"

#include "errlog.h"
#include "errtrace.h"
#include "mproxyguard.h"
#include "stl_utilities.h"

namespace {

constexpr const char* kNoSubmachineName = "Orvex Proxy";
constexpr const char* kNoSubmachineVersion = "1.00";

}  // namespace

// Flags: true when any submachine says so; readiness needs every submachine.

#define ANY_SUBMACHINE(Operation) any_submachine(#Operation, &MMachAbstract::Operation)

bool MProxyMachAbstract::any_submachine(const char* operation, bool (MMachAbstract::*ask)()) {
  for (MMachAbstract* submachine : submachines_) {
    if (mproxy_guard::call(submachine, operation, [&] { return (submachine->*ask)(); })) return true;
  }
  return false;
}

bool MProxyMachAbstract::HasAxisLists() { return ANY_SUBMACHINE(HasAxisLists); }
bool MProxyMachAbstract::HasKeypad() { return ANY_SUBMACHINE(HasKeypad); }
bool MProxyMachAbstract::IsAutoinfoPossible() { return ANY_SUBMACHINE(IsAutoinfoPossible); }
bool MProxyMachAbstract::IsAutolatchPossible() { return ANY_SUBMACHINE(IsAutolatchPossible); }
bool MProxyMachAbstract::IsPreviewPossible() { return ANY_SUBMACHINE(IsPreviewPossible); }
bool MProxyMachAbstract::IsPreviewMemoryPossible() { return ANY_SUBMACHINE(IsPreviewMemoryPossible); }
bool MProxyMachAbstract::HasProbesystems() { return ANY_SUBMACHINE(HasProbesystems); }
bool MProxyMachAbstract::HasImagefifos() { return ANY_SUBMACHINE(HasImagefifos); }
bool MProxyMachAbstract::HasProbes() { return ANY_SUBMACHINE(HasProbes); }
bool MProxyMachAbstract::HasMagazine() { return ANY_SUBMACHINE(HasMagazine); }
bool MProxyMachAbstract::HasFeatureA() { return ANY_SUBMACHINE(HasFeatureA); }
bool MProxyMachAbstract::HasFeatureB() { return ANY_SUBMACHINE(HasFeatureB); }
bool MProxyMachAbstract::HasFeatureC() { return ANY_SUBMACHINE(HasFeatureC); }
bool MProxyMachAbstract::HasIdleCommand() { return ANY_SUBMACHINE(HasIdleCommand); }

#undef ANY_SUBMACHINE

bool MProxyMachAbstract::IsReady() {
  for (MMachAbstract* submachine : submachines_) {
    if (!MPROXY_CALL(submachine, IsReady)) return false;
  }
  return true;
}

// Not ready only when a submachine with a loaded probe system and a loaded probe says so.
bool MProxyMachAbstract::IsProbeReady() {
  for (MMachAbstract* submachine : submachines_) {
    if (MPROXY_CALL(submachine, HasProbesystems) && MPROXY_CALL(submachine, HasActiveProbesystem) &&
        MPROXY_CALL(submachine, HasProbes) && MPROXY_CALL(submachine, GetLoadedProbe) != 0 &&
        !MPROXY_CALL(submachine, IsProbeReady)) {
      return false;
    }
  }
  return true;
}

// Identity: the first submachine's.

const char* MProxyMachAbstract::GetMachineName() {
  return submachines_.empty() ? kNoSubmachineName : mproxy_guard::name_of(submachines_.front());
}

const char* MProxyMachAbstract::GetMachineVersion() {
  if (submachines_.empty()) return kNoSubmachineVersion;
  return mproxy_guard::or_unknown(MPROXY_CALL(submachines_.front(), GetMachineVersion));
}

const char* MProxyMachAbstract::GetMachineDescription() {
  return submachines_.empty() ? "" : mproxy_guard::description_of(submachines_.front());
}

// Versions: one line per submachine and the proxy's own (built once), then the submachines'
// lines under their component-prefixed names.

void MProxyMachAbstract::rebuild_versions() {
  submachine_versions_.clear();
  for (size_t i = 0; i < submachines_.size(); ++i) {
    MMachAbstract* submachine = submachines_[i];
    for (const MMachVersionInfo* line = MPROXY_CALL(submachine, GetFirstVersionInfo); line;
         line = MPROXY_CALL(submachine, GetNextVersionInfo)) {
      MMachVersionInfo copy = *line;
      if (!aliases_.empty()) copy.name = apply_component_prefix(copy.name, i);
      submachine_versions_.emplace(copy.name, copy);
    }
  }
  if (!versions_.empty()) return;
  for (size_t i = 0; i < submachines_.size(); ++i) {
    MMachAbstract* submachine = submachines_[i];
    MMachVersionInfo line;
    if (!aliases_.empty()) {
      stl_string_printf(line.name, "%zu: '%s': %s", i + 1, apply_component_prefix("", i).c_str(),
                        mproxy_guard::name_of(submachine));
    } else {
      line.name = apply_component_prefix("", i) + ": " + mproxy_guard::name_of(submachine);
    }
    line.version = mproxy_guard::or_unknown(MPROXY_CALL(submachine, GetMachineVersion));
    versions_.push_back(line);
  }
  versions_.push_back(MMachVersionInfo{"Generic Orvex Proxy", "2.00-00", false});
}

const MMachVersionInfo* MProxyMachAbstract::GetFirstVersionInfo() {
  rebuild_versions();
  version_cursor_ = 0;
  submachine_version_cursor_ = submachine_versions_.begin();
  return GetNextVersionInfo();
}

const MMachVersionInfo* MProxyMachAbstract::GetNextVersionInfo() {
  if (version_cursor_ < versions_.size()) return &versions_[version_cursor_++];
  if (submachine_version_cursor_ == submachine_versions_.end()) return nullptr;
  return &(submachine_version_cursor_++)->second;
}

// Listings of the merged tables.

const MMachComponentInfo* MProxyMachAbstract::GetComponentInfo(const std::string& component) {
  const auto it = component_table_.find(component);
  return it != component_table_.end() ? &it->second.info : nullptr;
}

const MMachComponentInfo* MProxyMachAbstract::GetFirstComponentInfo() {
  component_cursor_ = component_table_.begin();
  return GetNextComponentInfo();
}

const MMachComponentInfo* MProxyMachAbstract::GetNextComponentInfo() {
  if (component_cursor_ == component_table_.end()) return nullptr;
  return &(component_cursor_++)->second.info;
}

const MMachAxisInfo* MProxyMachAbstract::GetAxisInfo(const std::string& axis) {
  const MProxyAxisEntry* const entry = axis_index_.find(axis);
  return entry != nullptr ? &entry->info : nullptr;
}

const MMachAxisInfo* MProxyMachAbstract::GetFirstAxisInfo() {
  axis_cursor_ = axis_table_.begin();
  return GetNextAxisInfo();
}

const MMachAxisInfo* MProxyMachAbstract::GetNextAxisInfo() {
  if (axis_cursor_ == axis_table_.end()) return nullptr;
  return &(axis_cursor_++)->second.info;
}

// Per-axis questions, asked of the owner.

const MProxyAxisEntry* MProxyMachAbstract::find_axis_or_report(const char* operation,
                                                               const std::string& axis) const {
  if (const MProxyAxisEntry* const entry = axis_index_.find(axis)) return entry;
  MERRLOG("MProxyMachAbstract::%s(): could not find axis \"%.40s\"", operation, axis.c_str());
  return nullptr;
}

// These pass the proxy's name on unchanged (a null name counts as empty).
double MProxyMachAbstract::GetLimitTolerance(const char* axis) {
  if (!axis) axis = "";
  const MProxyAxisEntry* entry = find_axis_or_report("GetLimitTolerance", axis);
  return entry ? MPROXY_CALL(entry->submachine, GetLimitTolerance, axis) : 0.0;
}

bool MProxyMachAbstract::IsSpinAxis(const std::string& axis) {
  const MProxyAxisEntry* entry = find_axis_or_report("IsSpinAxis", axis);
  return entry && MPROXY_CALL(entry->submachine, IsSpinAxis, axis);
}

// These pass the owner's own name.
bool MProxyMachAbstract::IsKeypadAxis(const std::string& axis) {
  const MProxyAxisEntry* entry = find_axis_or_report("IsKeypadAxis", axis);
  return entry && MPROXY_CALL(entry->submachine, IsKeypadAxis, entry->submachine_name);
}

bool MProxyMachAbstract::IsInitAxis(const std::string& axis) {
  const MProxyAxisEntry* entry = find_axis_or_report("IsInitAxis", axis);
  return entry && MPROXY_CALL(entry->submachine, IsInitAxis, entry->submachine_name);
}

bool MProxyMachAbstract::IsAxisInitialized(const std::string& axis) {
  const MProxyAxisEntry* entry = find_axis_or_report("IsAxisInitialized", axis);
  return entry && MPROXY_CALL(entry->submachine, IsAxisInitialized, entry->submachine_name);
}

// A shared axis combines the values of every entry that leads to a sharing submachine's axis of
// that name; any other axis is its owner's. The caller's name is passed on unchanged.
double MProxyMachAbstract::GetAxisValue(const char* axis) {
  if (!axis) axis = "";
  const std::string name = axis;  // one copy for every lookup
  MProxyCombineFunction combine = nullptr;
  const std::vector<MMachAbstract*> sharing = get_submachines_with_axis(name, &combine);
  if (sharing.empty()) {
    const MProxyAxisEntry* entry = find_axis_or_report("GetAxisValue", name);
    return entry ? MPROXY_CALL(entry->submachine, GetAxisValue, axis) : 0.0;
  }
  double value = 0.0;
  bool first = true;
  for (const auto& [proxy_name, entry] : axis_table_) {
    if (entry.submachine_name != name) continue;
    bool shares = false;
    for (MMachAbstract* submachine : sharing) shares = shares || submachine == entry.submachine;
    if (!shares) continue;
    const double answer = MPROXY_CALL(entry.submachine, GetAxisValue, axis);
    value = first ? answer : combine(value, answer);
    first = false;
  }
  return value;
}

// Possibility queries: the set goes to its owners with their own names.

bool MProxyMachAbstract::possible_with(const char* operation, const MMachAxesSet& axes,
                                       bool (MMachAbstract::*ask)(const MMachAxesSet&),
                                       bool ask_every_owner) {
  if (axes.empty()) {
    for (MMachAbstract* submachine : submachines_) {
      if ((submachine->*ask)(axes)) return true;
    }
    return false;
  }
  // The common case, every axis its one owner's under the same name, needs no split: the set
  // goes to the owner as it is.
  MMachAbstract* sole_owner = nullptr;
  for (const std::string& axis : axes) {
    const MProxyAxisEntry* const entry = axis_index_.find(axis);
    const bool as_is = entry != nullptr && entry->submachine_name == axis &&
                       (sole_owner == nullptr || sole_owner == entry->submachine);
    sole_owner = as_is ? entry->submachine : nullptr;
    if (!as_is) break;
  }
  if (sole_owner != nullptr) return (sole_owner->*ask)(axes);
  MErrTraceContext context;
  MProxyBySubmachine<MMachAxesSet> owners;
  if (!split_axesset_to_submachines(axes, owners)) {
    MERRDUMP(context, "MProxyMachAbstract::%s(): split_axesset_to_submachines() failed", operation);
    return false;
  }
  if (owners.size() == 1) return (owners.begin()->first->*ask)(owners.begin()->second);
  if (!ask_every_owner) return false;
  bool all = true;
  for (const auto& [owner, names] : owners) all = (owner->*ask)(names) && all;
  return all;
}

bool MProxyMachAbstract::IsScanningPossibleWith(const MMachAxesSet& axes) {
  return possible_with("IsScanningPossibleWith", axes, &MMachAbstract::IsScanningPossibleWith, false);
}

bool MProxyMachAbstract::IsMovingPossibleWith(const MMachAxesSet& axes) {
  return possible_with("IsMovingPossibleWith", axes, &MMachAbstract::IsMovingPossibleWith, true);
}

bool MProxyMachAbstract::IsMoveIntoLimitSwitchPossibleWith(const MMachAxesSet& axes) {
  return possible_with("IsMoveIntoLimitSwitchPossibleWith", axes,
                       &MMachAbstract::IsMoveIntoLimitSwitchPossibleWith, false);
}

bool MProxyMachAbstract::IsMovezeroingPossibleWith(const MMachAxesSet& axes) {
  return possible_with("IsMovezeroingPossibleWith", axes, &MMachAbstract::IsMovezeroingPossibleWith,
                       false);
}

bool MProxyMachAbstract::IsStrobePossibleWith(const MMachAxesSet& axes) {
  return possible_with("IsStrobePossibleWith", axes, &MMachAbstract::IsStrobePossibleWith, false);
}

// An owner that restricts scan data (non-zero for the empty set) decides with its own names.
int MProxyMachAbstract::IsScandataPossibleWith(const MMachAxesSet& axes) {
  if (axes.empty()) return -1;
  MErrTraceContext context;
  MProxyBySubmachine<MMachAxesSet> owners;
  if (!split_axesset_to_submachines(axes, owners)) {
    MERRDUMP(context, "%s(): split_axesset_to_submachines() failed",
             "MProxyMachAbstract::IsScandataPossibleWith");
    return 0;
  }
  // Asked with no axes, a submachine answers 0 when it records any axes; one that throws there
  // counts as restricted, so that its answer for the axes themselves (0 when it throws) decides.
  const auto restricts = [](MMachAbstract* owner) {
    static const MMachAxesSet kNoAxes;
    return mproxy_guard::attempt(owner, "IsScandataPossibleWith", [owner] {
             return owner->IsScandataPossibleWith(kNoAxes);
           }).value_or(1) != 0;
  };
  if (owners.size() == 1) {
    MMachAbstract* owner = owners.begin()->first;
    return restricts(owner) ? MPROXY_CALL(owner, IsScandataPossibleWith, owners.begin()->second) : 1;
  }
  for (const auto& owned : owners) {
    MMachAbstract* owner = owned.first;
    const auto& names = owned.second;  // not a binding: the guard's lambda captures the arguments
    if (restricts(owner) && MPROXY_CALL(owner, IsScandataPossibleWith, names) == 0) return 0;
  }
  return -1;
}

bool MProxyMachAbstract::IsTrackingPossibleWith(const MMachAxesSet& positions,
                                                const MMachAxesSet& tracking) {
  if (positions.empty() && tracking.empty()) {
    for (MMachAbstract* submachine : submachines_) {
      if (MPROXY_CALL(submachine, IsTrackingPossibleWith, positions, tracking)) return true;
    }
    return false;
  }
  MErrTraceContext context;
  MProxyBySubmachine<MMachAxesSet> position_owners;
  MProxyBySubmachine<MMachAxesSet> tracking_owners;
  if (!split_axesset_to_submachines(positions, position_owners) ||
      !split_axesset_to_submachines(tracking, tracking_owners)) {
    MERRDUMP(context, "MProxyMachAbstract::IsTrackingPossibleWith(): split_axesset_to_submachines() failed");
    return false;
  }
  if (position_owners.size() > 1 || tracking_owners.size() > 1) return false;
  if (position_owners.size() == 1 && tracking_owners.size() == 1 &&
      position_owners.begin()->first != tracking_owners.begin()->first) {
    return false;
  }
  MMachAbstract* owner =
      tracking_owners.empty() ? position_owners.begin()->first : tracking_owners.begin()->first;
  return MPROXY_CALL(owner, IsTrackingPossibleWith, position_owners[owner], tracking_owners[owner]);
}
