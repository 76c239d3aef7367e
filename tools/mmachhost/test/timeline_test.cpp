#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "mhostplatform.h"
#include "mhostsession.h"
#include "mhosttimeline.h"
#include "mhosttimelinemachine.h"
#include "moutputchannel.h"
#include "msimmachine.h"
#include "mvtableslot.h"
#include "orvexplugin.h"

namespace {

// --- a small JSON reader, strict enough to reject what a trace viewer would reject ---

struct Json {
  std::string text;  // strings
  double number = 0;
  std::map<std::string, Json> members;
  std::vector<Json> items;
  bool is_string = false;

  bool Has(const std::string& key) const { return members.count(key) != 0; }
  const Json& operator[](const std::string& key) const {
    static const Json kMissing;
    const auto found = members.find(key);
    return found == members.end() ? kMissing : found->second;
  }
};

class JsonReader {
 public:
  explicit JsonReader(const std::string& text) : text_(text) {}

  // False when `text` is not one JSON value.
  bool Read(Json& out) {
    const bool good = value(out) && (skip(), at_ == text_.size());
    return good;
  }

 private:
  void skip() {
    while (at_ < text_.size() && std::string(" \t\r\n").find(text_[at_]) != std::string::npos) ++at_;
  }
  bool eat(char c) {
    skip();
    if (at_ >= text_.size() || text_[at_] != c) return false;
    ++at_;
    return true;
  }
  bool string(std::string& out) {
    if (!eat('"')) return false;
    while (at_ < text_.size() && text_[at_] != '"') {
      const unsigned char c = static_cast<unsigned char>(text_[at_++]);
      if (c < 0x20) return false;
      if (c != '\\') {
        out += static_cast<char>(c);
        continue;
      }
      if (at_ >= text_.size()) return false;
      const char e = text_[at_++];
      const std::string simple = "\"\\/bfnrt";
      if (simple.find(e) != std::string::npos) {
        out += std::string("\"\\/\b\f\n\r\t")[simple.find(e)];
      } else if (e == 'u' && at_ + 4 <= text_.size()) {
        out += static_cast<char>(std::stoi(text_.substr(at_, 4), nullptr, 16));  // enough for \u00XX
        at_ += 4;
      } else {
        return false;
      }
    }
    return eat('"');
  }
  bool value(Json& out) {
    skip();
    if (at_ >= text_.size()) return false;
    if (text_[at_] == '"') {
      out.is_string = true;
      return string(out.text);
    }
    if (eat('{')) {
      if (eat('}')) return true;
      do {
        std::string key;
        if (!string(key) || !eat(':') || !value(out.members[key])) return false;
      } while (eat(','));
      return eat('}');
    }
    if (eat('[')) {
      if (eat(']')) return true;
      do {
        out.items.emplace_back();
        if (!value(out.items.back())) return false;
      } while (eat(','));
      return eat(']');
    }
    size_t used = 0;
    try {
      out.number = std::stod(text_.substr(at_, 32), &used);
    } catch (...) {
      return false;
    }
    at_ += used;
    return true;
  }

  const std::string& text_;
  size_t at_ = 0;
};

Json parse(const std::string& text) {
  Json json;
  EXPECT_TRUE(JsonReader(text).Read(json)) << text;
  return json;
}

// A clock that advances one microsecond at every reading.
MHostTimeline::Clock ticking_clock() {
  return [ticks = int64_t{0}]() mutable { return ticks += 1000; };
}

// --- the writer ---

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
    EXPECT_TRUE(parse(MHostTimeline_Quote(c.text)).is_string) << c.text;
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
    std::ostringstream out;
    timeline.Write(out);
    const Json trace = parse(out.str());
    std::map<std::string, int> tid_of;
    std::map<int, std::string> thread_names;
    for (const Json& event : trace["traceEvents"].items) {
      if (event["ph"].text == "X") tid_of[event["name"].text] = static_cast<int>(event["tid"].number);
      if (event["name"].text == "thread_name") thread_names[static_cast<int>(event["tid"].number)] = event["args"]["name"].text;
    }
    for (size_t i = 0; i < c.tids.size(); ++i) {
      EXPECT_EQ(tid_of[span_name(i)], c.tids[i]) << c.what << ", span " << i;
      std::string thread = "sub";
      if (c.tids[i] != 1) thread.append(" (").append(std::to_string(c.tids[i])).append(")");
      EXPECT_EQ(thread_names[c.tids[i]], thread) << c.what;
    }
  }
}

