#include "moutputchannel.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "merrcapture.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

std::string take_all(MOutputChannel& channel) {
  std::string text;
  channel.Take(text, true);
  return text;
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// clang-format off
TEST(NumberFormatTest, ValueIsWrittenWithLeadingBlank) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
    {0.0, " 0"}, {-0.0, " 0"}, {1.5, " 1.5"}, {-2.0, " -2"},
    {0.1234567, " 0.123457"}, {0.9999994, " 0.999999"}, {0.9999995, " 1"},
    {5e-7, " 0.000001"}, {4.9999e-7, " 0"}, {-1e-9, " -0"},
    {2147483647.0, " 2147483647"}, {2147483647.4, " 2147483647.4"},
    {2147483648.0, " 2147483648"}, {-2147483648.0, " -2147483648"},
    {-2147483648.5, " -2147483648.5"}, {99999999999.5, " 99999999999.5"},
    {1e11, " 100000000000"}, {123456789012.345, " 123456789012.345"},
    {1e20, " 1e+20"}, {kNaN, " nan"}, {-kNaN, " nan"}, {kInf, " inf"},
    {-kInf, " -inf"}};
  for (const auto& c : cases) {
    MOutputChannel channel(1);
    channel.Data(std::vector<double>{c.value});
    EXPECT_EQ(take_all(channel), std::string("0001\tdata") + c.text + "\r\n") << std::hexfloat << c.value;
  }
}

struct LineCase {
  uint32_t number;
  void (*write)(MOutputChannel&);
  const char* text;
  bool has_error;
};

TEST(OutputChannelTest, LinesCarryPrefixAndSetTheErrorFlag) {
  const LineCase cases[] = {
      {7, [](MOutputChannel& c) { c.Error(5u); }, "0007\terror \"unknown axis\"\r\n", true},
      {12345, [](MOutputChannel& c) { c.Error(31u); },
       "12345\terror \"can't delete active probe\"\r\n", true},
      {1, [](MOutputChannel& c) { c.Error(99u); },
       "0001\terror \"unknown error number 99\"\r\n", true},
      {1, [](MOutputChannel& c) { c.ErrorFormat("prefix missing for submachine %zu", size_t{3}); },
       "0001\terror \"prefix missing for submachine 3\"\r\n", true},
      {1, [](MOutputChannel& c) { c.Warning(10003u); },
       "0001\twarning \"ambiguous tip, using first\"\r\n", false},
      {1, [](MOutputChannel& c) { c.Warning(3u); },
       "0001\twarning \"unknown warning number 3\"\r\n", false},
      {7, [](MOutputChannel& c) { c.Event(96); }, "0000\tevent \"start/stop\"\r\n", false},
      {7, [](MOutputChannel& c) { c.Data(std::vector<double>{}); }, "0007\tdata\r\n", false},
      {7, [](MOutputChannel& c) { c.Data(std::vector<double>{1.5, -2, 0}); },
       "0007\tdata 1.5 -2 0\r\n", false},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.text);
    MOutputChannel channel(c.number);
    c.write(channel);
    EXPECT_EQ(channel.HasError(), c.has_error);
    EXPECT_EQ(take_all(channel), c.text);
  }
}
// clang-format on

// The prefix is what printf's "%.4d" makes of the number taken as a signed int, at every width
// and across the sign boundary; the number reads back from it.
TEST(OutputChannelTest, PrefixPadsToFourDigitsAndReadsBack) {
  const uint32_t numbers[] = {0u, 7u, 9u, 10u, 999u, 1000u, 9999u, 10000u, 123456u, 2147483647u,
                              2147483648u, 2147483649u, 4294967295u};
  for (const uint32_t number : numbers) {
    char expected[24];
    std::snprintf(expected, sizeof expected, "%.4d\tdata\r\n", static_cast<int>(number));
    MOutputChannel channel(number);
    channel.Data(std::vector<double>{});
    EXPECT_EQ(take_all(channel), expected) << number;
    EXPECT_EQ(channel.GetNumber(), static_cast<int>(number)) << number;
  }
}

TEST(OutputChannelTest, TablesDefineTheirCodes) {
  int errors = 0, warnings = 0, events = 0;
  for (int code = -5; code <= 10100; ++code) {
    MOutputChannel channel(1);
    channel.Error(static_cast<uint32_t>(code));
    channel.Warning(static_cast<uint32_t>(code));
    channel.Event(code);
    const std::string text = take_all(channel);
    errors += text.find("unknown error number") == std::string::npos;
    warnings += text.find("unknown warning number") == std::string::npos;
    events += text.find("unknown event number") == std::string::npos;
  }
  EXPECT_EQ(errors, 50);
  EXPECT_EQ(warnings, 5);
  EXPECT_EQ(events, 93);

  MOutputChannel channel(2);
  channel.Error(48u);
  for (int32_t code : {62, 69, 85, 88, 95}) channel.Event(code);
  EXPECT_EQ(take_all(channel),
            "0002\terror \"can't access shared memory\"\r\n"
            "0000\tevent \"spectrel: there is data to read from application\"\r\n"
            "0000\tevent \"keypad: key-disable\"\r\n0000\tevent \"keypad: key-dmc\"\r\n"
            "0000\tevent \"keypad: key-enable x1\"\r\n"
            "0000\tevent \"keypad: key-disable y/hb\"\r\n");
}

