// The scans group, for a machine with the scandata and scan commands: a scandata over the
// machine's usable axes (the first one alone when it restricts the whole set), then a scan that
// stays where the first axis stands. Every vector the scan hands out must have one value per
// scandata axis, as the server lays out the scan's columns by the scandata.
#include <memory>
#include <string>
#include <vector>

#include "mmachcommands.h"
#include "mplugincheckgroups.h"
#include "msleep_sec.h"

namespace {

constexpr size_t kMaxScanVectors = 100000;  // GetData answering true more often never stops

// The axes a scandata may name on this machine: all usable ones, else the first, else none.
MMachAxesVector scandata_axes(MMachAbstract& m) {
  const MMachAxesVector usable = MPluginCheck_UsableAxes(m);
  if (usable.empty()) return {};
  if (m.IsScandataPossibleWith({}) == 0 || m.IsScandataPossibleWith({usable.begin(), usable.end()}) != 0) return usable;
  if (m.IsScandataPossibleWith({usable.front()}) != 0) return {usable.front()};
  return {};
}

// Reads every vector the scan has ready; a fault text for a vector of another width.
std::string drain(MMachScanCommand& scan, size_t width, size_t& vectors) {
  std::vector<double> values;
  while (vectors <= kMaxScanVectors && scan.GetData(values)) {
    ++vectors;
    if (values.size() != width) {
      return "vector " + std::to_string(vectors) + " has " + std::to_string(values.size()) +
             " values, the scandata asked for " + std::to_string(width);
    }
  }
  return vectors > kMaxScanVectors ? "GetData does not stop answering true" : "";
}

MPluginCheckResult check_scandata_scan(MMachAbstract& m, const MPluginCheckTarget& target) {
  if (!m.IsCommandSupported("MMachScandataCommand") || !m.IsCommandSupported("MMachScanCommand")) {
    return MPluginCheckResult::Skip("no scandata and scan commands");
  }
  return MPluginCheck_ScanOver(m, scandata_axes(m), target);
}

}  // namespace

MPluginCheckResult MPluginCheck_ScanOver(MMachAbstract& m, const MMachAxesVector& axes, const MPluginCheckTarget& target) {
  if (axes.empty()) return MPluginCheckResult::Skip("no usable axis for a scandata");
  MOutputChannel channel(1);
  const std::string scandata = MPluginCheck_RunToEnd(m.NewMMachScandataCommand(&channel, axes), channel, target);
  if (!scandata.empty()) return MPluginCheckResult::Fail("the scandata ended with " + scandata);
  std::unique_ptr<MMachScanCommand> scan(m.NewMMachScanCommand(&channel, MPluginCheck_StayingMovement(m, {axes.front()})));
  if (!scan) return MPluginCheckResult::Fail("after the scandata, the scan factory answered null");
  size_t vectors = 0;
  std::string fault;
  uint32_t polls = 0;
  for (; fault.empty() && polls < target.max_polls && !scan->IsDone(); ++polls) {
    fault = drain(*scan, axes.size(), vectors);
    if (polls >= 3 && target.poll_interval > 0) msleep_sec(target.poll_interval);  // as a server waits
  }
  if (fault.empty()) fault = drain(*scan, axes.size(), vectors);
  const bool done = scan->IsDone();
  if (!done) scan->Abort();
  if (!done) MPluginCheck_PollUntilDone(*scan, target);
  const std::string ending = MPluginCheck_RunToEnd(scan.release(), channel, target);
  if (!fault.empty()) return MPluginCheckResult::Fail(fault);
  if (!done) return MPluginCheckResult::Fail("the scan is not done after " + std::to_string(target.max_polls) + " polls");
  if (!ending.empty()) return MPluginCheckResult::Fail("the scan ended with " + ending);
  const std::string seen = std::to_string(vectors) + " vectors of " + std::to_string(axes.size()) + " values";
  return vectors == 0 ? MPluginCheckResult::Warn("the scan handed out no vectors") : MPluginCheckResult::Pass(seen);
}

std::vector<MPluginCheckCase> MPluginCheck_ScansCases() {
  return {MPluginCheck_OpenMachineCase("scans.scandata-scan", check_scandata_scan)};
}
