#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "merrcapture.h"
#include "proxyfixture.h"

using ::testing::ElementsAreArray;

namespace {

struct ConfigCase {
  const char* label;
  size_t submachines;
  std::optional<std::string> ini;  // none: no file
  std::vector<std::string> aliases;
  std::vector<std::string> log;  // error-log texts after "MProxyMachAbstract::read_config_file(): ",
                                 // "<ini>" standing for the file's path
  std::string lines;             // the proxy's channel afterwards
};

std::ostream& operator<<(std::ostream& out, const ConfigCase& c) { return out << c.label; }

class ConfigurationTest : public ProxyFixture, public ::testing::WithParamInterface<ConfigCase> {};

// Open reads the aliases, reports each fall-back and goes on whatever the file holds.
TEST_P(ConfigurationTest, AliasesAndTheirFallBacks) {
  const ConfigCase& c = GetParam();
  MakeSims(c.submachines);
  if (c.ini) WriteConfig(*c.ini);
  MErrCapture capture;
  EXPECT_THAT(MProxyTestAccess::aliases(OpenProxy()), ElementsAreArray(c.aliases));
  std::vector<std::string> log;
  for (std::string text : c.log) {
    const size_t ini = text.find("<ini>");
    if (ini != std::string::npos) text.replace(ini, 5, dir.path().string() + "\\px.ini");
    log.push_back("MProxyMachAbstract::read_config_file(): " + text);
  }
  EXPECT_THAT(capture.LogTexts(), ElementsAreArray(log));
  EXPECT_EQ(TakeLines(), c.lines);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConfigurationTest,
    ::testing::Values(
        ConfigCase{"NoFile", 2, std::nullopt, {}, {}, ""},
        ConfigCase{"NoAliasesSection", 2, "[Other]\r\n1=a\r\n", {}, {}, ""},
        // Nothing half-read is used; the name is the construction name, not the first submachine's.
        ConfigCase{"Unparsable", 2, "[Aliases]\r\n1=a\r\nbroken\r\n", {},
                   {"<ini>:3: No '=' found in \"broken\" in section [Aliases]"},
                   "0001\terror \"px failed to open configuration file\"\r\n"},
        ConfigCase{"CommentsAndBlanksAreCleaned", 2, "[Aliases]\n1= le ft // c\n2=right;c\n", {"left", "right"},
                   {}, ""},
        ConfigCase{"OnlyTheFirstMayBeEmpty", 2, "[Aliases]\n1=\n2=\t/* c */\n", {"", "submach2"},
                   {"empty alias only allowed for first submachine, but this is submachine 2. "
                    "Using submach2"},
                   "0001\terror \"Empty alias only allowed for first submachine\"\r\n"},
        ConfigCase{"MissingKey", 3, "[Aliases]\n1=a\n3=c\n", {"a", "submach2", "c"},
                   {"submachine 2 (sim2 [d2]) does not have component prefixes. Using submach2"},
                   "0001\terror \"prefix missing for submachine 2\"\r\n"},
        ConfigCase{"DuplicateThenEmpty", 3, "[Aliases]\n1=same\n2=same\n3=\n",
                   {"same", "submach2", "submach3"},
                   {"alias same appears for submachine 1 and 2. Using submach2",
                    "empty alias only allowed for first submachine, but this is submachine 3. "
                    "Using submach3"},
                   "0001\terror \"px alias given twice\"\r\n"
                   "0001\terror \"Empty alias only allowed for first submachine\"\r\n"}));

}  // namespace
