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
#include <string_view>
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
  // Keyed by views of the candidates' names, which outlive the merge: no name is copied twice.
  std::map<std::string_view, size_t> owners;
  std::set<std::string_view> at_once;
  for (size_t k = 0; k < count; ++k) {
    for (const auto& candidate : candidates[k]) {
      if (owners[candidate.first]++ == 0 && rules.rename_at_once && rules.rename_at_once(candidate.first)) {
        at_once.insert(candidate.first);
      }
    }
  }
  // The plain entries, the first submachine's where several have the name; every entry of
  // `merged` knows its submachine and own name, so a clash can name the entry that holds a name.
  std::map<std::string, Entry> merged;
  for (size_t k = 0; k < count; ++k) {
    for (const auto& [own_name, entry] : candidates[k]) {
      if (at_once.count(own_name) == 0) merged.emplace(own_name, entry);
    }
  }
  for (size_t k = 0; k < count; ++k) {
    for (const auto& [own_name, entry] : candidates[k]) {
      const bool plain = at_once.count(own_name) == 0;
      if (plain && owners[own_name] < 2) continue;
      const std::string key = rules.rename(own_name, k);
      if (plain && key == own_name) continue;  // the plain entry stands for it
      const auto held = merged.find(key);
      if (held != merged.end()) {
        const size_t holder = static_cast<size_t>(
            std::find(submachines.begin(), submachines.end(), held->second.submachine) - submachines.begin());
        clash = MProxyNameClash{k, own_name, key, holder, held->second.submachine_name};
        return false;
      }
      Entry renamed = entry;
      set_proxy_name(renamed, key);
      merged.emplace(key, std::move(renamed));
    }
  }
  if (rules.settle_plain) {
    for (const auto& [name, number] : owners) {
      if (number > 1 && at_once.count(name) == 0) {
        const std::string plain(name);
        rules.settle_plain(merged[plain], plain);
      }
    }
  }
  if (changed && !merged.empty()) *changed = true;
  table = std::move(merged);
  return true;
}
