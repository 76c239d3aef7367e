// Machine commands that act on the machine as a whole: idle, reset, component transfer
// (receive, send), component values (set) and wobble. Each command keeps a copy of its
// factory's parameters; the machine that implements it supplies IsDone() and Abort().
#pragma once

#include <map>
#include <string>

#include "mmachcommand.h"
#include "mmachparameterrecords.h"

class MMachIdleCommand : public MMachCommand {
 public:
  explicit MMachIdleCommand(MOutputChannel* output) : MMachCommand(output) {}
  const char* GetName() const override { return "idle"; }
};

class MMachResetCommand : public MMachCommand {
 public:
  explicit MMachResetCommand(MOutputChannel* output) : MMachCommand(output) {}
  const char* GetName() const override { return "reset"; }
};

// Fetches the contents of a component; the machine fills `data` by the time the command is done.
class MMachReceiveCommand : public MMachCommand {
 public:
  MMachReceiveCommand(MOutputChannel* output, const std::string& component)
      : MMachCommand(output), component(component) {}
  const char* GetName() const override { return "receive"; }

  std::string component;
  std::string data;  // the result, read by the server once the command is done
};

// Stores `data` as the new contents of a component.
class MMachSendCommand : public MMachCommand {
 public:
  MMachSendCommand(MOutputChannel* output, const std::string& component, const std::string& data)
      : MMachCommand(output), component(component), data(data) {}
  const char* GetName() const override { return "send"; }

  std::string component;
  std::string data;
};

// Sets values by component name.
class MMachSetCommand : public MMachCommand {
 public:
  MMachSetCommand(MOutputChannel* output, const std::map<std::string, double>& values)
      : MMachCommand(output), values(values) {}
  const char* GetName() const override { return "set"; }

  std::map<std::string, double> values;
};

class MMachWobbleCommand : public MMachCommand {
 public:
  MMachWobbleCommand(MOutputChannel* output, const MMachWobbleParameters& parameters)
      : MMachCommand(output), parameters(parameters) {}
  const char* GetName() const override { return "wobble"; }

  MMachWobbleParameters parameters;
};
