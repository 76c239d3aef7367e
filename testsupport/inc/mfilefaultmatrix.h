// Test helper: runs an operation that uses the file layer once per platform file call with that
// call failing (mfilefaults.h), and checks each run: the operation's answer, its exact error-trace
// and error-log texts, no handle left open, no temporary file "ffw*" left behind and, where
// asked, a file whose content no failure may change. Link the test with mfileio.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "merrcapture.h"
#include "mfilefaults.h"
#include "mtesttempdir.h"

// What a failure of one platform call leads to. In expected texts "{code}" stands for the
// injected system error code, "{name}" for the path of file `name` in the scenario's directory,
// and '*' for any run of characters (a temporary name, a system error text).
struct MFileFault {
  std::vector<std::string> trace;  // the error-trace entries of the capture's context
  std::vector<std::string> log = {};
  bool succeeds = false;  // the operation still answers success
};

struct MFileFaultCase {
  std::string name;
  // Prepares a fresh scenario in `dir` and answers the operation to run there, which answers
  // whether it succeeded. The operation owns its state; destroying it must release everything.
  std::function<std::function<bool()>(const MTestTempDir& dir)> prepare;
  // One per platform call of a successful run, in call order.
  std::vector<MFileFault> faults;
  std::string kept_file = {};  // a file in the scenario's directory that a failed run may not change
};

