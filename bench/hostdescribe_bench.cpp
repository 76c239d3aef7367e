// The host's "describe" over a proxy of one simulated machine with 100,000 axes (the proxy's
// listing, the owners of every name, the printed table) against a plain std::sort of the same
// names: describe must stay within a small factor of sorting what it lists.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <ostream>
#include <random>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "bench_pairs.h"
#include "mhostsession.h"
#include "moutputchannel.h"
#include "mproxyasyncmachabstract.h"
#include "msimmachine.h"
#include "mtesttempdir.h"

namespace {

constexpr size_t kAxes = 100000;

// Counts what is written and keeps nothing, as a transcript file would cost us little.
class CountingBuffer : public std::streambuf {
 public:
  size_t Count() const { return count_; }

 protected:
  int_type overflow(int_type c) override {
    ++count_;
    return traits_type::not_eof(c);
  }
  std::streamsize xsputn(const char*, std::streamsize n) override {
    count_ += static_cast<size_t>(n);
    return n;
  }

 private:
  size_t count_ = 0;
};

std::string axis_name(size_t axis) {
  char text[16];
  std::snprintf(text, sizeof text, "a%06zu", axis);
  return text;
}

struct DescribeRig {
  DescribeRig() : sim(&channel, nullptr, "axes", dir.path().string()) {
    std::vector<MSimAxis> axes;
    for (size_t i = 0; i < kAxes; ++i) {
      names.push_back(axis_name(i));
      axes.push_back(MSimAxis::Make(names.back(), 0x8, static_cast<double>(i)));
    }
    sim.SetAxes(std::move(axes));
    std::shuffle(names.begin(), names.end(), std::mt19937(42));
    proxy = std::make_unique<MProxyAsyncMachAbstract>(&channel, nullptr, std::vector<MMachAbstract*>{&sim}, "px",
                                                      dir.path().string());
    opened = proxy->Open();
    std::string discarded;
    channel.Take(discarded, true);
  }
  ~DescribeRig() {
    proxy->Close();
    proxy.reset();
    channel.Clear();
  }

  void Describe(std::ostream& out) {
    MHostSession session(*proxy, "px", channel, {{"axes", &sim}}, {}, out);
    session.Describe();
  }

  MOutputChannel channel{0};
  MTestTempDir dir;  // no configuration file: no aliases
  MSimMachine sim;
  std::unique_ptr<MProxyAsyncMachAbstract> proxy;
  bool opened = false;
  std::vector<std::string> names;  // the axis names, shuffled: the yardstick's input
};

DescribeRig& rig() {
  static DescribeRig rig;
  return rig;
}

// Every axis must be listed with its owner, in name order.
bool describes_every_axis(benchmark::State& state) {
  DescribeRig& r = rig();
  std::ostringstream out;
  if (r.opened) r.Describe(out);
  const std::string text = out.str();
  const size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
  const bool found = text.find("=   a042042  0x8  axes a042042\n=   a042043  0x8  axes a042043\n") != std::string::npos;
  if (r.opened && found && lines > kAxes) return true;
  state.SkipWithError(r.opened ? "describe does not list every axis with its owner" : "the proxy did not open");
  return false;
}

void BM_HostDescribe(benchmark::State& state) {
  if (!describes_every_axis(state)) return;
  CountingBuffer buffer;
  std::ostream out(&buffer);
  for (auto _ : state) rig().Describe(out);
  benchmark::DoNotOptimize(buffer.Count());
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kAxes));
}
BENCHMARK(BM_HostDescribe)->Unit(benchmark::kMillisecond);

void BM_SortNames(benchmark::State& state) {
  const std::vector<std::string>& names = rig().names;
  std::vector<std::string> sorted = names;
  std::sort(sorted.begin(), sorted.end());
  if (sorted.size() != kAxes || sorted[42042] != axis_name(42042)) {
    state.SkipWithError("the sort is wrong");
    return;
  }
  for (auto _ : state) {
    sorted = names;
    std::sort(sorted.begin(), sorted.end());
    benchmark::DoNotOptimize(sorted.data());
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kAxes));
}
BENCHMARK(BM_SortNames)->Unit(benchmark::kMillisecond);

const orvex_bench::PairRegistration kDescribePair(
    {"host.describe.100k", "BM_HostDescribe", "BM_SortNames", orvex_bench::Goal::kRatioAtMost, 3});

}  // namespace
