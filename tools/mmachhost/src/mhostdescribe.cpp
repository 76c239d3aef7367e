// "describe": the proxy's merged axis, component and probe-system tables, each name with the
// submachine entries it stands for. The proxy's interface does not tell owners, so the host
// lists each submachine's own names and matches them with the proxy's naming: a name of one
// submachine keeps its name; a name that several submachines share is numbered with the
// submachine's position (x1, x2; axis1_2) besides the plain name, which stands for all of them
// (for probe systems: for the first submachine's). Components get their submachine's prefix
// from the proxy's aliases ("rt.drive.config"), except under an empty prefix and the shared
// configuration files, which keep their plain name.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "mhostsession.h"
#include "mmachabstract.h"

namespace {

struct Row {
  std::string name;
  std::string flags;
  std::string owners;
};

bool ends_with_digit(std::string_view name) {
  return !name.empty() && std::isdigit(static_cast<unsigned char>(name.back())) != 0;
}

std::string numbered(const std::string& name, size_t number) {
  std::string text = name;
  if (ends_with_digit(name)) text += '_';
  return text.append(std::to_string(number));
}

std::string prefixed(const std::string& name, size_t index, const std::vector<std::string>& aliases) {
  if (aliases.empty()) return numbered(name, index + 1);
  const std::string& alias = index < aliases.size() ? aliases[index] : std::string();
  if (alias.empty()) return name;
  return name.empty() ? alias : std::string(alias).append(".").append(name);
}

// Component names that keep their name under any prefix unless two submachines have them.
bool is_shared_configuration(const std::string& name) {
  static const char* const kShared[] = {"control.config", "magazine.database", "probe.config",
                                        "probe.hardware", "probe.system",      "probe.tip"};
  return std::find(std::begin(kShared), std::end(kShared), name) != std::end(kShared);
}

using Lister = std::function<std::vector<std::string>(MMachAbstract&)>;

// The submachine entries of one table, found by their own name in an open-addressing hash table
// built once (no allocation per name), so that describe stays linear in the number of names. A
// proxy name derived from an own name is parsed back instead of being stored: a numbered name
// has exactly one own name and submachine number, a prefixed one an own name per alias.
class OwnerIndex {
 public:
  struct Entry {
    std::string name;  // the submachine's own name
    size_t submachine;
    uint32_t next;    // the next entry of the same name, in submachine order; kNone at the end
    bool keeps_name;  // may stand behind the plain name
  };

  // `components`: a table of components, whose names take the prefixes of `aliases`.
  OwnerIndex(const std::vector<MHostSubmachine>& subs, const Lister& list, bool components,
             const std::vector<std::string>& aliases)
      : submachines_(subs.size()), components_(components), aliases_(aliases) {
    for (size_t k = 0; k < subs.size(); ++k) {
      for (std::string& own : list(*subs[k].machine)) {
        // Under prefixes a component keeps its plain name only with an empty prefix or as a
        // shared configuration file.
        const bool keeps_name =
            !components || aliases.empty() || prefixed(own, k, aliases) == own || is_shared_configuration(own);
        entries_.push_back({std::move(own), k, kNone, keeps_name});
      }
    }
    build_table();
  }

  // The entries that could stand behind `name`, in submachine order: the numbered or prefixed
  // forms that match, else the entries of that very name (only the first when `plain_is_first`).
  void Find(const std::string& name, bool plain_is_first, std::vector<const Entry*>& found) const {
    found.clear();
    add_numbered(name, found);
    if (components_ && !aliases_.empty()) add_prefixed(name, found);
    if (!found.empty()) {
      // Both forms may name one entry; entries are stored in submachine order.
      std::sort(found.begin(), found.end());
      found.erase(std::unique(found.begin(), found.end()), found.end());
      return;
    }
    for (uint32_t i = first(name); i != kNone; i = entries_[i].next) {
      if (!entries_[i].keeps_name) continue;
      found.push_back(&entries_[i]);
      if (plain_is_first) return;
    }
  }

 private:
  static constexpr uint32_t kNone = UINT32_MAX;

  static uint64_t hash_of(std::string_view name) { return std::hash<std::string_view>()(name); }

