// Parameter records of the machine commands: movements, polygons, circles, cones and the wobble
// parameters. Plain values that a command copies from its factory's arguments; the proxy reads
// the fields it needs and hands the rest on unchanged.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "mmachaxisrecords.h"

// A move or scan: the targets, the axes that follow, and which axes count as Cartesian x, y, z.
struct MMachMovementPara {
  MMachPositionMap positions;
  MMachAxesSet tracking;
  std::string xaxis = "x";
  std::string yaxis = "y";
  std::string zaxis = "z";
  bool flag = false;

  friend bool operator==(const MMachMovementPara&, const MMachMovementPara&) = default;
};

// A polygon move or scan: one position map per point.
struct MMachMovepolyPara {
  std::vector<MMachPositionMap> points;
  MMachAxesSet tracking;

  friend bool operator==(const MMachMovepolyPara&, const MMachMovepolyPara&) = default;
};

// A circle: `point` gives the targets of the x, y and z axes; a `direction` component above
// 1e-8 in magnitude makes the other two axes move.
struct MMachCirclePara {
  std::array<double, 3> point{};
  std::array<double, 3> direction{};
  double angle = 0.0;
  MMachMovementPara movement;

  friend bool operator==(const MMachCirclePara&, const MMachCirclePara&) = default;
};

// A cone: the circle's fields, then a `taper` above 1e-8 in magnitude moves all three axes.
struct MMachConePara {
  std::array<double, 3> point{};
  std::array<double, 3> direction{};
  double angle = 0.0;
  MMachMovementPara movement;
  double taper = 0.0;
  double pitch = 0.0;

  friend bool operator==(const MMachConePara&, const MMachConePara&) = default;
};

// Parameters of the wobble operation; all zero by default.
struct MMachWobbleParameters {
  std::array<double, 6> values{};

  friend bool operator==(const MMachWobbleParameters&, const MMachWobbleParameters&) = default;
};
