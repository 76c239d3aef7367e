#include "merrcapture.h"

#include "trace.h"

MErrCapture::MErrCapture(int trace_level) {
  previous_log_ = MErrLog_SetCallback([this](const MErrLogRecord& record) {
    std::lock_guard<std::mutex> lock(mutex_);
    records_.push_back(record);
  });
  previous_trace_ = MTrace_SetCallback([this](const MErrTraceEntry& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    trace_lines_.push_back(line.text);
  });
  previous_level_ = _MTrace_SetLevel("default", trace_level);
}

MErrCapture::~MErrCapture() {
  _MTrace_SetLevel("default", previous_level_);
  MTrace_SetCallback(std::move(previous_trace_));
  MErrLog_SetCallback(std::move(previous_log_));
}

std::vector<MErrLogRecord> MErrCapture::LogRecords() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return records_;
}

std::vector<std::string> MErrCapture::LogTexts() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> texts;
  for (const MErrLogRecord& record : records_) {
    texts.push_back(record.text);
    for (const MErrTraceEntry& entry : record.trace) texts.push_back(entry.text);
  }
  return texts;
}

std::vector<std::string> MErrCapture::TraceLines() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return trace_lines_;
}

std::vector<std::string> MErrCapture::ContextTexts() const {
  std::vector<std::string> texts;
  for (const MErrTraceEntry& entry : MErrTrace_GetContextEntries()) texts.push_back(entry.text);
  return texts;
}

void MErrCapture::Reset() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    records_.clear();
    trace_lines_.clear();
  }
  MErrTrace_ClearContext();
}
