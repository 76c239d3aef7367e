// Machine commands on probes and probe systems: define, delete, load and unload, and the probe
// offset. The probe commands keep no parameters (probe and tip numbers go to the factory only);
// the probe-system commands keep the name and id they act on.
#pragma once

#include <cstdint>
#include <string>

#include "mmachaxisrecords.h"
#include "mmachcommand.h"
#include "mmachmachinerecords.h"

class MMachProbeDefineCommand : public MMachCommand {
 public:
  explicit MMachProbeDefineCommand(MOutputChannel* output) : MMachCommand(output) {}
  const char* GetName() const override { return "probe define"; }
};

class MMachProbeDeleteCommand : public MMachCommand {
 public:
  explicit MMachProbeDeleteCommand(MOutputChannel* output) : MMachCommand(output) {}
  const char* GetName() const override { return "probe delete"; }
};

class MMachProbeLoadCommand : public MMachCommand {
 public:
  explicit MMachProbeLoadCommand(MOutputChannel* output) : MMachCommand(output) {}
  const char* GetName() const override { return "probe load"; }
};

class MMachProbeOffsetCommand : public MMachCommand {
 public:
  MMachProbeOffsetCommand(MOutputChannel* output, const MMachDestinationPara& destination)
      : MMachCommand(output), destination(destination) {}
  const char* GetName() const override { return "probe offset"; }

  MMachDestinationPara destination;
};

class MMachProbeUnloadCommand : public MMachCommand {
 public:
  explicit MMachProbeUnloadCommand(MOutputChannel* output) : MMachCommand(output) {}
  const char* GetName() const override { return "probe unload"; }
};

class MMachProbesystemDefineCommand : public MMachCommand {
 public:
  MMachProbesystemDefineCommand(MOutputChannel* output, const MMachProbesystemInfo& info)
      : MMachCommand(output), info(info) {}
  const char* GetName() const override { return "probesystem define"; }

  MMachProbesystemInfo info;
};

class MMachProbesystemDeleteCommand : public MMachCommand {
 public:
  MMachProbesystemDeleteCommand(MOutputChannel* output, const std::string& name, uint32_t id)
      : MMachCommand(output), name(name), id(id) {}
  const char* GetName() const override { return "probesystem delete"; }

  std::string name;
  uint32_t id;
};

class MMachProbesystemLoadCommand : public MMachCommand {
 public:
  MMachProbesystemLoadCommand(MOutputChannel* output, const std::string& name, uint32_t id)
      : MMachCommand(output), name(name), id(id) {}
  const char* GetName() const override { return "probesystem load"; }

  std::string name;
  uint32_t id;
};

class MMachProbesystemUnloadCommand : public MMachCommand {
 public:
  explicit MMachProbesystemUnloadCommand(MOutputChannel* output) : MMachCommand(output) {}
  const char* GetName() const override { return "probesystem unload"; }
};
