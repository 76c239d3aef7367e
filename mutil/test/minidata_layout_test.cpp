#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "minidata.h"
#include "mtesttempdir.h"

using ::testing::ElementsAre;

namespace {

void write_file(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// "k0042"
std::string numbered(char letter, int number) {
  char text[16];
  std::snprintf(text, sizeof text, "%c%04d", letter, number);
  return text;
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Lines of one length, shifted by a leading comment, put every byte of a line (the CR and the LF
// of a CR LF included) once onto the end of the reader's first 8192-byte block; the second block
// is full, so a line left pointing into the first is overwritten.
class MIniDataBlockTest : public ::testing::TestWithParam<std::tuple<const char*, int>> {};

TEST_P(MIniDataBlockTest, LinesAcrossBlockEndsReadWhole) {
  const std::string line_end = std::get<0>(GetParam());
  const int shift = std::get<1>(GetParam());
  const std::string comment = std::string(";").append(static_cast<size_t>(shift), 'c');
  std::string content = comment + line_end;
  std::string saved = comment + "\r\n";
  for (int i = 0; i < 2000; ++i) {
    // The sections come in reverse order, so that saving sorts them.
    if (i % 100 == 0) {
      content.append("[").append(numbered('s', 19 - i / 100)).append("]");
    } else {
      content.append(numbered('k', i)).append("=").append(numbered('v', i));
    }
    content += line_end;
  }
  MTestTempDir dir;
  const std::string path = dir.File("blocks.ini");
  write_file(path, content);
  MIniData ini(path);
  ASSERT_TRUE(ini.IsOpened());
  std::vector<std::string> sections;
  ini.GetSectionNames(sections);
  ASSERT_EQ(sections.size(), 20u);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(sections[static_cast<size_t>(i)], numbered('s', i));
  for (int i = 0; i < 2000; ++i) {
    if (i % 100 == 0) continue;
    std::string value = "none";
    EXPECT_TRUE(ini.GetStringEntry(numbered('s', 19 - i / 100), numbered('k', i), value)) << i;
    EXPECT_EQ(value, numbered('v', i));
  }
  ASSERT_TRUE(ini.Save());
  for (int section = 19; section >= 0; --section) {
    saved.append("[").append(numbered('s', 19 - section)).append("]\r\n");
    for (int i = section * 100 + 1; i < section * 100 + 100; ++i) {
      saved += numbered('k', i) + "=" + numbered('v', i) + "\r\n";
    }
  }
  EXPECT_EQ(read_file(path), saved);
}

INSTANTIATE_TEST_SUITE_P(LineEnds, MIniDataBlockTest,
                         ::testing::Combine(::testing::Values("\r\n", "\n", "\r"), ::testing::Range(0, 13)));

TEST(MIniDataReuseTest, ReopenAndRepeatedChangesKeepOnlyTheNewText) {
  MTestTempDir dir;
  write_file(dir.File("a.ini"), "; a\n[a]\nx=1\n");
  write_file(dir.File("b.ini"), "[b]\ny = 2\n");
  MIniData ini(dir.File("a.ini"));
  ASSERT_TRUE(ini.Open(dir.File("b.ini")));
  EXPECT_FALSE(ini.SectionExists("a"));
  for (const char* value : {"1", "a much longer value than the first", "", "3"}) {
    ASSERT_TRUE(ini.SetStringEntry("b", "y", value));
    ASSERT_TRUE(ini.SetStringEntry("b", "z ", value));
  }
  std::vector<std::string> entries;
  ini.GetEntryNames("b", entries);
  EXPECT_THAT(entries, ElementsAre("y", "z"));
  ASSERT_TRUE(ini.Save());
  EXPECT_EQ(read_file(dir.File("b.ini")), "[b]\r\ny =3\r\nz=3\r\n");
}

}  // namespace
