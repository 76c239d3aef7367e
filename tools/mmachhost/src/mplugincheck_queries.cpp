// The queries group: every question the proxy passes on to a submachine, asked with the
// machine's own names, with a name it does not have and with the empty set. Each must answer
// without a crash; per-axis answers of usable axes are finite; a name the machine does not have
// is never possible; a possibility query that says yes is followed by a factory that makes the
// command, and a started feature says so until it is stopped.
#include <cmath>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "mmachcommands.h"
#include "mplugincheckgroups.h"

namespace {

constexpr const char* kNoSuchAxis = "orvexcheck-no-axis";
constexpr size_t kMaxEntries = 10000;  // a listing longer than this never ends
constexpr size_t kMaxReads = 1000;     // a feature read answering true more often never stops

std::string quoted(const std::string& name) { return std::string("\"") + name + "\""; }

std::string set_text(const MMachAxesSet& axes) {
  std::string text = "{";
  for (const std::string& axis : axes) text += (text.size() > 1 ? " " : "") + axis;
  return text + "}";
}

// Identity and the machine-wide flags: answered, twice the same; the identity texts not null.
MPluginCheckResult check_flags(MMachAbstract& m, const MPluginCheckTarget&) {
  if (m.GetMachineName() == nullptr || m.GetMachineVersion() == nullptr || m.GetMachineDescription() == nullptr) {
    return MPluginCheckResult::Fail("GetMachineName, GetMachineVersion or GetMachineDescription answers null");
  }
  (void)m.GetMachineText();
  (void)m.GetProbesystemType();
  (void)m.GetImageFormat();
  MMachWobbleParameters wobble;
  (void)m.GetWobbleParameters(wobble);
  const std::vector<std::pair<const char*, std::function<bool()>>> flags = {
      {"HasAxisLists", [&] { return m.HasAxisLists(); }},
      {"HasKeypad", [&] { return m.HasKeypad(); }},
      {"HasProbesystems", [&] { return m.HasProbesystems(); }},
      {"HasImagefifos", [&] { return m.HasImagefifos(); }},
      {"HasProbes", [&] { return m.HasProbes(); }},
      {"HasMagazine", [&] { return m.HasMagazine(); }},
      {"HasFeatureA", [&] { return m.HasFeatureA(); }},
      {"HasFeatureB", [&] { return m.HasFeatureB(); }},
      {"HasFeatureC", [&] { return m.HasFeatureC(); }},
      {"HasIdleCommand", [&] { return m.HasIdleCommand(); }},
      {"IsAutoinfoPossible", [&] { return m.IsAutoinfoPossible(); }},
      {"IsAutolatchPossible", [&] { return m.IsAutolatchPossible(); }},
      {"IsPreviewPossible", [&] { return m.IsPreviewPossible(); }},
      {"IsPreviewMemoryPossible", [&] { return m.IsPreviewMemoryPossible(); }},
      {"IsReady", [&] { return m.IsReady(); }},
      {"IsProbeReady", [&] { return m.IsProbeReady(); }},
  };
  std::string seen;
  for (const auto& [name, ask] : flags) {
    const bool first = ask();
    if (ask() != first) return MPluginCheckResult::Fail(std::string(name) + " changes its answer between two calls");
    if (!first) continue;
    seen += seen.empty() ? "" : " ";
    seen += name;
  }
  return MPluginCheckResult::Pass(std::string(m.GetMachineName()) + " " + m.GetMachineVersion() +
                                  ", true: " + (seen.empty() ? "none" : seen));
}

// The per-axis questions for every listed axis, a name the machine does not have and "".
MPluginCheckResult check_axis_questions(MMachAbstract& m, const MPluginCheckTarget&) {
  std::vector<std::string> listed;
  for (const MMachAxisInfo* axis = m.GetFirstAxisInfo(); axis != nullptr && listed.size() < kMaxEntries;
       axis = m.GetNextAxisInfo()) {
    listed.push_back(axis->name);
  }
  const MMachAxesVector usable = MPluginCheck_UsableAxes(m);
  const std::set<std::string> usable_set(usable.begin(), usable.end());
  listed.push_back(kNoSuchAxis);
  listed.push_back("");
  for (const std::string& axis : listed) {
    const double tolerance = m.GetLimitTolerance(axis.c_str());
    const double value = m.GetAxisValue(axis.c_str());
    (void)m.IsSpinAxis(axis);
    (void)m.IsKeypadAxis(axis);
    (void)m.IsInitAxis(axis);
    (void)m.IsAxisInitialized(axis);
    if (usable_set.count(axis) == 0) continue;
    if (!std::isfinite(value)) return MPluginCheckResult::Fail(std::string("GetAxisValue(") + quoted(axis) + ") is not finite");
    if (!std::isfinite(tolerance) || tolerance < 0) {
      return MPluginCheckResult::Fail(std::string("GetLimitTolerance(") + quoted(axis) + ") answers " +
                                      std::to_string(tolerance));
    }
  }
  if (m.GetAxisInfo(kNoSuchAxis) != nullptr) {
    return MPluginCheckResult::Fail(std::string("GetAxisInfo(") + quoted(kNoSuchAxis) + ") does not answer null");
  }
  return MPluginCheckResult::Pass(std::to_string(listed.size() - 2) + " listed axes, an unknown name and \"\" answered");
}

// One first/next listing of axis names: ends, and names only listed axes.
std::string listed_names_fault(const char* what, const std::function<const char*()>& first,
                               const std::function<const char*()>& next, const std::set<std::string>& axes,
                               size_t& count) {
  count = 0;
  for (const char* name = first(); name != nullptr; name = next()) {
    if (++count > kMaxEntries) return std::string(what) + " does not end";
    if (axes.count(name) == 0) return std::string(what) + " names " + quoted(name) + ", which is not a listed axis";
  }
  return "";
}

// The two axis lists and the keypad axes: they end and name listed axes.
MPluginCheckResult check_axis_lists(MMachAbstract& m, const MPluginCheckTarget&) {
  const MMachAxesVector usable = MPluginCheck_UsableAxes(m);
  std::set<std::string> axes;
  for (const MMachAxisInfo* axis = m.GetFirstAxisInfo(); axis != nullptr && axes.size() < kMaxEntries;
       axis = m.GetNextAxisInfo()) {
    axes.insert(axis->name);
  }
  uint64_t value = 0;
  size_t counts[4] = {0, 0, 0, 0};
  const std::string faults[] = {
      listed_names_fault("the first axis list", [&] { return m.GetFirstListedAxis(); },
                         [&] { return m.GetNextListedAxis(); }, axes, counts[0]),
      listed_names_fault("the second axis list", [&] { return m.GetFirstSecondListedAxis(); },
                         [&] { return m.GetNextSecondListedAxis(); }, axes, counts[1]),
      listed_names_fault("the keypad axes", [&] { return m.GetFirstKeypadAxis(); }, [&] { return m.GetNextKeypadAxis(); },
                         axes, counts[2]),
      listed_names_fault("the keypad axis values", [&] { return m.GetFirstKeypadAxisValue(value); },
                         [&] { return m.GetNextKeypadAxisValue(value); }, axes, counts[3]),
  };
  for (const std::string& fault : faults) {
    if (!fault.empty()) return MPluginCheckResult::Fail(fault);
  }
  return MPluginCheckResult::Pass(std::to_string(counts[0]) + " + " + std::to_string(counts[1]) + " listed axes, " +
                                  std::to_string(counts[2]) + " keypad axes");
}

// The possibility queries on axis sets, by name.
struct Possibility {
  const char* name;
  std::function<bool(MMachAbstract&, const MMachAxesSet&)> ask;
};

const std::vector<Possibility>& possibilities() {
  static const std::vector<Possibility> all = {
      {"IsScanningPossibleWith", [](MMachAbstract& m, const MMachAxesSet& a) { return m.IsScanningPossibleWith(a); }},
      {"IsMovingPossibleWith", [](MMachAbstract& m, const MMachAxesSet& a) { return m.IsMovingPossibleWith(a); }},
      {"IsMoveIntoLimitSwitchPossibleWith",
       [](MMachAbstract& m, const MMachAxesSet& a) { return m.IsMoveIntoLimitSwitchPossibleWith(a); }},
      {"IsMovezeroingPossibleWith",
       [](MMachAbstract& m, const MMachAxesSet& a) { return m.IsMovezeroingPossibleWith(a); }},
      {"IsStrobePossibleWith", [](MMachAbstract& m, const MMachAxesSet& a) { return m.IsStrobePossibleWith(a); }},
      {"IsTrackingPossibleWith", [](MMachAbstract& m, const MMachAxesSet& a) { return m.IsTrackingPossibleWith(a, {}); }},
      {"IsTrackingPossibleWith({}, .)",
       [](MMachAbstract& m, const MMachAxesSet& a) { return m.IsTrackingPossibleWith({}, a); }},
      // Only a machine that answers non-zero for the empty set restricts scan data; the proxy
      // asks no other about particular axes, so its answer for them means nothing.
      {"IsScandataPossibleWith",
       [](MMachAbstract& m, const MMachAxesSet& a) {
         return m.IsScandataPossibleWith({}) != 0 && m.IsScandataPossibleWith(a) != 0;
       }},
  };
  return all;
}

// Every query with the empty set, each usable axis, all of them, and sets with a name the
// machine does not have, which must never be possible.
MPluginCheckResult check_possibility(MMachAbstract& m, const MPluginCheckTarget&) {
  const MMachAxesVector usable = MPluginCheck_UsableAxes(m);
  std::vector<MMachAxesSet> sets = {{}, MMachAxesSet(usable.begin(), usable.end())};
  for (const std::string& axis : usable) sets.push_back({axis});
  std::vector<MMachAxesSet> unknown = {{kNoSuchAxis}};
  if (!usable.empty()) unknown.push_back({usable.front(), kNoSuchAxis});
  std::string seen;
  for (const Possibility& query : possibilities()) {
    for (const MMachAxesSet& axes : sets) (void)query.ask(m, axes);
    for (const MMachAxesSet& axes : unknown) {
      if (query.ask(m, axes)) {
        return MPluginCheckResult::Fail(std::string(query.name) + " answers possible for " + set_text(axes));
      }
    }
    if (!usable.empty() && query.ask(m, {usable.front()})) seen += std::string(seen.empty() ? "" : " ") + query.name;
  }
  return MPluginCheckResult::Pass(std::string("unknown names never possible; possible with ") +
                                  (usable.empty() ? std::string("(no axis)") : quoted(usable.front())) + ": " +
                                  (seen.empty() ? "none" : seen));
}

// A possibility query and the factory that the proxy calls when it says yes.
struct PossibleCommand {
  const char* query;
  const char* command_class;
  std::function<bool(MMachAbstract&, const MMachAxesSet&)> possible;
  std::function<MMachCommand*(MMachAbstract&, MOutputChannel*, const std::string& axis)> create;
};

const std::vector<PossibleCommand>& possible_commands() {
  static const std::vector<PossibleCommand> all = {
      {"IsMovingPossibleWith", "MMachMoveCommand",
       [](MMachAbstract& m, const MMachAxesSet& a) { return m.IsMovingPossibleWith(a); },
       [](MMachAbstract& m, MOutputChannel* o, const std::string& axis) -> MMachCommand* {
         return m.NewMMachMoveCommand(o, MPluginCheck_StayingMovement(m, {axis}));
       }},
      {"IsMovezeroingPossibleWith", "MMachMovezeroCommand",
       [](MMachAbstract& m, const MMachAxesSet& a) { return m.IsMovezeroingPossibleWith(a); },
       [](MMachAbstract& m, MOutputChannel* o, const std::string& axis) -> MMachCommand* {
         return m.NewMMachMovezeroCommand(o, MPluginCheck_StayingMovement(m, {axis}));
       }},
      {"IsScandataPossibleWith", "MMachScandataCommand",
       [](MMachAbstract& m, const MMachAxesSet& a) { return m.IsScandataPossibleWith(a) != 0; },
       [](MMachAbstract& m, MOutputChannel* o, const std::string& axis) -> MMachCommand* {
         return m.NewMMachScandataCommand(o, {axis});
       }},
      {"IsScanningPossibleWith", "MMachScanCommand",
       [](MMachAbstract& m, const MMachAxesSet& a) { return m.IsScanningPossibleWith(a); },
       [](MMachAbstract& m, MOutputChannel* o, const std::string& axis) -> MMachCommand* {
         return m.NewMMachScanCommand(o, MPluginCheck_StayingMovement(m, {axis}));
       }},
  };
  return all;
}

// For each usable axis a query says possible, the supported command's factory makes the command.
MPluginCheckResult check_possible_made(MMachAbstract& m, const MPluginCheckTarget& target) {
  size_t made = 0;
  for (const PossibleCommand& pair : possible_commands()) {
    if (!m.IsCommandSupported(pair.command_class)) continue;
    for (const std::string& axis : MPluginCheck_UsableAxes(m)) {
      if (!pair.possible(m, {axis})) continue;
      MOutputChannel channel(1);
      MMachCommand* command = pair.create(m, &channel, axis);
      const bool refused = command == nullptr;
      const std::string ending = MPluginCheck_RunToEnd(command, channel, target);
      if (refused) {
        return MPluginCheckResult::Fail(std::string(pair.query) + "({" + axis + "}) answers true, but the factory of " +
                                        pair.command_class + " answered null" + (ending.empty() ? "" : ": " + ending));
      }
      ++made;
    }
  }
  return MPluginCheckResult::Pass(std::to_string(made) + " commands made where a query said possible");
}

// A feature the server starts on the machine: possible, start, active, read, stop.
struct Feature {
  const char* name;
  std::function<bool(MMachAbstract&)> possible;
  std::function<bool(MMachAbstract&, MOutputChannel*, const std::string& axis, const std::string& probesystem)> start;
  std::function<bool(MMachAbstract&, const std::string& probesystem)> active;
  std::function<bool(MMachAbstract&, std::vector<double>&)> read;  // null: nothing to read
  std::function<void(MMachAbstract&, const std::string& probesystem)> stop;
};

const std::vector<Feature>& features() {
  static const std::vector<Feature> all = {
      {"autoinfo", [](MMachAbstract& m) { return m.IsAutoinfoPossible(); },
       [](MMachAbstract& m, MOutputChannel* o, const std::string& axis, const std::string&) {
         return m.StartAutoinfo(o, 0, {axis});
       },
       [](MMachAbstract& m, const std::string&) { return m.IsAutoinfoActive(); },
       [](MMachAbstract& m, std::vector<double>& v) { return m.GetAutoinfoData(v); },
       [](MMachAbstract& m, const std::string&) { m.StopAutoinfo(); }},
      {"autolatch", [](MMachAbstract& m) { return m.IsAutolatchPossible(); },
       [](MMachAbstract& m, MOutputChannel* o, const std::string& axis, const std::string&) {
         return m.StartAutolatch(o, axis, {axis});
       },
       [](MMachAbstract& m, const std::string&) { return m.IsAutolatchActive(); },
       // No data to read: the trigger is asked once.
       [](MMachAbstract& m, std::vector<double>&) {
         (void)m.IsAutolatchTriggered();
         return false;
       },
       [](MMachAbstract& m, const std::string&) { m.StopAutolatch(); }},
      {"preview", [](MMachAbstract& m) { return m.IsPreviewPossible(); },
       [](MMachAbstract& m, MOutputChannel* o, const std::string&, const std::string&) { return m.StartPreview(o, 0); },
       [](MMachAbstract& m, const std::string&) { return m.IsPreviewActive(); },
       [](MMachAbstract& m, std::vector<double>& v) { return m.GetPreviewData(v); },
       [](MMachAbstract& m, const std::string&) { (void)m.StopPreview(); }},
      {"preview memory", [](MMachAbstract& m) { return m.IsPreviewMemoryPossible(); },
       [](MMachAbstract& m, MOutputChannel* o, const std::string&, const std::string& probesystem) {
         return m.StartPreviewMemory(o, 0, 0, probesystem);
       },
       [](MMachAbstract& m, const std::string& probesystem) { return m.IsPreviewMemoryActive(probesystem); },
       nullptr, [](MMachAbstract& m, const std::string& probesystem) { (void)m.StopPreviewMemory(probesystem); }},
  };
  return all;
}

// One feature: a possible one starts on the first usable axis (preview memory: the loaded probe
// system), is active until stopped; none is active before its start.
std::string feature_fault(MMachAbstract& m, const Feature& feature, const std::string& axis,
                          const std::string& probesystem, bool& started) {
  started = false;
  if (feature.active(m, probesystem)) return std::string(feature.name) + " is active before any start";
  if (!feature.possible(m)) return "";
  MOutputChannel channel(1);
  if (!feature.start(m, &channel, axis, probesystem)) {
    std::string text;
    channel.Take(text, true);
    const std::string error = MPluginCheck_FirstError(text);
    return std::string(feature.name) + " is possible, but its start answered false" + (error.empty() ? "" : ": " + error);
  }
  started = true;
  const bool active = feature.active(m, probesystem);
  std::vector<double> values;
  for (size_t reads = 0; feature.read && reads < kMaxReads && feature.read(m, values); ++reads) {
  }
  feature.stop(m, probesystem);
  channel.Clear();
  if (!active) return std::string(feature.name) + " started, but is not active";
  if (feature.active(m, probesystem)) return std::string(feature.name) + " stopped, but still active";
  return "";
}

MPluginCheckResult check_features(MMachAbstract& m, const MPluginCheckTarget&) {
  const MMachAxesVector usable = MPluginCheck_UsableAxes(m);
  const std::string axis = usable.empty() ? kNoSuchAxis : usable.front();
  const std::string probesystem = m.HasActiveProbesystem() ? m.GetActiveProbesystem() : "";
  std::string seen;
  for (const Feature& feature : features()) {
    bool started = false;
    const std::string fault = feature_fault(m, feature, axis, probesystem, started);
    if (!fault.empty()) return MPluginCheckResult::Fail(fault);
    if (started) seen += std::string(seen.empty() ? "" : ", ") + feature.name;
  }
  if (m.IsPreviewMemoryActive(kNoSuchAxis)) return MPluginCheckResult::Fail("preview memory active for an unknown name");
  return MPluginCheckResult::Pass(seen.empty() ? "no feature possible, none active"
                                               : "started, active and stopped: " + seen);
}

}  // namespace

std::vector<MPluginCheckCase> MPluginCheck_QueriesCases() {
  return {MPluginCheck_OpenMachineCase("queries.flags", check_flags),
          MPluginCheck_OpenMachineCase("queries.axes", check_axis_questions),
          MPluginCheck_OpenMachineCase("queries.axis-lists", check_axis_lists),
          MPluginCheck_OpenMachineCase("queries.possibility", check_possibility),
          MPluginCheck_OpenMachineCase("queries.possible-made", check_possible_made),
          MPluginCheck_OpenMachineCase("queries.features", check_features)};
}
