// The proxy group: the machine under test as the first submachine of our proxy,
// beside a simulated machine that has one of its axes again (so that the proxy
// numbers that name for both) and an axis of its own. The proxy's Open must
// merge both axis tables; a move on the machine's axes and one on the simulated
// machine's axis must finish while the proxy is polled as a server polls it (a
// machine that reports errors in its machine channel gets both aborted); where
// the machine scans, a scan with it recording must deliver vectors of the
// scandata's width.
#include <cctype>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "mmachcommands.h"
#include "mplugincheckgroups.h"
#include "msimmachine.h"

namespace {

constexpr const char *kProxyName = "orvexcheck-proxy";
constexpr const char *kSimName = "orvexchecksim";
constexpr const char *kSimAxis = "orvexcheck-simaxis";

// The proxy's name for `axis` of submachine `number` (from 1) when the name
// collides.
std::string numbered(const std::string &axis, size_t number) {
  const bool digit = !axis.empty() && std::isdigit(static_cast<unsigned char>(axis.back()));
  return axis + (digit ? "_" : "") + std::to_string(number);
}

// A configuration folder for the proxy: its file names no aliases, so colliding
// names are numbered.
std::string proxy_configdir() {
  const std::filesystem::path dir = std::filesystem::temp_directory_path();
  std::ofstream(dir / (std::string(kProxyName) + ".ini")) << "; no aliases: colliding names are numbered\n";
  return dir.string();
}

// The proxy over the machine under test and a simulated machine, and the
// proxy's names of the machine's axes. Deletes the proxy before the submachines
// it uses.
struct ProxyBench {
  MOutputChannel channel{0};
  std::unique_ptr<MMachAbstract> plugin;
  std::unique_ptr<MSimMachine> sim;
  std::unique_ptr<MMachAbstract> proxy;
  MMachAxesVector own_axes;     // the machine's usable axes, as it names them
  MMachAxesVector merged_axes;  // the same axes as the proxy names them
  bool open = false;

