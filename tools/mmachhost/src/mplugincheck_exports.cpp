// The exports group: what the server does with a plug-in before and while it creates machines.
#include <string>
#include <vector>

#include "mplugincheckgroups.h"

namespace {

// The axis names of an open machine, in listing order (at most `limit`).
std::vector<std::string> axis_names(MMachAbstract& machine, size_t limit = 10000) {
  std::vector<std::string> names;
  for (const MMachAxisInfo* axis = machine.GetFirstAxisInfo(); axis != nullptr && names.size() < limit;
       axis = machine.GetNextAxisInfo()) {
    names.push_back(axis->name);
  }
  return names;
}

MPluginCheckResult check_functions(const MPluginCheckTarget& target) {
  std::string missing;
  if (!target.new_machine) missing += " NewMMachAbstract";
  if (!target.is_proxy) missing += " IsProxy";
  if (!target.set_trace_level) missing += " SetDefaultTracelevel";
  if (!missing.empty()) return MPluginCheckResult::Fail(std::string("missing:") + missing);
  return MPluginCheckResult::Pass("NewMMachAbstract, IsProxy and SetDefaultTracelevel exported");
}

MPluginCheckResult check_is_proxy(const MPluginCheckTarget& target) {
  if (!target.is_proxy) return MPluginCheckResult::Skip("IsProxy missing");
  if (target.is_proxy()) return MPluginCheckResult::Fail("answers true: the server would create it as a proxy");
  return MPluginCheckResult::Pass("answers false");
}

MPluginCheckResult check_new_machine(const MPluginCheckTarget& target) {
  if (!target.new_machine) return MPluginCheckResult::Skip("NewMMachAbstract missing");
  MPluginCheckMachine machine(target);
  if (machine.Get() == nullptr) {
    return MPluginCheckResult::Fail(std::string("answered null for \"") + target.name + "\" in \"" + target.configdir + "\"");
  }
  return MPluginCheckResult::Pass(std::string("created \"") + target.name + "\" with its channel");
}

// A second machine of the same plug-in, opened, closed and deleted, leaves the first one as it was.
MPluginCheckResult check_independent(const MPluginCheckTarget& target) {
  MPluginCheckMachine first(target);
  if (auto skip = first.OpenOrSkip()) return *skip;
  const std::vector<std::string> before = axis_names(*first.Get());
  {
    MPluginCheckMachine second(target);
    if (second.Get() == first.Get()) {
      second.Forget();  // the one object is deleted once, by `first`
      return MPluginCheckResult::Fail("the second NewMMachAbstract answered the first machine again");
    }
    if (second.OpenOrSkip()) return MPluginCheckResult::Fail("a second machine did not open beside the first");
  }
  const std::vector<std::string> after = axis_names(*first.Get());
  if (after != before) {
    return MPluginCheckResult::Fail(std::string("the first machine lists ") + std::to_string(after.size()) +
                                    std::string(" axes after a second one was deleted, ") + std::to_string(before.size()) +
                                    " before");
  }
  return MPluginCheckResult::Pass(std::string("a second machine opened, closed and deleted; the first lists its ") +
                                  std::to_string(before.size()) + " axes unchanged");
}

// SetDefaultTracelevel answers the level it replaces, so setting 0 to 9 in turn shows whether
// each was taken; the level found at first is set again at the end.
MPluginCheckResult check_trace_levels(const MPluginCheckTarget& target) {
  if (!target.set_trace_level) return MPluginCheckResult::Skip("SetDefaultTracelevel missing");
  const int original = target.set_trace_level(0);
  for (int level = 1; level <= 9; ++level) {
    const int previous = target.set_trace_level(level);
    if (previous != level - 1) {
      target.set_trace_level(original);
      return MPluginCheckResult::Fail(std::string("after level ") + std::to_string(level - 1) + " was set, setting " +
                                      std::to_string(level) + " answered " + std::to_string(previous));
    }
  }
  target.set_trace_level(original);
  return MPluginCheckResult::Pass(std::string("levels 0 to 9 taken, level ") + std::to_string(original) + " restored");
}

}  // namespace

std::vector<MPluginCheckCase> MPluginCheck_ExportsCases() {
  return {{"exports.functions", check_functions},
          {"exports.is-proxy", check_is_proxy},
          {"exports.new-machine", check_new_machine},
          {"exports.independent", check_independent},
          {"exports.trace-levels", check_trace_levels}};
}
