// Axis records of the machine interface: what a machine says about one axis, the target of an
// axis in a position map, and the containers of axis names that commands and queries take.
// Plain values with deep copy; names compare byte for byte, which is also their order.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

// One axis of a machine.
struct MMachAxisInfo {
  // Flag bits. Either period bit makes `period` and `discrete_values` significant.
  static constexpr uint32_t kPeriodic = 0x1;      // the axis repeats after `period` (rotary axis)
  static constexpr uint32_t kDiscrete = 0x4;      // the axis takes only the `discrete_values`
  static constexpr uint32_t kPeriodGroup = kPeriodic | kDiscrete;
  static constexpr uint32_t kHasRange = 0x8;      // `range_min` and `range_max` are significant
  static constexpr uint32_t kNotAvailable = 0x10; // listed, but counts as absent

  std::string name;
  uint32_t flags = 0;
  double resolution = 0.0;
  double max_speed = 0.0;
  double max_accel = 0.0;
  double range_min = 0.0;
  double range_max = 0.0;
  double period = 0.0;
  std::set<double> discrete_values;  // significant only when `period` is 0

  bool IsAvailable() const { return (flags & kNotAvailable) == 0; }

  // Compares only what the flags make significant; two unavailable axes of one name are equal.
  // Numbers compare as doubles, so a NaN never equals anything (not even itself).
  friend bool operator==(const MMachAxisInfo& a, const MMachAxisInfo& b);
};

// The value stored per axis in a position map; `flag` false marks the endless scan over "time".
struct MMachAxisTarget {
  double value = 0.0;
  bool flag = false;

  friend bool operator==(const MMachAxisTarget&, const MMachAxisTarget&) = default;
};

// Axis names without values (init, keypad, spin, possibility queries).
using MMachAxesSet = std::set<std::string>;
// Axis names whose position matters: results are mapped back by index (get, autoinfo, scandata).
using MMachAxesVector = std::vector<std::string>;
// A switch per axis.
using MMachAxesBoolMap = std::map<std::string, bool>;
// A target per axis: one point of a move.
using MMachPositionMap = std::map<std::string, MMachAxisTarget>;
// The destination of a move (position axes only).
using MMachDestinationPara = MMachPositionMap;
