#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "merrcapture.h"
#include "minidata.h"
#include "mtesttempdir.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

std::vector<std::string> section_names(const MIniData& ini) {
  std::vector<std::string> names{"stale"};
  ini.GetSectionNames(names);
  return names;
}

class MIniDataTest : public ::testing::Test {
 protected:
  std::string File(const std::string& content) { return dir_.Write("test.ini", content); }
  MTestTempDir dir_;
};

TEST_F(MIniDataTest, SaveWritesHeaderLinesThenSortedSectionsWithCrLf) {
  const std::string path = File("\xEF\xBB\xBF# head\n\n \t\r[b]\r\nkey = 5 \r\n; note\n[\xE4]\n[A] trailing text\rx=1\n\n[a]\n[Z]");
  MIniData ini(path);
  ASSERT_TRUE(ini.IsOpened());
  std::string value;
  EXPECT_TRUE(ini.GetStringEntry("b", "key  ", value));
  EXPECT_FALSE(ini.GetStringEntry("b", "other", value) || ini.GetStringEntry("c", "key", value));
  EXPECT_EQ(value, " 5 ");
  ASSERT_TRUE(ini.Save());
  // The UTF-8 mark and empty lines are dropped, blank-only lines kept; every line ends with CR LF.
  EXPECT_EQ(dir_.Read("test.ini"),
            "# head\r\n \t\r\n[A] trailing text\r\nx=1\r\n[Z]\r\n[a]\r\n[b]\r\nkey = 5 \r\n; note\r\n[\xE4]\r\n");
  const MIniData reopened(path);
  EXPECT_THAT(section_names(reopened), ElementsAre("A", "Z", "a", "b", "\xE4"));
}

TEST_F(MIniDataTest, MissingFileOpensEmptyAndSaveCreatesIt) {
  const std::string path = dir_.File("test.ini");
  MIniData ini;
  EXPECT_FALSE(ini.Reload());  // nothing opened yet
  ASSERT_TRUE(ini.Open(path));
  EXPECT_THAT(section_names(ini), IsEmpty());
  ASSERT_TRUE(ini.Save());
  EXPECT_EQ(dir_.Read("test.ini"), "");
  File("[c]\ny=2\n");
  ASSERT_TRUE(ini.Reload());
  EXPECT_TRUE(ini.SectionExists("c"));
}

TEST_F(MIniDataTest, SetEntryReplacesValueOrAppendsAtEndOfSection) {
  const std::string path = File("[s]\ncount = 3\n; c\n[u]\ny=1\n");
  MIniData ini(path);
  EXPECT_TRUE(ini.SetLongEntry("s", "count ", 7));
  EXPECT_TRUE(ini.SetLongEntry("s", "new  ", -2147483647 - 1));
  EXPECT_TRUE(ini.SetStringEntry("u", "y", " a b "));
  EXPECT_TRUE(ini.SetLongEntry("t", "n", 1));
  ASSERT_TRUE(ini.Save());
  EXPECT_EQ(dir_.Read("test.ini"), "[s]\r\ncount =7\r\n; c\r\nnew=-2147483648\r\n[t]\r\nn=1\r\n[u]\r\ny= a b \r\n");
  int32_t value = 0;
  EXPECT_TRUE(MIniData(path).GetLongEntry("s", "new", value));
  EXPECT_EQ(value, -2147483647 - 1);
}

// Names are hashed eight bytes at a time: every length up to two steps and a rest is found (the
// empty section name too), in a file whose first bytes resemble a byte-order mark in one byte only.
TEST_F(MIniDataTest, NamesOfEveryLengthAreFound) {
  std::string content = "#\xFF not a mark\n";
  for (int n = 0; n <= 17; ++n) {
    const size_t length = static_cast<size_t>(n);
    content.append("[").append(length, 's').append("]\n").append(length + 1, 'k').append("=") += std::to_string(n) + "\n";
  }
  MIniData ini(File(content));
  ASSERT_TRUE(ini.IsOpened());
  for (int n = 0; n <= 17; ++n) {
    int32_t value = -1;
    EXPECT_TRUE(ini.GetLongEntry(std::string(n, 's'), std::string(n + 1, 'k'), value) && value == n) << n;
  }
}

TEST_F(MIniDataTest, LinesKeepTheirNumberInTheFile) {
  MIniData ini(File("; head\r\n\r\n[a]\rx=1\n\n  y = 2\n[b]\nz=3"));
  ini.SetLongEntry("b", "new", 1);
  ini.SetLongEntry("c", "new", 1);
  EXPECT_EQ(ini.GetLineNumber("a"), 3u);
  EXPECT_EQ(ini.GetLineNumber("a", "x"), 4u);
  EXPECT_EQ(ini.GetLineNumber("a", "y "), 6u);
  EXPECT_EQ(ini.GetLineNumber("b", "z"), 8u);
  EXPECT_EQ(ini.GetLineNumber("b", "new"), 0u);
  EXPECT_EQ(ini.GetLineNumber("a", "z"), 0u);
  EXPECT_EQ(ini.GetLineNumber("c") + ini.GetLineNumber("c", "new") + ini.GetLineNumber("d"), 0u);
  EXPECT_EQ(ini.GetErrorLine(), 0u);
}

