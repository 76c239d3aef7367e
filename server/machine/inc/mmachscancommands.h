// Machine commands that scan, and the choice of the scandata axes. The scan commands add
// GetData() after the operations of MMachCommand: the server collects the scan values with it
// between polls. Each command keeps a copy of its factory's parameters.
#pragma once

#include <vector>

#include "mmachaxisrecords.h"
#include "mmachcommand.h"
#include "mmachparameterrecords.h"

class MMachScanCommand : public MMachCommand {
 public:
  MMachScanCommand(MOutputChannel* output, const MMachMovementPara& movement)
      : MMachCommand(output), movement(movement) {}
  const char* GetName() const override { return "scan"; }
  // Hands the scan values that are ready to the caller; true when it delivered values.
  virtual bool GetData(std::vector<double>& values) = 0;

  MMachMovementPara movement;
};

class MMachScanbaseCommand : public MMachCommand {
 public:
  MMachScanbaseCommand(MOutputChannel* output, const MMachAxesSet& axes)
      : MMachCommand(output), axes(axes) {}
  const char* GetName() const override { return "scanbase"; }

  MMachAxesSet axes;
};

class MMachScancircleCommand : public MMachCommand {
 public:
  MMachScancircleCommand(MOutputChannel* output, const MMachCirclePara& circle)
      : MMachCommand(output), circle(circle) {}
  const char* GetName() const override { return "scancircle"; }
  // As MMachScanCommand::GetData.
  virtual bool GetData(std::vector<double>& values) = 0;

  MMachCirclePara circle;
};

class MMachScanconeCommand : public MMachCommand {
 public:
  MMachScanconeCommand(MOutputChannel* output, const MMachConePara& cone)
      : MMachCommand(output), cone(cone) {}
  const char* GetName() const override { return "scancone"; }
  // As MMachScanCommand::GetData.
  virtual bool GetData(std::vector<double>& values) = 0;

  MMachConePara cone;
};

// Chooses the axes whose values the following scans record, in this order.
class MMachScandataCommand : public MMachCommand {
 public:
  MMachScandataCommand(MOutputChannel* output, const MMachAxesVector& axes)
      : MMachCommand(output), axes(axes) {}
  const char* GetName() const override { return "scandata"; }

  MMachAxesVector axes;
};

class MMachScanpointCommand : public MMachCommand {
 public:
  MMachScanpointCommand(MOutputChannel* output, const MMachMovementPara& movement)
      : MMachCommand(output), movement(movement) {}
  const char* GetName() const override { return "scanpoint"; }
  // As MMachScanCommand::GetData.
  virtual bool GetData(std::vector<double>& values) = 0;

  MMachMovementPara movement;
};

class MMachScanpolyCommand : public MMachCommand {
 public:
  MMachScanpolyCommand(MOutputChannel* output, const MMachMovepolyPara& poly)
      : MMachCommand(output), poly(poly) {}
  const char* GetName() const override { return "scanpoly"; }
  // As MMachScanCommand::GetData.
  virtual bool GetData(std::vector<double>& values) = 0;

  MMachMovepolyPara poly;
};
