// Ini data: opening a large generated file (2,000 sections of 50 entries, with comments and blank
// lines) and a small configuration-like file, against a std::getline + std::map reader.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench_pairs.h"
#include "mallocationcounter.h"
#include "minidata.h"
#include "mtesttempdir.h"
#include "reference_ini_parser.h"

namespace {

// Entry names of a section, short and long, so that both short-string and allocated names occur.
const char* const kEntryNames[] = {
    "Type", "Name", "SerialNumber", "Firmware", "Enabled", "MaxSpeed", "MaxAcceleration", "MaxJerk",
    "HomingSpeed", "HomingDirection", "LimitMin", "LimitMax", "SoftLimitMin", "SoftLimitMax", "Resolution",
    "ScaleFactor", "Offset", "Backlash", "TemperatureCompensation", "TemperatureCoefficient",
    "ReferenceTemperature", "EncoderType", "EncoderLines", "EncoderDirection", "ControllerGainP",
    "ControllerGainI", "ControllerGainD", "FeedForwardVelocity", "FeedForwardAcceleration", "FollowingErrorLimit",
    "InPositionWindow", "InPositionTime", "BrakeDelay", "MotorCurrentLimit", "MotorPolePairs", "Axis.Alias",
    "Axis.Unit", "Axis.Flags", "Probe.Offset.X", "Probe.Offset.Y", "Probe.Offset.Z", "Probe.Radius",
    "Probe.Stiffness", "ScanStepMin", "ScanStepMax", "ScanSpeedMax", "Magazine.Slot", "Magazine.Position",
    "LastCalibration", "Comment"};
static_assert(std::size(kEntryNames) == 50);

std::string entry_value(unsigned section, unsigned entry) {
  char text[96];
  const unsigned micrometres = (section * 7919 + entry * 104729) % 1000000;
  switch (entry % 5) {
    case 0:
      std::snprintf(text, sizeof text, "%u.%06u %u.%06u -%u.%06u", section * 7 + entry, micrometres, entry,
                    999999 - micrometres, section % 100, micrometres / 2);
      break;
    case 1:
      std::snprintf(text, sizeof text, " %d ; counts", static_cast<int>(section * 31 + entry) - 30000);
      break;
    case 2:
      std::snprintf(text, sizeof text, "unit_%04u_%s_controller_board", section,
                    entry % 2 != 0 ? "primary" : "secondary");
      break;
    case 3:
      std::snprintf(text, sizeof text, "%u ; set at commissioning by service", (section + entry) % 4096);
      break;
    default:
      std::snprintf(text, sizeof text, " -0.%06u ", micrometres);
      break;
  }
  return text;
}

// About 5 MB, CR LF line ends as the ini data writes them.
std::string make_large_ini() {
  std::string text = "; Machine parameters, generated for benchmarking\r\n# one section per unit\r\n\r\n";
  char line[128];
  for (unsigned section = 0; section < 2000; ++section) {
    std::snprintf(line, sizeof line, "[Unit%04u.Parameters]\r\n; settings of unit %u\r\n", section, section);
    text += line;
    for (unsigned entry = 0; entry < 50; ++entry) {
      if (entry % 10 == 0) {
        std::snprintf(line, sizeof line, "// ---- group %u of unit %u: motion and probing parameters ----\r\n", entry / 10, section);
        text += line;
      }
      text += kEntryNames[entry];
      text += entry % 3 == 0 ? " = " : "=";
      text += entry_value(section, entry);
      text += "\r\n";
    }
    text += section % 2 != 0 ? "\r\n" : "   \t\r\n";
  }
  return text;
}

// About 4 KB: aliases and a few settings, as a proxy's configuration looks.
std::string make_config_ini() {
  std::string text = "; proxy configuration\r\n\r\n[Aliases]\r\n";
  char line[128];
  for (unsigned alias = 1; alias <= 40; ++alias) {
    std::snprintf(line, sizeof line, "%u=Submachine%02u_Alias\r\n", alias, alias);
    text += line;
  }
  for (unsigned section = 0; section < 6; ++section) {
    std::snprintf(line, sizeof line, "\r\n[Settings%u]\r\n# values in mm and mm/s\r\n", section);
    text += line;
    for (unsigned entry = 0; entry < 12; ++entry) {
      text += kEntryNames[entry * 4 % 50];
      text += entry % 2 != 0 ? " = " : "=";
      text += entry_value(section, entry);
      text += "\r\n";
    }
  }
  return text;
}

struct IniFiles {
  IniFiles() {
    std::ofstream(large, std::ios::binary) << make_large_ini();
    std::ofstream(config, std::ios::binary) << make_config_ini();
  }

