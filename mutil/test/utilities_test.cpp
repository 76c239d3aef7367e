#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>
#include <vector>

#include "merrcapture.h"
#include "msleep_sec.h"
#include "stl_utilities.h"

namespace {

struct CleanCase {
  const char* input;
  const char* cut;    // after stl_string_cut_comment
  const char* clean;  // after stl_string_clean
};

class ConfigValueTest : public ::testing::TestWithParam<CleanCase> {};

TEST_P(ConfigValueTest, CommentIsCutByPriorityAndAllWhiteSpaceRemoved) {
  std::string cut = GetParam().input;
  stl_string_cut_comment(cut);
  EXPECT_EQ(cut, GetParam().cut) << "input: '" << GetParam().input << "'";
  std::string clean = GetParam().input;
  stl_string_clean(clean);
  EXPECT_EQ(clean, GetParam().clean) << "input: '" << GetParam().input << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Table, ConfigValueTest,
    ::testing::Values(CleanCase{" ab c ; comment", " ab c ", "abc"}, CleanCase{"x // y ; z", "x ", "x"},
                      CleanCase{"a/*b*/c", "a", "a"}, CleanCase{"a;b//c", "a;b", "a;b"},
                      CleanCase{"a;b/*c", "a;b", "a;b"}, CleanCase{"p/q", "p/q", "p/q"},
                      CleanCase{"\t m\r\n1\v\f", "\t m\r\n1\v\f", "m1"}, CleanCase{"", "", ""},
                      CleanCase{";all comment", "", ""}));

TEST(ConfigWordsTest, TrimKeepsInnerBlanksAndSplitSkipsEmptyWords) {
  EXPECT_EQ(stl_string_trim(" \t a b\t "), "a b");
  EXPECT_EQ(stl_string_trim(" \t "), "");
  EXPECT_THAT(stl_string_split_words(",a, b\t,,c "), ::testing::ElementsAre("a", "b", "c"));
  EXPECT_THAT(stl_string_split_words("1 2,3 4", ","), ::testing::ElementsAre("1 2", "3 4"));
  EXPECT_THAT(stl_string_split_words(" ,\t"), ::testing::IsEmpty());
}

class StlStringPrintfLengthTest : public ::testing::TestWithParam<size_t> {};

// The local buffer holds 1023 characters; longer results take the second pass.
TEST_P(StlStringPrintfLengthTest, DeliversTheWholeTextAndItsLength) {
  const std::string body(GetParam(), 'b');
  std::string out = "previous contents";
  const int length = stl_string_printf(out, "<%s|%d>", body.c_str(), 42);
  EXPECT_EQ(out, "<" + body + "|42>");
  EXPECT_EQ(length, static_cast<int>(out.size()));
}

// Results of 5, 1022, 1023, 1024 and 1025 characters, and one far beyond.
INSTANTIATE_TEST_SUITE_P(Boundary, StlStringPrintfLengthTest,
                         ::testing::Values(0u, 1017u, 1018u, 1019u, 1020u, 70000u));

struct SleepCase {
  double seconds;
  int result;
};

class MSleepSecTest : public ::testing::TestWithParam<SleepCase> {};

TEST_P(MSleepSecTest, OutOfRangeIsRefusedWithATraceEntry) {
  MErrCapture capture;
  EXPECT_EQ(msleep_sec(GetParam().seconds), GetParam().result) << "seconds: " << GetParam().seconds;
  const std::vector<std::string> expected{"msleep_sec(): invalid argument"};
  EXPECT_EQ(capture.ContextTexts(), GetParam().result == 0 ? std::vector<std::string>{} : expected);
}

INSTANTIATE_TEST_SUITE_P(Range, MSleepSecTest,
                         ::testing::Values(SleepCase{0.0, 0}, SleepCase{0.0009, 0}, SleepCase{-0.001, -1},
                                           SleepCase{2678400.5, -1}, SleepCase{std::nan(""), -1}));

TEST(MSleepSecTest, SleepsAtLeastTheTruncatedMilliseconds) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(msleep_sec(0.0209), 0);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(20));
}

}  // namespace
