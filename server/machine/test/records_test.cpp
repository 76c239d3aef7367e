#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>

#include "mmachaxisrecords.h"
#include "mmachmachinerecords.h"
#include "mmachparameterrecords.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A fully populated axis; each case changes one or both sides.
MMachAxisInfo rotary_axis() {
  MMachAxisInfo info;
  info.name = "c";
  info.flags = MMachAxisInfo::kPeriodic | MMachAxisInfo::kHasRange;
  info.resolution = 0.001;
  info.max_speed = 90.0;
  info.max_accel = 180.0;
  info.range_min = -180.0;
  info.range_max = 180.0;
  info.period = 0.0;
  info.discrete_values = {1.0, 2.0};
  return info;
}

struct AxisCase {
  const char* what;
  std::function<void(MMachAxisInfo&)> change_a;
  std::function<void(MMachAxisInfo&)> change_b;
  bool equal;
};

void none(MMachAxisInfo&) {}

std::ostream& operator<<(std::ostream& os, const AxisCase& c) { return os << c.what; }

class AxisInfoEqualityTest : public ::testing::TestWithParam<AxisCase> {};

TEST_P(AxisInfoEqualityTest, ComparesOnlyWhatTheFlagsMakeSignificant) {
  MMachAxisInfo a = rotary_axis();
  MMachAxisInfo b = rotary_axis();
  GetParam().change_a(a);
  GetParam().change_b(b);
  EXPECT_EQ(a == b, GetParam().equal);
  EXPECT_EQ(b == a, GetParam().equal);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, AxisInfoEqualityTest,
    ::testing::Values(
        AxisCase{"identical", none, none, true},
        AxisCase{"names differ although both unavailable",
                 [](MMachAxisInfo& a) { a.flags |= MMachAxisInfo::kNotAvailable; },
                 [](MMachAxisInfo& b) {
                   b.name = "C";
                   b.flags |= MMachAxisInfo::kNotAvailable;
                 },
                 false},
        AxisCase{"both unavailable, everything else differs",
                 [](MMachAxisInfo& a) { a.flags = MMachAxisInfo::kNotAvailable; },
                 [](MMachAxisInfo& b) {
                   b.flags |= MMachAxisInfo::kNotAvailable;
                   b.resolution = kNaN;
                   b.period = 5.0;
                   b.discrete_values = {7.0};
                 },
                 true},
        AxisCase{"only one unavailable",
                 [](MMachAxisInfo& a) { a.flags |= MMachAxisInfo::kNotAvailable; }, none, false},
        AxisCase{"always significant value differs",
                 [](MMachAxisInfo& a) { a.max_accel = 181.0; }, none, false},
        AxisCase{"range differs with range bit",
                 [](MMachAxisInfo& a) { a.range_max = 170.0; }, none, false},
        AxisCase{"range differs without range bit",
                 [](MMachAxisInfo& a) {
                   a.flags = MMachAxisInfo::kPeriodic;
                   a.range_max = 170.0;
                 },
                 [](MMachAxisInfo& b) { b.flags = MMachAxisInfo::kPeriodic; }, true},
        AxisCase{"period and discrete values ignored without period bits",
                 [](MMachAxisInfo& a) {
                   a.flags = 0;
                   a.period = 1.0;
                 },
                 [](MMachAxisInfo& b) {
                   b.flags = 0;
                   b.discrete_values = {3.0};
                 },
                 true},
        AxisCase{"period differs", [](MMachAxisInfo& a) { a.period = 360.0; }, none, false},
        AxisCase{"discrete values differ with period 0", none,
                 [](MMachAxisInfo& b) { b.discrete_values = {1.0, 2.0, 3.0}; }, false},
        AxisCase{"discrete values ignored with non-zero period",
                 [](MMachAxisInfo& a) { a.period = 360.0; },
                 [](MMachAxisInfo& b) {
                   b.period = 360.0;
                   b.discrete_values = {1.0, 2.0, 3.0};
                 },
                 true},
        AxisCase{"discrete bit alone makes the values significant",
                 [](MMachAxisInfo& a) { a.flags = MMachAxisInfo::kDiscrete; },
                 [](MMachAxisInfo& b) {
                   b.flags = MMachAxisInfo::kDiscrete;
                   b.discrete_values = {1.0};
                 },
                 false},
        AxisCase{"NaN in an always significant value",
                 [](MMachAxisInfo& a) { a.resolution = kNaN; },
                 [](MMachAxisInfo& b) { b.resolution = kNaN; }, false},
        AxisCase{"NaN in a significant range", [](MMachAxisInfo& a) { a.range_min = kNaN; },
                 [](MMachAxisInfo& b) { b.range_min = kNaN; }, false},
        AxisCase{"NaN in significant discrete values",
                 [](MMachAxisInfo& a) { a.discrete_values = {kNaN}; },
                 [](MMachAxisInfo& b) { b.discrete_values = {kNaN}; }, false}));

struct ComponentCase {
  const char* what;
  MMachComponentInfo a;
  MMachComponentInfo b;
  bool equal;
};

std::ostream& operator<<(std::ostream& os, const ComponentCase& c) { return os << c.what; }

class ComponentInfoEqualityTest : public ::testing::TestWithParam<ComponentCase> {};

TEST_P(ComponentInfoEqualityTest, NameAndVersionFirstThenAvailabilityThenFlags) {
  EXPECT_EQ(GetParam().a == GetParam().b, GetParam().equal);
  EXPECT_EQ(GetParam().b == GetParam().a, GetParam().equal);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ComponentInfoEqualityTest,
    ::testing::Values(
        ComponentCase{"identical", {"a", "1.00", 3}, {"a", "1.00", 3}, true},
        ComponentCase{"names differ", {"a", "1", 3}, {"b", "1", 3}, false},
        ComponentCase{"versions differ, both unavailable", {"a", "1", 8}, {"a", "2", 8}, false},
        ComponentCase{"both unavailable, other bits differ", {"a", "1", 9}, {"a", "1", 10}, true},
        ComponentCase{"only one unavailable", {"a", "1", 0xb}, {"a", "1", 0x3}, false},
        ComponentCase{"flags differ", {"a", "1", 0x1}, {"a", "1", 0x3}, false}));

TEST(RecordDefaultsTest, MovementNamesCartesianAxesAndComponentsAreReadWrite) {
  const MMachMovementPara movement;
  EXPECT_EQ(movement.xaxis, "x");
  EXPECT_EQ(movement.yaxis, "y");
  EXPECT_EQ(movement.zaxis, "z");
  EXPECT_FALSE(movement.flag);
  EXPECT_EQ(MMachComponentInfo{}.flags, 3u);
}

}  // namespace
