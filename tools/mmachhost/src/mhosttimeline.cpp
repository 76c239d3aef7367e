#include "mhosttimeline.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <numeric>
#include <utility>

namespace {

constexpr int kProcess = 1;

// Nanoseconds as the microseconds of the trace format, with three decimals.
std::string micros(int64_t nanos) {
  char text[32];
  std::snprintf(text, sizeof text, "%lld.%03d", static_cast<long long>(nanos / 1000), static_cast<int>(nanos % 1000));
  return text;
}

// The length of the UTF-8 sequence at `at`, or 0 when the bytes there are not one.
size_t utf8_length(const std::string& text, size_t at) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  const size_t length = lead >= 0xc2 && lead <= 0xdf   ? 2
                        : lead >= 0xe0 && lead <= 0xef ? 3
                        : lead >= 0xf0 && lead <= 0xf4 ? 4
                                                       : 0;
  if (length == 0 || at + length > text.size()) return 0;
  for (size_t i = at + 1; i < at + length; ++i) {
    if ((byte(i) & 0xc0) != 0x80) return 0;
  }
  return length;
}

std::string args_json(const MHostTimeline::Args& args) {
  std::string json = "{";
  for (const MHostTimelineArg& arg : args) {
    json.append(json.size() == 1 ? "" : ",").append(MHostTimeline_Quote(arg.key)).append(":").append(arg.json);
  }
  return json + "}";
}

// The fields every event has, in front of its own.
std::string event_head(const std::string& name, char phase, int64_t time, int tid) {
  std::string json = "{\"name\":";
  json.append(MHostTimeline_Quote(name)).append(",\"ph\":\"").append(1, phase).append("\",\"ts\":");
  json.append(micros(time)).append(",\"pid\":").append(std::to_string(kProcess));
  return json.append(",\"tid\":").append(std::to_string(tid));
}

std::string thread_name(int tid, const std::string& name) {
  return event_head("thread_name", 'M', 0, tid) + ",\"args\":" + args_json({MHostTimelineArg::Text("name", name)}) +
         "}";
}

}  // namespace

MHostTimelineArg MHostTimelineArg::Text(std::string key, const std::string& text) {
  return {std::move(key), MHostTimeline_Quote(text)};
}

MHostTimelineArg MHostTimelineArg::Number(std::string key, int64_t number) {
  return {std::move(key), std::to_string(number)};
}

MHostTimeline::MHostTimeline(Clock clock) : clock_(std::move(clock)), origin_(clock_()) {}

MHostTimeline::MHostTimeline()
    : MHostTimeline([] {
        return static_cast<int64_t>(
            std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
                .count());
      }) {}

int MHostTimeline::AddTrack(const std::string& name) {
  tracks_.push_back(name);
  return static_cast<int>(tracks_.size());
}

int64_t MHostTimeline::Now() const { return clock_() - origin_; }

void MHostTimeline::Span(int track, const std::string& name, int64_t start, int64_t end, Args args) {
  events_.push_back({'X', track, name, start, std::max<int64_t>(end - start, 0), std::move(args)});
}

void MHostTimeline::Instant(int track, const std::string& name, Args args) {
  events_.push_back({'i', track, name, Now(), 0, std::move(args)});
}

void MHostTimeline::Counter(int track, const std::string& name, int64_t value) {
  const std::string series = name + " " + tracks_.at(static_cast<size_t>(track - 1));
  events_.push_back({'C', track, series, Now(), 0, {MHostTimelineArg::Number("value", value)}});
}

// The thread of every event: its track, or for a span that would break the nesting of its
// track's spans, the first lane of the track where it nests. Adds the names of extra lanes.
std::vector<int> MHostTimeline::lanes(std::vector<std::string>& thread_names) const {
  std::vector<int> tids(events_.size());
  std::vector<size_t> order(events_.size());
  std::iota(order.begin(), order.end(), size_t{0});
  // Outer spans first where several begin together.
  std::stable_sort(order.begin(), order.end(), [this](size_t a, size_t b) {
    const Event& x = events_[a];
    const Event& y = events_[b];
    return x.start != y.start ? x.start < y.start : x.duration > y.duration;
  });
  struct Lane {
    int tid;
    std::vector<int64_t> open_ends;  // the ends of the spans that contain the current time
  };
  std::vector<std::vector<Lane>> track_lanes(tracks_.size());
  for (size_t index : order) {
    const Event& event = events_[index];
    tids[index] = event.track;
    if (event.phase != 'X') continue;
    std::vector<Lane>& candidates = track_lanes.at(static_cast<size_t>(event.track - 1));
    const int64_t end = event.start + event.duration;
    Lane* chosen = nullptr;
    for (Lane& lane : candidates) {
      while (!lane.open_ends.empty() && lane.open_ends.back() <= event.start) lane.open_ends.pop_back();
      if (lane.open_ends.empty() || end <= lane.open_ends.back()) {
        chosen = &lane;
        break;
      }
    }
    if (chosen == nullptr) {
      int tid = event.track;
      if (!candidates.empty()) {
        thread_names.push_back(tracks_[static_cast<size_t>(event.track - 1)] + " (" +
                               std::to_string(candidates.size() + 1) + ")");
        tid = static_cast<int>(thread_names.size());
      }
      candidates.push_back({tid, {}});
      chosen = &candidates.back();
    }
    chosen->open_ends.push_back(end);
    tids[index] = chosen->tid;
  }
  return tids;
}

void MHostTimeline::Write(std::ostream& out) const {
  std::vector<std::string> thread_names = tracks_;
  const std::vector<int> tids = lanes(thread_names);
  out << "{\"traceEvents\":[\n";
  out << event_head("process_name", 'M', 0, 0) << ",\"args\":{\"name\":\"mmachhost\"}}";
  for (size_t i = 0; i < thread_names.size(); ++i) {
    out << ",\n" << thread_name(static_cast<int>(i + 1), thread_names[i]);
  }
  std::vector<size_t> order(events_.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [this](size_t a, size_t b) { return events_[a].start < events_[b].start; });
  for (size_t index : order) {
    const Event& event = events_[index];
    out << ",\n" << event_head(event.name, event.phase, event.start, tids[index]);
    if (event.phase == 'X') out << ",\"dur\":" << micros(event.duration);
    if (event.phase == 'i') out << ",\"s\":\"t\"";
    out << ",\"args\":" << args_json(event.args) << "}";
  }
  out << "\n],\n\"displayTimeUnit\":\"ms\"}\n";
}

std::string MHostTimeline_Quote(const std::string& text) {
  std::string quoted = "\"";
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const size_t sequence = c >= 0x80 ? utf8_length(text, i) : 1;
    char escape[8];
    if (c == '"' || c == '\\') {
      quoted.append(1, '\\').append(1, static_cast<char>(c));
    } else if (c == '\n') {
      quoted += "\\n";
    } else if (c == '\r') {
      quoted += "\\r";
    } else if (c == '\t') {
      quoted += "\\t";
    } else if (c < 0x20 || sequence == 0) {
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      quoted += escape;
    } else {
      quoted.append(text, i, sequence);
      i += sequence - 1;
    }
  }
  return quoted + "\"";
}