TEST(OutputChannelTest, DeferredEventsAreWrittenOnceAtTheEnd) {
  MOutputChannel channel(3);
  channel.Event(8);
  channel.Event(1);
  channel.Event(std::string("capabilities changed"));
  EXPECT_TRUE(channel.IsEmpty());
  EXPECT_TRUE(channel.HasEvent(1) && channel.HasEvent(8));

  std::string text = "old";
  EXPECT_FALSE(channel.Take(text, false));  // pending events stay pending
  EXPECT_EQ(text, "");
  EXPECT_FALSE(channel.HasAnyEvent());

  channel.Error(2u);
  const std::string expected =
      "0003\terror \"missing argument\"\r\n0000\tevent \"capabilities changed\"\r\n"
      "0000\tevent \"machine changed\"\r\n";
  EXPECT_EQ(channel.Peek(text), expected);
  EXPECT_EQ(channel.Peek(text), expected);  // Peek consumes nothing
  EXPECT_TRUE(channel.Take(text, true));
  EXPECT_EQ(text, expected);
  EXPECT_FALSE(channel.Take(text, true));
  EXPECT_TRUE(channel.HasError());  // Take keeps the error flag
}

struct EventCase {
  void (*raise)(MOutputChannel&);
  const char* line;
  int bit;            // the bit that must be set; 97 stands for "outside the table"
  const char* trace;  // the expected trace line, or null
};

// clang-format off
TEST(OutputChannelTest, EventsWriteTheirLineSetTheirBitAndTraceUnknownCodes) {
  const EventCase cases[] = {
      {[](MOutputChannel& c) { c.Event(std::string("door open")); },
       "0000\tevent \"door open\"\r\n", 63, nullptr},
      {[](MOutputChannel& c) { c.Event(std::string("Door open")); },
       "0000\tevent \"Door open\"\r\n", 97,
       "set_event_bit(): unknown event: 97"},
      {[](MOutputChannel& c) { c.Event(std::string("unknown event number 86")); },
       "0000\tevent \"unknown event number 86\"\r\n", 86, nullptr},
      {[](MOutputChannel& c) { c.Event(68); },
       "0000\tevent \"unknown event number 68\"\r\n", 68, nullptr},
      {[](MOutputChannel& c) { c.Event(200); }, "0000\tevent \"unknown event number 200\"\r\n", 97,
       "set_event_bit(): unknown event: 200"},
      {[](MOutputChannel& c) { c.Event(-1); }, "0000\tevent \"unknown event number -1\"\r\n", 97,
       "set_event_bit(): unknown event: -1"},
  };
  for (const EventCase& c : cases) {
    SCOPED_TRACE(c.line);
    MErrCapture capture(4);
    MOutputChannel channel(7);
    c.raise(channel);
    EXPECT_TRUE(channel.HasAnyEvent());
    for (uint32_t bit : {0u, 1u, 63u, 64u, 68u, 86u, 96u, 97u}) {
      EXPECT_EQ(channel.HasEvent(bit), static_cast<int>(bit) == c.bit && bit != 97) << bit;
    }
    if (c.trace) {
      EXPECT_THAT(capture.TraceLines(), ElementsAre(c.trace));
    } else {
      EXPECT_THAT(capture.TraceLines(), IsEmpty());
    }
    EXPECT_EQ(take_all(channel), c.line);
  }
}
// clang-format on

// Both words of event bits and both kinds of pending event travel with the text.
TEST(OutputChannelTest, MoveToAppendsEverythingAndClearsTheSource) {
  MOutputChannel target(1);
  MOutputChannel source(2);
  target.Data(std::string("t"));
  source.Error(10u);
  for (int32_t code : {5, 68, 1, 8}) source.Event(code);
  source.SetMarked();

  source.MoveTo(target);
  EXPECT_TRUE(source.IsEmpty());
  EXPECT_FALSE(source.HasError() || source.HasAnyEvent());
  EXPECT_TRUE(source.IsMarked());   // Clear keeps the mark
  EXPECT_EQ(take_all(source), "");  // no pending event is left behind either

  EXPECT_TRUE(target.HasError() && target.IsMarked());
  EXPECT_TRUE(target.HasEvent(5) && target.HasEvent(68) && target.HasEvent(1) && target.HasEvent(8));
  EXPECT_EQ(take_all(target),
            "0001\tdata t\r\n0002\terror \"aborted\"\r\n0000\tevent \"probesystem changed\"\r\n"
            "0000\tevent \"unknown event number 68\"\r\n0000\tevent \"capabilities changed\"\r\n"
            "0000\tevent \"machine changed\"\r\n");
}

TEST(OutputChannelTest, DestructorReportsTextLeftOver) {
  MErrCapture capture;
  {
    MOutputChannel taken(4);
    taken.Error(1u);
    take_all(taken);
  }
  EXPECT_THAT(capture.LogTexts(), IsEmpty());
  { MOutputChannel(4).Event(8); }
  EXPECT_THAT(capture.LogTexts(),
              ElementsAre("~MOutputChannel(): Not all entries cleared for 0004\t!",
                          "~MOutputChannel(): \"0000\tevent \"machine changed\"\r\n\""));
}

}  // namespace
