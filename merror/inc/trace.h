// Leveled trace output, by module. Tracing is off (level 0) until a level is set; a line is
// written only when its level is at most the module's level. Lines go to standard error, a
// file or a callback (merrsinks.h). Safe to call from any thread.
#pragma once

#include "mprintfformat.h"

// Non-zero when tracing at `level` is enabled for `module`.
int _MTrace_TestLevel(const char* module, int level);
// Remembers where the next trace line of this thread comes from; non-zero when it is to be written.
int _MTrace_Location(const char* file, int line, const char* module, int level);
// Writes one trace line at the remembered location.
void _MTrace_Always(const char* format, ...) M_PRINTF_FORMAT(1, 2);
// Sets the level of a module; answers the level it had before.
int _MTrace_SetLevel(const char* module, int level);

// One informational line of module "default" at `level` (3 = overview .. 5 = detail).
#define MTRACE(level, ...)                                          \
  do {                                                              \
    if (_MTrace_TestLevel("default", (level)) &&                    \
        _MTrace_Location(__FILE__, __LINE__, "default", (level))) { \
      _MTrace_Always(__VA_ARGS__);                                  \
    }                                                               \
  } while (0)
