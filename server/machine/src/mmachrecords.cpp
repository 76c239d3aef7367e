#include "mmachaxisrecords.h"
#include "mmachmachinerecords.h"

#include <algorithm>

bool operator==(const MMachAxisInfo& a, const MMachAxisInfo& b) {
  if (a.name != b.name) return false;
  if ((a.flags & MMachAxisInfo::kNotAvailable) && (b.flags & MMachAxisInfo::kNotAvailable)) {
    return true;
  }
  if (a.flags != b.flags) return false;
  if (!(a.resolution == b.resolution && a.max_speed == b.max_speed && a.max_accel == b.max_accel)) {
    return false;
  }
  if ((a.flags & MMachAxisInfo::kHasRange) &&
      !(a.range_min == b.range_min && a.range_max == b.range_max)) {
    return false;
  }
  if ((a.flags & MMachAxisInfo::kPeriodGroup) == 0) return true;
  if (!(a.period == b.period)) return false;
  if (a.period != 0.0) return true;
  return std::equal(a.discrete_values.begin(), a.discrete_values.end(),
                    b.discrete_values.begin(), b.discrete_values.end(),
                    [](double x, double y) { return x == y; });
}

bool operator==(const MMachComponentInfo& a, const MMachComponentInfo& b) {
  if (a.name != b.name || a.version != b.version) return false;
  if ((a.flags & MMachComponentInfo::kNotAvailable) &&
      (b.flags & MMachComponentInfo::kNotAvailable)) {
    return true;
  }
  return a.flags == b.flags;
}
