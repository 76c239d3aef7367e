// MHostTimeline: what happened during a host session, as spans, instant events and counters on
// named tracks, kept in memory and written once as trace-event JSON (the format that Perfetto
// and chrome://tracing open). Times come from an injectable clock, so that a test gets the same
// file on every run. One thread uses a timeline; it owns copies of everything it is given.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

// One entry of an event's "args": a key and the value as JSON text.
struct MHostTimelineArg {
  static MHostTimelineArg Text(std::string key, const std::string& text);
  static MHostTimelineArg Number(std::string key, int64_t number);

  std::string key;
  std::string json;
};

class MHostTimeline {
 public:
  // Nanoseconds from any fixed origin; never decreasing.
  using Clock = std::function<int64_t()>;
  using Args = std::vector<MHostTimelineArg>;

  // The timeline starts (time 0) when it is made.
  explicit MHostTimeline(Clock clock);
  // A timeline on std::chrono::steady_clock.
  MHostTimeline();

  // A track (a thread of the trace) named `name`; answers its id, 1 for the first.
  int AddTrack(const std::string& name);
  // Nanoseconds since the timeline started.
  int64_t Now() const;

  // A span of `track` from `start` to `end` (times from Now()).
  void Span(int track, const std::string& name, int64_t start, int64_t end, Args args);
  // An instant event of `track`, now.
  void Instant(int track, const std::string& name, Args args);
  // A counter sample, now. The trace format keys counters by process and name, so the series
  // is written as "<name> <track name>": each track has its own.
  void Counter(int track, const std::string& name, int64_t value);

  // The whole trace, one event per line. Spans of one track that overlap without nesting (two
  // sub-commands running side by side) go to extra lanes of the track, "<name> (2)" and so on,
  // because a viewer nests the spans of one thread by time.
  void Write(std::ostream& out) const;

 private:
  struct Event {
    char phase;  // 'X', 'i' or 'C'
    int track;
    std::string name;
    int64_t start;
    int64_t duration;
    Args args;
  };

  std::vector<int> lanes(std::vector<std::string>& thread_names) const;

  Clock clock_;
  int64_t origin_;
  std::vector<std::string> tracks_;  // names by track id - 1
  std::vector<Event> events_;
};

// `text` as a JSON string (in double quotes): quotes, backslashes and control characters
// escaped, bytes that are not UTF-8 written as the Latin-1 characters they would be.
std::string MHostTimeline_Quote(const std::string& text);
