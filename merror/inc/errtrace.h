// The error trace: entries collected in a per-thread stack of contexts while a failure travels
// up the call chain; the operation that decides to report dumps its context to the error log.
// An ended context's entries are dropped. Entries added while no context is open are kept in
// a small per-thread root context (the most recent 64).
#pragma once

#include "mprintfformat.h"

void MErrTrace_BeginContext();
void MErrTrace_EndContext();
// Discards the entries of the current context.
void MErrTrace_ClearContext();
// Remembers the place of this thread's next entry or dump (the first argument is unused).
void _MErrTrace_Location(int unused, const char* file, int line);
// Adds one entry to the current context.
void _MErrTrace_Add(const char* format, ...) M_PRINTF_FORMAT(1, 2);
// Writes the current context's entries to the error log, headed by the formatted message.
// The entries stay in the context.
void _MErrTrace_DumpContextToMErrLog(const char* format, ...) M_PRINTF_FORMAT(1, 2);

// One error-trace entry from the calling place.
#define MERRTRACE(...) (_MErrTrace_Location(0, __FILE__, __LINE__), _MErrTrace_Add(__VA_ARGS__))

// A context for the lifetime of the object: begun on construction, ended on destruction.
class MErrTraceContext {
 public:
  MErrTraceContext();
  ~MErrTraceContext();
  MErrTraceContext(const MErrTraceContext&) = delete;
  MErrTraceContext& operator=(const MErrTraceContext&) = delete;

  // Reports the context: the message is cut to 254 characters (a cut first logs
  // "MErrTraceContext::DumpToMErrLog(): output string too long !"), then heads the entries.
  void DumpToMErrLog(const char* file, int line, const char* format, ...) M_PRINTF_FORMAT(4, 5);
  void Clear();
};

// Dumps `context` with a message from the calling place.
#define MERRDUMP(context, ...) (context).DumpToMErrLog(__FILE__, __LINE__, __VA_ARGS__)
