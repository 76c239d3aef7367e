// Pairs of benchmarks: a measurement of our code and its yardstick, both timed in the same run so
// that the noise of a shared machine affects both alike. Each benchmark file registers its pairs
// at load time; after the run, the summary prints one line per pair with the ratio and its goal.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace orvex_bench {

enum class Goal {
  kRatioAtMost,     // ours / reference <= limit (the proxy may cost at most this much more)
  kSpeedupAtLeast,  // reference / ours >= limit
  kSpeedupOnly,     // reference / ours, printed without a verdict
};

// What one measurement costs: the CPU time of one iteration, or that time divided by the bytes
// or the items that the benchmark declares per iteration (State::SetBytesProcessed,
// State::SetItemsProcessed).
enum class Cost { kPerIteration, kPerByte, kPerItem };
inline constexpr int kCostCount = 3;

struct Pair {
  std::string name;       // as printed, e.g. "outputchannel.Data"
  std::string ours;       // benchmark run names, e.g. "BM_ChannelData/256"
  std::string reference;
  Goal goal = Goal::kSpeedupOnly;
  double limit = 0;
  Cost cost = Cost::kPerIteration;
};

// Registers a pair for the summary; a benchmark file calls this at namespace scope:
//   const orvex_bench::PairRegistration kDataPair({"outputchannel.Data", ...});
class PairRegistration {
 public:
  explicit PairRegistration(Pair pair);
};

// A benchmark whose result is a set of counters (State::counters) rather than a time: the
// summary prints their medians under the name, each with its goal when it has an upper limit
// (a median above it misses the goal), and "(no goal)" when none has one.
struct CounterReport {
  std::string name;       // as printed, e.g. "memory.Open.16x256"
  std::string benchmark;  // run name
  std::vector<std::string> counters;
  std::map<std::string, double> at_most{};  // upper limits by counter name
};

class CounterRegistration {
 public:
  explicit CounterRegistration(CounterReport report);
};

// The console reporter, which also keeps the cost of every successful run by run name: the
// median aggregate when repetitions were run, else one value per run.
class RecordingReporter : public benchmark::ConsoleReporter {
 public:
  RecordingReporter() : ConsoleReporter(OO_Tabular) {}  // no colour codes: the output is often kept in a file
  void ReportRuns(const std::vector<Run>& reports) override;

  // Median cost of the run `name`; false when it did not run or failed.
  bool MedianCost(const std::string& name, Cost cost, double& seconds) const;
  // Median of the counter `counter` over the runs of `name`; false when there is none.
  bool MedianCounter(const std::string& name, const std::string& counter, double& value) const;
  // The error message of a run that failed, empty otherwise.
  std::string ErrorOf(const std::string& name) const;

 private:
  struct Costs {
    std::vector<double> runs[kCostCount];  // indexed by Cost
    std::vector<double> medians[kCostCount];
    std::map<std::string, std::vector<double>> counters;         // by counter name, of the runs
    std::map<std::string, std::vector<double>> counter_medians;  // of the median aggregates
  };
  std::map<std::string, Costs> costs_;
  std::map<std::string, std::string> errors_;
};

// Prints one line per registered pair and counter report and answers whether every goal of a
// measured pair was met and no benchmark of a pair or report failed. Pairs whose benchmarks were
// filtered out print "not run".
bool PrintPairSummary(const RecordingReporter& reporter, std::ostream& out);

}  // namespace orvex_bench
