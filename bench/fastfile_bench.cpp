// Line reading: MFastFileReader over a generated 6.7 MB ini-like file with LF, CR LF or lone CR
// line ends, against std::getline on a std::ifstream (split at the same terminator).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "bench_pairs.h"
#include "fastfile.h"
#include "mtesttempdir.h"

namespace {

const char* const kEnds[] = {"\n", "\r\n", "\r"};  // by benchmark argument

// Sections of entries with values of mixed length, about 6.7 MB whatever the line end.
std::string make_file(const char* end) {
  std::string text;
  char line[96];
  for (unsigned section = 0; section < 6640; ++section) {
    std::snprintf(line, sizeof line, "[Axis a%05u]", section);
    text.append(line).append(end);
    for (unsigned entry = 0; entry < 40; ++entry) {
      const int size = std::snprintf(line, sizeof line, "entry_%02u=%u.%06u %s", entry, section * 31 + entry,
                                     (section * 7919 + entry * 104729) % 1000000, entry % 3 == 0 ? "; set" : "");
      text.append(line, static_cast<size_t>(size)).append(end);
    }
    text.append(end);
  }
  return text;
}

struct Files {
  Files() {
    for (int i = 0; i < 3; ++i) {
      paths[i] = (dir.path() / ("lines" + std::to_string(i) + ".ini")).string();
      std::ofstream(paths[i], std::ios::binary) << make_file(kEnds[i]);
    }
  }
  MTestTempDir dir;
  std::string paths[3];
};

const std::string& path_of(int end) {
  static const Files files;
  return files.paths[end];
}

// Lines and their bytes, so that both readers can be checked against each other.
struct Tally {
  size_t lines = 0;
  size_t bytes = 0;
  bool operator==(const Tally& other) const { return lines == other.lines && bytes == other.bytes; }
};

Tally read_ours(const std::string& path) {
  Tally tally;
  MFastFileReader reader;
  if (!reader.Open(path.c_str())) return tally;
  std::string line;
  while (!reader.IsEOF() && reader.ReadLine(line)) {
    ++tally.lines;
    tally.bytes += line.size();
  }
  return tally;
}

Tally read_getline(const std::string& path, int end) {
  Tally tally;
  std::ifstream file(path, std::ios::binary);
  std::string line;
  const char delimiter = end == 2 ? '\r' : '\n';
  while (std::getline(file, line, delimiter)) {
    if (end == 1 && !line.empty() && line.back() == '\r') line.pop_back();
    ++tally.lines;
    tally.bytes += line.size();
  }
  return tally;
}

bool same_lines(benchmark::State& state, int end) {
  const Tally ours = read_ours(path_of(end));
  if (ours.lines > 160000 && ours == read_getline(path_of(end), end)) return true;
  state.SkipWithError("the readers do not deliver the same lines");
  return false;
}

void BM_FastFileReadLine(benchmark::State& state) {
  const int end = static_cast<int>(state.range(0));
  if (!same_lines(state, end)) return;
  for (auto _ : state) benchmark::DoNotOptimize(read_ours(path_of(end)).bytes);
}
BENCHMARK(BM_FastFileReadLine)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_GetlineReadLine(benchmark::State& state) {
  const int end = static_cast<int>(state.range(0));
  if (!same_lines(state, end)) return;
  for (auto _ : state) benchmark::DoNotOptimize(read_getline(path_of(end), end).bytes);
}
BENCHMARK(BM_GetlineReadLine)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

using orvex_bench::Goal;
using orvex_bench::PairRegistration;
const PairRegistration kLfPair({"fastfile.ReadLine.LF", "BM_FastFileReadLine/0", "BM_GetlineReadLine/0",
                                Goal::kSpeedupAtLeast, 1.5});
const PairRegistration kCrLfPair({"fastfile.ReadLine.CRLF", "BM_FastFileReadLine/1", "BM_GetlineReadLine/1",
                                  Goal::kSpeedupAtLeast, 1.5});
const PairRegistration kCrPair({"fastfile.ReadLine.CR", "BM_FastFileReadLine/2", "BM_GetlineReadLine/2",
                                Goal::kSpeedupAtLeast, 1.5});

}  // namespace
