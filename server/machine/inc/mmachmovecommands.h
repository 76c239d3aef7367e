// Machine commands that move axes: linear moves, circles, cones, polygons, and the moves to the
// base, home and zero positions. Each command keeps a copy of its factory's parameters; the
// machine that implements it supplies IsDone() and Abort().
#pragma once

#include "mmachaxisrecords.h"
#include "mmachcommand.h"
#include "mmachparameterrecords.h"

class MMachMoveCommand : public MMachCommand {
 public:
  MMachMoveCommand(MOutputChannel* output, const MMachMovementPara& movement)
      : MMachCommand(output), movement(movement) {}
  const char* GetName() const override { return "move"; }

  MMachMovementPara movement;
};

class MMachMovebaseCommand : public MMachCommand {
 public:
  MMachMovebaseCommand(MOutputChannel* output, const MMachAxesSet& axes)
      : MMachCommand(output), axes(axes) {}
  const char* GetName() const override { return "movebase"; }

  MMachAxesSet axes;
};

class MMachMovecircleCommand : public MMachCommand {
 public:
  MMachMovecircleCommand(MOutputChannel* output, const MMachCirclePara& circle)
      : MMachCommand(output), circle(circle) {}
  const char* GetName() const override { return "movecircle"; }

  MMachCirclePara circle;
};

class MMachMoveconeCommand : public MMachCommand {
 public:
  MMachMoveconeCommand(MOutputChannel* output, const MMachConePara& cone)
      : MMachCommand(output), cone(cone) {}
  const char* GetName() const override { return "movecone"; }

  MMachConePara cone;
};

class MMachMovehomeCommand : public MMachCommand {
 public:
  explicit MMachMovehomeCommand(MOutputChannel* output) : MMachCommand(output) {}
  const char* GetName() const override { return "movehome"; }
};

class MMachMovepolyCommand : public MMachCommand {
 public:
  MMachMovepolyCommand(MOutputChannel* output, const MMachMovepolyPara& poly)
      : MMachCommand(output), poly(poly) {}
  const char* GetName() const override { return "movepoly"; }

  MMachMovepolyPara poly;
};

class MMachMovezeroCommand : public MMachCommand {
 public:
  MMachMovezeroCommand(MOutputChannel* output, const MMachMovementPara& movement)
      : MMachCommand(output), movement(movement) {}
  const char* GetName() const override { return "movezero"; }

  MMachMovementPara movement;
};
