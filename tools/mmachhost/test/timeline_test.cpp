#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "hosttestproxy.h"
#include "mhostsession.h"
#include "mhosttimeline.h"
#include "mhosttimelinemachine.h"
#include "moutputchannel.h"
#include "msimmachine.h"
#include "mtestmachine.h"
#include "mvtableslot.h"

namespace {

// --- a small JSON reader: the grammar a trace viewer checks, numbers and \u escapes only as far
// as the writer uses them ---

struct Json {
  std::string text;  // of a string
  double number = 0;
  std::map<std::string, Json> members;
  std::vector<Json> items;

  const Json& operator[](const std::string& key) const {
    static const Json kMissing;
    const auto found = members.find(key);
    return found == members.end() ? kMissing : found->second;
  }
};

// Skips white space; consumes `c` when it comes next.
bool next_is(const std::string& s, size_t& at, char c) {
  at = std::min(s.find_first_not_of(" \t\r\n", at), s.size());
  return at < s.size() && s[at] == c && ++at;
}

bool read_string(const std::string& s, size_t& at, std::string& text) {
  if (!next_is(s, at, '"')) return false;
  while (at < s.size() && s[at] != '"') {
    const unsigned char c = static_cast<unsigned char>(s[at++]);
    if (c < 0x20) return false;
    if (c != '\\') {
      text += static_cast<char>(c);
      continue;
    }
    const size_t simple = at < s.size() ? std::string("\"\\/bfnrt").find(s[at++]) : std::string::npos;
    if (simple != std::string::npos) {
      text += "\"\\/\b\f\n\r\t"[simple];
    } else if (s[at - 1] == 'u' && at + 4 <= s.size()) {
      text += static_cast<char>(std::stoi(s.substr(at, 4), nullptr, 16));  // enough for \u00XX
      at += 4;
    } else {
      return false;
    }
  }
  return next_is(s, at, '"');
}

bool read_value(const std::string& s, size_t& at, Json& out) {
  if (next_is(s, at, '{')) {
    if (next_is(s, at, '}')) return true;
    do {
      std::string key;
      if (!read_string(s, at, key) || !next_is(s, at, ':') || !read_value(s, at, out.members[key])) return false;
    } while (next_is(s, at, ','));
    return next_is(s, at, '}');
  }
  if (next_is(s, at, '[')) {
    if (next_is(s, at, ']')) return true;
    do {
      out.items.emplace_back();
      if (!read_value(s, at, out.items.back())) return false;
    } while (next_is(s, at, ','));
    return next_is(s, at, ']');
  }
  if (at < s.size() && s[at] == '"') return read_string(s, at, out.text);
  if (at >= s.size() || (s[at] != '-' && std::isdigit(static_cast<unsigned char>(s[at])) == 0)) return false;
  char* end = nullptr;
  out.number = std::strtod(s.c_str() + at, &end);
  at = static_cast<size_t>(end - s.c_str());
  return true;
}

Json parse(const std::string& text) {
  Json json;
  size_t at = 0;
  EXPECT_TRUE(read_value(text, at, json) && text.find_first_not_of(" \t\r\n", at) == std::string::npos) << text;
  return json;
}

// A clock that advances one microsecond at every reading.
MHostTimeline::Clock ticking_clock() {
  return [ticks = int64_t{0}]() mutable { return ticks += 1000; };
}

// --- the writer ---

// The events of a written trace by what the tests look at.
struct Trace {
  explicit Trace(const MHostTimeline& timeline) {
    std::ostringstream out;
    timeline.Write(out);
    root = parse(out.str());
    for (const Json& event : root["traceEvents"].items) {
      if (event["name"].text != "thread_name") continue;
      track[event["args"]["name"].text] = static_cast<int>(event["tid"].number);
    }
  }
  // The events on the track named `name` with phase `phase`.
  std::vector<const Json*> On(const std::string& name, const std::string& phase) const {
    std::vector<const Json*> found;
    for (const Json& event : root["traceEvents"].items) {
      if (event["tid"].number == track.at(name) && event["ph"].text == phase) found.push_back(&event);
    }
    return found;
  }

