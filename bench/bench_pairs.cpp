#include "bench_pairs.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <utility>

namespace orvex_bench {
namespace {

std::vector<Pair>& registered_pairs() {
  static std::vector<Pair> pairs;
  return pairs;
}

std::vector<CounterReport>& registered_reports() {
  static std::vector<CounterReport> reports;
  return reports;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// "1.23 us", "4.5 ns/B": the cost in the unit that keeps it readable.
std::string format_cost(double seconds, Cost cost) {
  static constexpr struct {
    double scale;
    const char* unit;
  } kUnits[] = {{1, "s"}, {1e3, "ms"}, {1e6, "us"}, {1e9, "ns"}, {1e12, "ps"}};
  size_t unit = 0;
  while (unit + 1 < std::size(kUnits) && seconds * kUnits[unit].scale < 1) ++unit;
  char text[64];
  std::snprintf(text, sizeof text, "%.3g %s%s", seconds * kUnits[unit].scale, kUnits[unit].unit,
                cost == Cost::kPerByte ? "/B" : cost == Cost::kPerItem ? "/item" : "");
  return text;
}

std::string format_number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

std::string format_limit(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

}  // namespace

PairRegistration::PairRegistration(Pair pair) { registered_pairs().push_back(std::move(pair)); }

CounterRegistration::CounterRegistration(CounterReport report) { registered_reports().push_back(std::move(report)); }

void RecordingReporter::ReportRuns(const std::vector<Run>& reports) {
  for (const Run& run : reports) {
    const bool median_aggregate = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
    if (run.run_type != Run::RT_Iteration && !median_aggregate) continue;
    const std::string name = run.run_name.str();
    if (run.error_occurred) {
      errors_[name] = run.error_message;
      continue;
    }
    Costs& costs = costs_[name];
    auto& values = median_aggregate ? costs.medians : costs.runs;
    values[static_cast<int>(Cost::kPerIteration)].push_back(run.GetAdjustedCPUTime() /
                                                            benchmark::GetTimeUnitMultiplier(run.time_unit));
    for (const auto& [counter, cost] : {std::pair{"bytes_per_second", Cost::kPerByte},
                                        std::pair{"items_per_second", Cost::kPerItem}}) {
      const auto rate = run.counters.find(counter);
      if (rate != run.counters.end() && rate->second.value > 0) {
        values[static_cast<int>(cost)].push_back(1 / rate->second.value);
      }
    }
    auto& counters = median_aggregate ? costs.counter_medians : costs.counters;
    for (const auto& [counter, value] : run.counters) counters[counter].push_back(value.value);
  }
  ConsoleReporter::ReportRuns(reports);
}

bool RecordingReporter::MedianCost(const std::string& name, Cost cost, double& seconds) const {
  const auto found = costs_.find(name);
  if (found == costs_.end()) return false;
  const auto& medians = found->second.medians[static_cast<int>(cost)];
  const auto& runs = found->second.runs[static_cast<int>(cost)];
  if (medians.empty() && runs.empty()) return false;
  seconds = medians.empty() ? median(runs) : medians.back();
  return true;
}

bool RecordingReporter::MedianCounter(const std::string& name, const std::string& counter, double& value) const {
  const auto found = costs_.find(name);
  if (found == costs_.end()) return false;
  for (const auto* counters : {&found->second.counter_medians, &found->second.counters}) {
    const auto values = counters->find(counter);
    if (values == counters->end() || values->second.empty()) continue;
    value = counters == &found->second.counter_medians ? values->second.back() : median(values->second);
    return true;
  }
  return false;
}

std::string RecordingReporter::ErrorOf(const std::string& name) const {
  const auto found = errors_.find(name);
  return found == errors_.end() ? std::string() : found->second;
}

namespace {

// One line of counter medians with their goals; false when the benchmark failed or a goal is missed.
bool print_counter_report(const RecordingReporter& reporter, const CounterReport& report, std::ostream& out) {
  out << report.name;
  if (const std::string failure = reporter.ErrorOf(report.benchmark); !failure.empty()) {
    out << " FAILED: " << failure << "\n";
    return false;
  }
  bool any = false;
  bool met = true;
  for (const std::string& counter : report.counters) {
    double value = 0;
    if (!reporter.MedianCounter(report.benchmark, counter, value)) continue;
    out << " " << counter << "=" << format_number(value);
    any = true;
    if (const auto limit = report.at_most.find(counter); limit != report.at_most.end()) {
      const bool counter_met = value <= limit->second;
      out << " goal<=" << format_limit(limit->second) << (counter_met ? " ok" : " MISSED");
      met = met && counter_met;
    }
  }
  if (!any) {
    out << " not run\n";
  } else {
    out << (report.at_most.empty() ? " (no goal)\n" : "\n");
  }
  return met;
}

}  // namespace

bool PrintPairSummary(const RecordingReporter& reporter, std::ostream& out) {
  bool all_met = true;
  out << "\n";
  for (const Pair& pair : registered_pairs()) {
    out << pair.name << " ";
    const std::string failure = !reporter.ErrorOf(pair.ours).empty() ? reporter.ErrorOf(pair.ours)
                                                                       : reporter.ErrorOf(pair.reference);
    if (!failure.empty()) {
      out << "FAILED: " << failure << "\n";
      all_met = false;
      continue;
    }
    double ours = 0;
    double reference = 0;
    if (!reporter.MedianCost(pair.ours, pair.cost, ours) ||
        !reporter.MedianCost(pair.reference, pair.cost, reference) || ours <= 0 || reference <= 0) {
      out << "not run\n";
      continue;
    }
    const bool speedup = pair.goal != Goal::kRatioAtMost;
    const double value = speedup ? reference / ours : ours / reference;
    out << (speedup ? "speedup=" : "ratio=") << format_number(value);
    switch (pair.goal) {
      case Goal::kRatioAtMost:
      case Goal::kSpeedupAtLeast: {
        const bool met = speedup ? value >= pair.limit : value <= pair.limit;
        out << (speedup ? " goal>=" : " goal<=") << format_limit(pair.limit) << (met ? " ok" : " MISSED");
        all_met = all_met && met;
        break;
      }
      case Goal::kSpeedupOnly:
        out << " (no goal)";
        break;
    }
    out << "  [" << format_cost(ours, pair.cost) << " vs " << format_cost(reference, pair.cost) << "]\n";
  }
  for (const CounterReport& report : registered_reports()) {
    all_met = print_counter_report(reporter, report, out) && all_met;
  }
  return all_met;
}

}  // namespace orvex_bench
