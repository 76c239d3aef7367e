// Test helper: captures every error-log entry and trace line written while it lives, and opens
// an error-trace context of its own so that a test can read what the code under test traced.
// Not for concurrent use by several tests at once.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "errtrace.h"
#include "merrsinks.h"

class MErrCapture {
 public:
  // `trace_level` is set for module "default" while the capture lives (0 keeps tracing off).
  explicit MErrCapture(int trace_level = 0);
  ~MErrCapture();
  MErrCapture(const MErrCapture&) = delete;
  MErrCapture& operator=(const MErrCapture&) = delete;

  std::vector<MErrLogRecord> LogRecords() const;
  // The error-log texts in order; a dumped context contributes its message and then its entries.
  std::vector<std::string> LogTexts() const;
  std::vector<std::string> TraceLines() const;
  // The entries of the current error-trace context (this capture's own, unless the code under
  // test left one open).
  std::vector<std::string> ContextTexts() const;
  void Reset();

 private:
  MErrTraceContext context_;
  mutable std::mutex mutex_;
  std::vector<MErrLogRecord> records_;
  std::vector<std::string> trace_lines_;
  MErrLogCallback previous_log_;
  MTraceCallback previous_trace_;
  int previous_level_;
};