  Json root;
  std::map<std::string, int> track;  // tid by thread name
};

struct QuoteCase {
  const char* text;
  const char* quoted;
};

TEST(TimelineWriterTest, StringsStayValidJsonWhateverTheBytes) {
  const QuoteCase cases[] = {
      {"plain", "\"plain\""},
      {"say \"hi\"\\", "\"say \\\"hi\\\"\\\\\""},
      {"a\r\nb\tc\x01\x1f\x7f", "\"a\\r\\nb\\tc\\u0001\\u001f\x7f\""},
      {"\xc3\xa9\xe2\x82\xac\xf0\x9f\x99\x82", "\"\xc3\xa9\xe2\x82\xac\xf0\x9f\x99\x82\""},  // 2, 3 and 4 bytes
      {"\xff x", "\"\\u00ff x\""},
      {"\xc0\x80", "\"\\u00c0\\u0080\""},      // overlong
      {"end \xe2\x82", "\"end \\u00e2\\u0082\""},  // cut short
      {"\xc3(", "\"\\u00c3(\""},                 // no continuation
  };
  for (const QuoteCase& c : cases) {
    EXPECT_EQ(MHostTimeline_Quote(c.text), c.quoted) << c.text;
    EXPECT_EQ(parse(MHostTimeline_Quote(c.text)).text, c.text);  // each \u00XX reads back as its byte
  }
}

struct LaneCase {
  const char* what;
  std::vector<std::pair<int64_t, int64_t>> spans;  // start, end
  std::vector<int> tids;                           // expected thread of each
};

// Spans of one track that overlap without nesting would be drawn wrongly: they get lanes.
TEST(TimelineWriterTest, SpansThatDoNotNestGoToFurtherLanes) {
  const LaneCase cases[] = {
      {"disjoint and touching", {{0, 5}, {5, 9}, {12, 20}}, {1, 1, 1}},
      {"nested, also at shared ends", {{0, 10}, {0, 4}, {4, 10}, {5, 6}}, {1, 1, 1, 1}},
      {"side by side", {{0, 10}, {5, 15}}, {1, 2}},
      {"the second lane is reused", {{0, 10}, {5, 15}, {16, 20}, {17, 25}}, {1, 2, 1, 2}},
      {"three at once", {{0, 10}, {1, 11}, {2, 12}}, {1, 2, 3}},
  };
  for (const LaneCase& c : cases) {
    MHostTimeline timeline(ticking_clock());
    const int track = timeline.AddTrack("sub");
    const auto span_name = [](size_t i) { return std::string("s").append(std::to_string(i)); };
    for (size_t i = 0; i < c.spans.size(); ++i) {
      timeline.Span(track, span_name(i), c.spans[i].first * 1000, c.spans[i].second * 1000, {});
    }
    const Trace trace(timeline);
    std::map<std::string, int> tid_of;
    for (const Json& event : trace.root["traceEvents"].items) {
      if (event["ph"].text == "X") tid_of[event["name"].text] = static_cast<int>(event["tid"].number);
    }
    for (size_t i = 0; i < c.tids.size(); ++i) {
      EXPECT_EQ(tid_of[span_name(i)], c.tids[i]) << c.what << ", span " << i;
      std::string thread = "sub";
      if (c.tids[i] != 1) thread.append(" (").append(std::to_string(c.tids[i])).append(")");
      EXPECT_EQ(trace.track.count(thread) ? trace.track.at(thread) : 0, c.tids[i]) << c.what;
    }
  }
}

// --- sessions with a timeline ---

double end_of(const Json& span) { return span["ts"].number + span["dur"].number; }

// The demo instrument as the host builds it with --timeline: the proxy plug-in over recording
// decorators of the three simulated submachines, described by the example ini files.
class TimelineSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const int proxy_track = timeline.AddTrack("cmm");
    std::vector<MMachAbstract*> submachines;
    for (const char* name : {"gantry", "table", "sensor"}) {
      sims.push_back(std::make_unique<MSimMachine>(&channel, nullptr, name, ORVEX_EXAMPLES_DIR));
      ASSERT_TRUE(sims.back()->LoadDescription(std::string(ORVEX_EXAMPLES_DIR "/") + name + ".ini")) << name;
      decorators.push_back(std::make_unique<MHostTimelineMachine>(*sims.back(), timeline, timeline.AddTrack(name),
                                                                  name, ORVEX_EXAMPLES_DIR));
      submachines.push_back(decorators.back().get());
    }
    proxy = std::make_unique<MHostTestProxy>("cmm", ORVEX_EXAMPLES_DIR, channel, submachines);
    ASSERT_TRUE(proxy->get());
    session = std::make_unique<MHostSession>(*proxy->get(), "cmm", channel, std::vector<MHostSubmachine>{},
                                             std::vector<std::string>{}, out);
    session->RecordOn(timeline, proxy_track);
  }

  void RunScript(const std::string& path) {
    std::ifstream script(path);
    ASSERT_TRUE(script) << path;
    for (std::string line; std::getline(script, line);) {
      std::string error;
      ASSERT_TRUE(session->Run(line, error)) << line << ": " << error;
    }
  }

  MOutputChannel channel{0};
  MHostTimeline timeline{ticking_clock()};
  std::vector<std::unique_ptr<MSimMachine>> sims;
  std::vector<std::unique_ptr<MHostTimelineMachine>> decorators;
  std::unique_ptr<MHostTestProxy> proxy;
  std::ostringstream out;
  std::unique_ptr<MHostSession> session;
};

