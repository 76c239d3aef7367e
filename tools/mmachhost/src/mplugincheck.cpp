#include "mplugincheck.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace {

size_t group_index(const std::string& group) {
  const std::vector<std::string>& names = MPluginCheck::GroupNames();
  return static_cast<size_t>(std::find(names.begin(), names.end(), group) - names.begin());
}

}  // namespace

MPluginCheckCase MPluginCheck_OpenMachineCase(
    std::string name, std::function<MPluginCheckResult(MMachAbstract& machine, const MPluginCheckTarget& target)> check) {
  return {std::move(name), [check = std::move(check)](const MPluginCheckTarget& target) {
            MPluginCheckMachine machine(target);
            if (auto skip = machine.OpenOrSkip()) return *skip;
            return check(*machine.Get(), target);
          }};
}

MPluginCheck::MPluginCheck(MPluginCheckTarget target)
    : target_(std::move(target)),
      cases_{MPluginCheck_ExportsCases(), MPluginCheck_LifecycleCases(), MPluginCheck_TablesCases(),
             MPluginCheck_CommandsCases(), MPluginCheck_QueriesCases(), MPluginCheck_ProbesystemsCases(),
             MPluginCheck_ScansCases(), MPluginCheck_MagazineCases(), MPluginCheck_ImagefifosCases(),
             MPluginCheck_ProxyCases()} {}

const std::vector<std::string>& MPluginCheck::GroupNames() {
  static const std::vector<std::string> names = {"exports", "lifecycle",    "tables", "commands",  "queries",
                                                     "probesystems", "scans", "magazine", "imagefifos", "proxy"};
  return names;
}

bool MPluginCheck::IsGroup(const std::string& group) { return group_index(group) < GroupNames().size(); }

const std::vector<MPluginCheckCase>& MPluginCheck::Cases(const std::string& group) const {
  static const std::vector<MPluginCheckCase> kNone;
  const size_t index = group_index(group);
  return index < cases_.size() ? cases_[index] : kNone;
}

MPluginCheckResult MPluginCheck::Run(const std::string& group, size_t index) const {
  const std::vector<MPluginCheckCase>& cases = Cases(group);
  if (index >= cases.size()) return MPluginCheckResult::Skip("no such check");
  try {
    return cases[index].run(target_);
  } catch (const std::exception& exception) {
    return MPluginCheckResult::Fail(std::string("an exception left the plug-in: ").append(exception.what()));
  } catch (...) {
    return MPluginCheckResult::Fail("an exception left the plug-in");
  }
}

void MPluginCheck::RunHere(const std::string& group, MPluginCheckReport& report, size_t first) const {
  const std::vector<MPluginCheckCase>& cases = Cases(group);
  for (size_t index = first; index < cases.size(); ++index) report.Add(cases[index].name, Run(group, index));
}
