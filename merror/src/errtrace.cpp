#include "errtrace.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "diagnostics_state.h"
#include "errlog.h"

namespace {

constexpr size_t kRootContextLimit = 64;
constexpr size_t kDumpBufferSize = 255;

// contexts[0] is the root context; every begun context is pushed above it.
struct ThreadContexts {
  std::vector<std::vector<MErrTraceEntry>> contexts{1};
  merror_detail::Place pending;

  std::vector<MErrTraceEntry>& current() { return contexts.back(); }
};

thread_local ThreadContexts thread_contexts;

}  // namespace

void MErrTrace_BeginContext() { thread_contexts.contexts.emplace_back(); }

void MErrTrace_EndContext() {
  if (thread_contexts.contexts.size() > 1) thread_contexts.contexts.pop_back();
}

void MErrTrace_ClearContext() { thread_contexts.current().clear(); }

void _MErrTrace_Location(int /*unused*/, const char* file, int line) { thread_contexts.pending = {file, line}; }

void _MErrTrace_Add(const char* format, ...) {
  const merror_detail::Place place = merror_detail::take_place(thread_contexts.pending);
  va_list args;
  va_start(args, format);
  MErrTraceEntry entry{place.file, place.line, merror_detail::vformat(format, args)};
  va_end(args);
  std::vector<MErrTraceEntry>& context = thread_contexts.current();
  const bool at_root = thread_contexts.contexts.size() == 1;
  if (at_root && context.size() >= kRootContextLimit) context.erase(context.begin());
  context.push_back(std::move(entry));
}

void _MErrTrace_DumpContextToMErrLog(const char* format, ...) {
  const merror_detail::Place place = merror_detail::take_place(thread_contexts.pending);
  va_list args;
  va_start(args, format);
  MErrLogRecord record{place.file, place.line, merror_detail::vformat(format, args), thread_contexts.current()};
  va_end(args);
  merror_detail::deliver_log(record);
}

std::vector<MErrTraceEntry> MErrTrace_GetContextEntries() { return thread_contexts.current(); }

MErrTraceContext::MErrTraceContext() { MErrTrace_BeginContext(); }

MErrTraceContext::~MErrTraceContext() { MErrTrace_EndContext(); }

void MErrTraceContext::Clear() { MErrTrace_ClearContext(); }

void MErrTraceContext::DumpToMErrLog(const char* file, int line, const char* format, ...) {
  char text[kDumpBufferSize];
  va_list args;
  va_start(args, format);
  const int length = std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  if (length < 0 || static_cast<size_t>(length) >= sizeof text) {
    _MErrLog_Location(0, "merror/inc/errtrace", __LINE__);
    _MErrLog_Add("MErrTraceContext::DumpToMErrLog(): output string too long !");
  }
  _MErrTrace_Location(0, file, line);
  _MErrTrace_DumpContextToMErrLog("%s", text);
}
