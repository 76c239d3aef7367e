// The queries of the simulated machine: each counts its call and answers from the tables.
#include "msimmachine.h"

#include <algorithm>
#include <limits>

namespace {

// The listing pattern: `first` resets the cursor, every call hands out the element under it.
template <class T>
const T* next_element(const std::vector<T>& list, size_t& cursor) {
  return cursor < list.size() ? &list[cursor++] : nullptr;
}

const char* next_name(const std::vector<std::string>& list, size_t& cursor) {
  const std::string* name = next_element(list, cursor);
  return name ? name->c_str() : nullptr;
}

const char* next_keypad_axis(const std::vector<std::pair<std::string, uint64_t>>& list,
                             size_t& cursor, uint64_t* value) {
  const auto* entry = next_element(list, cursor);
  if (!entry) return nullptr;
  if (value) *value = entry->second;
  return entry->first.c_str();
}

template <class Map>
bool contains(const Map& map, const typename Map::key_type& key) {
  return map.find(key) != map.end();
}

}  // namespace

// Identity, components and versions.

const char* MSimMachine::GetMachineName() {
  count_call(__func__);
  return tables_.null_machine_name ? nullptr : tables_.machine_name.c_str();
}

const char* MSimMachine::GetMachineVersion() {
  count_call(__func__);
  return tables_.machine_version.c_str();
}

const char* MSimMachine::GetMachineDescription() {
  count_call(__func__);
  return tables_.machine_description.c_str();
}

const MMachComponentInfo* MSimMachine::GetComponentInfo(const std::string& name) {
  count_call(__func__);
  for (const MMachComponentInfo& component : tables_.components) {
    if (component.name == name) return &component;
  }
  return nullptr;
}

const MMachComponentInfo* MSimMachine::GetFirstComponentInfo() {
  count_call(__func__);
  component_cursor_ = 0;
  return next_element(tables_.components, component_cursor_);
}

const MMachComponentInfo* MSimMachine::GetNextComponentInfo() {
  count_call(__func__);
  return next_element(tables_.components, component_cursor_);
}

const MMachVersionInfo* MSimMachine::GetFirstVersionInfo() {
  count_call(__func__);
  version_cursor_ = 0;
  return next_element(tables_.versions, version_cursor_);
}

const MMachVersionInfo* MSimMachine::GetNextVersionInfo() {
  count_call(__func__);
  return next_element(tables_.versions, version_cursor_);
}

// Axes and possibilities.

const MMachAxisInfo* MSimMachine::GetAxisInfo(const std::string& name) {
  count_call(__func__);
  const MSimAxis* axis = tables_.FindAxis(name);
  return axis ? &axis->info : nullptr;
}

const MMachAxisInfo* MSimMachine::GetFirstAxisInfo() {
  count_call(__func__);
  axis_cursor_ = 0;
  const MSimAxis* axis = next_element(tables_.axes, axis_cursor_);
  return axis ? &axis->info : nullptr;
}

const MMachAxisInfo* MSimMachine::GetNextAxisInfo() {
  count_call(__func__);
  const MSimAxis* axis = next_element(tables_.axes, axis_cursor_);
  return axis ? &axis->info : nullptr;
}

double MSimMachine::GetAxisValue(const char* axis) {
  count_call(__func__);
  const MSimAxis* found = axis ? tables_.FindAxis(axis) : nullptr;
  return found ? found->value : std::numeric_limits<double>::quiet_NaN();
}

double MSimMachine::GetLimitTolerance(const char* axis) {
  count_call(__func__);
  const auto it = axis ? tables_.limit_tolerances.find(axis) : tables_.limit_tolerances.end();
  return it == tables_.limit_tolerances.end() ? 5.0 : it->second;
}

bool MSimMachine::IsScanningPossibleWith(const MMachAxesSet& axes) {
  count_call(__func__);
  return possible(MSimPossibility::kScanning, axes);
}

bool MSimMachine::IsMovingPossibleWith(const MMachAxesSet& axes) {
  count_call(__func__);
  return possible(MSimPossibility::kMoving, axes);
}