TEST(MIniDataSetTest, CommentNamesAreRefused) {
  for (const char* name : {";x", "#x", " \t/x", "*"}) {
    MErrCapture capture;
    MIniData ini;
    EXPECT_FALSE(ini.SetLongEntry("s", name, 7)) << name;
    const std::string reason = std::string("cannot add comment as an entry: \"") + name + "=7\"";
    EXPECT_EQ(ini.GetErrorText(), reason);
    EXPECT_THAT(capture.ContextTexts(),
                ElementsAre("MIniDataT<struct MIniDataCaseSensitiveCompare>::SetLongEntry(): " + reason));
    EXPECT_FALSE(ini.SectionExists("s"));
  }
}

TEST_F(MIniDataTest, ValuesSaturateAtThe32BitRange) {
  const struct {
    const char* raw;
    int32_t value;
    bool converted;
  } cases[] = {{"2147483647", 2147483647, true},       {"2147483648", 2147483647, true},
               {"99999999999999999999", 2147483647, true}, {"-2147483648", -2147483647 - 1, true},
               {"-2147483649", -2147483647 - 1, true}, {" \t+5 ", 5, true},
               {"-12xyz", -12, true},                   {"abc", 0, false},
               {"", 0, false},                          {" -", 0, false}};
  for (const auto& c : cases) {
    MIniData ini(File(std::string("[n]\nk=") + c.raw + "\n"));
    int32_t value = 99;
    EXPECT_EQ(ini.GetLongEntry("n", "k", value), c.converted) << "raw: " << c.raw;
    EXPECT_EQ(value, c.value) << "raw: " << c.raw;
    value = 99;
    EXPECT_FALSE(ini.GetLongEntry("n", "other", value));
    EXPECT_EQ(value, 99);
  }
}

TEST_F(MIniDataTest, FirstBadLineStopsOpenWithItsReason) {
  const std::string long_line(2000, 'k');
  const struct {
    std::string content;
    std::string bad_line;
    std::string error_text;
    size_t error_line;  // empty lines and every kind of line end count
  } cases[] = {
      {"[s]\nx=1\n[s]\n", "[s]", "Section [s] seen twice", 3},
      {"[s]\r\nx=1\r\n\r\n x =2\r\n", " x =2", "Entry \"x\" seen twice in section [s]", 4},
      {"[s]\r\r[A\n", "[A", "no matching ']' found in \"[A\"", 3},
      {"[s]\n[\n", "[", "no matching ']' found in \"[\"", 2},
      {"[s] tail\n  [Sec]\n", "  [Sec]", "No '=' found in \"  [Sec]\" in section [s] tail", 2},
      {"[s]\n \t=5\n", " \t=5", "No entry name found before '=' in \" \t=5\" in section [s]", 2},
      {"[s]\n" + long_line + "\n", long_line, "No '=' found in \"" + long_line.substr(0, 50) + "\" in section [s]", 2},
      {"# c\n  [Sec]\n", "  [Sec]", "Possible entry \"  [Sec]\" found before first section", 2},
      {"\n" + long_line + "\n", long_line,
       ("Possible entry \"" + long_line + "\" found before first section").substr(0, 1023), 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.content.substr(0, 40));
    const std::string path = File(c.content);
    MErrCapture capture;
    const MIniData ini(path);
    EXPECT_FALSE(ini.IsOpened());
    EXPECT_EQ(ini.GetErrorText(), c.error_text);
    EXPECT_EQ(ini.GetErrorLine(), c.error_line);
    EXPECT_EQ(ini.SectionExists("s"), c.content[0] == '[');  // lines before the bad one stay
    EXPECT_THAT(capture.LogTexts(),
                ElementsAre("MIniData::MIniData(): Open(\"" + path.substr(0, 60) + "\") failed",
                            "MIniData::parse_line(): " + c.error_text.substr(0, 70),
                            "MIniData::Open(): parse_line(" + c.bad_line.substr(0, 60) + ") failed"));
  }
}

TEST_F(MIniDataTest, Utf16And32AreRefused) {
  for (const std::string& mark : {std::string("\xFF\xFE"), std::string("\xFE\xFF"), std::string("\0\0\xFE\xFF", 4)}) {
    const std::string path = File(mark + "[A]\nx=1\n");
    MErrCapture capture;
    MIniData ini;
    EXPECT_FALSE(ini.Open(path));
    EXPECT_EQ(ini.GetErrorText(), "UTF16/32 Unicode format not supported.");
    EXPECT_EQ(ini.GetErrorLine(), 1u);
    EXPECT_THAT(capture.ContextTexts(),
                ElementsAre("MIniData::Open(\"" + path.substr(0, 80) + "\"): UTF16/32 Unicode format not supported"));
  }
}

}  // namespace
