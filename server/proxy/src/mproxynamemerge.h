// The naming scheme shared by the merged axis, component and probe-system tables: submachines are
// walked in list order, each one's names in name order. A name that a later submachine has again
// is renamed for every submachine that has it (numbered or prefixed), and the entry under the
// plain name stays, settled by the table's own rule.
#pragma once

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

inline bool same_description(const MProxyAxisEntry& a, const MProxyAxisEntry& b) { return a.info == b.info; }
inline bool same_description(const MProxyComponentEntry& a, const MProxyComponentEntry& b) {
  return a.info == b.info;
}
inline bool same_description(const MProxyProbesystemEntry& a, const MProxyProbesystemEntry& b) {
  return a.submachine_name == b.submachine_name && a.submachine == b.submachine;
}

template <class Entry>
struct MProxyMergeRules {
  // The table name of a submachine's name when it cannot stay plain (submachine index given).
  std::function<std::string(const std::string& name, size_t index)> rename;
  // A name new to the table that is renamed at once and counts as collided (may be empty: never).
  std::function<bool(const std::string& name)> rename_at_once;
  // Settles the entry that keeps the plain name after a collision (may be empty: unchanged).
  std::function<void(Entry& plain, const std::string& name)> settle_plain;
};

// Rebuilds `table` from `candidates[k]`, submachine k's (own name, entry) pairs in name order.
// `changed` (may be null) is set when a stored candidate is new under its name or differs.
template <class Entry>
void merge_into_table(std::map<std::string, Entry>& table, const std::vector<MMachAbstract*>& submachines,
                      const std::vector<std::vector<std::pair<std::string, Entry>>>& candidates,
                      const MProxyMergeRules<Entry>& rules, bool* changed) {
  table.clear();
  std::set<std::string> collided;
  std::map<const MMachAbstract*, size_t> index;  // filled after each submachine
  for (size_t k = 0; k < submachines.size() && k < candidates.size(); ++k) {
    for (const auto& [own_name, entry] : candidates[k]) {
      Entry candidate = entry;
      std::string key;
      if (collided.count(own_name) != 0) {
        key = rules.rename(own_name, k);
      } else if (table.count(own_name) == 0) {
        if (rules.rename_at_once && rules.rename_at_once(own_name)) {
          collided.insert(own_name);
          key = rules.rename(own_name, k);
        } else {
          key = own_name;
        }
      } else {
        Entry earlier = table[own_name];
        const auto owner = index.find(earlier.submachine);
        const std::string earlier_key = rules.rename(own_name, owner != index.end() ? owner->second : k);
        set_proxy_name(earlier, earlier_key);
        table[earlier_key] = std::move(earlier);
        key = rules.rename(own_name, k);
        collided.insert(own_name);
        if (rules.settle_plain) rules.settle_plain(table[own_name], own_name);
      }
      set_proxy_name(candidate, key);
      if (changed) {
        const auto there = table.find(key);
        if (there == table.end() || !same_description(there->second, candidate)) *changed = true;
      }
      table[key] = std::move(candidate);
    }
    index[submachines[k]] = k;
  }
}
