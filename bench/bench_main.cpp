// orvex_bench: runs every registered benchmark, then prints one summary line per pair of our code
// and its yardstick. Each benchmark runs three times, interleaved at random with the others, and
// the pairs compare medians, so that a burst of load on a shared machine hits both sides alike.
// Google Benchmark flags given on the command line override these defaults.
// The exit status is 1 when a goal is missed or a benchmark of a pair failed its own check.
#include <benchmark/benchmark.h>

#include <iostream>
#include <vector>

#include "bench_pairs.h"

int main(int argc, char** argv) {
  static char kRepetitions[] = "--benchmark_repetitions=3";
  static char kInterleaving[] = "--benchmark_enable_random_interleaving=true";
  static char kAggregatesOnly[] = "--benchmark_display_aggregates_only=true";
  std::vector<char*> arguments = {argv[0], kRepetitions, kInterleaving, kAggregatesOnly};
  arguments.insert(arguments.end(), argv + 1, argv + argc);  // later flags win
  int count = static_cast<int>(arguments.size());
  arguments.push_back(nullptr);

  benchmark::Initialize(&count, arguments.data());
  if (benchmark::ReportUnrecognizedArguments(count, arguments.data())) return 1;
  orvex_bench::RecordingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return orvex_bench::PrintPairSummary(reporter, std::cout) ? 0 : 1;
}
