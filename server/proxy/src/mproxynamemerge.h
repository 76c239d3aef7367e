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
  // Told, for each listed element of submachine `index` in listing order, where its entry was
  // stored (may be empty). A later element may still replace or settle that entry.
  std::function<void(size_t index, const Entry& stored)> stored;
};

// The own name of a listed element: the key of a (name, info) pair, or the name itself.
inline const std::string& own_name_of(const std::string& name) { return name; }
template <class Info>
const std::string& own_name_of(const std::pair<const std::string, Info>& element) {
  return element.first;
}

// Stores `candidate` under `key`; `changed` (may be null) is set when it is new there or differs.
template <class Entry>
const Entry& store_entry(std::map<std::string, Entry>& table, const std::string& key, Entry candidate,
                         bool* changed) {
  set_proxy_name(candidate, key);
  const auto there = table.lower_bound(key);
  if (there == table.end() || there->first != key) {
    if (changed) *changed = true;
    return table.emplace_hint(there, key, std::move(candidate))->second;
  }
  if (changed && !same_description(there->second, candidate)) *changed = true;
  there->second = std::move(candidate);
  return there->second;
}

// A later submachine (index `k`) lists `own_name` again: the entry under the plain name is
// stored again under its owner's renamed name, and the plain one is settled by the rules.
template <class Entry>
void rename_earlier_entry(std::map<std::string, Entry>& table, Entry& plain, const std::string& own_name, size_t k,
                          const std::map<const MMachAbstract*, size_t>& index, const MProxyMergeRules<Entry>& rules) {
  Entry earlier = plain;
  const auto owner = index.find(earlier.submachine);
  const std::string earlier_key = rules.rename(own_name, owner != index.end() ? owner->second : k);
  set_proxy_name(earlier, earlier_key);
  table[earlier_key] = std::move(earlier);
  if (rules.settle_plain) rules.settle_plain(plain, own_name);
}

// Rebuilds `table` from `listings[k]`, submachine k's listing in name order (a map of infos by
// name, or a set of names); `entry_of(element, submachine)` makes the table entry of an element.
// `changed` (may be null) is set when a stored entry is new under its name or differs. A name
// new to the table costs one lookup.
template <class Entry, class Listing, class EntryOf>
void merge_into_table(std::map<std::string, Entry>& table, const std::vector<MMachAbstract*>& submachines,
                      const std::vector<Listing>& listings, EntryOf&& entry_of, const MProxyMergeRules<Entry>& rules,
                      bool* changed) {
  table.clear();
  std::set<std::string> collided;
  std::map<const MMachAbstract*, size_t> index;  // filled after each submachine
  for (size_t k = 0; k < submachines.size() && k < listings.size(); ++k) {
    for (const auto& element : listings[k]) {
      const std::string& own_name = own_name_of(element);
      Entry candidate = entry_of(element, submachines[k]);
      if (collided.count(own_name) == 0) {
        const auto plain = table.lower_bound(own_name);
        if (plain != table.end() && plain->first == own_name) {
          rename_earlier_entry(table, plain->second, own_name, k, index, rules);
          collided.insert(own_name);
        } else if (rules.rename_at_once && rules.rename_at_once(own_name)) {
          collided.insert(own_name);
        } else {
          set_proxy_name(candidate, own_name);
          if (changed) *changed = true;
          const Entry& stored = table.emplace_hint(plain, own_name, std::move(candidate))->second;
          if (rules.stored) rules.stored(k, stored);
          continue;
        }
      }
      const Entry& stored = store_entry(table, rules.rename(own_name, k), std::move(candidate), changed);
      if (rules.stored) rules.stored(k, stored);
    }
    index[submachines[k]] = k;
  }
}
