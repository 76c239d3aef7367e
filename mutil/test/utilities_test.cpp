#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "merrcapture.h"
#include "msleep_sec.h"
#include "stl_utilities.h"

namespace {

TEST(ConfigValueTest, CommentIsCutByPriorityAndAllWhiteSpaceRemoved) {
  const struct {
    const char* input;
    const char* cut;    // after stl_string_cut_comment
    const char* clean;  // after stl_string_clean
  } cases[] = {{" ab c ; comment", " ab c ", "abc"}, {"x // y ; z", "x ", "x"}, {"a/*b*/c", "a", "a"},
               {"a;b//c", "a;b", "a;b"}, {"a;b/*c", "a;b", "a;b"}, {"p/q", "p/q", "p/q"},
               {"\t m\r\n1\v\f", "\t m\r\n1\v\f", "m1"}, {"", "", ""}, {";all comment", "", ""}};
  for (const auto& c : cases) {
    std::string cut = c.input;
    stl_string_cut_comment(cut);
    EXPECT_EQ(cut, c.cut) << "input: '" << c.input << "'";
    std::string clean = c.input;
    stl_string_clean(clean);
    EXPECT_EQ(clean, c.clean) << "input: '" << c.input << "'";
  }
}

TEST(ConfigWordsTest, TrimKeepsInnerBlanksAndSplitSkipsEmptyWords) {
  EXPECT_EQ(stl_string_trim(" \t a b\t "), "a b");
  EXPECT_EQ(stl_string_trim(" \t "), "");
  EXPECT_THAT(stl_string_split_words(",a, b\t,,c "), ::testing::ElementsAre("a", "b", "c"));
  EXPECT_THAT(stl_string_split_words("1 2,3 4", ","), ::testing::ElementsAre("1 2", "3 4"));
  EXPECT_THAT(stl_string_split_words(" ,\t"), ::testing::IsEmpty());
}

// The local buffer holds 1023 characters; longer results take the second pass. Results of 5,
// 1022, 1023, 1024 and 1025 characters, and one far beyond.
TEST(StlStringPrintfTest, DeliversTheWholeTextAndItsLength) {
  for (const size_t size : {0u, 1017u, 1018u, 1019u, 1020u, 70000u}) {
    const std::string body(size, 'b');
    std::string out = "previous contents";
    const int length = stl_string_printf(out, "<%s|%d>", body.c_str(), 42);
    EXPECT_EQ(out, "<" + body + "|42>");
    EXPECT_EQ(length, static_cast<int>(out.size())) << size;
  }
}

TEST(MSleepSecTest, OutOfRangeIsRefusedWithATraceEntry) {
  const std::pair<double, int> cases[] = {{0.0, 0}, {0.0009, 0}, {-0.001, -1}, {2678400.5, -1}, {std::nan(""), -1}};
  for (const auto& [seconds, result] : cases) {
    MErrCapture capture;
    EXPECT_EQ(msleep_sec(seconds), result) << "seconds: " << seconds;
    EXPECT_EQ(capture.ContextTexts(),
              result == 0 ? std::vector<std::string>{} : std::vector<std::string>{"msleep_sec(): invalid argument"});
  }
}

TEST(MSleepSecTest, SleepsAtLeastTheTruncatedMilliseconds) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(msleep_sec(0.0209), 0);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(20));
}

}  // namespace