namespace mfilefaultmatrix_detail {

inline bool glob_match(const std::string& pattern, const std::string& text) {
  size_t p = 0, t = 0, star = std::string::npos, resume = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = t;
    } else if (p < pattern.size() && pattern[p] == text[t]) {
      ++p;
      ++t;
    } else if (star != std::string::npos) {
      p = star + 1;
      t = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

inline std::string expand(const std::string& pattern, const MTestTempDir& dir) {
  std::string out;
  for (size_t at = 0; at < pattern.size();) {
    const size_t open = pattern.find('{', at);
    const size_t close = open == std::string::npos ? open : pattern.find('}', open);
    if (close == std::string::npos) {
      out += pattern.substr(at);
      break;
    }
    out += pattern.substr(at, open - at);
    const std::string key = pattern.substr(open + 1, close - open - 1);
    out += key == "code" ? std::to_string(MFileFaults_ErrorCode()) : dir.File(key);
    at = close + 1;
  }
  return out;
}

inline void expect_texts(const char* what, const std::vector<std::string>& actual,
                         const std::vector<std::string>& expected, const MTestTempDir& dir) {
  bool equal = actual.size() == expected.size();
  for (size_t i = 0; equal && i < actual.size(); ++i) equal = glob_match(expand(expected[i], dir), actual[i]);
  EXPECT_TRUE(equal) << what << ":\n  actual:   " << ::testing::PrintToString(actual)
                     << "\n  expected: " << ::testing::PrintToString(expected);
}

}  // namespace mfilefaultmatrix_detail

// `fail_at` 0 runs without a failure. Answers the number of platform calls made.
inline uint64_t MFileFaultRun(const MFileFaultCase& c, uint64_t fail_at, const MFileFault& expected) {
  namespace detail = mfilefaultmatrix_detail;
  SCOPED_TRACE(c.name + (fail_at == 0 ? std::string(", no failure") : ", call " + std::to_string(fail_at) + " fails"));
  const int64_t handles_before = MFileFaults_OpenHandles();
  MTestTempDir dir;
  uint64_t calls = 0;
  {
    MErrCapture capture;
    std::function<bool()> operation = c.prepare(dir);
    const std::string kept_before = c.kept_file.empty() ? "" : dir.Read(c.kept_file);
    MFileFaults_FailCall(fail_at);
    const bool succeeded = operation();
    calls = MFileFaults_CallCount();
    const bool fired = MFileFaults_Fired();
    MFileFaults_Reset();
    EXPECT_EQ(fired, fail_at != 0);
    EXPECT_EQ(succeeded, expected.succeeds);
    detail::expect_texts("error trace", capture.ContextTexts(), expected.trace, dir);
    detail::expect_texts("error log", capture.LogTexts(), expected.log, dir);
    operation = nullptr;
    if (!c.kept_file.empty() && !succeeded) {
      EXPECT_EQ(dir.Read(c.kept_file), kept_before) << c.kept_file << " was changed";
    }
  }
  EXPECT_EQ(MFileFaults_OpenHandles(), handles_before) << "a handle was left open";
  EXPECT_FALSE(dir.HasTempFile()) << "a temporary file was left behind";
  return calls;
}

// Runs the case without a failure (which must succeed quietly with exactly as many platform calls
// as `faults` lists), then once with each call failing.
inline void ExpectFileFaultMatrix(const MFileFaultCase& c) {
  const uint64_t calls = MFileFaultRun(c, 0, MFileFault{{}, {}, true});
  ASSERT_EQ(calls, c.faults.size()) << c.name << ": platform calls of a successful run";
  for (size_t i = 0; i < c.faults.size(); ++i) MFileFaultRun(c, i + 1, c.faults[i]);
}

// `faults` with `entries` added after the trace of each failure that is not survived: the entries
// of the callers that report the failure in their turn, innermost first.
inline std::vector<MFileFault> MFileFaultsReportedBy(std::vector<MFileFault> faults,
                                                     const std::vector<std::string>& entries) {
  for (MFileFault& fault : faults) {
    if (!fault.succeeds) fault.trace.insert(fault.trace.end(), entries.begin(), entries.end());
  }
  return faults;
}

// The failures of MFastFile_WriteAtOnce to the path that `target` matches (an expected-text pattern
// such as "{name}") with `mode` (an open mode plus 4 for a flush).
inline std::vector<MFileFault> MFileFaultsOfWriteAtOnce(const std::string& target, int mode) {
  const bool replace = (mode & ~4) == 10;
  const std::string written = replace ? "*ffw*.tmp" : target;
  const std::string open_mode = std::to_string(replace ? 2 : mode & ~4);
  std::vector<MFileFault> faults;
  if (replace) faults.push_back({{"MFastFile_WriteAtOnce(): GetTempFileName() failed:{code}"}});
  faults.push_back({{"openwritefile(): CreateFile(" + written + ", ...) failed: {code}",
                     "MFastFile_WriteAtOnce(): openwritefile(" + written + ", " + open_mode + ") failed"}});
  faults.push_back({{"write64(): WriteFile() failed: {code}", "MFastFile_WriteAtOnce(): write64() failed"}});
  if (replace || (mode & 4) != 0) faults.push_back({{"MFastFile_WriteAtOnce(): FlushFileBuffers() failed: {code}"}});
  faults.push_back({{"MFastFile_WriteAtOnce(): CloseHandle() failed: {code}"}});
  if (replace) {
    faults.push_back({{"file_rename(): MoveFileEx(*ffw*.tmp," + target + ") failed: {code}",
                       "MFastFile_WriteAtOnce(): file_rename(*ffw*.tmp," + target + ") failed: *"}});
  }
  return faults;
}

// The failures of the reading calls of MFastFile_ReadAtOnce(name, buffer, size).
inline std::vector<MFileFault> MFileFaultsOfReadAtOnce(const std::string& name, size_t size) {
  const std::string file = "\"{" + name + "}\"";
  return {{{"openfile(): CreateFile(" + file + ") failed: {code}",
            "MFastFile_ReadAtOnce(): openfile(" + file + ") failed."}},
          {{"read64(): ReadFile() failed: {code}",
            "MFastFile_ReadAtOnce(): ReadFile(..," + std::to_string(size) + ",..) failed for " + file}},
          {{"MFastFile_ReadAtOnce(): CloseHandle() failed for " + file + ": {code}"}}};
}