bool MSimMachine::IsMoveIntoLimitSwitchPossibleWith(const MMachAxesSet& axes) {
  count_call(__func__);
  return possible(MSimPossibility::kMoveIntoLimitSwitch, axes);
}

bool MSimMachine::IsMovezeroingPossibleWith(const MMachAxesSet& axes) {
  count_call(__func__);
  return possible(MSimPossibility::kMovezeroing, axes);
}

bool MSimMachine::IsTrackingPossibleWith(const MMachAxesSet& positions,
                                         const MMachAxesSet& tracking) {
  count_call(__func__);
  MMachAxesSet both = positions;
  both.insert(tracking.begin(), tracking.end());
  return possible(MSimPossibility::kTracking, both);
}

bool MSimMachine::IsStrobePossibleWith(const MMachAxesSet& axes) {
  count_call(__func__);
  return possible(MSimPossibility::kStrobe, axes);
}

int MSimMachine::IsScandataPossibleWith(const MMachAxesSet& axes) {
  count_call(__func__);
  return possibility_answer(MSimPossibility::kScandata, axes);
}

// Axis lists, keypad and spin axes.

bool MSimMachine::HasAxisLists() {
  count_call(__func__);
  return tables_.has_axis_lists;
}

const char* MSimMachine::GetFirstListedAxis() {
  count_call(__func__);
  first_list_cursor_ = 0;
  return next_name(tables_.first_axis_list, first_list_cursor_);
}

const char* MSimMachine::GetNextListedAxis() {
  count_call(__func__);
  return next_name(tables_.first_axis_list, first_list_cursor_);
}

const char* MSimMachine::GetFirstSecondListedAxis() {
  count_call(__func__);
  second_list_cursor_ = 0;
  return next_name(tables_.second_axis_list, second_list_cursor_);
}

const char* MSimMachine::GetNextSecondListedAxis() {
  count_call(__func__);
  return next_name(tables_.second_axis_list, second_list_cursor_);
}

bool MSimMachine::IsKeypadAxis(const std::string& axis) {
  count_call(__func__);
  return std::any_of(tables_.keypad_axes.begin(), tables_.keypad_axes.end(),
                     [&](const auto& entry) { return entry.first == axis; });
}

bool MSimMachine::HasKeypad() {
  count_call(__func__);
  return tables_.has_keypad;
}

const char* MSimMachine::GetFirstKeypadAxis() {
  count_call(__func__);
  keypad_cursor_ = 0;
  return next_keypad_axis(tables_.keypad_axes, keypad_cursor_, nullptr);
}

const char* MSimMachine::GetNextKeypadAxis() {
  count_call(__func__);
  return next_keypad_axis(tables_.keypad_axes, keypad_cursor_, nullptr);
}

const char* MSimMachine::GetFirstKeypadAxisValue(uint64_t& value) {
  count_call(__func__);
  keypad_value_cursor_ = 0;
  return next_keypad_axis(tables_.keypad_axes, keypad_value_cursor_, &value);
}

const char* MSimMachine::GetNextKeypadAxisValue(uint64_t& value) {
  count_call(__func__);
  return next_keypad_axis(tables_.keypad_axes, keypad_value_cursor_, &value);
}

bool MSimMachine::IsSpinAxis(const std::string& axis) {
  count_call(__func__);
  return contains(tables_.spin_axes, axis);
}

// Probe systems.

bool MSimMachine::HasProbesystems() {
  count_call(__func__);
  return tables_.has_probesystems;
}

bool MSimMachine::IsProbesystemDefined(const std::string& name) {
  count_call(__func__);
  const auto& definitions = tables_.probesystem_definitions;
  return tables_.has_probesystems &&
         std::any_of(definitions.begin(), definitions.end(),
                     [&](const MMachProbesystemInfo& info) { return info.name == name; });
}

const MMachProbesystemEntry* MSimMachine::GetFirstProbesystem() {
  count_call(__func__);
  probesystem_cursor_ = 0;
  return next_probesystem();
}

const MMachProbesystemEntry* MSimMachine::GetNextProbesystem() {
  count_call(__func__);
  return next_probesystem();
}

