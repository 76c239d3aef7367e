// The naming scheme shared by the merged axis, component and probe-system tables: submachines are
// walked in list order, each one's names in name order. A name that several submachines have is
// renamed for every submachine that has it (numbered or prefixed), and the entry under the plain
// name stays, settled by the table's own rule. Every table name stands for exactly one submachine
// entry: a renamed name that some other entry already holds refuses the merge.
#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "mproxyentries.h"

inline void set_proxy_name(MProxyAxisEntry& entry, const std::string& name) { entry.info.name = name; }
inline void set_proxy_name(MProxyComponentEntry& entry, const std::string& name) { entry.info.name = name; }
inline void set_proxy_name(MProxyProbesystemEntry&, const std::string&) {}

template <class Entry>
struct MProxyMergeRules {
  // The table name of a submachine's name when it cannot stay plain (submachine index given).
  std::function<std::string(const std::string& name, size_t index)> rename;
  // A name that is renamed even when only one submachine has it, and gets no plain entry (may be
  // empty: never).
  std::function<bool(const std::string& name)> rename_at_once;
  // Settles the entry that keeps the plain name after a collision (may be empty: unchanged).
  std::function<void(Entry& plain, const std::string& name)> settle_plain;
};

// A merge refused: submachine `index`'s `name` would be renamed `proxy_name`, which already stands
// for `holder_name` of submachine `holder_index`.
struct MProxyNameClash {
  size_t index = 0;
  std::string name;
  std::string proxy_name;
  size_t holder_index = 0;
  std::string holder_name;
};

// Rebuilds `table` from `candidates[k]`, submachine k's (own name, entry) pairs in name order.
// `changed` (may be null) is set when any candidate is stored, the table being emptied first.
// On a clash answers false with `clash` filled and leaves `table` unchanged.
template <class Entry>
bool merge_into_table(std::map<std::string, Entry>& table, const std::vector<MMachAbstract*>& submachines,
                      const std::vector<std::vector<std::pair<std::string, Entry>>>& candidates,
                      const MProxyMergeRules<Entry>& rules, bool* changed, MProxyNameClash& clash) {
  const size_t count = std::min(submachines.size(), candidates.size());
  // Every plain name is reserved first, so that no renamed name can take one.
  std::map<std::string, size_t> owners;
  std::set<std::string> at_once;
  for (size_t k = 0; k < count; ++k) {
    for (const auto& candidate : candidates[k]) {
      if (owners[candidate.first]++ == 0 && rules.rename_at_once && rules.rename_at_once(candidate.first)) {
        at_once.insert(candidate.first);
      }
    }
  }
  std::map<std::string, Entry> merged;
  std::map<std::string, std::pair<size_t, std::string>> holders;  // table name → submachine, own name
  for (size_t k = 0; k < count; ++k) {
    for (const auto& [own_name, entry] : candidates[k]) {
      if (at_once.count(own_name) == 0 && holders.count(own_name) == 0) {
        merged.emplace(own_name, entry);
        holders.emplace(own_name, std::make_pair(k, own_name));
      }
    }
  }
  for (size_t k = 0; k < count; ++k) {
    for (const auto& [own_name, entry] : candidates[k]) {
      const bool plain = at_once.count(own_name) == 0;
      if (plain && owners[own_name] < 2) continue;
      const std::string key = rules.rename(own_name, k);
      if (plain && key == own_name) continue;  // the plain entry stands for it
      const auto holder = holders.emplace(key, std::make_pair(k, own_name));
      if (!holder.second) {
        clash = MProxyNameClash{k, own_name, key, holder.first->second.first, holder.first->second.second};
        return false;
      }
      Entry renamed = entry;
      set_proxy_name(renamed, key);
      merged.emplace(key, std::move(renamed));
    }
  }
  if (rules.settle_plain) {
    for (const auto& [name, number] : owners) {
      if (number > 1 && at_once.count(name) == 0) rules.settle_plain(merged[name], name);
    }
  }
  if (changed && !merged.empty()) *changed = true;
  table = std::move(merged);
  return true;
}
