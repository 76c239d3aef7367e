#include "diagnostics_state.h"

#include <cstdio>
#include <mutex>
#include <utility>
#include <vector>

namespace merror_detail {
namespace {

// An output file of a sink; null means standard error.
class SinkFile {
 public:
  ~SinkFile() { close(); }
  bool open(const char* path) {
    close();
    if (path == nullptr) return true;
    file_ = std::fopen(path, "a");
    return file_ != nullptr;
  }
  FILE* stream() const { return file_ != nullptr ? file_ : stderr; }

 private:
  void close() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
  }
  FILE* file_ = nullptr;
};

struct Sinks {
  std::mutex mutex;
  MErrLogCallback log_callback;
  MTraceCallback trace_callback;
  SinkFile log_file;
  SinkFile trace_file;
};

Sinks& sinks() {
  static Sinks instance;  // never torn down before the last static user is
  return instance;
}

void write_line(FILE* stream, const char* indent, const std::string& file, int line,
                const std::string& text) {
  std::fprintf(stream, "%s%s(%d): %s\n", indent, file.c_str(), line, text.c_str());
}

}  // namespace

std::string vformat(const char* format, va_list args) {
  va_list measure;
  va_copy(measure, args);
  const int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (length < 0) return format;  // a broken format still leaves a trace of what was meant
  std::string text(static_cast<size_t>(length), '\0');
  std::vsnprintf(text.data(), text.size() + 1, format, args);
  return text;
}

void deliver_log(const MErrLogRecord& record) {
  Sinks& s = sinks();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.log_callback) {
    s.log_callback(record);
    return;
  }
  FILE* stream = s.log_file.stream();
  write_line(stream, "", record.file, record.line, record.text);
  for (const MErrTraceEntry& entry : record.trace) {
    write_line(stream, "    ", entry.file, entry.line, entry.text);
  }
  std::fflush(stream);
}

void deliver_trace(const MErrTraceEntry& line) {
  Sinks& s = sinks();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.trace_callback) {
    s.trace_callback(line);
    return;
  }
  write_line(s.trace_file.stream(), "", line.file, line.line, line.text);
}

Place take_place(Place& pending) { return std::exchange(pending, Place{}); }

}  // namespace merror_detail

using merror_detail::sinks;

MErrLogCallback MErrLog_SetCallback(MErrLogCallback callback) {
  std::lock_guard<std::mutex> lock(sinks().mutex);
  return std::exchange(sinks().log_callback, std::move(callback));
}

MTraceCallback MTrace_SetCallback(MTraceCallback callback) {
  std::lock_guard<std::mutex> lock(sinks().mutex);
  return std::exchange(sinks().trace_callback, std::move(callback));
}

bool MErrLog_SetFile(const char* path) {
  std::lock_guard<std::mutex> lock(sinks().mutex);
  return sinks().log_file.open(path);
}

bool MTrace_SetFile(const char* path) {
  std::lock_guard<std::mutex> lock(sinks().mutex);
  return sinks().trace_file.open(path);
}
