#include "msleep_platform.h"

#include <windows.h>

void msleep_platform_milliseconds(uint32_t milliseconds) { Sleep(milliseconds); }
