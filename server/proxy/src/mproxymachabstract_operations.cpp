// Operations over the submachines: merged axis-name lists, questions for the active submachine,
// searches, wobble parameters, shared axes, Close and Poll.
#include "mproxymachabstract.h"

#include <utility>

#include "errlog.h"
#include "mproxyguard.h"

namespace {

// The active submachine's answer, or `fallback` without asking anybody when there is none.
template <class R, class... Params, class... Args>
R ask_active(MMachAbstract* active, R fallback, R (MMachAbstract::*ask)(Params...), Args&&... args) {
  return active ? (active->*ask)(std::forward<Args>(args)...) : fallback;
}

}  // namespace

// Merged axis-name lists: every guarded submachine's own list, translated to proxy names.

void MProxyMachAbstract::rebuild_name_list(bool (MMachAbstract::*guard)(),
                                           const char* (MMachAbstract::*first)(),
                                           const char* (MMachAbstract::*next)(),
                                           std::set<std::string>& list) {
  list.clear();
  std::vector<const char*> names;
  for (size_t i = 0; i < submachines_.size(); ++i) {
    MMachAbstract* submachine = submachines_[i];
    if (!(submachine->*guard)()) continue;
    for (const char* axis = (submachine->*first)(); axis; axis = (submachine->*next)()) {
      axis_submach2proxy_names(axis, i, names);
      list.insert(names.begin(), names.end());
    }
  }
}

const char* MProxyMachAbstract::next_name(std::set<std::string>& list, NameCursor& cursor) {
  if (cursor == list.end()) return nullptr;
  return (cursor++)->c_str();
}

const char* MProxyMachAbstract::GetFirstListedAxis() {
  rebuild_name_list(&MMachAbstract::HasAxisLists, &MMachAbstract::GetFirstListedAxis,
                    &MMachAbstract::GetNextListedAxis, first_axis_list_);
  first_axis_cursor_ = first_axis_list_.begin();
  return GetNextListedAxis();
}

const char* MProxyMachAbstract::GetNextListedAxis() {
  return next_name(first_axis_list_, first_axis_cursor_);
}

const char* MProxyMachAbstract::GetFirstSecondListedAxis() {
  rebuild_name_list(&MMachAbstract::HasAxisLists, &MMachAbstract::GetFirstSecondListedAxis,
                    &MMachAbstract::GetNextSecondListedAxis, second_axis_list_);
  second_axis_cursor_ = second_axis_list_.begin();
  return GetNextSecondListedAxis();
}

const char* MProxyMachAbstract::GetNextSecondListedAxis() {
  return next_name(second_axis_list_, second_axis_cursor_);
}

const char* MProxyMachAbstract::GetFirstKeypadAxis() {
  rebuild_name_list(&MMachAbstract::HasKeypad, &MMachAbstract::GetFirstKeypadAxis,
                    &MMachAbstract::GetNextKeypadAxis, keypad_axis_list_);
  keypad_axis_cursor_ = keypad_axis_list_.begin();
  return GetNextKeypadAxis();
}

const char* MProxyMachAbstract::GetNextKeypadAxis() {
  return next_name(keypad_axis_list_, keypad_axis_cursor_);
}

// Each translated name keeps the value the submachine wrote for it; a later one wins.
const char* MProxyMachAbstract::GetFirstKeypadAxisValue(uint64_t& value) {
  keypad_values_.clear();
  std::vector<const char*> names;
  for (size_t i = 0; i < submachines_.size(); ++i) {
    MMachAbstract* submachine = submachines_[i];
    if (!MPROXY_CALL(submachine, HasKeypad)) continue;
    for (const char* axis = MPROXY_CALL(submachine, GetFirstKeypadAxisValue, value); axis;
         axis = MPROXY_CALL(submachine, GetNextKeypadAxisValue, value)) {
      axis_submach2proxy_names(axis, i, names);
      for (const char* proxy_name : names) keypad_values_[proxy_name] = value;
    }
  }
  keypad_value_cursor_ = keypad_values_.begin();
  return GetNextKeypadAxisValue(value);
}

