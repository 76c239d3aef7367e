#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "merrcapture.h"
#include "mmachmagazinedb.h"
#include "msharedmem.h"
#include "proxyfixture.h"
#include "mtestuniquename.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Pair;

namespace {

constexpr MMachImageFormat kVga{640, 480, 1};
const std::string kMagazine =
    "[Optic_2_slot1]\nload.program=l1\nunload.program=u1\nprobe=7\n"
    "[Optic_2_slot4]\nload.program=l4\nunload.program=u4\nprobe=9\n";

// Unique per process, as test processes may run side by side.
std::string error_line(uint32_t code) {
  MOutputChannel reference(1);
  reference.Error(code);
  std::string text;
  reference.Take(text, false);
  return text;
}

// sim1 has the tactile probe system, sim2 the optical one with its magazine file; the loaded
// probe system, and with it the active submachine, is either.
class MagazineTest : public ProxyFixture {
 protected:
  MProxyMachAbstract& Open(bool optic_loaded) {
    std::ofstream(dir.File("optic.database"), std::ios::binary) << kMagazine;
    MakeSims(2);
    Sim(0).AddProbesystem("Tactile").SupportAllCommands();
    Sim(1).AddProbesystem("Optic", {2}).SetImageFormat("Optic", kVga);
    Sim(1).SetMagazineFile("optic.database").SupportAllCommands();
    if (optic_loaded) {
      Sim(1).SetActiveProbesystem("Optic", 2);
    } else {
      Sim(0).SetActiveProbesystem("Tactile", 1);
    }
    MProxyMachAbstract& proxy = OpenProxy();
    EXPECT_EQ(TakeLines(), "");
    return proxy;
  }
  // Polls a proxy command until it is done; answers what the channel received.
  std::string Run(MMachCommand* created) {
    std::unique_ptr<MMachCommand> command(created);
    EXPECT_NE(command, nullptr);
    for (int poll = 0; command != nullptr && poll < 10 && !command->IsDone(); ++poll) {}
    return TakeLines();
  }
  std::string FileText() const {
    std::ifstream in(dir.File("optic.database"), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
};

TEST_F(MagazineTest, MagazineQueriesReachTheDatabaseOfTheActiveSubmachineOnly) {
  for (const bool optic_loaded : {true, false}) {
    SCOPED_TRACE(optic_loaded ? "optic loaded" : "tactile loaded");
    MProxyMachAbstract& proxy = Open(optic_loaded);
    EXPECT_TRUE(proxy.HasMagazine());  // some submachine has one
    if (!optic_loaded) {
      EXPECT_THAT(proxy.GetMagazineSlots("Optic", 2), IsEmpty());
      EXPECT_FALSE(proxy.SetMagazineSlot(4, 12));
      EXPECT_EQ(Sim(1).CallCount("GetMagazineSlots") + Sim(1).CallCount("SetMagazineSlot"), 0u);
      continue;
    }
    EXPECT_THAT(proxy.GetMagazineSlots("", 0), ElementsAre(Pair(1u, 7u), Pair(4u, 9u)));
    EXPECT_EQ(proxy.GetMagazineSlotOfProbe(9), 4u);
    EXPECT_FALSE(proxy.SetMagazineSlot(5, 12));  // no such slot: the file stays as it was
    EXPECT_EQ(FileText(), kMagazine);
    EXPECT_TRUE(proxy.SetMagazineSlot(4, 12));
    EXPECT_THAT(proxy.GetMagazineSlots("Optic", 2), ElementsAre(Pair(1u, 7u), Pair(4u, 12u)));
    MMachMagazineDB saved(&Sim(1));
    EXPECT_TRUE(saved.Open(dir.File("optic.database")));
    EXPECT_THAT(saved.GetSlots("Optic", 2), ElementsAre(Pair(1u, 7u), Pair(4u, 12u)));
    EXPECT_EQ(Sim(0).CallCount("GetMagazineSlots") + Sim(0).CallCount("SetMagazineSlot"), 0u);
  }
}

// The block is made and released by the submachine's own commands: once deleted through the
// proxy, no link to it is left in this process.
TEST_F(MagazineTest, ImagefifoIsCreatedOnTheActiveSubmachineAndDeletedWhereItIs) {
  MProxyMachAbstract& proxy = Open(true);
  const std::string name = MTestUniqueName("fifo");
  EXPECT_EQ(Run(proxy.NewMMachImagefifoCreateCommand(&channel, name, 1000000)), "");
  EXPECT_EQ(Sim(0).FindImagefifo(name), nullptr);
  MMachImagefifoEntry* const entry = Sim(1).FindImagefifo(name);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(proxy.FindImagefifo(name), entry);
  auto* const block = static_cast<unsigned char*>(entry->buffer32);
  ASSERT_NE(block, nullptr);
  auto* const by_name = static_cast<unsigned char*>(MSharedMem_LinkOrCreate(name.c_str(), 1));
  EXPECT_EQ(by_name, block);
  EXPECT_EQ(block[8], 3);  // slots of 640 x 480 x 1 in a million bytes
  EXPECT_TRUE(MSharedMem_Unlink(by_name));

  EXPECT_EQ(Run(proxy.NewMMachImagefifoDeleteCommand(&channel, name)), "");
  EXPECT_EQ(Sim(1).FindImagefifo(name), nullptr);
  EXPECT_EQ(MSharedMem_GetSize(block), -1);
  MErrCapture capture;
  EXPECT_EQ(proxy.NewMMachImagefifoDeleteCommand(&channel, name), nullptr);
  EXPECT_EQ(TakeLines(), error_line(16));
  EXPECT_THAT(capture.LogTexts(),
              ElementsAre("MProxyMachAbstract::NewMMachImagefifoDeleteCommand(): " + name +
                          " not found"));
}

TEST_F(MagazineTest, ImagefifoCreateOnANonOpticalActiveSubmachineForwardsItsError) {
  MProxyMachAbstract& proxy = Open(false);
  const std::string name = MTestUniqueName("tactile");
  MErrCapture capture;
  EXPECT_EQ(Run(proxy.NewMMachImagefifoCreateCommand(&channel, name, 1000000)), error_line(22));
  EXPECT_THAT(capture.LogTexts(),
              ElementsAre("IsDone() [imagefifo create]: current probesystem (\"Tactile\" 1) is "
                          "not an optical device"));
  EXPECT_EQ(proxy.FindImagefifo(name), nullptr);
}

}  // namespace