  // A slot holds the upper half of the name's hash and the entry's index + 1 (0: empty); entries
  // of a name after the first are chained from it.
  void build_table() {
    size_t size = 16;
    while (size < 2 * entries_.size()) size *= 2;
    slots_.assign(size, 0);
    mask_ = size - 1;
    std::vector<uint32_t> last(entries_.size(), kNone);  // of each chain, by its first entry
    for (uint32_t i = 0; i < entries_.size(); ++i) {
      const uint64_t hash = hash_of(entries_[i].name);
      for (size_t s = hash & mask_;; s = (s + 1) & mask_) {
        if (slots_[s] == 0) {
          slots_[s] = (hash & kTagMask) | (i + 1);
          last[i] = i;
          break;
        }
        const uint32_t head = static_cast<uint32_t>(slots_[s]) - 1;
        if ((slots_[s] & kTagMask) == (hash & kTagMask) && entries_[head].name == entries_[i].name) {
          entries_[last[head]].next = i;
          last[head] = i;
          break;
        }
      }
    }
  }

  // The first entry named `name`, or kNone.
  uint32_t first(std::string_view name) const {
    const uint64_t hash = hash_of(name);
    for (size_t s = hash & mask_; slots_[s] != 0; s = (s + 1) & mask_) {
      const uint32_t head = static_cast<uint32_t>(slots_[s]) - 1;
      if ((slots_[s] & kTagMask) == (hash & kTagMask) && entries_[head].name == name) return head;
    }
    return kNone;
  }

  // Submachine `k`'s entries named `own`.
  void add_own(std::string_view own, size_t k, std::vector<const Entry*>& found) const {
    for (uint32_t i = first(own); i != kNone; i = entries_[i].next) {
      if (entries_[i].submachine == k) found.push_back(&entries_[i]);
    }
  }

  // The number is the whole run of digits at the end (a position has no leading zero); the own
  // name is what precedes it, or that without the '_' that separates a number from a name ending
  // in a digit ("a1_2" is "a1" or "a1_" numbered 2).
  void add_numbered(std::string_view name, std::vector<const Entry*>& found) const {
    size_t start = name.size();
    while (start > 0 && std::isdigit(static_cast<unsigned char>(name[start - 1])) != 0) --start;
    const std::string_view digits = name.substr(start);
    if (digits.empty() || digits[0] == '0' || digits.size() > 9) return;
    size_t number = 0;
    for (char digit : digits) number = number * 10 + static_cast<size_t>(digit - '0');
    if (number > submachines_) return;
    const std::string_view own = name.substr(0, start);
    add_own(own, number - 1, found);
    if (own.size() >= 2 && own.back() == '_' && ends_with_digit(own.substr(0, own.size() - 1))) {
      add_own(own.substr(0, own.size() - 1), number - 1, found);
    }
  }

  // "<alias>.<own>", or the alias alone for an empty own name.
  void add_prefixed(std::string_view name, std::vector<const Entry*>& found) const {
    for (size_t k = 0; k < submachines_ && k < aliases_.size(); ++k) {
      const std::string& alias = aliases_[k];
      if (alias.empty() || name.substr(0, alias.size()) != alias) continue;
      if (name.size() == alias.size()) {
        add_own("", k, found);
      } else if (name.size() > alias.size() + 1 && name[alias.size()] == '.') {
        add_own(name.substr(alias.size() + 1), k, found);
      }
    }
  }

  static constexpr uint64_t kTagMask = 0xffffffff00000000u;