const MMachProbesystemEntry* MSimMachine::next_probesystem() {
  const std::string* name = tables_.has_probesystems
                                ? next_element(tables_.probesystem_names, probesystem_cursor_)
                                : nullptr;
  if (!name) return nullptr;
  probesystem_entry_ = {*name, 0};
  return &probesystem_entry_;
}

bool MSimMachine::IsProbesystemIdDefined(const std::string& name, uint32_t id) {
  count_call(__func__);
  const auto& definitions = tables_.probesystem_definitions;
  return tables_.has_probesystems &&
         std::any_of(definitions.begin(), definitions.end(), [&](const MMachProbesystemInfo& info) {
           return info.name == name && info.id == id;
         });
}

std::vector<MMachProbesystemInfo> MSimMachine::GetProbesystemInfos(const std::string& name,
                                                                   uint32_t id) {
  count_call(__func__);
  std::vector<MMachProbesystemInfo> infos;
  if (!tables_.has_probesystems) return infos;
  for (const MMachProbesystemInfo& info : tables_.probesystem_definitions) {
    if ((name.empty() || info.name == name) && (id == 0 || info.id == id)) infos.push_back(info);
  }
  return infos;
}

bool MSimMachine::HasActiveProbesystem() {
  count_call(__func__);
  return tables_.has_probesystems && !tables_.active_probesystem.empty();
}

bool MSimMachine::IsProbesystemKnown(const std::string& name) {
  count_call(__func__);
  return tables_.has_probesystems && tables_.IsProbesystemListed(name);
}

std::string MSimMachine::GetActiveProbesystem() {
  count_call(__func__);
  return tables_.has_probesystems ? tables_.active_probesystem : std::string();
}

uint32_t MSimMachine::GetActiveProbesystemId() {
  count_call(__func__);
  return tables_.has_probesystems ? tables_.active_probesystem_id : 0;
}

MMachProbesystemType MSimMachine::GetProbesystemType() {
  count_call(__func__);
  return tables_.probesystem_type;
}

// Image FIFOs.

bool MSimMachine::HasImagefifos() {
  count_call(__func__);
  return tables_.has_imagefifos;
}

MMachImagefifoEntry* MSimMachine::GetActiveImagefifo() {
  count_call(__func__);
  const auto it = tables_.imagefifos.find(tables_.active_imagefifo);
  return it == tables_.imagefifos.end() ? nullptr : &it->second;
}

MMachImagefifoEntry* MSimMachine::FindImagefifo(const std::string& name) {
  count_call(__func__);
  const auto it = tables_.imagefifos.find(name);
  return it == tables_.imagefifos.end() ? nullptr : &it->second;
}

MMachImagefifoEntry* MSimMachine::GetFirstImagefifo() {
  count_call(__func__);
  const auto it = tables_.imagefifos.begin();
  if (it == tables_.imagefifos.end()) return nullptr;
  imagefifo_cursor_ = it->first;
  return &it->second;
}

MMachImagefifoEntry* MSimMachine::GetNextImagefifo() {
  count_call(__func__);
  // The cursor is the last name handed out, so that FIFOs may come and go between calls.
  const auto it = tables_.imagefifos.upper_bound(imagefifo_cursor_);
  if (it == tables_.imagefifos.end()) return nullptr;
  imagefifo_cursor_ = it->first;
  return &it->second;
}

MMachImageFormat MSimMachine::GetImageFormat() {
  count_call(__func__);
  if (!tables_.has_probesystems || tables_.active_probesystem.empty()) return {};
  const auto it = tables_.image_formats.find(tables_.active_probesystem);
  return it == tables_.image_formats.end() ? MMachImageFormat{} : it->second;
}

// Probes.

bool MSimMachine::HasProbes() {
  count_call(__func__);
  return tables_.has_probes;
}

bool MSimMachine::IsProbeDefined(uint32_t probe) {
  count_call(__func__);
  return tables_.has_probes && contains(tables_.probes, probe);
}

