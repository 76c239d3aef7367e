// The proxy's table merge: the input decodes to the axis, component and probe-system tables of 1-4
// simulated submachines (names drawn so that they collide, look numbered, are empty, very long or
// listed twice) and, maybe, component prefixes. Open either refuses, or merges into tables where
// every proxy name leads, through the proxy's own lookups, to exactly one entry that its
// submachine lists.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "merrsinks.h"
#include "mfuzzfile.h"
#include "moutputchannel.h"
#include "mproxymachabstract.h"
#include "mproxytestaccess.h"
#include "msimmachine.h"

namespace {

// Names that meet the proxy's numbering and prefixes, or break a naive merge.
std::string draw_name(FuzzedDataProvider& input) {
  static const std::string kPool[] = {"x",  "x1", "x2",   "x_1",  "a1",           "a1_",        "a1_1",
                                      "a",  "",   "speed", "lock", "probe.config", "b.x",        "a.x",
                                      "b.", "c",  "c1",   "c2",   "ps",           "ps1",        "ps_2",
                                      std::string(1000, 'n'), std::string(1000, 'n') + "1"};
  const uint8_t pick = input.ConsumeIntegral<uint8_t>();
  if (pick < 200) return kPool[pick % std::size(kPool)];
  std::string name = input.ConsumeRandomLengthString(6);
  for (char& c : name) c = "xab1_2."[static_cast<uint8_t>(c) % 7];
  return name;
}

struct Owned {
  MMachAbstract* submachine;
  std::string name;
  bool operator<(const Owned& other) const {
    return submachine != other.submachine ? submachine < other.submachine : name < other.name;
  }
};

// Checks one merged table: `lookup` routes a proxy name to the submachine entries it reaches
// (several only for an axis shared by its owners, all under that plain name); `listed` holds every
// submachine entry. (A numbered name may replace a submachine's own entry of that name, and a
// numbered name may be numbered again: the numbering rules say so.)
template <class Table, class Lookup>
void check_table(const Table& table, const std::set<Owned>& listed, Lookup lookup) {
  for (const auto& [proxy_name, entry] : table) {
    const Owned owned{entry.submachine, entry.submachine_name};
    MFUZZ_CHECK(listed.count(owned) != 0, "a proxy name leads to an entry that no submachine lists");
    const std::set<Owned> routed = lookup(proxy_name);
    MFUZZ_CHECK(routed.count(owned) != 0, "the proxy's lookup of a name disagrees with its table");
    for (const Owned& other : routed) {
      MFUZZ_CHECK(routed.size() == 1 || other.name == proxy_name, "a shared name reaches a renamed entry");
    }
  }
}

// What a re-merge must give back: each proxy name with its owner, own name and description.
std::vector<std::pair<std::string, Owned>> owners_of(const MProxyMachAbstract::AxisTable& table) {
  std::vector<std::pair<std::string, Owned>> owners;
  for (const auto& [proxy_name, entry] : table) {
    owners.emplace_back(proxy_name + "/" + std::to_string(entry.info.flags) + "/" + entry.info.name,
                        Owned{entry.submachine, entry.submachine_name});
  }
  return owners;
}
bool operator==(const Owned& a, const Owned& b) { return a.submachine == b.submachine && a.name == b.name; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const MFuzzFile aliases("merge");  // the proxy's configuration: <configdir>/<name>.ini
  static const bool quiet = (MErrLog_SetCallback([](const MErrLogRecord&) {}), true);
  (void)quiet;
  FuzzedDataProvider input(data, size);
  const std::string folder = aliases.path() + ".d";
  std::filesystem::create_directories(folder);
  const bool prefixed = input.ConsumeBool();

  MOutputChannel channel(0);
  const size_t count = input.ConsumeIntegralInRange<size_t>(1, 4);
  std::vector<std::unique_ptr<MSimMachine>> sims;
  std::vector<MMachAbstract*> submachines;
  std::set<Owned> axes, components, probesystems;
  std::string ini = "[Aliases]\n";
  for (size_t i = 0; i < count; ++i) {
    const std::string number = std::to_string(i + 1);
    auto sim = std::make_unique<MSimMachine>(&channel, nullptr, "sim" + number, folder);
    sim->Tables().null_machine_name = input.ConsumeBool();
    for (size_t n = input.ConsumeIntegralInRange<size_t>(0, 5); n > 0; --n) {
      const std::string name = draw_name(input);
      sim->AddAxis(name, input.ConsumeBool() ? MMachAxisInfo::kNotAvailable : 0);
      axes.insert({sim.get(), name});
    }
    for (size_t n = input.ConsumeIntegralInRange<size_t>(0, 3); n > 0; --n) {
      const std::string name = draw_name(input);
      sim->AddComponent(name);
      components.insert({sim.get(), name});
    }
    for (size_t n = input.ConsumeIntegralInRange<size_t>(0, 3); n > 0; --n) {
      const std::string name = draw_name(input);
      sim->AddProbesystem(name);
      probesystems.insert({sim.get(), name});
      if (input.ConsumeBool()) sim->SetActiveProbesystem(name, 1);
    }
    ini.append(number).append("=").append(input.ConsumeBool() ? "" : input.ConsumeRandomLengthString(3)).append("\n");
    submachines.push_back(sim.get());
    sims.push_back(std::move(sim));
  }
  if (prefixed) {
    std::ofstream(folder + "/px.ini", std::ios::binary) << ini;
  } else {
    std::filesystem::remove(folder + "/px.ini");
  }

  MProxyMachAbstract proxy(&channel, nullptr, submachines, "px", folder);
  if (!proxy.Open()) return 0;

  check_table(MProxyTestAccess::axis_table(proxy), axes, [&proxy](const std::string& name) {
    MProxyBySubmachine<MMachAxesSet> split;
    std::set<Owned> routed;
    if (!proxy.split_axesset_to_submachines({name}, split)) return routed;
    for (const auto& [submachine, own] : split) {
      for (const std::string& axis : own) routed.insert({submachine, axis});
    }
    return routed;
  });
  MProxyMachAbstract::ComponentTable own_components = MProxyTestAccess::component_table(proxy);
  own_components.erase("px.config");
  check_table(own_components, components, [&proxy](const std::string& name) {
    std::string own = name;
    MMachAbstract* owner = proxy.find_submachine_for_component(own);
    return owner ? std::set<Owned>{{owner, own}} : std::set<Owned>{};
  });
  check_table(proxy.probesystem_table(), probesystems, [&proxy](const std::string& name) {
    const auto it = proxy.probesystem_table().find(name);
    return it != proxy.probesystem_table().end() ? std::set<Owned>{{it->second.submachine, it->second.submachine_name}}
                                                 : std::set<Owned>{};
  });
  // Re-reading the unchanged submachines merges the kept listings into the same axis table.
  const auto merged = owners_of(MProxyTestAccess::axis_table(proxy));
  proxy.UpdateCapabilities(nullptr);
  MFUZZ_CHECK(owners_of(MProxyTestAccess::axis_table(proxy)) == merged,
              "re-reading unchanged submachines changed the axis table");
  proxy.Close();
  return 0;
}
