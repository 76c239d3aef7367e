// The probe-system table: proxy probe-system names, their owners and the loaded probe system.
#include "mproxymachabstract.h"

#include "errlog.h"
#include "mproxyguard.h"
#include "mproxynamemerge.h"

void MProxyMachAbstract::update_probesystem_table() {
  const std::string current = GetActiveProbesystem();

  // Colliding names are numbered per submachine; the plain name keeps meaning the first one's.
  MProxyMergeRules<MProxyProbesystemEntry> rules;
  rules.rename = [](const std::string& probesystem, size_t index) {
    return append_number(probesystem, index + 1);
  };
  const auto entry_of = [](const std::string& own_name, MMachAbstract* submachine) {
    return MProxyProbesystemEntry{own_name, submachine};
  };
  merge_into_table(probesystem_table_, submachines_, submachine_probesystem_names_, entry_of, rules, nullptr);

  current_probesystem_ = current.empty() ? probesystem_table_.end() : probesystem_table_.find(current);
  probesystem_cursor_ = probesystem_table_.end();
}

MMachAbstract* MProxyMachAbstract::get_active_submachine() {
  return current_probesystem_ != probesystem_table_.end() ? current_probesystem_->second.submachine
                                                          : nullptr;
}

const std::string& MProxyMachAbstract::probesystem_submach2proxy_name(
    const std::string& submachine_name, MMachAbstract* submachine) {
  for (const auto& [proxy_name, entry] : probesystem_table_) {
    if (entry.submachine_name == submachine_name && entry.submachine == submachine) return proxy_name;
  }
  MERRLOG("probesystem_submach2proxy_name(): no translation for %s, %s [%s] found", submachine_name.c_str(),
          mproxy_guard::name_of(submachine), mproxy_guard::description_of(submachine));
  static const std::string kNoName;
  return kNoName;
}

// Queries answered from the probe-system table, or by the owner of a probe system.

bool MProxyMachAbstract::IsProbesystemKnown(const std::string& probesystem) {
  return probesystem_table_.count(probesystem) != 0;
}

const MMachProbesystemEntry* MProxyMachAbstract::GetFirstProbesystem() {
  probesystem_cursor_ = probesystem_table_.begin();
  return GetNextProbesystem();
}

const MMachProbesystemEntry* MProxyMachAbstract::GetNextProbesystem() {
  if (probesystem_cursor_ == probesystem_table_.end()) return nullptr;
  probesystem_listing_entry_ = MMachProbesystemEntry{probesystem_cursor_->first, 0};
  ++probesystem_cursor_;
  return &probesystem_listing_entry_;
}

bool MProxyMachAbstract::HasActiveProbesystem() {
  return current_probesystem_ != probesystem_table_.end();
}

std::string MProxyMachAbstract::GetActiveProbesystem() {
  return HasActiveProbesystem() ? current_probesystem_->first : std::string();
}

bool MProxyMachAbstract::IsProbesystemDefined(const std::string& probesystem) {
  const auto it = probesystem_table_.find(probesystem);
  if (it == probesystem_table_.end()) return false;
  return MPROXY_CALL(it->second.submachine, IsProbesystemDefined, it->second.submachine_name);
}

bool MProxyMachAbstract::IsProbesystemIdDefined(const std::string& probesystem, uint32_t id) {
  const auto it = probesystem_table_.find(probesystem);
  if (it == probesystem_table_.end()) return false;
  return MPROXY_CALL(it->second.submachine, IsProbesystemIdDefined, it->second.submachine_name, id);
}

uint32_t MProxyMachAbstract::GetActiveProbesystemId() {
  if (!HasActiveProbesystem()) return 0;
  MMachAbstract* active = get_active_submachine();
  return active ? MPROXY_CALL(active, GetActiveProbesystemId) : 0;
}

std::vector<MMachProbesystemInfo> MProxyMachAbstract::GetProbesystemInfos(
    const std::string& probesystem, uint32_t id) {
  probesystem_definitions_.clear();
  if (probesystem.empty()) {
    for (const auto& entry : probesystem_table_) {
      MMachProbesystemInfo info;
      info.name = entry.first;
      probesystem_definitions_.push_back(info);
    }
  } else if (probesystem == "*") {
    for (size_t k = 0; k < submachines_.size() && k < submachine_probesystem_infos_.size(); ++k) {
      for (const auto& [own_name, definition] : submachine_probesystem_infos_[k]) {
        MMachProbesystemInfo info = definition;
        info.name = probesystem_submach2proxy_name(own_name, submachines_[k]);
        probesystem_definitions_.push_back(std::move(info));
      }
    }
  } else {
    const auto entry = probesystem_table_.find(probesystem);
    const size_t k = entry == probesystem_table_.end() ? submachines_.size()
                                                       : submachine_index(entry->second.submachine);
    if (k < submachines_.size() && k < submachine_probesystem_infos_.size()) {
      const auto [begin, end] = submachine_probesystem_infos_[k].equal_range(entry->second.submachine_name);
      for (auto it = begin; it != end; ++it) {
        if (id != 0 && it->second.id != id) continue;
        MMachProbesystemInfo info = it->second;
        info.name = probesystem;
        probesystem_definitions_.push_back(std::move(info));
        if (id != 0) break;
      }
    }
  }
  return probesystem_definitions_;
}

MMachProbesystemType MProxyMachAbstract::GetProbesystemType() {
  MMachAbstract* active = get_active_submachine();
  if (!active) return MMachProbesystemType{};
  if (!MPROXY_CALL(active, IsCommandSupported, "MMachProbesystemTypeCommand"))
    return MMachProbesystemType{1, {}};
  if (!MPROXY_CALL(active, HasActiveProbesystem)) return MMachProbesystemType{};
  return MPROXY_CALL(active, GetProbesystemType);
}