bool MSimMachine::IsProbeTipDefined(uint32_t probe, uint32_t tip) {
  count_call(__func__);
  const auto it = tables_.probes.find(probe);
  return tables_.has_probes && it != tables_.probes.end() && contains(it->second, tip);
}

std::vector<double> MSimMachine::GetProbeTipData(uint32_t probe, uint32_t tip) {
  count_call(__func__);
  const auto it = tables_.probes.find(probe);
  if (!tables_.has_probes || it == tables_.probes.end()) return {};
  const auto data = it->second.find(tip);
  return data == it->second.end() ? std::vector<double>() : data->second;
}

uint64_t MSimMachine::GetProbeInfo() {
  count_call(__func__);
  return tables_.has_probes ? tables_.probe_info : 0;
}

uint64_t MSimMachine::GetProbeStatus() {
  count_call(__func__);
  return tables_.has_probes ? tables_.probe_status : 0;
}

uint32_t MSimMachine::GetLoadedProbe() {
  count_call(__func__);
  return tables_.has_probes ? tables_.loaded_probe : 0;
}

uint64_t MSimMachine::GetLoadedTip() {
  count_call(__func__);
  return tables_.has_probes ? tables_.loaded_tip : 0;
}

// Magazine: the base behaviour over the database that Open read.

bool MSimMachine::HasMagazine() {
  count_call(__func__);
  return MMachAbstract::HasMagazine();
}

uint32_t MSimMachine::GetMagazineSlotOfProbe(uint32_t probe) {
  count_call(__func__);
  return MMachAbstract::GetMagazineSlotOfProbe(probe);
}

bool MSimMachine::IsMagazineSlot(uint32_t slot) {
  count_call(__func__);
  return tables_.denied_magazine_slots.count(slot) == 0 && MMachAbstract::IsMagazineSlot(slot);
}

bool MSimMachine::SetMagazineSlot(uint32_t slot, uint32_t probe) {
  count_call(__func__);
  return MMachAbstract::SetMagazineSlot(slot, probe);
}

bool MSimMachine::GetMagazineLoadProgram(std::string& out, uint32_t slot) {
  count_call(__func__);
  return MMachAbstract::GetMagazineLoadProgram(out, slot);
}

bool MSimMachine::GetMagazineUnloadProgram(std::string& out, uint32_t slot) {
  count_call(__func__);
  return MMachAbstract::GetMagazineUnloadProgram(out, slot);
}

bool MSimMachine::GetMagazineChangeProgram(std::string& out, uint32_t slot, uint32_t target) {
  count_call(__func__);
  return MMachAbstract::GetMagazineChangeProgram(out, slot, target);
}

std::map<uint32_t, uint32_t> MSimMachine::GetMagazineSlots(const std::string& probesystem,
                                                           uint32_t id) {
  count_call(__func__);
  return MMachAbstract::GetMagazineSlots(probesystem, id);
}

// Further state and capabilities.

std::string MSimMachine::GetMachineText() {
  count_call(__func__);
  return tables_.machine_text;
}

bool MSimMachine::GetWobbleParameters(MMachWobbleParameters& out) {
  count_call(__func__);
  out = tables_.wobble.value_or(MMachWobbleParameters{});
  return tables_.wobble.has_value();
}

bool MSimMachine::HasFeatureA() {
  count_call(__func__);
  return tables_.feature_a;
}

bool MSimMachine::IsReady() {
  count_call(__func__);
  return tables_.ready;
}

bool MSimMachine::IsInitAxis(const std::string& axis) {
  count_call(__func__);
  return contains(tables_.init_axes, axis);
}

bool MSimMachine::IsAxisInitialized(const std::string& axis) {
  count_call(__func__);
  return !contains(tables_.uninitialized_axes, axis);
}

bool MSimMachine::HasFeatureB() {
  count_call(__func__);
  return tables_.feature_b;
}

bool MSimMachine::HasFeatureC() {
  count_call(__func__);
  return tables_.feature_c;
}

bool MSimMachine::IsProbeReady() {
  count_call(__func__);
  return tables_.probe_ready;
}

bool MSimMachine::HasIdleCommand() {
  count_call(__func__);
  return tables_.idle_command;
}