const char* MProxyMachAbstract::GetNextKeypadAxisValue(uint64_t& value) {
  if (keypad_value_cursor_ == keypad_values_.end()) return nullptr;
  value = keypad_value_cursor_->second;
  return (keypad_value_cursor_++)->first.c_str();
}

// Questions for the owner of the loaded probe system; the arguments are passed on unchanged.

MMachImagefifoEntry* MProxyMachAbstract::GetActiveImagefifo() {
  return ask_active<MMachImagefifoEntry*>(get_active_submachine(), nullptr,
                                          &MMachAbstract::GetActiveImagefifo);
}

MMachImageFormat MProxyMachAbstract::GetImageFormat() {
  return ask_active(get_active_submachine(), MMachImageFormat{}, &MMachAbstract::GetImageFormat);
}

bool MProxyMachAbstract::IsProbeDefined(uint32_t probe) {
  return ask_active(get_active_submachine(), false, &MMachAbstract::IsProbeDefined, probe);
}

bool MProxyMachAbstract::IsProbeTipDefined(uint32_t probe, uint32_t tip) {
  return ask_active(get_active_submachine(), false, &MMachAbstract::IsProbeTipDefined, probe, tip);
}

std::vector<double> MProxyMachAbstract::GetProbeTipData(uint32_t probe, uint32_t tip) {
  static const std::vector<double> kNoData;
  return ask_active(get_active_submachine(), kNoData, &MMachAbstract::GetProbeTipData, probe, tip);
}

uint64_t MProxyMachAbstract::GetProbeInfo() {
  return ask_active<uint64_t>(get_active_submachine(), 0, &MMachAbstract::GetProbeInfo);
}

uint64_t MProxyMachAbstract::GetProbeStatus() {
  return ask_active<uint64_t>(get_active_submachine(), 0, &MMachAbstract::GetProbeStatus);
}

uint32_t MProxyMachAbstract::GetLoadedProbe() {
  return ask_active<uint32_t>(get_active_submachine(), 0, &MMachAbstract::GetLoadedProbe);
}

uint64_t MProxyMachAbstract::GetLoadedTip() {
  return ask_active<uint64_t>(get_active_submachine(), 0, &MMachAbstract::GetLoadedTip);
}

uint32_t MProxyMachAbstract::GetMagazineSlotOfProbe(uint32_t probe) {
  return ask_active<uint32_t>(get_active_submachine(), 0, &MMachAbstract::GetMagazineSlotOfProbe, probe);
}

bool MProxyMachAbstract::IsMagazineSlot(uint32_t slot) {
  return ask_active(get_active_submachine(), false, &MMachAbstract::IsMagazineSlot, slot);
}

bool MProxyMachAbstract::SetMagazineSlot(uint32_t slot, uint32_t probe) {
  return ask_active(get_active_submachine(), false, &MMachAbstract::SetMagazineSlot, slot, probe);
}

bool MProxyMachAbstract::GetMagazineLoadProgram(std::string& out, uint32_t slot) {
  return ask_active(get_active_submachine(), false, &MMachAbstract::GetMagazineLoadProgram, out, slot);
}

bool MProxyMachAbstract::GetMagazineUnloadProgram(std::string& out, uint32_t slot) {
  return ask_active(get_active_submachine(), false, &MMachAbstract::GetMagazineUnloadProgram, out, slot);
}

bool MProxyMachAbstract::GetMagazineChangeProgram(std::string& out, uint32_t slot, uint32_t target) {
  return ask_active(get_active_submachine(), false, &MMachAbstract::GetMagazineChangeProgram, out, slot,
                    target);
}

std::map<uint32_t, uint32_t> MProxyMachAbstract::GetMagazineSlots(const std::string& probesystem,
                                                                  uint32_t id) {
  return ask_active(get_active_submachine(), std::map<uint32_t, uint32_t>{},
                    &MMachAbstract::GetMagazineSlots, probesystem, id);
}

// Searches over all submachines.

MMachImagefifoEntry* MProxyMachAbstract::FindImagefifo(const std::string& imagefifo) {
  for (MMachAbstract* submachine : submachines_) {
    if (MMachImagefifoEntry* entry = MPROXY_CALL(submachine, FindImagefifo, imagefifo)) return entry;
  }
  return nullptr;
}