  size_t submachines_;
  bool components_;
  const std::vector<std::string>& aliases_;
  std::vector<Entry> entries_;  // in submachine order, each submachine's in its listing order
  std::vector<uint64_t> slots_;
  size_t mask_ = 0;
};

// The text of the entries that `name` stands for in `index`: "-" for none, the proxy's own
// configuration file (`own_config`, null for tables other than components), or
// "[shared: ]<submachine> <own name>, ...".
std::string owner_text(const std::string& name, const OwnerIndex& index, const std::vector<MHostSubmachine>& subs,
                       bool plain_is_first, const std::string* own_config) {
  std::vector<const OwnerIndex::Entry*> found;
  index.Find(name, plain_is_first, found);
  if (found.empty()) return own_config != nullptr && name == *own_config ? "the proxy itself" : "-";
  std::string text = found.size() > 1 ? "shared: " : "";
  for (size_t i = 0; i < found.size(); ++i) {
    if (i != 0) text += ", ";
    text.append(subs[found[i]->submachine].name).append(" ").append(found[i]->name);
  }
  return text;
}

// "= <kind>:" and one line per row, the name and flags columns as wide as their widest entry.
void print_rows(std::ostream& out, const char* kind, const std::vector<Row>& rows) {
  size_t width = 0;
  size_t flags_width = 0;
  for (const Row& row : rows) {
    width = std::max(width, row.name.size());
    flags_width = std::max(flags_width, row.flags.size());
  }
  out << "= " << kind << ":\n";
  std::string line;
  for (const Row& row : rows) {
    line.assign("=   ").append(row.name).append(width - row.name.size() + 2, ' ').append(row.flags);
    line.append(flags_width - row.flags.size() + 2, ' ').append(row.owners) += '\n';
    out.write(line.data(), static_cast<std::streamsize>(line.size()));
  }
}

std::vector<std::string> axis_names(MMachAbstract& m) {
  std::vector<std::string> names;
  for (const MMachAxisInfo* a = m.GetFirstAxisInfo(); a != nullptr; a = m.GetNextAxisInfo()) names.push_back(a->name);
  return names;
}

std::vector<std::string> component_names(MMachAbstract& m) {
  std::vector<std::string> names;
  for (const MMachComponentInfo* c = m.GetFirstComponentInfo(); c != nullptr; c = m.GetNextComponentInfo()) {
    names.push_back(c->name);
  }
  return names;
}

std::vector<std::string> probesystem_names(MMachAbstract& m) {
  std::vector<std::string> names;
  if (!m.HasProbesystems()) return names;
  for (const MMachProbesystemEntry* p = m.GetFirstProbesystem(); p != nullptr; p = m.GetNextProbesystem()) {
    names.push_back(p->name);
  }
  return names;
}

}  // namespace

void MHostSession::Describe() {
  // Fills in the owners of `rows` and prints them; only a component can be the proxy's own file.
  const std::string own_config = name_ + ".config";
  const auto describe_owners = [&](const char* kind, std::vector<Row>& rows, const OwnerIndex& index,
                                   bool plain_is_first, bool components) {
    for (Row& row : rows) {
      row.owners = owner_text(row.name, index, submachines_, plain_is_first, components ? &own_config : nullptr);
    }
    print_rows(out_, kind, rows);
  };
  out_ << "= proxy " << name_ << " over " << submachines_.size()
       << (submachines_.size() == 1 ? " submachine:\n" : " submachines:\n");
  for (size_t k = 0; k < submachines_.size(); ++k) {
    MMachAbstract& sub = *submachines_[k].machine;
    out_ << "=   " << k + 1 << " " << submachines_[k].name << ": " << MHostSession_Quote(sub.GetMachineName())
         << ", " << MHostSession_Quote(sub.GetMachineDescription()) << '\n';
  }

  std::vector<Row> rows;
  for (const MMachAxisInfo* a = machine_.GetFirstAxisInfo(); a != nullptr; a = machine_.GetNextAxisInfo()) {
    rows.push_back({a->name, MHostSession_Hex(a->flags), ""});
  }
  describe_owners("axes", rows, OwnerIndex(submachines_, axis_names, false, aliases_), false, false);

  rows.clear();
  for (const MMachComponentInfo* c = machine_.GetFirstComponentInfo(); c != nullptr;
       c = machine_.GetNextComponentInfo()) {
    rows.push_back({c->name, MHostSession_Hex(c->flags), ""});
  }
  describe_owners("components", rows, OwnerIndex(submachines_, component_names, true, aliases_), false, true);

  rows.clear();
  const std::string loaded = machine_.GetActiveProbesystem();
  for (const std::string& name : probesystem_names(machine_)) rows.push_back({name, name == loaded ? "loaded" : "", ""});
  describe_owners("probe systems", rows, OwnerIndex(submachines_, probesystem_names, false, aliases_), true, false);
}
