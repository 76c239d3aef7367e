#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "merrcapture.h"
#include "mmachimagefifocommands.h"
#include "msharedmem.h"
#include "mtestprobesystemmachine.h"
#include "mtestuniquename.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace {

constexpr MMachImageFormat kVga{640, 480, 1};
constexpr unsigned char kUntouched = 0xAA;

// Unique per process, as test processes may run side by side.
uint64_t read_le(const unsigned char* at, uint64_t width) {
  uint64_t value = 0;
  for (uint64_t byte = width; byte-- > 0;) value = value << 8 | at[byte];
  return value;
}

std::string error_line(uint32_t code) {
  MOutputChannel reference(7);
  reference.Error(code);
  std::string text;
  reference.Take(text, false);
  return text;
}

// The test's own link to a block, dropped at the end of the scope unless taken.
struct BlockLink {
  BlockLink(const std::string& name, uint64_t size)
      : bytes(static_cast<unsigned char*>(MSharedMem_LinkOrCreate(name.c_str(), size))) {}
  ~BlockLink() {
    if (bytes != nullptr) MSharedMem_Unlink(bytes);
  }
  // Drops the link and answers whether it was the block's last one in this process.
  bool UnlinkLast() {
    return MSharedMem_Unlink(bytes) && MSharedMem_GetSize(std::exchange(bytes, nullptr)) == -1;
  }
  unsigned char* bytes;
};

class ImagefifoTest : public ::testing::Test {
 protected:
  ImagefifoTest() {
    machine.active = {"Optic", 2};
    machine.image_format = kVga;
  }
  // Runs a command to its end (a second poll must add nothing) and answers the channel's text.
  std::string Run(MMachCommand&& command) {
    EXPECT_TRUE(command.IsDone());
    EXPECT_TRUE(command.IsDone());
    std::string text;
    channel.Take(text, false);
    channel.Clear();
    return text;
  }
  std::string Create(const std::string& name, uint64_t size, bool wide = false) {
    MMachImagefifoCreateCommand command(&channel, &machine, name, size);
    command.wide = wide;
    return Run(std::move(command));
  }
  std::string Delete(const std::string& name) {
    return Run(MMachImagefifoDeleteCommand(&channel, &machine, name));
  }

  MOutputChannel channel{7};
  MTestProbesystemMachine machine{&channel};
};

struct LayoutCase {
  const char* tag;
  MMachImageFormat format;
  uint64_t size;
  bool wide;
  uint64_t word, slots, state_offset;
};

class ImagefifoLayoutTest : public ImagefifoTest,
                            public ::testing::WithParamInterface<LayoutCase> {};

// The block is pre-filled so that every byte the layout leaves alone can be seen.
TEST_P(ImagefifoLayoutTest, HeaderAndStatesAreWrittenAndNothingElse) {
  const LayoutCase& c = GetParam();
  const std::string name = MTestUniqueName(c.tag);
  const uint64_t slot_size = c.format.ImageSize();
  const uint64_t states_end = c.state_offset + c.slots * c.word;
  machine.image_format = c.format;
  BlockLink link(name, c.size);
  unsigned char* const block = link.bytes;
  ASSERT_NE(block, nullptr);
  std::memset(block, kUntouched, std::min<uint64_t>(c.size, 4096));
  std::memset(block + c.state_offset - 16, kUntouched, c.size - (c.state_offset - 16));

  MErrCapture capture(5);
  EXPECT_EQ(Create(name, c.size, c.wide), "");
  EXPECT_THAT(capture.TraceLines(),
              ElementsAre("IsDone() [imagefifo create]: imagefifo " + name + " initialised with " +
                          std::to_string(c.size) + " total size, " + std::to_string(c.slots) +
                          " slots, " + std::to_string(slot_size) + " slot size"));
  const std::vector<uint64_t> header{block[0], block[1], read_le(block + c.word, c.word),
                                     read_le(block + 2 * c.word, c.word),
                                     read_le(block + 3 * c.word, c.word),
                                     read_le(block + 4 * c.word, c.word)};
  EXPECT_THAT(header, ElementsAre(c.word, 1u, slot_size, c.slots, 0u, c.state_offset));
  std::vector<uint64_t> untouched{2, 5 * c.word, 8 * c.word - 1, 8 * c.word, c.state_offset - 1};
  if (states_end < c.size) untouched.push_back(states_end);
  for (uint64_t at : untouched) EXPECT_EQ(block[at], kUntouched) << "offset " << at;
  EXPECT_EQ(static_cast<uint64_t>(std::count(block + c.state_offset, block + states_end, 0)),
            c.slots * c.word);
  const MMachImagefifoEntry entry = machine.imagefifos.at(name);
  EXPECT_TRUE(entry.format == c.format && entry.name == name);
  EXPECT_EQ(c.word == 8 ? entry.buffer64 : entry.buffer32, block);
  EXPECT_EQ(c.word == 8 ? entry.buffer32 : entry.buffer64, nullptr);

  EXPECT_EQ(Delete(name), "");
  EXPECT_TRUE(machine.imagefifos.empty());
  EXPECT_EQ(block[1], 0);
  EXPECT_TRUE(link.UnlinkLast());
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ImagefifoLayoutTest,
    ::testing::Values(LayoutCase{"vga", kVga, 1000000, false, 4, 3, 921632},
                      LayoutCase{"vgaWide", kVga, 1000000, true, 8, 3, 921664},
                      LayoutCase{"gap32", {3, 1, 1}, 100, false, 4, 9, 60},
                      LayoutCase{"gap64", {3, 1, 1}, 200, true, 8, 11, 104},
                      LayoutCase{"oneSlot32", {100, 1, 1}, 139, false, 4, 1, 132},
                      LayoutCase{"oneSlot64", {100, 1, 1}, 179, true, 8, 1, 168},
                      LayoutCase{"limit32", kVga, 0x7fffffff, false, 4, 6990, 2147328032},
                      LayoutCase{"beyond32", kVga, 0x80000000, false, 8, 6990, 2147328064}),
    [](const auto& info) { return std::string(info.param.tag); });

