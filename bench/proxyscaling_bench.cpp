// How the proxy's cost grows with its size: Open over N submachines of M axes each (1k to 16k
// axes in all, per axis), Poll over 1 to 64 submachines (per submachine), and the memory that a
// proxy over 16 x 256 axes takes to open and then holds (per axis).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <string>

#include "bench_pairs.h"
#include "mallocationcounter.h"
#include "proxyrig.h"

namespace {

// The rigs are large; one is kept at a time.
ProxyRig& rig_of(size_t count, size_t axes) {
  static std::unique_ptr<ProxyRig> rig;
  static size_t rig_count = 0;
  static size_t rig_axes = 0;
  if (!rig || rig_count != count || rig_axes != axes) {
    rig.reset();
    rig = std::make_unique<ProxyRig>(count, axes);
    rig_count = count;
    rig_axes = axes;
  }
  return *rig;
}

// The merged table must hold every axis of every submachine.
bool opens_whole(benchmark::State& state, ProxyRig& rig, size_t axes) {
  MProxyMachAbstract* proxy = rig.OpenProxy();
  size_t listed = 0;
  if (proxy != nullptr) {
    for (const MMachAxisInfo* info = proxy->GetFirstAxisInfo(); info; info = proxy->GetNextAxisInfo()) ++listed;
  }
  rig.DropProxy();
  if (listed == axes) return true;
  state.SkipWithError(("the proxy lists " + std::to_string(listed) + " axes of " + std::to_string(axes)).c_str());
  return false;
}

// Args: submachines, axes per submachine. Construction, Open and destruction of the proxy.
void BM_ProxyOpen(benchmark::State& state) {
  const auto count = static_cast<size_t>(state.range(0));
  const auto axes = static_cast<size_t>(state.range(1));
  ProxyRig& rig = rig_of(count, axes);
  if (!opens_whole(state, rig, count * axes)) return;
  const std::string configdir = rig.ConfigDir();
  for (auto _ : state) {
    MProxyAsyncMachAbstract proxy(&rig.Channel(), nullptr, rig.Submachines(), "px", configdir);
    benchmark::DoNotOptimize(proxy.Open());
  }
  rig.Channel().Clear();
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * count * axes));
}
BENCHMARK(BM_ProxyOpen)
    ->Args({4, 256})
    ->Args({16, 64})
    ->Args({64, 256})
    ->Args({16, 1024})
    ->Unit(benchmark::kMillisecond);

// Arg: submachines, each with 8 axes; the submachines write nothing.
void BM_ProxyPoll(benchmark::State& state) {
  const auto count = static_cast<size_t>(state.range(0));
  ProxyRig& rig = rig_of(count, 8);
  MProxyMachAbstract* proxy = rig.OpenProxy();
  if (proxy == nullptr) {
    state.SkipWithError("the proxy did not open");
    return;
  }
  rig.Sim(count - 1).ResetCallCounts();
  proxy->Poll();
  if (rig.Sim(count - 1).CallCount("Poll") != 1) {
    state.SkipWithError("a poll of the proxy did not reach the last submachine");
    return;
  }
  for (auto _ : state) proxy->Poll();
  rig.DropProxy();
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * count));
}
BENCHMARK(BM_ProxyPoll)->Arg(1)->Arg(8)->Arg(64);

// Allocated bytes during construction and Open of a proxy over 16 x 256 axes: the peak and what
// stays allocated after Open, per axis; reported as counters, timed only for form.
void BM_ProxyOpenMemory(benchmark::State& state) {
  constexpr size_t kCount = 16;
  constexpr size_t kAxes = 256;
  ProxyRig& rig = rig_of(kCount, kAxes);
  if (!opens_whole(state, rig, kCount * kAxes)) return;
  const std::string configdir = rig.ConfigDir();
  MAllocationCounter::Usage usage;
  for (auto _ : state) {
    MAllocationCounter counter;
    auto proxy = std::make_unique<MProxyAsyncMachAbstract>(&rig.Channel(), nullptr, rig.Submachines(), "px", configdir);
    benchmark::DoNotOptimize(proxy->Open());
    usage = counter.Now();
    proxy.reset();
  }
  rig.Channel().Clear();
  constexpr double kAxesInAll = kCount * kAxes;
  state.counters["peak_per_axis"] = static_cast<double>(usage.peak) / kAxesInAll;
  state.counters["held_per_axis"] = static_cast<double>(usage.held) / kAxesInAll;
  state.counters["blocks_per_axis"] = static_cast<double>(usage.blocks) / kAxesInAll;
}
BENCHMARK(BM_ProxyOpenMemory)->Iterations(3)->Unit(benchmark::kMillisecond);

using orvex_bench::Cost;
using orvex_bench::Goal;
using orvex_bench::PairRegistration;
const PairRegistration kOpenBySubmachines({"scaling.Open.per_axis.64x256_vs_4x256", "BM_ProxyOpen/64/256",
                                           "BM_ProxyOpen/4/256", Goal::kRatioAtMost, 1.3, Cost::kPerItem});
const PairRegistration kOpenByAxes({"scaling.Open.per_axis.16x1024_vs_16x64", "BM_ProxyOpen/16/1024",
                                    "BM_ProxyOpen/16/64", Goal::kRatioAtMost, 1.3, Cost::kPerItem});
const PairRegistration kPoll({"scaling.Poll.per_submachine.64_vs_1", "BM_ProxyPoll/64", "BM_ProxyPoll/1",
                              Goal::kRatioAtMost, 1.3, Cost::kPerItem});
const orvex_bench::CounterRegistration kMemory({"memory.Open.16x256",
                                                "BM_ProxyOpenMemory/iterations:3",
                                                {"peak_per_axis", "held_per_axis", "blocks_per_axis"},
                                                {{"peak_per_axis", 500}, {"held_per_axis", 300}}});

}  // namespace
