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
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "mhostsession.h"
#include "mmachabstract.h"

namespace {

struct OwnName {
  size_t submachine;  // index into the submachine list
  std::string name;
};

struct Row {
  std::string name;
  std::string flags;
  std::string owners;
};

std::string numbered(const std::string& name, size_t number) {
  const bool digit_last = !name.empty() && std::isdigit(static_cast<unsigned char>(name.back())) != 0;
  std::string text = name;
  if (digit_last) text += '_';
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

// The submachine entries of one table by the proxy names they may stand behind, built once so
// that each proxy name is looked up rather than compared with every submachine's names. Both
// lists keep submachine order, and each submachine's own listing order.
class OwnerIndex {
 public:
  // `components`: a table of components, whose names take the prefixes of `aliases`.
  OwnerIndex(const std::vector<MHostSubmachine>& subs, const Lister& list, bool components,
             const std::vector<std::string>& aliases) {
    for (size_t k = 0; k < subs.size(); ++k) {
      for (std::string& own : list(*subs[k].machine)) {
        const std::string number = numbered(own, k + 1);
        const std::string prefix = components ? prefixed(own, k, aliases) : own;
        // Under prefixes a component keeps its plain name only with an empty prefix or as a
        // shared configuration file.
        const bool keeps_name = !components || aliases.empty() || prefix == own || is_shared_configuration(own);
        derived_[number].push_back({k, own});
        if (prefix != own && prefix != number) derived_[prefix].push_back({k, own});
        if (keeps_name) plain_[own].push_back({k, std::move(own)});
      }
    }
  }

  // The entries that could stand behind `name`: the numbered or prefixed forms that match, else
  // the entries of that very name (only the first one's when `plain_is_first`).
  std::vector<OwnName> Find(const std::string& name, bool plain_is_first) const {
    const auto derived = derived_.find(name);
    if (derived != derived_.end()) return derived->second;
    const auto plain = plain_.find(name);
    if (plain == plain_.end()) return {};
    if (plain_is_first) return {plain->second.front()};
    return plain->second;
  }

 private:
  std::unordered_map<std::string, std::vector<OwnName>> plain_;
  std::unordered_map<std::string, std::vector<OwnName>> derived_;
};

}  // namespace

void MHostSession::Describe() {
  const std::vector<MHostSubmachine>& subs = submachines_;
  // The text of the entries that `name` stands for in `index`.
  const auto owners = [&](const std::string& name, const OwnerIndex& index, bool components, bool plain_is_first) {
    const std::vector<OwnName> found = index.Find(name, plain_is_first);
    if (found.empty()) return std::string(components && name == name_ + ".config" ? "the proxy itself" : "-");
    std::string text = found.size() > 1 ? "shared: " : "";
    for (size_t i = 0; i < found.size(); ++i) {
      if (i != 0) text += ", ";
      text.append(subs[found[i].submachine].name).append(" ").append(found[i].name);
    }
    return text;
  };
  const auto print = [&](const char* kind, const std::vector<Row>& rows) {
    size_t width = 0;
    size_t flags_width = 0;
    for (const Row& row : rows) {
      width = std::max(width, row.name.size());
      flags_width = std::max(flags_width, row.flags.size());
    }
    out_ << "= " << kind << ":\n";
    for (const Row& row : rows) {
      out_ << "=   " << row.name << std::string(width - row.name.size() + 2, ' ') << row.flags
           << std::string(flags_width - row.flags.size() + 2, ' ') << row.owners << '\n';
    }
  };

  out_ << "= proxy " << name_ << " over " << subs.size()
       << (subs.size() == 1 ? " submachine:\n" : " submachines:\n");
  for (size_t k = 0; k < subs.size(); ++k) {
    MMachAbstract& sub = *subs[k].machine;
    out_ << "=   " << k + 1 << " " << subs[k].name << ": " << MHostSession_Quote(sub.GetMachineName()) << ", "
         << MHostSession_Quote(sub.GetMachineDescription()) << '\n';
  }

  const Lister axis_names = [](MMachAbstract& m) {
    std::vector<std::string> names;
    for (const MMachAxisInfo* a = m.GetFirstAxisInfo(); a != nullptr; a = m.GetNextAxisInfo()) names.push_back(a->name);
    return names;
  };
  std::vector<Row> rows;
  for (const MMachAxisInfo* a = machine_.GetFirstAxisInfo(); a != nullptr; a = machine_.GetNextAxisInfo()) {
    rows.push_back({a->name, MHostSession_Hex(a->flags), ""});
  }
  const OwnerIndex axis_owners(subs, axis_names, false, aliases_);
  for (Row& row : rows) row.owners = owners(row.name, axis_owners, false, false);
  print("axes", rows);

  const Lister component_names = [](MMachAbstract& m) {
    std::vector<std::string> names;
    for (const MMachComponentInfo* c = m.GetFirstComponentInfo(); c != nullptr; c = m.GetNextComponentInfo()) {
      names.push_back(c->name);
    }
    return names;
  };
  rows.clear();
  for (const MMachComponentInfo* c = machine_.GetFirstComponentInfo(); c != nullptr;
       c = machine_.GetNextComponentInfo()) {
    rows.push_back({c->name, MHostSession_Hex(c->flags), ""});
  }
  const OwnerIndex component_owners(subs, component_names, true, aliases_);
  for (Row& row : rows) row.owners = owners(row.name, component_owners, true, false);
  print("components", rows);

  const Lister probesystem_names = [](MMachAbstract& m) {
    std::vector<std::string> names;
    if (!m.HasProbesystems()) return names;
    for (const MMachProbesystemEntry* p = m.GetFirstProbesystem(); p != nullptr; p = m.GetNextProbesystem()) {
      names.push_back(p->name);
    }
    return names;
  };
  rows.clear();
  const std::string loaded = machine_.GetActiveProbesystem();
  for (const std::string& name : probesystem_names(machine_)) {
    rows.push_back({name, name == loaded ? "loaded" : "", ""});
  }
  const OwnerIndex probesystem_owners(subs, probesystem_names, false, aliases_);
  for (Row& row : rows) row.owners = owners(row.name, probesystem_owners, false, true);
  print("probe systems", rows);
}
