// Scan streaming: GetData of a running proxy scan in which one submachine moves and another only
// records, against calling GetData on the two scans directly and placing each value at its
// position in the server's scandata vector. The submachines' scans deliver a fixed vector on
// every call, so both sides pay the same (tiny) own work.
#include <benchmark/benchmark.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "bench_pairs.h"
#include "moutputchannel.h"
#include "mproxymachabstract.h"
#include "msimmachine.h"
#include "mtesttempdir.h"

namespace {

// A scan that always has a vector ready and ends when aborted.
class StreamingScan final : public MMachScanCommand {
 public:
  StreamingScan(MOutputChannel* output, const MMachMovementPara& movement, std::vector<double> values)
      : MMachScanCommand(output, movement), values_(std::move(values)) {}
  bool IsDone() override { return aborted_; }
  void Abort() override { aborted_ = true; }
  // Not inlined into the yardstick: a server reaches a submachine's scan through its plug-in's
  // vtable, as the proxy does, never as an inlined copy.
  [[gnu::noinline]] bool GetData(std::vector<double>& values) override {
    values = values_;
    return true;
  }

 private:
  std::vector<double> values_;
  bool aborted_ = false;
};

class StreamingSim final : public MSimMachine {
 public:
  StreamingSim(MOutputChannel* output, const std::string& name, const std::string& configdir,
               std::vector<double> values)
      : MSimMachine(output, nullptr, name, configdir), values_(std::move(values)) {}
  MMachScanCommand* NewMMachScanCommand(MOutputChannel* output, const MMachMovementPara& movement) override {
    return new StreamingScan(output, movement, values_);
  }

 private:
  std::vector<double> values_;
};

// The stage moves x and records p1..p3; the sensor records t1..t3. The server's scandata vector
// interleaves them: t1 p1 t2 p2 t3 p3.
struct ScanRig {
  ScanRig() {
    stage.emplace(&channel, "stage", dir.path().string(), std::vector<double>{1.0, 2.0, 3.0});
    sensor.emplace(&channel, "sensor", dir.path().string(), std::vector<double>{10.0, 20.0, 30.0});
    stage->AddAxis("x").AddAxis("scanstep", 0, 0.5).AddAxis("speed", 0, 10.0).SupportAllCommands();
    sensor->AddAxis("time").SupportAllCommands();
    for (const char* axis : {"p1", "p2", "p3"}) stage->AddAxis(axis);
    for (const char* axis : {"t1", "t2", "t3"}) sensor->AddAxis(axis);
    proxy = std::make_unique<MProxyMachAbstract>(&channel, nullptr,
                                                 std::vector<MMachAbstract*>{&*stage, &*sensor}, "px",
                                                 dir.path().string());
    if (!proxy->Open()) return;
    // The scandata command assigns p1..p3 to the stage (positions 1, 3, 5), t1..t3 to the sensor.
    const std::unique_ptr<MMachCommand> scandata(
        proxy->NewMMachScandataCommand(&channel, {"t1", "p1", "t2", "p2", "t3", "p3"}));
    MMachMovementPara movement;
    movement.positions["x"] = {5.0, false};
    scan.reset(proxy->NewMMachScanCommand(&channel, movement));
    // Until the real scan runs and the first merged vector comes.
    std::vector<double> values;
    for (int poll = 0; poll < 20 && !running; ++poll) {
      scan->IsDone();
      running = scan->GetData(values);
    }
    direct[0].reset(stage->NewMMachScanCommand(&direct_channels[0], movement));
    direct[1].reset(sensor->NewMMachScanCommand(&direct_channels[1], movement));
  }
  ~ScanRig() {
    scan.reset();
    channel.Clear();
  }

  MOutputChannel channel{1};
  MTestTempDir dir;
  std::optional<StreamingSim> stage, sensor;
  std::unique_ptr<MProxyMachAbstract> proxy;
  std::unique_ptr<MMachScanCommand> scan;
  bool running = false;
  MOutputChannel direct_channels[2] = {MOutputChannel(1), MOutputChannel(1)};
  std::unique_ptr<MMachScanCommand> direct[2];
};

ScanRig& scan_rig() {
  static ScanRig rig;
  return rig;
}

// Both scans' vectors placed by hand at the positions the proxy's assignment gives them.
bool direct_get_data(ScanRig& rig, std::vector<double>& values, std::vector<double> (&parts)[2]) {
  static constexpr size_t kPositions[2][3] = {{1, 3, 5}, {0, 2, 4}};
  if (!rig.direct[0]->GetData(parts[0]) || !rig.direct[1]->GetData(parts[1])) return false;
  values.assign(6, 0.0);
  for (size_t machine = 0; machine < 2; ++machine) {
    for (size_t j = 0; j < parts[machine].size(); ++j) values[kPositions[machine][j]] = parts[machine][j];
  }
  return true;
}

bool streams_agree(benchmark::State& state) {
  ScanRig& rig = scan_rig();
  if (!rig.running) {
    state.SkipWithError("the proxy scan does not deliver");
    return false;
  }
  std::vector<double> ours, reference, parts[2];
  const bool agree = rig.scan->GetData(ours) && direct_get_data(rig, reference, parts) && ours == reference;
  if (!agree) state.SkipWithError("the proxy scan and the direct merge disagree");
  return agree;
}

void BM_ProxyScanGetData(benchmark::State& state) {
  if (!streams_agree(state)) return;
  MMachScanCommand& scan = *scan_rig().scan;
  std::vector<double> values;
  for (auto _ : state) benchmark::DoNotOptimize(scan.GetData(values));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 6);
}
BENCHMARK(BM_ProxyScanGetData);

void BM_DirectScanGetData(benchmark::State& state) {
  if (!streams_agree(state)) return;
  ScanRig& rig = scan_rig();
  std::vector<double> values, parts[2];
  for (auto _ : state) benchmark::DoNotOptimize(direct_get_data(rig, values, parts));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 6);
}
BENCHMARK(BM_DirectScanGetData);

using orvex_bench::Goal;
const orvex_bench::PairRegistration kScanPair({"scan.GetData", "BM_ProxyScanGetData", "BM_DirectScanGetData",
                                               Goal::kRatioAtMost, 1.3, orvex_bench::Cost::kPerItem});

}  // namespace
