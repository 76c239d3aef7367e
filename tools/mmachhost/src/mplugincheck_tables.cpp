// The tables group: the first/next listings of axes, components, versions and probe systems end,
// repeat identically and name every entry once; the named look-ups find what was listed; all of
// it holds again after the machine announces "capabilities changed".
#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "mplugincheckgroups.h"

namespace {

constexpr size_t kMaxEntries = 10000;  // a listing longer than this is taken as one that never ends
constexpr int kPollsForChange = 20;    // machine polls in which a capabilities change may come

// One pass over a listing: each entry as a name and a description of what it says.
struct Listing {
  std::vector<std::string> names;
  std::vector<std::string> entries;
  bool ended = false;
};

// The first/next pair of one listing, and how an entry is named and described.
template <class Entry>
struct ListingReader {
  std::function<const Entry*()> first;
  std::function<const Entry*()> next;
  std::function<std::string(const Entry&)> name;
  std::function<std::string(const Entry&)> describe;

  Listing Read() const {
    Listing listing;
    for (const Entry* entry = first(); listing.names.size() <= kMaxEntries; entry = next()) {
      if (entry == nullptr) {
        listing.ended = true;
        break;
      }
      listing.names.push_back(name(*entry));
      listing.entries.push_back(describe(*entry));
    }
    return listing;
  }
};

// What is wrong with two passes over one listing; empty when nothing is.
std::string listing_fault(const Listing& pass, const Listing& again) {
  if (!pass.ended) return std::string("does not end after ") + std::to_string(kMaxEntries) + " entries";
  std::set<std::string> seen;
  for (const std::string& name : pass.names) {
    if (name.empty()) return "an entry with an empty name";
    if (!seen.insert(name).second) return std::string("\"") + name + "\" listed twice";
  }
  if (again.entries != pass.entries) {
    return std::string("a second pass lists ") + std::to_string(again.entries.size()) + " entries, not the same " +
           std::to_string(pass.entries.size());
  }
  return "";
}

std::string joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) {
    if (!text.empty()) text += ' ';
    text += name;
  }
  return text;
}

// Reads a listing twice; FAIL with the fault, or the names when `lookup` finds every one of them
// (`lookup` answers a fault text for a name, empty when the name is found as listed).
MPluginCheckResult check_listing(const std::string& what, const Listing& pass, const Listing& again,
                                 const std::function<std::string(const std::string&)>& lookup) {
  std::string fault = listing_fault(pass, again);
  for (size_t i = 0; fault.empty() && lookup && i < pass.names.size(); ++i) fault = lookup(pass.names[i]);
  if (!fault.empty()) return MPluginCheckResult::Fail(what + ": " + fault);
  return MPluginCheckResult::Pass(std::to_string(pass.names.size()) + " " + what + (pass.names.empty() ? "" : ": ") +
                                  joined(pass.names));
}

MPluginCheckResult axes_of(MMachAbstract& machine) {
  const ListingReader<MMachAxisInfo> reader{
      [&] { return machine.GetFirstAxisInfo(); }, [&] { return machine.GetNextAxisInfo(); },
      [](const MMachAxisInfo& axis) { return axis.name; },
      [](const MMachAxisInfo& axis) { return axis.name + "/" + std::to_string(axis.flags); }};
  const Listing pass = reader.Read();
  return check_listing("axes", pass, reader.Read(), [&](const std::string& name) -> std::string {
    const MMachAxisInfo* info = machine.GetAxisInfo(name);
    if (info == nullptr) return std::string("GetAxisInfo(\"") + name + "\") answered null";
    if (info->name != name) return std::string("GetAxisInfo(\"") + name + "\") answered the axis \"" + info->name + "\"";
    (void)machine.GetAxisValue(name.c_str());
    return "";
  });
}

