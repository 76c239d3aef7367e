// The persistent error log: entries a user of the machine should see. By default they go to
// standard error; merrsinks.h redirects them to a file or a callback. Safe from any thread.
#pragma once

#include "mprintfformat.h"

// Remembers the reporting place of this thread's next error-log entry (the first argument is unused).
void _MErrLog_Location(int unused, const char* file, int line);
// Writes one entry at the remembered place.
void _MErrLog_Add(const char* format, ...) M_PRINTF_FORMAT(1, 2);

// One error-log entry reported from the calling place.
#define MERRLOG(...) (_MErrLog_Location(0, __FILE__, __LINE__), _MErrLog_Add(__VA_ARGS__))
