#include "msleep_sec.h"

#include "errtrace.h"
#include "msleep_platform.h"

namespace {

constexpr double kMaxSeconds = 2678400.0;  // 31 days

}  // namespace

int msleep_sec(double seconds) {
  if (!(seconds >= 0.0 && seconds <= kMaxSeconds)) {  // NaN fails as well
    MERRTRACE("msleep_sec(): invalid argument");
    return -1;
  }
  msleep_platform_milliseconds(static_cast<uint32_t>(seconds * 1000.0));
  return 0;
}
