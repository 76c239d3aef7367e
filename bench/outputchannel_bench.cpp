// Output channel: data lines of scan points against the snprintf yardstick, and the cost per byte
// of collecting many lines (Append into one channel, then Take) as the text grows.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench_pairs.h"
#include "moutputchannel.h"
#include "reference_number_format.h"

namespace {

constexpr size_t kPointCount = 4096;
constexpr size_t kLinesPerTake = 64;  // what one poll typically collects

// Scan points of 8 coordinates: positions in millimetres with six decimals, small probe
// deflections (half of them negative), a point counter, a status that is 0 or 1 and now and then
// the 1e12 marker.
std::vector<std::vector<double>> make_scan_points(size_t count) {
  std::mt19937_64 random(0x5eed);
  const auto uniform = [&random](double low, double high) {
    return low + (high - low) * static_cast<double>(random() >> 11) * 0x1.0p-53;
  };
  const auto to_micrometres = [](double millimetres) { return std::round(millimetres * 1e6) / 1e6; };
  std::vector<std::vector<double>> points(count);
  for (size_t i = 0; i < count; ++i) {
    std::vector<double>& point = points[i];
    for (int axis = 0; axis < 3; ++axis) point.push_back(to_micrometres(uniform(-800, 800)));
    for (int axis = 0; axis < 3; ++axis) point.push_back(to_micrometres(uniform(-0.05, 0.05)));
    point.push_back(static_cast<double>(i));
    point.push_back(i % 61 == 60 ? 1e12 : static_cast<double>(i % 3 != 0));
  }
  return points;
}

const std::vector<std::vector<double>>& scan_points() {
  static const std::vector<std::vector<double>> points = make_scan_points(kPointCount);
  return points;
}

// Values at the borders between the formatting rules; checked, not timed.
const std::vector<double> kBorderValues = {
    -1e-9, 5e-7, 4.9999e-7, -5e-7, 0.1234567, 0.9999996, -0.0, 1.5, -2, 2147483647.0, 2147483647.9999999,
    -2147483648.0, -2147483648.5, 3e9, -99999999999.9, 1e11, -1e11, 1e12, 1e20, 123456789012345678.0,
    std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
    -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::denorm_min()};

std::string take_text(MOutputChannel& channel) {
  std::string text;
  channel.Take(text, true);
  return text;
}

// The first line where the two texts differ, for the failure message.
std::string first_difference(const std::string& ours, const std::string& reference) {
  size_t at = 0;
  while (at < ours.size() && at < reference.size() && ours[at] == reference[at]) ++at;
  const size_t line = ours.rfind('\n', at) == std::string::npos ? 0 : ours.rfind('\n', at) + 1;
  return "ours \"" + ours.substr(line, ours.find('\r', line) - line) + "\" vs reference \"" +
         reference.substr(line, reference.find('\r', line) - line) + "\"";
}

// Both ways must write the same text for every scan point and every border value.
bool data_lines_agree(benchmark::State& state) {
  MOutputChannel channel(1);
  std::string reference;
  for (const auto& point : scan_points()) {
    channel.Data(point);
    reference_append_data_line(reference, "0001\t", point);
  }
  channel.Data(kBorderValues);
  reference_append_data_line(reference, "0001\t", kBorderValues);
  const std::string ours = take_text(channel);
  if (ours == reference) return true;
  state.SkipWithError(("data lines differ: " + first_difference(ours, reference)).c_str());
  return false;
}

void BM_ChannelData(benchmark::State& state) {
  if (!data_lines_agree(state)) return;
  MOutputChannel channel(1);
  std::string taken;
  const auto& points = scan_points();
  for (auto _ : state) {
    for (size_t i = 0; i < points.size(); ++i) {
      channel.Data(points[i]);
      if (i % kLinesPerTake == kLinesPerTake - 1) channel.Take(taken, false);
    }
    benchmark::DoNotOptimize(taken.data());
  }
  channel.Clear();
}
BENCHMARK(BM_ChannelData);

void BM_ReferenceData(benchmark::State& state) {
  if (!data_lines_agree(state)) return;
  const std::string prefix = "0001\t";
  std::string text;
  text.reserve(1000);  // as a channel starts
  std::string taken;
  const auto& points = scan_points();
  for (auto _ : state) {
    for (size_t i = 0; i < points.size(); ++i) {
      reference_append_data_line(text, prefix, points[i]);
      if (i % kLinesPerTake == kLinesPerTake - 1) {
        taken.swap(text);
        text.clear();
      }
    }
    benchmark::DoNotOptimize(taken.data());
  }
}
BENCHMARK(BM_ReferenceData);

// Sub-command channels holding one data line each, as a poll finds them; emptied on destruction.
class LinePool {
 public:
  static constexpr size_t kSize = 64;

  LinePool() {
    for (size_t i = 0; i < kSize; ++i) {
      channels_.push_back(std::make_unique<MOutputChannel>(1));
      channels_.back()->Data(scan_points()[i]);
    }
  }
  ~LinePool() {
    for (auto& channel : channels_) channel->Clear();
  }
  LinePool(const LinePool&) = delete;
  LinePool& operator=(const LinePool&) = delete;

  const MOutputChannel& operator[](size_t i) const { return *channels_[i % kSize]; }

 private:
  std::vector<std::unique_ptr<MOutputChannel>> channels_;
};

void BM_ChannelAppendTake(benchmark::State& state) {
  const auto lines = static_cast<size_t>(state.range(0));
  LinePool pool;
  MOutputChannel target(1);
  std::string expected;
  for (size_t i = 0; i < lines; ++i) {
    std::string line;
    pool[i].Peek(line);
    expected += line;
  }
  for (size_t i = 0; i < lines; ++i) target.Append(pool[i]);
  if (take_text(target) != expected) {
    state.SkipWithError("Append and Take lost or changed text");
    return;
  }
  std::string taken;
  for (auto _ : state) {
    for (size_t i = 0; i < lines; ++i) target.Append(pool[i]);
    target.Take(taken, true);
    benchmark::DoNotOptimize(taken.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(expected.size()));
}
BENCHMARK(BM_ChannelAppendTake)->Arg(1000)->Arg(10000)->Arg(100000);

const orvex_bench::PairRegistration kDataPair({"outputchannel.Data", "BM_ChannelData", "BM_ReferenceData",
                                               orvex_bench::Goal::kSpeedupAtLeast, 3});
const orvex_bench::PairRegistration kAppend10kPair({"outputchannel.AppendTake.per_byte.10k_vs_1k_lines",
                                                    "BM_ChannelAppendTake/10000", "BM_ChannelAppendTake/1000",
                                                    orvex_bench::Goal::kRatioAtMost, 1.2,
                                                    orvex_bench::Cost::kPerByte});
const orvex_bench::PairRegistration kAppend100kPair({"outputchannel.AppendTake.per_byte.100k_vs_1k_lines",
                                                     "BM_ChannelAppendTake/100000", "BM_ChannelAppendTake/1000",
                                                     orvex_bench::Goal::kRatioAtMost, 1.2,
                                                     orvex_bench::Cost::kPerByte});

}  // namespace