TEST_F(TimelineSessionTest, ScanSessionGivesWellFormedNestedSpansAndCountsEveryValue) {
  RunScript(ORVEX_SESSION_CASES "/scan.session");
  const Trace trace(timeline);
  EXPECT_EQ(trace.root["displayTimeUnit"].text, "ms");

  // What a viewer requires of every event, and one named thread per track.
  std::map<int, int> names_per_tid;
  for (const Json& event : trace.root["traceEvents"].items) {
    for (const char* field : {"name", "ph", "ts", "pid", "tid"}) EXPECT_EQ(event.members.count(field), 1u) << field;
    EXPECT_TRUE(event["ph"].text != "X" || event["dur"].number >= 0);
    EXPECT_TRUE(event["ph"].text != "i" || event["s"].text == "t");
    if (event["name"].text == "thread_name") ++names_per_tid[static_cast<int>(event["tid"].number)];
  }
  EXPECT_EQ(trace.track, (std::map<std::string, int>{{"cmm", 1}, {"gantry", 2}, {"table", 3}, {"sensor", 4}}));
  for (const auto& [tid, names] : names_per_tid) EXPECT_EQ(names, 1) << tid;

  // The session's commands with their outcomes; every sub-command inside one of them.
  std::vector<std::string> commands;
  const std::vector<const Json*> proxy_spans = trace.On("cmm", "X");
  for (const Json* span : proxy_spans) {
    commands.push_back((*span)["name"].text + " " + (*span)["args"]["outcome"].text);
    EXPECT_GT((*span)["args"]["polls"].number, 0) << (*span)["args"]["line"].text;
  }
  EXPECT_EQ(commands, (std::vector<std::string>{"scandata done", "scan done", "scanpoint done", "scan abort",
                                                "scandata done", "scan done"}));
  size_t subcommands = 0;
  for (const char* submachine : {"gantry", "table", "sensor"}) {
    const std::vector<const Json*> spans = trace.On(submachine, "X");
    subcommands += spans.size();
    std::vector<double> open_ends;  // spans of one thread must nest
    for (const Json* span : spans) {
      EXPECT_GT((*span)["args"]["polls"].number, 0) << submachine;
      bool inside = false;
      for (const Json* command : proxy_spans) {
        inside = inside || ((*command)["ts"].number <= (*span)["ts"].number && end_of(*span) <= end_of(*command));
      }
      EXPECT_TRUE(inside) << submachine << " " << (*span)["name"].text << " at " << (*span)["ts"].number;
      while (!open_ends.empty() && open_ends.back() <= (*span)["ts"].number) open_ends.pop_back();
      EXPECT_TRUE(open_ends.empty() || end_of(*span) <= open_ends.back()) << submachine;
      open_ends.push_back(end_of(*span));
    }
  }
  EXPECT_GE(subcommands, proxy_spans.size());

  // The proxy's counter adds up to the values the transcript shows; the submachines delivered too.
  size_t printed = 0;
  std::istringstream transcript(out.str());
  for (std::string line; std::getline(transcript, line);) {
    if (line.rfind("= data", 0) == 0) printed += static_cast<size_t>(std::count(line.begin(), line.end(), ' ')) - 1;
  }
  double counted = 0;
  for (const Json* sample : trace.On("cmm", "C")) counted += (*sample)["args"]["value"].number;
  EXPECT_EQ(counted, static_cast<double>(printed));
  EXPECT_GT(printed, 0u);
  EXPECT_FALSE(trace.On("gantry", "C").empty());
}

