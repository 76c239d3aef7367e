// The examples of the user guide and of the simulated machine's page are excerpts of files that
// run: the example instrument, the reviewed transcripts, the descriptions below, this file, or
// the host's --help text. Each fenced block that is not a shell command is preceded by a line
// "<!-- excerpt of PATH -->" (PATH from the top of the source tree, or "mmachhost --help"); its
// lines must appear in that file in the same order.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "mhostoptions.h"
#include "mmachcommands.h"
#include "moutputchannel.h"
#include "msimmachine.h"

namespace {

const std::string kSourceDir = ORVEX_SOURCE_DIR;

std::string trimmed(const std::string& line) {
  const size_t first = line.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  return line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(trimmed(line));
  return lines;
}

std::string read_file(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// A fenced block of a page: where it starts, its language, its lines and the excerpt marker
// before it (empty when there is none).
struct Block {
  size_t line = 0;
  std::string language;
  std::string source;
  std::vector<std::string> lines;
};

std::vector<Block> blocks_of(const std::string& page) {
  static const std::string kMarker = "<!-- excerpt of ";
  std::vector<Block> blocks;
  std::string source;
  Block* open = nullptr;
  const std::vector<std::string> lines = lines_of(page);
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (open == nullptr && line.rfind(kMarker, 0) == 0 && line.size() > kMarker.size() + 4) {
      source = line.substr(kMarker.size(), line.size() - kMarker.size() - 4);
    } else if (line.rfind("```", 0) == 0) {
      if (open != nullptr) {
        open = nullptr;
        continue;
      }
      blocks.push_back({i + 1, line.substr(3), source, {}});
      open = &blocks.back();
      source.clear();
    } else if (open != nullptr) {
      if (!line.empty()) open->lines.push_back(line);
    } else if (!line.empty()) {
      source.clear();  // a marker belongs to the block right after it
    }
  }
  return blocks;
}

// The first line of `excerpt` that `text` does not hold in order; empty when it holds all.
std::string first_missing_line(const std::vector<std::string>& excerpt, const std::vector<std::string>& text) {
  size_t at = 0;
  for (const std::string& line : excerpt) {
    while (at < text.size() && text[at] != line) ++at;
    if (at == text.size()) return line;
    ++at;
  }
  return {};
}

TEST(GuideTest, EveryExampleIsAnExcerptOfWhatRuns) {
  for (const char* page : {"docs/user-guide.md", "docs/simulated-machine.md"}) {
    const std::string text = read_file(kSourceDir + "/" + page);
    ASSERT_FALSE(text.empty()) << page;
    for (const Block& block : blocks_of(text)) {
      if (block.language == "sh") continue;  // commands to type
      const std::string where = std::string(page) + ":" + std::to_string(block.line);
      if (block.source.empty()) {
        ADD_FAILURE() << where << ": an example without \"<!-- excerpt of PATH -->\" before it";
        continue;
      }
      const std::string source =
          block.source == "mmachhost --help" ? MHostOptions_Help() : read_file(kSourceDir + "/" + block.source);
      EXPECT_FALSE(source.empty()) << where << ": " << block.source << " is empty or missing";
      EXPECT_EQ(first_missing_line(block.lines, lines_of(source)), "") << where << ": not in " << block.source;
    }
  }
}

TEST(GuideTest, TheSimulatedMachineSetUpRunsAsShown) {
  // The set-up of the simulated machine's page, as it stands there.
  MOutputChannel channel(1);
  MSimMachine sim(&channel, nullptr, "bench", "/etc/orvex");
  sim.SetIdentity("Bench A", "2.10", "simulated bench")
      .AddAxis("x", 0, 12.5)
      .AddAxis("y", MMachAxisInfo::kNotAvailable)
      .AddComponent("probe.config")
      .AddProbesystem("ps", {1, 2})
      .AddProbesystem("Optic", {2})
      .SetImageFormat("Optic", {640, 480, 1})     // an optical probe system
      .SetActiveProbesystem("ps", 2)
      .SetMagazineFile("magazine.database")      // read by Open
      .SupportAllCommands();
  sim.Tables().autoinfo.possible = true;        // anything else: through Tables()
  sim.Command("MMachMoveCommand").DoneAfter(3).DataAt(2, "halfway");
  sim.Command("MMachScanCommand").Endless().ScanData({{1, 2}, {3, 4}});
  sim.Command("MMachInitCommand").RefuseWithError(15);

  MOutputChannel out(2);
  std::unique_ptr<MMachCommand> move(sim.NewMMachMoveCommand(&out, {}));
  ASSERT_NE(move, nullptr);
  EXPECT_FALSE(move->IsDone());
  EXPECT_FALSE(move->IsDone());
  EXPECT_TRUE(move->IsDone());
  std::string text;
  out.Take(text, false);
  EXPECT_EQ(text, "0002\tdata halfway\r\n");
  EXPECT_EQ(sim.NewMMachInitCommand(&out, {"x"}), nullptr);
  EXPECT_TRUE(out.Take(text, false));
  EXPECT_EQ(text, "0002\terror \"transaction: command unknown\"\r\n");
  EXPECT_EQ(sim.GetActiveProbesystem(), "ps");
}

TEST(GuideTest, TheDescriptionAndTheMagazineOfThePagesLoad) {
  MOutputChannel channel(0);
  std::unique_ptr<MSimMachine> bench =
      MSimMachine::NewFromDescription(&channel, nullptr, "bench", kSourceDir + "/docs/examples",
                                      kSourceDir + "/docs/examples/bench.ini");
  ASSERT_NE(bench, nullptr);
  EXPECT_STREQ(bench->GetMachineName(), "Bench A");
  EXPECT_FALSE(bench->IsCommandSupported("MMachWobbleCommand"));

  // The magazine file of the user guide, on a machine whose tactile probe system is loaded.
  MSimMachine gantry(&channel, nullptr, "gantry", kSourceDir + "/docs/examples");
  gantry.AddProbesystem("tactile", {1, 2}).SetActiveProbesystem("tactile", 1).SetMagazineFile("magazine.database");
  ASSERT_TRUE(gantry.Open());
  EXPECT_EQ(gantry.GetMagazineSlots("", 0), (std::map<uint32_t, uint32_t>{{1, 7}, {2, 9}}));
  std::string program;
  EXPECT_TRUE(gantry.GetMagazineChangeProgram(program, 1, 2));
  EXPECT_EQ(program, "change 1 2");
  EXPECT_TRUE(gantry.GetMagazineChangeProgram(program, 2, 1));
  EXPECT_EQ(program, "unload 2;load 1");
  gantry.Close();
}

}  // namespace
