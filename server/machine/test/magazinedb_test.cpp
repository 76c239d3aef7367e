#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "fastfile.h"
#include "merrcapture.h"
#include "mfilefaultmatrix.h"
#include "mmachmagazinedb.h"
#include "mtestprobesystemmachine.h"
#include "mtesttempdir.h"

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using ::testing::Pair;

namespace {

const std::string kSlot1 =
    "[Optic_2_slot1]\nload.program=\"l1\"\nunload.program=\"u1\"\nprobe = 7\n";

class MagazineDBTest : public ::testing::Test {
 protected:
  MagazineDBTest() {
    machine.defined = {{"Optic", 2}, {"Optic", 3}, {"My_Optic", 2}};
    machine.active = {"Optic", 2};
    machine.magazine = &db;
  }
  // Writes the database file of the machine's configuration directory and opens it.
  bool Load(const std::string& text) {
    dir.Write("magazine.database", text);
    return db.OpenInConfigdir(dir.path().string());
  }
  std::string FileText() const { return dir.Read("magazine.database"); }
  // "key: slot ..|" per magazine.
  std::string Kept() const {
    std::string text;
    for (const auto& [key, slots] : db.Magazines()) {
      text.append(key).append(":");
      for (const auto& slot : slots) text.append(" ").append(std::to_string(slot.first));
      text += "|";
    }
    return text;
  }

