#include "msleep_platform.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

void msleep_platform_milliseconds(uint32_t milliseconds) { Sleep(milliseconds); }
