#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "errlog.h"
#include "errtrace.h"
#include "merrcapture.h"
#include "trace.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// A reporting operation in the usual shape: a context of its own, a failing callee, a dump.
void report_failure(const std::string& message) {
  MErrTraceContext context;
  MERRTRACE("callee(): failed: %d", 7);
  MERRDUMP(context, "%s", message.c_str());
}

TEST(DiagnosticsTest, DumpWritesMessageThenEntriesOfItsOwnContextOnly) {
  MErrCapture capture;
  MERRTRACE("outer entry");
  report_failure("Reporter::Run(): callee() failed");
  ASSERT_EQ(capture.LogRecords().size(), 1u);
  const MErrLogRecord record = capture.LogRecords()[0];
  EXPECT_EQ(record.text, "Reporter::Run(): callee() failed");
  EXPECT_EQ(record.file, "merror/test/diagnostics_test.cpp");
  ASSERT_EQ(record.trace.size(), 1u);
  // The inner context's entries ended with it; the outer one is untouched.
  EXPECT_THAT(capture.ContextTexts(), ElementsAre("outer entry"));
}

TEST(DiagnosticsTest, MessagesBeyond254CharactersAreCutAndReported) {
  for (const size_t length : {254, 255}) {
    MErrCapture capture;
    const std::string message(length, 'm');
    report_failure(message);
    if (length > 254) {
      EXPECT_THAT(capture.LogTexts(), ElementsAre("MErrTraceContext::DumpToMErrLog(): output string too long !",
                                                  std::string(254, 'm'), "callee(): failed: 7"));
    } else {
      EXPECT_THAT(capture.LogTexts(), ElementsAre(message, "callee(): failed: 7"));
    }
  }
}

TEST(DiagnosticsTest, ClearedContextDumpsNoEntries) {
  MErrCapture capture;
  MErrTraceContext context;
  MERRTRACE("dropped");
  context.Clear();
  MERRDUMP(context, "header");
  EXPECT_THAT(capture.LogTexts(), ElementsAre("header"));
}

TEST(DiagnosticsTest, TraceLinesFollowTheModuleLevel) {
  MErrCapture capture(4);
  MTRACE(3, "level %d", 3);
  MTRACE(4, "level %d", 4);
  MTRACE(5, "level %d", 5);
  EXPECT_THAT(capture.TraceLines(), ElementsAre("level 3", "level 4"));
  EXPECT_EQ(_MTrace_TestLevel("default", 0), 0);
  EXPECT_EQ(_MTrace_TestLevel("other", 1), 0);
}

TEST(DiagnosticsTest, DirectLogEntryCarriesItsPlaceAndNoTrace) {
  MErrCapture capture;
  MERRTRACE("not part of a direct entry");
  MERRLOG("%s found twice", "x");
  ASSERT_EQ(capture.LogRecords().size(), 1u);
  EXPECT_EQ(capture.LogRecords()[0].text, "x found twice");
  EXPECT_THAT(capture.LogRecords()[0].trace, IsEmpty());
  EXPECT_GT(capture.LogRecords()[0].line, 0);
}

TEST(DiagnosticsTest, RootContextKeepsOnlyTheLatestEntries) {
  MErrTrace_ClearContext();  // the root context of this thread
  for (int i = 0; i < 100; ++i) MERRTRACE("entry %d", i);
  const auto entries = MErrTrace_GetContextEntries();
  ASSERT_EQ(entries.size(), 64u);
  EXPECT_EQ(entries.front().text, "entry 36");
  MErrTrace_ClearContext();
}

}  // namespace