// Asks the submachine under the cursor (first or next), moving on to the next submachine's first
// image FIFO until one answers.
MMachImagefifoEntry* MProxyMachAbstract::imagefifo_from_cursor(bool ask_first) {
  for (; imagefifo_cursor_ < submachines_.size(); ++imagefifo_cursor_, ask_first = true) {
    MMachAbstract* submachine = submachines_[imagefifo_cursor_];
    MMachImagefifoEntry* entry =
        ask_first ? MPROXY_CALL(submachine, GetFirstImagefifo) : MPROXY_CALL(submachine, GetNextImagefifo);
    if (entry) return entry;
  }
  return nullptr;
}

MMachImagefifoEntry* MProxyMachAbstract::GetFirstImagefifo() {
  imagefifo_cursor_ = 0;
  return imagefifo_from_cursor(true);
}

MMachImagefifoEntry* MProxyMachAbstract::GetNextImagefifo() { return imagefifo_from_cursor(false); }

std::string MProxyMachAbstract::GetMachineText() {
  if (MMachAbstract* active = get_active_submachine()) {
    std::string text = MPROXY_CALL(active, GetMachineText);
    if (!text.empty()) return text;
  }
  for (MMachAbstract* submachine : submachines_) {
    std::string text = MPROXY_CALL(submachine, GetMachineText);
    if (!text.empty()) return text;
  }
  return std::string();
}

// Wobble works only through exactly one submachine that offers it.
bool MProxyMachAbstract::GetWobbleParameters(MMachWobbleParameters& out) {
  MMachAbstract* wobbler = nullptr;
  size_t wobblers = 0;
  for (MMachAbstract* submachine : submachines_) {
    if (!MPROXY_CALL(submachine, IsCommandSupported, "MMachWobbleCommand")) continue;
    wobbler = submachine;
    if (++wobblers == 2) break;
  }
  if (wobblers == 1) return MPROXY_CALL(wobbler, GetWobbleParameters, out);
  MERRLOG("%s(): we support wobble only with a single machine", "MProxyMachAbstract::GetWobbleParameters");
  return MMachAbstract::GetWobbleParameters(out);
}

// Shared axes: the submachines (list order) on which an axis of the combine table is usable.
std::vector<MMachAbstract*> MProxyMachAbstract::get_submachines_with_axis(const std::string& axis,
                                                                          MProxyCombineFunction* combine) {
  if (!find_combine_function(axis, combine)) return {};
  std::vector<MMachAbstract*> sharing;
  sharing.reserve(submachines_.size());
  for (MMachAbstract* submachine : submachines_) {
    if (is_axis_usable(submachine, axis)) sharing.push_back(submachine);
  }
  return sharing;
}

void MProxyMachAbstract::Close() {
  for (MMachAbstract* submachine : submachines_) MPROXY_CALL(submachine, Close);
  submachines_.clear();
  axis_table_.clear();
  axis_index_.clear();
  axis_cursor_ = axis_table_.end();
  axis_listings_.clear();
  component_table_.clear();
  component_cursor_ = component_table_.end();
  for (auto& infos : submachine_componentinfos_) infos.clear();
  supported_commands.clear();
}

// The submachines write into this machine's own channel during their Poll. Each one's lines are
// gathered aside in list order, so that its "capabilities changed" can be told from the others'.
void MProxyMachAbstract::Poll() {
  if (!output) {
    for (MMachAbstract* submachine : submachines_) MPROXY_CALL(submachine, Poll);
    return;
  }
  const bool capabilities_pending = output->HasEvent(kMEventCapabilitiesChanged);
  MOutputChannel gathered(static_cast<uint32_t>(output->GetNumber()));
  gathered.Append(*output);
  output->Clear();
  for (size_t k = 0; k < submachines_.size(); ++k) {
    MMachAbstract* submachine = submachines_[k];
    MPROXY_CALL(submachine, Poll);
    if (capabilities_pending || output->HasEvent(kMEventCapabilitiesChanged)) {
      UpdateCapabilities(submachine, nullptr, nullptr);
    }
    gathered.Append(*output);
    output->Clear();
  }
  output->Append(gathered);
  gathered.Clear();
}