  MTestTempDir dir;
  std::string large = dir.File("large.ini");
  std::string config = dir.File("config.ini");
};

const IniFiles& ini_files() {
  static const IniFiles files;
  return files;
}

enum class Which { kLarge, kConfig };

const std::string& path_of(Which which) {
  return which == Which::kLarge ? ini_files().large : ini_files().config;
}

// "5.02 MB" / "4.1 KB": the size of the file, shown beside the time.
std::string size_label(const std::string& path) {
  const auto bytes = static_cast<double>(std::filesystem::file_size(path));
  char text[32];
  if (bytes >= 1e6) {
    std::snprintf(text, sizeof text, "%.2f MB", bytes / 1e6);
  } else {
    std::snprintf(text, sizeof text, "%.1f KB", bytes / 1e3);
  }
  return text;
}

// Both readers must hold the same sections with the same entries and values.
bool readers_agree(benchmark::State& state, const std::string& path) {
  MIniData ours(path);
  ReferenceIniData reference;
  if (!ours.IsOpened() || !reference.Open(path)) {
    state.SkipWithError("a reader failed to open the generated file");
    return false;
  }
  std::vector<std::string> sections;
  ours.GetSectionNames(sections);
  bool same = sections.size() == reference.sections().size() && !sections.empty();
  std::vector<std::string> entries;
  for (const auto& [name, expected] : reference.sections()) {
    ours.GetEntryNames(name, entries);
    same = same && entries.size() == expected.size();
    for (const auto& [entry, value] : expected) {
      std::string found;
      same = same && ours.GetStringEntry(name, entry, found) && found == value;
    }
  }
  if (!same) state.SkipWithError("the readers disagree on the generated file");
  return same;
}

// The yardstick allocates hundreds of thousands of small blocks, so the speed of either reader
// depends on what the benchmarks run before it left in the heap; each starts from a trimmed heap.
void start_from_trimmed_heap() { malloc_trim(0); }

// The blocks and the peak of bytes that one open (and free) takes, as counters of the benchmark.
template <class Open>
void count_allocations(benchmark::State& state, Open open) {
  MAllocationCounter counter;
  open();
  const MAllocationCounter::Usage usage = counter.Now();
  state.counters["blocks"] = static_cast<double>(usage.blocks);
  state.counters["peak_bytes"] = static_cast<double>(usage.peak);
}

void BM_MIniDataOpen(benchmark::State& state, Which which) {
  const std::string& path = path_of(which);
  if (!readers_agree(state, path)) return;
  start_from_trimmed_heap();
  state.SetLabel(size_label(path));
  for (auto _ : state) {
    MIniData ini(path);
    benchmark::DoNotOptimize(ini.IsOpened());
  }
  count_allocations(state, [&path] { MIniData ini(path); });
}
BENCHMARK_CAPTURE(BM_MIniDataOpen, 5MB, Which::kLarge)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_MIniDataOpen, 4KB, Which::kConfig)->Unit(benchmark::kMicrosecond);

void BM_ReferenceIniOpen(benchmark::State& state, Which which) {
  const std::string& path = path_of(which);
  if (!readers_agree(state, path)) return;
  start_from_trimmed_heap();
  state.SetLabel(size_label(path));
  for (auto _ : state) {
    ReferenceIniData ini;
    benchmark::DoNotOptimize(ini.Open(path));
  }
  count_allocations(state, [&path] { ReferenceIniData().Open(path); });
}
BENCHMARK_CAPTURE(BM_ReferenceIniOpen, 5MB, Which::kLarge)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReferenceIniOpen, 4KB, Which::kConfig)->Unit(benchmark::kMicrosecond);

const orvex_bench::PairRegistration kLargePair({"minidata.Open.5MB", "BM_MIniDataOpen/5MB",
                                                "BM_ReferenceIniOpen/5MB", orvex_bench::Goal::kSpeedupAtLeast,
                                                1.5});
const orvex_bench::PairRegistration kConfigPair({"minidata.Open.4KB", "BM_MIniDataOpen/4KB",
                                                 "BM_ReferenceIniOpen/4KB", orvex_bench::Goal::kSpeedupOnly});
const orvex_bench::CounterRegistration kLargeAllocations({"minidata.Open.5MB.allocations", "BM_MIniDataOpen/5MB",
                                                          {"blocks", "peak_bytes"}});
const orvex_bench::CounterRegistration kLargeReferenceAllocations(
    {"minidata.Open.5MB.yardstick_allocations", "BM_ReferenceIniOpen/5MB", {"blocks", "peak_bytes"}});

}  // namespace
