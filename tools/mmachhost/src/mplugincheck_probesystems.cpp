// The probesystems group, for a machine with probe systems: the definitions agree with the
// listing, and every defined probe system loads and unloads through the machine's own commands,
// leaving exactly the loaded one loaded (and none after an unload), as the proxy assumes when it
// decides which submachine is the active one.
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "mmachcommands.h"
#include "mplugincheckgroups.h"

namespace {

constexpr const char* kNoSuchProbesystem = "orvexcheck-no-probesystem";

std::string definition_text(const std::string& name, uint32_t id) { return name + "/" + std::to_string(id); }

// What is wrong with the definitions of `name`; empty when nothing is. Adds them to `count`.
std::string definitions_fault(MMachAbstract& m, const std::string& name, size_t& count) {
  std::set<uint32_t> ids;
  for (const MMachProbesystemInfo& info : m.GetProbesystemInfos(name, 0)) {
    if (info.name != name) return "GetProbesystemInfos(\"" + name + "\") answers a definition of \"" + info.name + "\"";
    if (!ids.insert(info.id).second) return definition_text(name, info.id) + " defined twice";
    if (!m.IsProbesystemIdDefined(name, info.id)) {
      return "IsProbesystemIdDefined(" + definition_text(name, info.id) + ") answers false";
    }
    ++count;
  }
  return "";
}

MPluginCheckResult check_definitions(MMachAbstract& m, const MPluginCheckTarget&) {
  if (!m.HasProbesystems()) return MPluginCheckResult::Skip("HasProbesystems answers false");
  size_t count = 0;
  const std::vector<std::string> names = MPluginCheck_ListedProbesystems(m);
  for (const std::string& name : names) {
    const std::string fault = definitions_fault(m, name, count);
    if (!fault.empty()) return MPluginCheckResult::Fail(fault);
  }
  if (m.IsProbesystemDefined(kNoSuchProbesystem) || m.IsProbesystemIdDefined(kNoSuchProbesystem, 1) ||
      !m.GetProbesystemInfos(kNoSuchProbesystem, 0).empty()) {
    return MPluginCheckResult::Fail(std::string("\"") + kNoSuchProbesystem + "\" counts as defined");
  }
  return MPluginCheckResult::Pass(std::to_string(count) + " definitions of " + std::to_string(names.size()) +
                                  " probe systems; an unknown name is not defined");
}

// The loaded probe system as the machine says it, "" for none; a fault text when its answers
// disagree.
std::string loaded_of(MMachAbstract& m, std::string& fault) {
  const bool has = m.HasActiveProbesystem();
  const std::string name = m.GetActiveProbesystem();
  if (has == name.empty()) {
    fault = std::string("HasActiveProbesystem answers ") + (has ? "true" : "false") + " with GetActiveProbesystem \"" +
            name + "\"";
  }
  return has ? definition_text(name, m.GetActiveProbesystemId()) : "";
}

// Runs one probe-system command; a fault text when it failed or the loaded one is not `expected`.
std::string run_and_compare(MMachAbstract& m, const std::function<MMachCommand*(MOutputChannel*)>& create,
                            const std::string& what, const std::string& expected, const MPluginCheckTarget& target) {
  MOutputChannel channel(1);
  const std::string ending = MPluginCheck_RunToEnd(create(&channel), channel, target);
  if (!ending.empty()) return what + " ended with " + ending;
  std::string fault;
  const std::string loaded = loaded_of(m, fault);
  if (!fault.empty()) return "after " + what + ": " + fault;
  if (loaded != expected) {
    return "after " + what + ", " + (loaded.empty() ? std::string("none") : loaded) + " is loaded, not " +
           (expected.empty() ? std::string("none") : expected);
  }
  return "";
}

MPluginCheckResult check_load_unload(MMachAbstract& m, const MPluginCheckTarget& target) {
  if (!m.HasProbesystems()) return MPluginCheckResult::Skip("HasProbesystems answers false");
  if (!m.IsCommandSupported("MMachProbesystemLoadCommand")) {
    return MPluginCheckResult::Skip("MMachProbesystemLoadCommand not supported");
  }
  const bool unloads = m.IsCommandSupported("MMachProbesystemUnloadCommand");
  size_t loads = 0;
  for (const std::string& name : MPluginCheck_ListedProbesystems(m)) {
    for (const MMachProbesystemInfo& info : m.GetProbesystemInfos(name, 0)) {
      const std::string loaded = definition_text(name, info.id);
      std::string fault = run_and_compare(
          m, [&](MOutputChannel* o) -> MMachCommand* { return m.NewMMachProbesystemLoadCommand(o, name, info.id); },
          "probesystem load " + loaded, loaded, target);
      if (fault.empty() && unloads) {
        fault = run_and_compare(
            m, [&](MOutputChannel* o) -> MMachCommand* { return m.NewMMachProbesystemUnloadCommand(o); },
            "probesystem unload", "", target);
      }
      if (!fault.empty()) return MPluginCheckResult::Fail(fault);
      ++loads;
    }
  }
  return MPluginCheckResult::Pass(std::to_string(loads) + " definitions loaded" +
                                  (unloads ? " and unloaded" : " (no unload command)") + ", one at a time");
}

}  // namespace

std::vector<MPluginCheckCase> MPluginCheck_ProbesystemsCases() {
  return {MPluginCheck_OpenMachineCase("probesystems.definitions", check_definitions),
          MPluginCheck_OpenMachineCase("probesystems.load-unload", check_load_unload)};
}
