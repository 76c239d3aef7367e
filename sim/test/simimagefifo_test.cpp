#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <random>
#include <string>

#include "msharedmem.h"
#include "msimmachine.h"

namespace {

constexpr MMachImageFormat kVga{640, 480, 1};

// Unique per process, as test processes may run side by side.
std::string unique_name(const std::string& tag) {
  static const std::string prefix =
      "orvex-sim-test-" +
      std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + "-" +
      std::to_string(std::random_device{}());
  return prefix + "-" + tag;
}

// "Optic" is optical (and loaded), "Tactile" is not.
class SimImagefifoTest : public ::testing::Test {
 protected:
  SimImagefifoTest() {
    sim.emplace(&output, nullptr, "bench", "");
    sim->AddProbesystem("Optic", {2}).AddProbesystem("Tactile").SetImageFormat("Optic", kVga);
    sim->SetActiveProbesystem("Optic", 2);
  }
  // Polls the command to its end and answers the channel's text.
  std::string Run(MMachCommand* created) {
    std::unique_ptr<MMachCommand> command(created);
    EXPECT_NE(command, nullptr);
    while (command != nullptr && !command->IsDone()) {}
    std::string text;
    output.Take(text, false);
    output.Clear();
    return text;
  }
  std::string Create(const std::string& name) {
    return Run(sim->NewMMachImagefifoCreateCommand(&output, name, 1000000));
  }

  MOutputChannel output{1};
  std::optional<MSimMachine> sim;
};

// The block appears when the command's behaviour ends it, laid out as the machine asks.
TEST_F(SimImagefifoTest, CreateLaysOutABlockThatDeleteReleases) {
  for (const bool wide : {false, true}) {
    SCOPED_TRACE(wide ? "64-bit layout" : "32-bit layout");
    const std::string name = unique_name(wide ? "wide" : "narrow");
    sim->Tables().wide_imagefifos = wide;
    sim->Command("MMachImagefifoCreateCommand").DoneAfter(2);
    std::unique_ptr<MMachCommand> create(sim->NewMMachImagefifoCreateCommand(&output, name, 1000000));
    EXPECT_FALSE(create->IsDone());
    EXPECT_EQ(sim->FindImagefifo(name), nullptr);
    EXPECT_TRUE(create->IsDone());
    const MMachImagefifoEntry* entry = sim->FindImagefifo(name);
    ASSERT_NE(entry, nullptr);
    auto* block = static_cast<unsigned char*>(wide ? entry->buffer64 : entry->buffer32);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(wide ? entry->buffer32 : entry->buffer64, nullptr);
    EXPECT_TRUE(entry->format == kVga);
    EXPECT_EQ(block[0], wide ? 8 : 4);
    EXPECT_EQ(block[wide ? 16 : 8], 3);  // slots

    EXPECT_EQ(Run(sim->NewMMachImagefifoDeleteCommand(&output, name)), "");
    EXPECT_EQ(sim->FindImagefifo(name), nullptr);
    EXPECT_EQ(MSharedMem_GetSize(block), -1);
  }
}

// A block created twice holds two links; the machine drops both when it goes.
TEST_F(SimImagefifoTest, ADestroyedMachineReleasesTheBlocksItStillHolds) {
  const std::string name = unique_name("kept");
  EXPECT_EQ(Create(name), "");
  EXPECT_EQ(Create(name), "");
  void* const block = sim->FindImagefifo(name)->buffer32;
  ASSERT_NE(block, nullptr);
  sim.reset();
  EXPECT_EQ(MSharedMem_GetSize(block), -1);
}

}  // namespace
