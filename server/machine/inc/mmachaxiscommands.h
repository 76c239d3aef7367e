// Machine commands on named axes: reading values, initialising, keypad and spin switches, modulo.
// Each command keeps a copy of its factory's parameters; the machine that implements it supplies
// IsDone() and Abort().
#pragma once

#include <vector>

#include "mmachaxisrecords.h"
#include "mmachcommand.h"

// Reads the values of `axes`; the machine fills `values` in the same order.
class MMachGetCommand : public MMachCommand {
 public:
  MMachGetCommand(MOutputChannel* output, const MMachAxesVector& axes)
      : MMachCommand(output), axes(axes) {}
  const char* GetName() const override { return "get"; }

  MMachAxesVector axes;
  std::vector<double> values;  // the result, read by the server once the command is done
};

class MMachInitCommand : public MMachCommand {
 public:
  MMachInitCommand(MOutputChannel* output, const MMachAxesSet& axes)
      : MMachCommand(output), axes(axes) {}
  const char* GetName() const override { return "init"; }

  MMachAxesSet axes;
};

class MMachKeypadDisableCommand : public MMachCommand {
 public:
  MMachKeypadDisableCommand(MOutputChannel* output, const MMachAxesSet& axes)
      : MMachCommand(output), axes(axes) {}
  const char* GetName() const override { return "keypad disable"; }

  MMachAxesSet axes;
};

class MMachKeypadEnableCommand : public MMachCommand {
 public:
  MMachKeypadEnableCommand(MOutputChannel* output, const MMachAxesSet& axes)
      : MMachCommand(output), axes(axes) {}
  const char* GetName() const override { return "keypad enable"; }

  MMachAxesSet axes;
};

class MMachModuloCommand : public MMachCommand {
 public:
  MMachModuloCommand(MOutputChannel* output, const MMachAxesSet& axes)
      : MMachCommand(output), axes(axes) {}
  const char* GetName() const override { return "modulo"; }

  MMachAxesSet axes;
};

class MMachSpinDisableCommand : public MMachCommand {
 public:
  MMachSpinDisableCommand(MOutputChannel* output, const MMachAxesSet& axes)
      : MMachCommand(output), axes(axes) {}
  const char* GetName() const override { return "spin disable"; }

  MMachAxesSet axes;
};

class MMachSpinEnableCommand : public MMachCommand {
 public:
  MMachSpinEnableCommand(MOutputChannel* output, const MMachAxesBoolMap& axes)
      : MMachCommand(output), axes(axes) {}
  const char* GetName() const override { return "spin enable"; }

  MMachAxesBoolMap axes;
};