  MTestTempDir dir;
  const std::string path = dir.File("magazine.database");
  MTestProbesystemMachine machine;
  MMachMagazineDB db{&machine};
};

TEST_F(MagazineDBTest, AnswersFromTheMagazineOfTheLoadedProbesystem) {
  ASSERT_TRUE(Load("[HISTORY]\nanything=goes\n" + kSlot1 +
                   "[Optic_2_slot4]\nload.program=l4\nunload.program=u4\nprobe=9\n"
                   "[Optic_2_slot6]\nload.program=l6\nunload.program=u6\nprobe=9\n"
                   "[My_Optic_2_slot1]\nload.program=m\nunload.program=m\nprobe=x\n"));
  EXPECT_EQ(machine.GetMagazineSlotOfProbe(9), 4u);
  EXPECT_EQ(machine.GetMagazineSlotOfProbe(5), 0u);
  EXPECT_FALSE(machine.IsMagazineSlot(2));
  EXPECT_THAT(machine.GetMagazineSlots("", 0),
              ElementsAre(Pair(1u, 7u), Pair(4u, 9u), Pair(6u, 9u)));
  EXPECT_THAT(machine.GetMagazineSlots("My_Optic", 2), ElementsAre(Pair(1u, 0u)));
  machine.active = {"Optic", 3};
  EXPECT_THAT(machine.GetMagazineSlots("", 0), IsEmpty());
}

TEST_F(MagazineDBTest, TheFirstBadSectionStopsTheAnalysisAndKeepsWhatCameBefore) {
  const std::string split = "MMachMagazineDB::analyse_inifile(): split_section_name(";
  const std::string analyse = "MMachMagazineDB::analyse_inifile(): ";
  const struct {
    std::string file;
    std::vector<std::string> trace;
    std::string kept;
  } cases[] = {
      {"[Optic]\n",
       {"split_section_name(): no '_' found in Optic", split + "\"Optic\") failed"}, ""},
      {"[Optic_2]\n",
       {"split_section_name(): no second '_' found in Optic_2", split + "\"Optic_2\") failed"}, ""},
      {kSlot1 + "[Optic_x_slot1]\n",
       {"split_section_name(): could not parse '%u_slot%u' in Optic_x_slot1",
        split + "\"Optic_x_slot1\") failed"}, "Optic_2: 1|"},
      {"[Camera_2_slot1]\n", {analyse + "Probesystem \"Camera\" not defined"}, ""},
      {kSlot1 + "[Optic_5_slot1]\n", {analyse + "Probesystem id 5 not defined for \"Optic\""},
       "Optic_2: 1|"},
      {kSlot1 + "[Optic_02_slot1]\nload.program=a\nunload.program=b\n",
       {analyse + "Slot 1 exists more than once for \"Optic\" 2"}, "Optic_2: 1|"},
      {kSlot1 + "[Optic_2_slot4]\nload.program=a\n",
       {analyse + "Entry unload.program is missing in section \"Optic_2_slot4\""}, "Optic_2: 1|"},
      {"[Optic_2_slot4]\nunload.program=a\n",
       {analyse + "Entry load.program is missing in section \"Optic_2_slot4\""}, "Optic_2:|"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    MErrCapture capture;
    EXPECT_FALSE(Load(c.file));
    std::vector<std::string> trace = c.trace;
    trace.push_back("MMachMagazineDB::Open(): analyse_inifile() failed");
    EXPECT_THAT(capture.ContextTexts(), ElementsAreArray(trace));
    EXPECT_EQ(Kept(), c.kept);
  }
}

TEST_F(MagazineDBTest, ProgramsLoseTheirQuotesAndChangesFallBackToUnloadAndLoad) {
  ASSERT_TRUE(Load(kSlot1 + "change_to_04.program=\"old\"\nchange_to_4.program=\"c14\"\n"
                   "change_to_9.program=c19\n"
                   "[Optic_2_slot4]\nload.program=\"l4\"\nunload.program=\"u4\"\n"
                   "change_to_1.prog=x\n"
                   "[Optic_2_slot5]\nload.program=\"\"\nunload.program=\"\n"
                   "[Optic_2_slot6]\nload.program=\"a\"\"b\"\"c\"\nunload.program=u6\n"));
  const struct {
    char what;  // 'l'oad, 'u'nload, 'c'hange
    uint32_t from, to;
    std::string expected;
  } cases[] = {
      {'l', 1, 0, "l1"}, {'u', 1, 0, "u1"}, {'l', 5, 0, ""}, {'u', 5, 0, "\""}, {'l', 9, 0, ""},
      {'c', 1, 4, "c14"}, {'c', 1, 9, "c19"}, {'c', 4, 1, "u4\";\"l1"},
      {'c', 4, 6, "u4\";\"a;b\"\"c"}, {'c', 6, 4, "u6;\"l4\""}, {'c', 4, 9, ""}, {'c', 9, 1, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(1, c.what).append(std::to_string(c.from)).append(">").append(std::to_string(c.to)));
    std::string out = "before";
    const bool found = c.what == 'l'   ? machine.GetMagazineLoadProgram(out, c.from)
                       : c.what == 'u' ? machine.GetMagazineUnloadProgram(out, c.from)
                                       : machine.GetMagazineChangeProgram(out, c.from, c.to);
    EXPECT_EQ(out, c.expected);
    EXPECT_EQ(found, !c.expected.empty());
  }
}

// The probe goes into the section that the slot came from, also where its name is not the one the
// database would form (leading zeros, a probe-system name beyond 90 characters), and the saved file
// reads back to the same model, a probe beyond the file's signed range included.
TEST_F(MagazineDBTest, SetSlotSavesIntoTheSectionTheSlotCameFrom) {
  const std::string long_name(95, 'L');
  machine.defined.insert({{"ps", 1}, {long_name, 1}});
  const auto section = [](const std::string& name, const char* probe, const char* end) {
    return std::string("[").append(name).append("]").append(end).append("load.program=l").append(end)
        .append("unload.program=u").append(end).append("probe=").append(probe).append(end);
  };
  const struct {
    std::string file;
    std::pair<std::string, uint32_t> active;
    std::vector<std::pair<uint32_t, uint32_t>> slot_probes;
    std::string saved;
  } cases[] = {
      {"; magazine\n" + kSlot1 + "[Optic_2_slot4]\nload.program=l\nunload.program=u\n",
       {"Optic", 2},
       {{1, 12}, {4, 3000000000u}},
       "; magazine\r\n[Optic_2_slot1]\r\nload.program=\"l1\"\r\nunload.program=\"u1\"\r\nprobe =12\r\n" +
           section("Optic_2_slot4", "-1294967296", "\r\n")},
      {section("ps_01_slot1", "7", "\n"), {"ps", 1}, {{1, 12}}, section("ps_01_slot1", "12", "\r\n")},
      {section("ps_1_slot0001", "7", "\n"), {"ps", 1}, {{1, 12}}, section("ps_1_slot0001", "12", "\r\n")},
      {section(long_name + "_1_slot1", "7", "\n"), {long_name, 1}, {{1, 12}},
       section(long_name + "_1_slot1", "12", "\r\n")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file.substr(0, 40));
    ASSERT_TRUE(Load(c.file));
    machine.active = c.active;
    for (const auto& [slot, probe] : c.slot_probes) EXPECT_TRUE(machine.SetMagazineSlot(slot, probe));
    EXPECT_EQ(FileText(), c.saved);
    MMachMagazineDB reread(&machine);
    EXPECT_TRUE(reread.Open(path));
    EXPECT_EQ(reread.Magazines(), db.Magazines());
  }
}

TEST_F(MagazineDBTest, RefusedSetSlotLeavesFileAndModelAlone) {
  const std::string file = kSlot1 + "; no line end";
  const struct {
    uint32_t id, slot;
    const char* message;
  } cases[] = {{2, 9, "MMachMagazineDB::SetSlot(): slot number 9 not found"},
               {3, 1, "MMachMagazineDB::SetSlot(): probesystem Optic_3 not found"}};
  ASSERT_TRUE(Load(file));
  for (const auto& c : cases) {
    machine.active = {"Optic", c.id};
    MErrCapture capture;
    EXPECT_FALSE(machine.SetMagazineSlot(c.slot, 12));
    EXPECT_THAT(capture.ContextTexts(), ElementsAre(c.message));
    EXPECT_EQ(FileText(), file);
    EXPECT_THAT(db.GetSlots("Optic", 2), ElementsAre(Pair(1u, 7u)));
  }
}

TEST_F(MagazineDBTest, FailedSaveRebuildsTheModelFromTheFile) {
  ASSERT_TRUE(Load(kSlot1));
  std::filesystem::remove(path);
  std::filesystem::create_directory(path);  // can be neither written nor read as a file
  MErrCapture capture;
  EXPECT_FALSE(machine.SetMagazineSlot(1, 12));
  const auto trace = capture.ContextTexts();
  EXPECT_THAT(trace, Contains("MMachMagazineDB::SetSlot(): inidata.Save() failed"));
  EXPECT_THAT(trace, Contains("MMachMagazineDB::resync_inifile(): inidata.Reload() failed"));
  EXPECT_FALSE(machine.IsMagazineSlot(1));
}

// A failure of any file call while saving is reported and answered with false; the file stays
// byte-identical (the matrix compares it) and the model, rebuilt from it, keeps the old probe.
TEST(MagazineDBFaultTest, FailedSaveKeepsTheFileAndTheModel) {
  const char* const kFile = "magazine.database";
  const MFileFaultCase set_slot{
      "MMachMagazineDB::SetSlot",
      [kFile](const MTestTempDir& dir) -> std::function<bool()> {
        dir.Write(kFile, kSlot1);
        auto machine = std::make_shared<MTestProbesystemMachine>();
        machine->defined = {{"Optic", 2}};
        machine->active = {"Optic", 2};
        auto db = std::make_shared<MMachMagazineDB>(machine.get());
        EXPECT_TRUE(db->Open(dir.File(kFile)));
        return [machine, db] {
          if (db->SetSlot(1, 12)) return true;
          const MMachMagazineDB::Slot* slot = db->FindSlot(1);
          EXPECT_TRUE(slot != nullptr && slot->probe == 7u);
          return false;
        };
      },
      MFileFaultsReportedBy(MFileFaultsOfWriteAtOnce(std::string("{").append(kFile).append("}"), kMFastFileReplace),
                            {std::string("MFastFile_WriteLinesAtOnce(): MFastFile_WriteAtOnce(\"{")
                                 .append(kFile)
                                 .append("}\",..,*,10) failed"),
                             "MIniData::Save(): MFastFile_WriteLinesAtOnce(\"*\") failed",
                             "MMachMagazineDB::SetSlot(): inidata.Save() failed"}),
      kFile};
  ExpectFileFaultMatrix(set_slot);
}

}  // namespace
