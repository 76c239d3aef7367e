#include "errlog.h"

#include <cstdarg>

#include "diagnostics_state.h"

namespace {
thread_local merror_detail::Place pending_log_place;
}

void _MErrLog_Location(int /*unused*/, const char* file, int line) {
  pending_log_place = {file, line};
}

void _MErrLog_Add(const char* format, ...) {
  const merror_detail::Place place = merror_detail::take_place(pending_log_place);
  va_list args;
  va_start(args, format);
  MErrLogRecord record{place.file, place.line, merror_detail::vformat(format, args), {}};
  va_end(args);
  merror_detail::deliver_log(record);
}