// --- sessions with a timeline ---

// The events of a written trace by what the tests look at.
struct Trace {
  explicit Trace(const MHostTimeline& timeline) {
    std::ostringstream out;
    timeline.Write(out);
    root = parse(out.str());
    for (const Json& event : root["traceEvents"].items) {
      if (event["name"].text == "thread_name") track[event["args"]["name"].text] = static_cast<int>(event["tid"].number);
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

double end_of(const Json& span) { return span["ts"].number + span["dur"].number; }

// The demo instrument as the host builds it with --timeline: the proxy plug-in over recording
// decorators of the three simulated submachines, described by the example ini files.
class TimelineSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(library.Load(ORVEX_PROXY_PLUGIN, error)) << error;
    const auto new_machine = library.Find<NewMMachAbstractFunction>(kNewMMachAbstractName);
    ASSERT_TRUE(new_machine);
    const int proxy_track = timeline.AddTrack("cmm");
    std::vector<MMachAbstract*> submachines;
    for (const char* name : {"gantry", "table", "sensor"}) {
      sims.push_back(std::make_unique<MSimMachine>(&channel, nullptr, name, ORVEX_EXAMPLES_DIR));
      ASSERT_TRUE(sims.back()->LoadDescription(std::string(ORVEX_EXAMPLES_DIR "/") + name + ".ini")) << name;
      decorators.push_back(std::make_unique<MHostTimelineMachine>(*sims.back(), timeline, timeline.AddTrack(name),
                                                                  name, ORVEX_EXAMPLES_DIR));
      submachines.push_back(decorators.back().get());
    }
    proxy.reset(new_machine("cmm", ORVEX_EXAMPLES_DIR, &channel, nullptr, submachines));
    ASSERT_TRUE(proxy && proxy->Open());
    session = std::make_unique<MHostSession>(*proxy, "cmm", channel, std::vector<MHostSubmachine>{},
                                             std::vector<std::string>{}, out);
    session->RecordOn(timeline, proxy_track);
  }
  void TearDown() override {
    if (proxy) proxy->Close();
    proxy.reset();
    std::string rest;
    channel.Take(rest, true);
  }

  void RunScript(const std::string& path) {
    std::ifstream script(path);
    ASSERT_TRUE(script) << path;
    for (std::string line; std::getline(script, line);) {
      std::string error;
      ASSERT_TRUE(session->Run(line, error)) << line << ": " << error;
    }
  }

  MHostLibrary library;  // unloaded after the proxy
  MOutputChannel channel{0};
  MHostTimeline timeline{ticking_clock()};
  std::vector<std::unique_ptr<MSimMachine>> sims;
  std::vector<std::unique_ptr<MHostTimelineMachine>> decorators;
  std::unique_ptr<MMachAbstract> proxy;
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
    for (const char* field : {"name", "ph", "ts", "pid", "tid"}) EXPECT_TRUE(event.Has(field)) << field;
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

// A machine that overrides only the operations it must: every other slot of its table holds
// the base class's operation.
class BareMachine final : public MMachAbstract {
 public:
  explicit BareMachine(MOutputChannel* channel) : MMachAbstract(channel, nullptr, "bare", ".") {}
  bool Open() override { return true; }
  void Close() override {}
  void Poll() override {}
  const char* GetMachineName() override { return "bare"; }
  const char* GetMachineVersion() override { return ""; }
  const char* GetMachineDescription() override { return ""; }
  const MMachAxisInfo* GetAxisInfo(const std::string&) override { return nullptr; }
  const MMachAxisInfo* GetFirstAxisInfo() override { return nullptr; }
  const MMachAxisInfo* GetNextAxisInfo() override { return nullptr; }
  double GetAxisValue(const char*) override { return 0; }
  bool IsReady() override { return true; }
};

// An operation the decorator does not override would answer the base class's default instead
// of the submachine's: every slot of its table must differ from the bare machine's.
TEST(TimelineMachineTest, OverridesEveryOperationOfTheInterface) {
  const std::ptrdiff_t slots = MTestVtableSlot(&MMachAbstract::NewMMachWobbleCommand) + 1;
  ASSERT_EQ(slots, 148);
  MOutputChannel channel(0);
  BareMachine bare(&channel);
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
