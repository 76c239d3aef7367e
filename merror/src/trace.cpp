#include "trace.h"

#include <atomic>
#include <cstdarg>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "diagnostics_state.h"

namespace {

// Module "default" is asked on hot paths, so its level is read without the lock.
std::atomic<int> default_level{0};

struct OtherLevels {
  std::mutex mutex;
  std::map<std::string, int> levels;
};

OtherLevels& other_levels() {
  static OtherLevels instance;
  return instance;
}

bool is_default(const char* module) { return module == nullptr || std::strcmp(module, "default") == 0; }

int level_of(const char* module) {
  if (is_default(module)) return default_level.load(std::memory_order_relaxed);
  OtherLevels& others = other_levels();
  std::lock_guard<std::mutex> lock(others.mutex);
  const auto found = others.levels.find(module);
  return found == others.levels.end() ? 0 : found->second;
}

thread_local merror_detail::Place pending_trace_place;

}  // namespace

int _MTrace_TestLevel(const char* module, int level) { return level > 0 && level <= level_of(module) ? 1 : 0; }

int _MTrace_Location(const char* file, int line, const char* module, int level) {
  pending_trace_place = {file, line};
  return _MTrace_TestLevel(module, level);
}

void _MTrace_Always(const char* format, ...) {
  const merror_detail::Place place = merror_detail::take_place(pending_trace_place);
  va_list args;
  va_start(args, format);
  MErrTraceEntry line{place.file, place.line, merror_detail::vformat(format, args)};
  va_end(args);
  merror_detail::deliver_trace(line);
}

int _MTrace_SetLevel(const char* module, int level) {
  if (is_default(module)) return default_level.exchange(level);
  OtherLevels& others = other_levels();
  std::lock_guard<std::mutex> lock(others.mutex);
  int& stored = others.levels[module];
  const int previous = stored;
  stored = level;
  return previous;
}
