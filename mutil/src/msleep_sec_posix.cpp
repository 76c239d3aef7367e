#include "msleep_platform.h"

#include <errno.h>
#include <time.h>

void msleep_platform_milliseconds(uint32_t milliseconds) {
  timespec remaining{static_cast<time_t>(milliseconds / 1000u), static_cast<long>(milliseconds % 1000u) * 1000000L};
  // A signal cuts the sleep short; sleep on for what is left, as Sleep would.
  while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
  }
}
