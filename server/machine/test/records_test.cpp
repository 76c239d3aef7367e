#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "mmachaxisrecords.h"
#include "mmachmachinerecords.h"
#include "mmachparameterrecords.h"

namespace {

using Axis = MMachAxisInfo;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr uint32_t kNotAvailable = Axis::kNotAvailable;

// A fully populated axis; each case changes one or both sides.
Axis rotary_axis() {
  Axis info;
  info.name = "c";
  info.flags = Axis::kPeriodic | Axis::kHasRange;
  info.resolution = 0.001;
  info.max_speed = 90.0;
  info.max_accel = 180.0;
  info.range_min = -180.0;
  info.range_max = 180.0;
  info.period = 0.0;
  info.discrete_values = {1.0, 2.0};
  return info;
}

TEST(AxisInfoEqualityTest, ComparesOnlyWhatTheFlagsMakeSignificant) {
  const struct {
    const char* what;
    void (*change)(Axis& a, Axis& b);
    bool equal;
  } cases[] = {
      {"identical", [](Axis&, Axis&) {}, true},
      {"names differ although both unavailable",
       [](Axis& a, Axis& b) { a.flags = b.flags |= kNotAvailable, b.name.assign(1, 'C'); }, false},
      {"both unavailable, everything else differs",
       [](Axis& a, Axis& b) {
         a.flags = kNotAvailable;
         b.flags |= kNotAvailable, b.resolution = kNaN, b.period = 5.0, b.discrete_values = {7.0};
       },
       true},
      {"only one unavailable", [](Axis& a, Axis&) { a.flags |= kNotAvailable; }, false},
      {"always significant value differs", [](Axis& a, Axis&) { a.max_accel = 181.0; }, false},
      {"range differs with range bit", [](Axis& a, Axis&) { a.range_max = 170.0; }, false},
      {"range differs without range bit",
       [](Axis& a, Axis& b) { a.flags = b.flags = Axis::kPeriodic, a.range_max = 170.0; }, true},
      {"period and discrete values ignored without period bits",
       [](Axis& a, Axis& b) { a.flags = b.flags = 0, a.period = 1.0, b.discrete_values = {3.0}; }, true},
      {"period differs", [](Axis& a, Axis&) { a.period = 360.0; }, false},
      {"discrete values differ with period 0", [](Axis&, Axis& b) { b.discrete_values = {1.0, 2.0, 3.0}; }, false},
      {"discrete values ignored with non-zero period",
       [](Axis& a, Axis& b) { a.period = b.period = 360.0, b.discrete_values = {1.0, 2.0, 3.0}; }, true},
      {"discrete bit alone makes the values significant",
       [](Axis& a, Axis& b) { a.flags = b.flags = Axis::kDiscrete, b.discrete_values = {1.0}; }, false},
      {"NaN in an always significant value", [](Axis& a, Axis& b) { a.resolution = b.resolution = kNaN; }, false},
      {"NaN in a significant range", [](Axis& a, Axis& b) { a.range_min = b.range_min = kNaN; }, false},
      {"NaN in significant discrete values",
       [](Axis& a, Axis& b) { a.discrete_values = b.discrete_values = {kNaN}; }, false},
  };
  for (const auto& c : cases) {
    Axis a = rotary_axis();
    Axis b = rotary_axis();
    c.change(a, b);
    EXPECT_EQ(a == b, c.equal) << c.what;
    EXPECT_EQ(b == a, c.equal) << c.what;
  }
}

TEST(ComponentInfoEqualityTest, NameAndVersionFirstThenAvailabilityThenFlags) {
  const struct {
    const char* what;
    MMachComponentInfo a, b;
    bool equal;
  } cases[] = {
      {"identical", {"a", "1.00", 3}, {"a", "1.00", 3}, true},
      {"names differ", {"a", "1", 3}, {"b", "1", 3}, false},
      {"versions differ, both unavailable", {"a", "1", 8}, {"a", "2", 8}, false},
      {"both unavailable, other bits differ", {"a", "1", 9}, {"a", "1", 10}, true},
      {"only one unavailable", {"a", "1", 0xb}, {"a", "1", 0x3}, false},
      {"flags differ", {"a", "1", 0x1}, {"a", "1", 0x3}, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.a == c.b, c.equal) << c.what;
    EXPECT_EQ(c.b == c.a, c.equal) << c.what;
  }
}

TEST(RecordDefaultsTest, MovementNamesCartesianAxesAndComponentsAreReadWrite) {
  const MMachMovementPara movement;
  EXPECT_TRUE(movement.xaxis == "x" && movement.yaxis == "y" && movement.zaxis == "z" && !movement.flag);
  EXPECT_EQ(MMachComponentInfo{}.flags, 3u);
}

}  // namespace
