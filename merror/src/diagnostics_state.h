// The state behind the three diagnostics services: sinks and trace levels (process-wide, under
// one mutex) and the pending report places (per thread).
#pragma once

#include <cstdarg>
#include <string>

#include "merrsinks.h"
#include "mprintfformat.h"

namespace merror_detail {

std::string vformat(const char* format, va_list args) M_PRINTF_FORMAT(1, 0);

void deliver_log(const MErrLogRecord& record);
void deliver_trace(const MErrTraceEntry& line);

// A place remembered by a *_Location call for the next entry of this thread.
struct Place {
  const char* file = "";
  int line = 0;
};
Place take_place(Place& pending);

}  // namespace merror_detail