  ~ProxyBench() {
    if (proxy && open) proxy->Close();
    proxy.reset();
    plugin.reset();
    sim.reset();
    channel.Clear();
  }
};

// Builds the bench (not opened); a SKIP or FAIL result when it cannot be built.
std::optional<MPluginCheckResult> build(const MPluginCheckTarget &target, ProxyBench &bench) {
  if (!target.new_proxy) return MPluginCheckResult::Skip("our proxy plug-in orvexproxy was not found");
  {
    MPluginCheckMachine alone(target);
    if (auto skip = alone.OpenOrSkip()) return skip;
    bench.own_axes = MPluginCheck_UsableAxes(*alone.Get());
  }
  bench.plugin.reset(target.new_machine(target.name, target.configdir, &bench.channel, nullptr, {}));
  if (!bench.plugin) return MPluginCheckResult::Skip("no machine created (see exports.new-machine)");
  bench.sim = std::make_unique<MSimMachine>(&bench.channel, nullptr, kSimName, target.configdir);
  bench.sim->SetIdentity(kSimName, "1.00", "the plug-in check's simulated machine").SupportAllCommands();
  if (!bench.own_axes.empty()) bench.sim->AddAxis(bench.own_axes.front());
  bench.sim->AddAxis(kSimAxis);
  for (const std::string &axis : bench.own_axes) {
    bench.merged_axes.push_back(axis == bench.own_axes.front() ? numbered(axis, 1) : axis);
  }
  bench.proxy.reset(
      target.new_proxy(kProxyName, proxy_configdir(), &bench.channel, nullptr, {bench.plugin.get(), bench.sim.get()}));
  if (!bench.proxy) return MPluginCheckResult::Fail("the proxy plug-in answered null");
  return std::nullopt;
}

// Builds and opens the bench; the result of a check that cannot go on.
std::optional<MPluginCheckResult> open_bench(const MPluginCheckTarget &target, ProxyBench &bench) {
  if (auto result = build(target, bench)) return result;
  bench.open = bench.proxy->Open();
  if (bench.open) return std::nullopt;
  std::string text;
  bench.channel.Take(text, true);
  const std::string error = MPluginCheck_FirstError(text);
  return MPluginCheckResult::Fail(std::string("the proxy did not open beside a simulated machine") +
                                  (error.empty() ? "" : std::string(": ") + error));
}

// As open_bench, but a bench that fails skips the check: proxy.open reports it.
std::optional<MPluginCheckResult> open_or_skip(const MPluginCheckTarget &target, ProxyBench &bench) {
  std::optional<MPluginCheckResult> result = open_bench(target, bench);
  if (result && result->verdict == MPluginCheckVerdict::kFail) return MPluginCheckResult::Skip("see proxy.open");
  return result;
}

MPluginCheckResult check_open(const MPluginCheckTarget &target) {
  ProxyBench bench;
  if (auto result = open_bench(target, bench)) return *result;
  const MMachAxesVector listed = MPluginCheck_UsableAxes(*bench.proxy);
  const std::set<std::string> merged(listed.begin(), listed.end());
  std::vector<std::string> expected = bench.merged_axes;
  expected.push_back(kSimAxis);
  if (!bench.own_axes.empty()) expected.push_back(numbered(bench.own_axes.front(), 2));
  for (const std::string &axis : expected) {
    if (merged.count(axis) == 0) return MPluginCheckResult::Fail(std::string("the merged axes lack \"") + axis + "\"");
  }
  std::string seen = std::to_string(listed.size()) + " axes merged";
  if (!bench.own_axes.empty()) {
    seen += std::string(", \"") + bench.own_axes.front() + "\" of both as " + numbered(bench.own_axes.front(), 1) +
            " and " + numbered(bench.own_axes.front(), 2);
  }
  return MPluginCheckResult::Pass(seen);
}

// A move through the proxy that keeps `axis` where it stands, polled as the server polls: the
// proxy (and so every submachine) before each poll of the command. An error that a submachine
// writes into its machine channel meanwhile makes the proxy abort the move on every submachine.
MPluginCheckResult move_on(ProxyBench &bench, const std::string &axis, const MPluginCheckTarget &target) {
  const std::string ending = MPluginCheck_RunToEnd(
      bench.proxy->NewMMachMoveCommand(&bench.channel, MPluginCheck_StayingMovement(*bench.proxy, {axis})),
      bench.channel, target, bench.proxy.get());
  if (!ending.empty()) return MPluginCheckResult::Fail(std::string("a move of ") + axis + " ended with " + ending);
  return MPluginCheckResult::Pass(std::string("a move of ") + axis + " finished");
}

MPluginCheckResult check_move_machine(const MPluginCheckTarget &target) {
  ProxyBench bench;
  if (auto result = open_or_skip(target, bench)) return *result;
  if (bench.merged_axes.empty()) return MPluginCheckResult::Skip("the machine has no usable axis");
  if (!bench.plugin->IsCommandSupported("MMachMoveCommand"))
    return MPluginCheckResult::Skip("the machine does not move");
  return move_on(bench, bench.merged_axes.back(), target);
}

MPluginCheckResult check_move_sim(const MPluginCheckTarget &target) {
  ProxyBench bench;
  if (auto result = open_or_skip(target, bench)) return *result;
  MPluginCheckResult result = move_on(bench, kSimAxis, target);
  const MSimCommandRecord *move = bench.sim->LastCommand("MMachMoveCommand");
  if (move != nullptr && move->aborts != 0) {
    std::string seen = std::string("the proxy aborted the move of ") + kSimAxis + " on the simulated machine";
    if (result.verdict == MPluginCheckVerdict::kFail) seen.append(" (").append(result.seen).append(")");
    return MPluginCheckResult::Fail(seen);
  }
  return result;
}

MPluginCheckResult check_scan(const MPluginCheckTarget &target) {
  ProxyBench bench;
  if (auto result = open_or_skip(target, bench)) return *result;
  if (!bench.plugin->IsCommandSupported("MMachScandataCommand") ||
      !bench.plugin->IsCommandSupported("MMachScanCommand")) {
    return MPluginCheckResult::Skip("the machine does not record scans");
  }
  MMachAxesVector axes = bench.merged_axes;
  if (!axes.empty() && bench.proxy->IsScandataPossibleWith({axes.begin(), axes.end()}) == 0 &&
      bench.proxy->IsScandataPossibleWith({}) != 0) {
    axes.resize(1);
  }
  return MPluginCheck_ScanOver(*bench.proxy, axes, target);
}

}  // namespace

std::vector<MPluginCheckCase> MPluginCheck_ProxyCases() {
  return {{"proxy.open", check_open},
          {"proxy.move-machine", check_move_machine},
          {"proxy.move-sim", check_move_sim},
          {"proxy.scan", check_scan}};
}