// One byte short of the smallest layouts above: the block is withdrawn and this link dropped.
TEST_F(ImagefifoTest, ABlockTooSmallForOneImageIsWithdrawnAndReleased) {
  machine.image_format = {100, 1, 1};
  for (const auto& [size, wide] : {std::pair{138, false}, std::pair{178, true}}) {
    const std::string name = MTestUniqueName("small");
    BlockLink link(name, size);
    ASSERT_NE(link.bytes, nullptr);
    std::memset(link.bytes, kUntouched, size);
    MErrCapture capture;
    EXPECT_EQ(Create(name, size, wide), error_line(49));
    EXPECT_THAT(capture.LogTexts(),
                ElementsAre("IsDone() [imagefifo create]: shared memory segment too small"));
    EXPECT_EQ(link.bytes[0], kUntouched);
    EXPECT_EQ(link.bytes[1], 0);
    EXPECT_TRUE(link.UnlinkLast());
    EXPECT_TRUE(machine.imagefifos.empty());
  }
}

TEST_F(ImagefifoTest, CreateFailuresEndWithTheirError) {
  const std::string name = MTestUniqueName("fail");
  const std::string failed = "IsDone() [imagefifo create]: failed to create shared memory ";
  const struct {
    MMachImageFormat format;
    std::string name;
    uint64_t size;
    uint32_t code;
    std::vector<std::string> log;
  } cases[] = {
      {{640, 0, 1}, name, 1000, 22,
       {"IsDone() [imagefifo create]: current probesystem (\"Optic\" 2) is not an optical device"}},
      {kVga, name, 0, 48, {failed + name, "MSharedMem_LinkOrCreate(): size <= 0"}},
      {kVga, "", 1000, 48, {failed, "MSharedMem_LinkOrCreate(): name == \"\""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.log.front());
    machine.image_format = c.format;
    MErrCapture capture;
    EXPECT_EQ(Create(c.name, c.size), error_line(c.code));
    EXPECT_THAT(capture.LogTexts(), ElementsAreArray(c.log));
    EXPECT_TRUE(machine.imagefifos.empty());
  }
}

TEST_F(ImagefifoTest, DeleteFailuresReportAndRemoveOnlyTheirEntry) {
  unsigned char not_shared[8] = {4, 1};
  machine.imagefifos["fake"] = MMachImagefifoEntry{kVga, nullptr, not_shared, "fake"};
  MErrCapture capture;
  EXPECT_EQ(Delete("nope"), error_line(3));
  EXPECT_EQ(machine.imagefifos.size(), 1u);
  EXPECT_EQ(Delete("fake"), error_line(16));
  EXPECT_TRUE(machine.imagefifos.empty());
  EXPECT_EQ(not_shared[1], 0);
  char text[64];
  std::snprintf(text, sizeof text, "%p", static_cast<void*>(not_shared));
  const std::string at(text);
  EXPECT_THAT(capture.LogTexts(),
              ElementsAre("IsDone() [imagefifo delete]: no such buffer: nope",
                          "IsDone() [imagefifo delete]: failed to delete shared memory at " + at,
                          "MSharedMem_Unlink(): no shared memory registered at " + at));
}

}  // namespace
