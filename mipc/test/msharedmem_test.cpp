#include "msharedmem.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "merrcapture.h"
#include "mtestchildprocess.h"
#include "mtesttempdir.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// The child mode of this binary: "<binary> --mipc-child <block name> <signal directory>".
constexpr char kChildFlag[] = "--mipc-child";
constexpr std::uint64_t kChildBlockSize = 5000;  // not a whole number of pages
constexpr char kChildMarker[] = "written by the child";
constexpr char kParentMarker[] = "written by the parent";
constexpr std::size_t kParentOffset = 4096;

// Unique per process, as test processes may run side by side.
std::string unique_name(const std::string& tag) {
  return "orvex-mipc-test-" + std::to_string(MTestChildProcess::CurrentProcessId()) + "-" + tag;
}

std::string pointer_text(const void* address) {
  char text[64];
  std::snprintf(text, sizeof text, "%p", address);
  return text;
}

void touch(const std::filesystem::path& file) { std::ofstream{file}; }

struct TouchOnExit {
  std::filesystem::path file;
  ~TouchOnExit() { touch(file); }
};

bool wait_for_file(const std::filesystem::path& file) {
  for (int i = 0; i < 6000; ++i) {
    if (std::filesystem::exists(file)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// Creates the block, marks it, reports "ready" and holds it until the parent reports "done".
int run_child(const char* name, const std::filesystem::path& signals) {
  auto* block = static_cast<char*>(MSharedMem_LinkOrCreate(name, kChildBlockSize));
  if (block == nullptr) return 2;
  std::strcpy(block, kChildMarker);
  block[kChildBlockSize - 1] = 'z';
  touch(signals / "ready");
  if (!wait_for_file(signals / "done")) return 3;
  const bool answered = std::strcmp(block + kParentOffset, kParentMarker) == 0;
  return MSharedMem_Unlink(block) && answered ? 0 : 4;
}

// A released block is gone: its name links to a new, zeroed block, even with a larger size.
void expect_released(const std::string& name) {
  constexpr std::uint64_t kLarger = 3 * 4096 + 1;
  auto* block = static_cast<unsigned char*>(MSharedMem_LinkOrCreate(name.c_str(), kLarger));
  ASSERT_NE(block, nullptr) << name;
  EXPECT_EQ(MSharedMem_GetSize(block), static_cast<std::int64_t>(kLarger)) << name;
  EXPECT_EQ(block[0], 0) << name;
  EXPECT_TRUE(MSharedMem_Unlink(block)) << name;
}

TEST(SharedMemTest, LinksOfOneNameShareTheBlockAndAreCounted) {
  const std::string name = unique_name("dir/counted");  // '/' is an ordinary character
  auto* block = static_cast<unsigned char*>(MSharedMem_LinkOrCreate(name.c_str(), 100));
  ASSERT_NE(block, nullptr);
  block[0] = 0xa5;
  EXPECT_EQ(MSharedMem_LinkOrCreate(name.c_str(), 50), block);
  EXPECT_EQ(MSharedMem_GetSize(block), 100);
  {
    MErrCapture capture;
    EXPECT_EQ(MSharedMem_LinkOrCreate(name.c_str(), 101), nullptr);
    EXPECT_THAT(capture.ContextTexts(),
                ElementsAre("MSharedMem_LinkOrCreate(): existing size is too small for " + name +
                            ": 100 < 101"));
  }
  EXPECT_TRUE(MSharedMem_Unlink(block));
  EXPECT_EQ(MSharedMem_GetSize(block), 100);  // one link is left
  EXPECT_TRUE(MSharedMem_Unlink(block));
  EXPECT_EQ(MSharedMem_GetSize(block), -1);
  expect_released(name);
}

TEST(SharedMemTest, InvalidCallsFailWithOneTraceEntry) {
  const std::string name = unique_name("invalid");
  auto* block = static_cast<char*>(MSharedMem_LinkOrCreate(name.c_str(), 100));
  ASSERT_NE(block, nullptr);
  int unknown = 0;
  const std::string registered_at = "no shared memory registered at ";
  const struct {
    const char* call;
    std::function<bool()> fails;
    std::string entry;
  } cases[] = {
      {"LinkOrCreate empty name", [] { return !MSharedMem_LinkOrCreate("", 10); },
       "MSharedMem_LinkOrCreate(): name == \"\""},
      {"LinkOrCreate null name", [] { return !MSharedMem_LinkOrCreate(nullptr, 10); },
       "MSharedMem_LinkOrCreate(): name == \"\""},
      {"LinkOrCreate size 0", [&] { return !MSharedMem_LinkOrCreate(name.c_str(), 0); },
       "MSharedMem_LinkOrCreate(): size <= 0"},
      {"Unlink null", [] { return !MSharedMem_Unlink(nullptr); },
       "MSharedMem_Unlink(): NULL pointer for memory"},
      {"Unlink unknown", [&] { return !MSharedMem_Unlink(&unknown); },
       "MSharedMem_Unlink(): " + registered_at + pointer_text(&unknown)},
      {"Unlink inside block", [&] { return !MSharedMem_Unlink(block + 1); },
       "MSharedMem_Unlink(): " + registered_at + pointer_text(block + 1)},
      {"GetSize null", [] { return MSharedMem_GetSize(nullptr) == -1; },
       "MSharedMem_GetSize(): NULL pointer for memory"},
      {"GetSize unknown", [&] { return MSharedMem_GetSize(&unknown) == -1; },
       "MSharedMem_GetSize(): " + registered_at + pointer_text(&unknown)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.call);
    MErrCapture capture;
    EXPECT_TRUE(c.fails());
    EXPECT_THAT(capture.ContextTexts(), ElementsAre(c.entry));
    EXPECT_THAT(capture.LogTexts(), IsEmpty());
  }
  EXPECT_EQ(MSharedMem_GetSize(block), 100);
  EXPECT_TRUE(MSharedMem_Unlink(block));
}

TEST(SharedMemTest, BlockOfAnotherProcessIsAttachedWithItsPageRoundedSize) {
  MTestTempDir signals;
  const std::string name = unique_name("child");
  MTestChildProcess child({kChildFlag, name, signals.path().string()});
  ASSERT_TRUE(child.started());
  {
    const TouchOnExit done{signals.path() / "done"};  // lets the child go however this ends
    ASSERT_TRUE(wait_for_file(signals.path() / "ready"));
    {
      MErrCapture capture;
      EXPECT_EQ(MSharedMem_LinkOrCreate(name.c_str(), 8193), nullptr);
      EXPECT_THAT(capture.ContextTexts(),
                  ElementsAre("MSharedMem_Create(): existing size is too small for " + name +
                              ": 8192 < 8193"));
    }
    auto* block = static_cast<char*>(MSharedMem_LinkOrCreate(name.c_str(), 4000));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(MSharedMem_GetSize(block), 8192);
    EXPECT_STREQ(block, kChildMarker);
    EXPECT_EQ(block[kChildBlockSize - 1], 'z');
    EXPECT_EQ(MSharedMem_LinkOrCreate(name.c_str(), 8192), block);
    std::strcpy(block + kParentOffset, kParentMarker);
    EXPECT_TRUE(MSharedMem_Unlink(block));
    EXPECT_TRUE(MSharedMem_Unlink(block));
  }
  EXPECT_EQ(child.Wait(), 0);
  expect_released(name);
}

TEST(SharedMemTest, ConcurrentLinksAndUnlinksLeaveNothingRegistered) {
  constexpr int kThreads = 6;
  constexpr int kRounds = 300;
  const std::vector<std::string> shared = {unique_name("shared-a"), unique_name("shared-b")};
  std::vector<std::string> own;
  for (int t = 0; t < kThreads; ++t) own.push_back(unique_name("own-" + std::to_string(t)));
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < kRounds; ++round) {
        // Two links at a time: of one shared name twice, or of a shared and the own name.
        const std::string& first = shared[(round + t) % 2];
        const std::string& second = round % 2 == 0 ? first : own[t];
        auto* a = static_cast<unsigned char*>(MSharedMem_LinkOrCreate(first.c_str(), 4096));
        auto* b = static_cast<unsigned char*>(MSharedMem_LinkOrCreate(second.c_str(), 1024));
        if (a == nullptr || b == nullptr) {
          ++failures;
          continue;
        }
        a[t] = static_cast<unsigned char>(round);
        if (MSharedMem_GetSize(b) < 1024 || !MSharedMem_Unlink(a) || !MSharedMem_Unlink(b)) {
          ++failures;
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
  for (const std::string& name : shared) expect_released(name);
  for (const std::string& name : own) expect_released(name);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], kChildFlag) == 0) return run_child(argv[2], argv[3]);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
