// Where error-log entries and trace lines go. The default is standard error for both; a file or
// a callback replaces it. The records here are also what the test capture (merrcapture.h) sees.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct MErrTraceEntry {
  std::string file;
  int line = 0;
  std::string text;
};

// One error-log entry; `trace` holds the entries of a dumped error-trace context, oldest first.
struct MErrLogRecord {
  std::string file;
  int line = 0;
  std::string text;
  std::vector<MErrTraceEntry> trace;
};

using MErrLogCallback = std::function<void(const MErrLogRecord&)>;
using MTraceCallback = std::function<void(const MErrTraceEntry&)>;

// Each setter answers the callback it replaces, so that a caller can restore it. An empty
// callback means "write to the file, or to standard error when no file is set".
MErrLogCallback MErrLog_SetCallback(MErrLogCallback callback);
MTraceCallback MTrace_SetCallback(MTraceCallback callback);
// Appends to `path` from now on (null: back to standard error); false when it cannot be opened.
bool MErrLog_SetFile(const char* path);
bool MTrace_SetFile(const char* path);

// A copy of the current error-trace context's entries of this thread.
std::vector<MErrTraceEntry> MErrTrace_GetContextEntries();
