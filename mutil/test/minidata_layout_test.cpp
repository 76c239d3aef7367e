#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "minidata.h"
#include "mtesttempdir.h"

using ::testing::ElementsAre;

namespace {

// "k0042"
std::string numbered(char letter, int number) {
  char text[16];
  std::snprintf(text, sizeof text, "%c%04d", letter, number);
  return text;
}

// 50 sections of a header and 19 entries, then 10 of a header and 99 entries.
constexpr int kLines = 2000;
constexpr int kSections = 60;
int group_of(int line) { return line < 1000 ? line / 20 : 50 + (line - 1000) / 100; }
bool is_header(int line) { return line == 0 || group_of(line) != group_of(line - 1); }

// Lines of one length, shifted by a leading comment, put every byte of a line (the CR and the LF
// of a CR LF included) once onto the end of the reader's first 8192-byte block; the second block
// is full, so a line left pointing into the first is overwritten. The sections grow the section
// table and the entry tables several times, colliding on the way.
class MIniDataBlockTest : public ::testing::TestWithParam<std::tuple<const char*, int>> {};

TEST_P(MIniDataBlockTest, LinesAcrossBlockEndsReadWhole) {
  const std::string line_end = std::get<0>(GetParam());
  const std::string comment = std::string(";").append(static_cast<size_t>(std::get<1>(GetParam())), 'c');
  std::string content = comment + line_end;
  // The sections come in reverse order, so that saving sorts them.
  const auto section_of = [](int line) { return numbered('s', kSections - 1 - group_of(line)); };
  for (int i = 0; i < kLines; ++i) {
    content += is_header(i) ? std::string("[").append(section_of(i)).append("]") : numbered('k', i) + "=" + numbered('v', i);
    content += line_end;
  }
  MTestTempDir dir;
  MIniData ini(dir.Write("blocks.ini", content));
  ASSERT_TRUE(ini.IsOpened());
  std::vector<std::string> sections;
  ini.GetSectionNames(sections);
  ASSERT_EQ(sections.size(), static_cast<size_t>(kSections));
  for (int i = 0; i < kSections; ++i) EXPECT_EQ(sections[static_cast<size_t>(i)], numbered('s', i));
  for (int i = 0; i < kLines; ++i) {
    if (is_header(i)) continue;
    std::string value = "none";
    EXPECT_TRUE(ini.GetStringEntry(section_of(i), numbered('k', i), value)) << i;
    EXPECT_EQ(value, numbered('v', i));
  }
  ASSERT_TRUE(ini.Save());
  std::string saved = comment + "\r\n";
  for (int group = kSections - 1; group >= 0; --group) {
    for (int i = 0; i < kLines; ++i) {
      if (group_of(i) != group) continue;
      saved += is_header(i) ? std::string("[").append(section_of(i)).append("]\r\n")
                            : numbered('k', i) + "=" + numbered('v', i) + "\r\n";
    }
  }
  EXPECT_EQ(dir.Read("blocks.ini"), saved);
}

INSTANTIATE_TEST_SUITE_P(LineEnds, MIniDataBlockTest,
                         ::testing::Combine(::testing::Values("\r\n", "\n", "\r"), ::testing::Range(0, 13)));

TEST(MIniDataReuseTest, ReopenAndRepeatedChangesKeepOnlyTheNewText) {
  MTestTempDir dir;
  MIniData ini(dir.Write("a.ini", "; a\n[a]\nx=1\n"));
  ASSERT_TRUE(ini.Open(dir.Write("b.ini", "[b]\ny = 2\n")));
  EXPECT_FALSE(ini.SectionExists("a"));
  for (const char* value : {"1", "a much longer value than the first", "", "3"}) {
    ASSERT_TRUE(ini.SetStringEntry("b", "y", value));
    ASSERT_TRUE(ini.SetStringEntry("b", "z ", value));
  }
  std::vector<std::string> entries;
  ini.GetEntryNames("b", entries);
  EXPECT_THAT(entries, ElementsAre("y", "z"));
  ASSERT_TRUE(ini.Save());
  EXPECT_EQ(dir.Read("b.ini"), "[b]\r\ny =3\r\nz=3\r\n");
}

}  // namespace