MPluginCheckResult components_of(MMachAbstract& machine) {
  const ListingReader<MMachComponentInfo> reader{
      [&] { return machine.GetFirstComponentInfo(); }, [&] { return machine.GetNextComponentInfo(); },
      [](const MMachComponentInfo& component) { return component.name; },
      [](const MMachComponentInfo& component) {
        return component.name + "/" + component.version + "/" + std::to_string(component.flags);
      }};
  const Listing pass = reader.Read();
  return check_listing("components", pass, reader.Read(), [&](const std::string& name) -> std::string {
    const MMachComponentInfo* info = machine.GetComponentInfo(name);
    return info != nullptr && info->name == name ? "" : std::string("GetComponentInfo(\"") + name + "\") does not find it";
  });
}

MPluginCheckResult versions_of(MMachAbstract& machine) {
  const ListingReader<MMachVersionInfo> reader{
      [&] { return machine.GetFirstVersionInfo(); }, [&] { return machine.GetNextVersionInfo(); },
      [](const MMachVersionInfo& version) { return version.name; },
      [](const MMachVersionInfo& version) { return version.name + "/" + version.version; }};
  const Listing pass = reader.Read();
  return check_listing("version lines", pass, reader.Read(), nullptr);
}

MPluginCheckResult probesystems_of(MMachAbstract& machine) {
  if (!machine.HasProbesystems()) return MPluginCheckResult::Skip("HasProbesystems answers false");
  const ListingReader<MMachProbesystemEntry> reader{
      [&] { return machine.GetFirstProbesystem(); }, [&] { return machine.GetNextProbesystem(); },
      [](const MMachProbesystemEntry& entry) { return entry.name; },
      [](const MMachProbesystemEntry& entry) { return entry.name; }};
  const Listing pass = reader.Read();
  MPluginCheckResult result = check_listing("probe systems", pass, reader.Read(), [&](const std::string& name) {
    return machine.IsProbesystemDefined(name) ? "" : std::string("IsProbesystemDefined(\"") + name + "\") answers false";
  });
  if (result.verdict != MPluginCheckVerdict::kPass || !machine.HasActiveProbesystem()) return result;
  const std::string active = machine.GetActiveProbesystem();
  if (std::find(pass.names.begin(), pass.names.end(), active) == pass.names.end()) {
    return MPluginCheckResult::Fail(std::string("the loaded probe system \"") + active + "\" is not listed");
  }
  return MPluginCheckResult::Pass(result.seen + " (loaded: " + active + ")");
}

// A check of one table on a freshly opened machine.
MPluginCheckCase table_case(const std::string& name, MPluginCheckResult (*table)(MMachAbstract&)) {
  return MPluginCheck_OpenMachineCase(name, [table](MMachAbstract& machine, const MPluginCheckTarget&) {
    return table(machine);
  });
}

// The machine announces a change of its capabilities through its channel while it is polled;
// all tables are checked again then.
MPluginCheckResult check_after_change(const MPluginCheckTarget& target) {
  MPluginCheckMachine machine(target);
  if (auto skip = machine.OpenOrSkip()) return *skip;
  int poll = 1;
  for (; poll <= kPollsForChange && !machine.Channel().HasEvent(kMEventCapabilitiesChanged); ++poll) machine->Poll();
  if (!machine.Channel().HasEvent(kMEventCapabilitiesChanged)) {
    return MPluginCheckResult::Skip(std::string("no \"capabilities changed\" in ") + std::to_string(kPollsForChange) + " polls");
  }
  std::string seen;
  for (auto table : {axes_of, components_of, versions_of, probesystems_of}) {
    MPluginCheckResult result = table(*machine.Get());
    if (result.verdict == MPluginCheckVerdict::kFail) {
      result.seen = std::string("after \"capabilities changed\" at poll ") + std::to_string(poll - 1) + ": " + result.seen;
      return result;
    }
    if (result.verdict != MPluginCheckVerdict::kPass) continue;
    if (!seen.empty()) seen += "; ";
    seen += result.seen;
  }
  return MPluginCheckResult::Pass(std::string("after \"capabilities changed\" at poll ") + std::to_string(poll - 1) + ": " + seen);
}

}  // namespace

std::vector<MPluginCheckCase> MPluginCheck_TablesCases() {
  return {table_case("tables.axes", axes_of),
          table_case("tables.components", components_of),
          table_case("tables.versions", versions_of),
          table_case("tables.probesystems", probesystems_of),
          {"tables.after-change", check_after_change}};
}
