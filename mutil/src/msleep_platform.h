// The platform's sleep of the calling thread, behind msleep_sec.
#pragma once

#include <cstdint>

void msleep_platform_milliseconds(uint32_t milliseconds);