struct OutcomeCase {
  const char* line;
  std::function<void(MSimMachine&)> behave;
  const char* phase;    // of the event on the submachine's track
  const char* outcome;  // of the span, or the factory of a refusal
  int polls;
  const char* session_event;  // one of that phase on the session's track
};

// The decorator straight under a session: what its commands record for each way they end.
TEST(TimelineMachineTest, SubCommandsRecordHowTheyEnded) {
  const OutcomeCase cases[] = {
      {"move x=1", [](MSimMachine& sim) { sim.Command("MMachMoveCommand").DoneAfter(3); }, "X", "done", 3, "move"},
      {"move x=1", [](MSimMachine& sim) { sim.Command("MMachMoveCommand").DoneAfter(3).FailAtPoll(2, 42); }, "X",
       "error", 2, "move"},
      {"abort 3 scan x=1", [](MSimMachine& sim) { sim.Command("MMachScanCommand").Endless().AbortWithError(10); },
       "X", "abort", 4, "scan"},
      {"init x", [](MSimMachine& sim) { sim.Command("MMachInitCommand").RefuseWithError(18); }, "i",
       "NewMMachInitCommand", 0, "refused"},
  };
  for (const OutcomeCase& c : cases) {
    MOutputChannel channel(0);
    MSimMachine sim(&channel, nullptr, "bench", ".");
    sim.AddAxis("x").SupportAllCommands();
    c.behave(sim);
    MHostTimeline timeline(ticking_clock());
    const int session_track = timeline.AddTrack("session");
    MHostTimelineMachine machine(sim, timeline, timeline.AddTrack("bench"), "bench", ".");
    std::ostringstream out;
    MHostSession session(machine, "bench", channel, {}, {}, out);
    session.RecordOn(timeline, session_track);
    std::string error;
    ASSERT_TRUE(session.Run(c.line, error)) << c.line << ": " << error;
    const Trace trace(timeline);
    const std::vector<const Json*> events = trace.On("bench", c.phase);
    ASSERT_EQ(events.size(), 1u) << c.line << "\n" << out.str();
    const Json& args = (*events[0])["args"];
    EXPECT_EQ(c.polls == 0 ? args["factory"].text : args["outcome"].text, c.outcome) << c.line;
    EXPECT_EQ(args["polls"].number, c.polls) << c.line;
    std::vector<std::string> session_events;
    for (const Json* event : trace.On("session", c.phase)) session_events.push_back((*event)["name"].text);
    EXPECT_NE(std::find(session_events.begin(), session_events.end(), c.session_event), session_events.end())
        << c.line;
  }
}

// An operation the decorator does not override would answer the base class's default instead
// of the submachine's: every slot of its table must differ from that of a machine that overrides
// only the operations it must.
TEST(TimelineMachineTest, OverridesEveryOperationOfTheInterface) {
  const std::ptrdiff_t slots = MTestVtableSlot(&MMachAbstract::NewMMachWobbleCommand) + 1;
  ASSERT_EQ(slots, 148);
  MOutputChannel channel(0);
  MTestMachine bare(&channel);
  MHostTimeline timeline(ticking_clock());
  MHostTimelineMachine machine(bare, timeline, timeline.AddTrack("bare"), "bare", ".");
  const auto table = [](const MMachAbstract& object) {
    const void* const* entries = nullptr;
    std::memcpy(&entries, static_cast<const void*>(&object), sizeof entries);  // the table pointer
    return entries;
  };
  for (std::ptrdiff_t slot = 0; slot < slots; ++slot) {
    EXPECT_NE(table(machine)[slot], table(bare)[slot]) << "slot " << slot;
  }
}

}  // namespace
