// Machine commands on image FIFOs, the shared-memory blocks of camera images: create, delete,
// reset and select. Create and delete keep the machine whose `imagefifos` they change (not
// owned; it outlives the command).
#pragma once

#include <cstdint>
#include <string>

#include "mmachcommand.h"

class MMachAbstract;

class MMachImagefifoCreateCommand : public MMachCommand {
 public:
  MMachImagefifoCreateCommand(MOutputChannel* output, MMachAbstract* machine,
                              const std::string& name, uint64_t size)
      : MMachCommand(output), machine(machine), name(name), size(size) {}
  const char* GetName() const override { return "imagefifo create"; }

  MMachAbstract* machine;
  std::string name;
  uint64_t size;      // the requested size; replaced by the size of the block obtained
  bool wide = false;  // requests the 64-bit layout
};

class MMachImagefifoDeleteCommand : public MMachCommand {
 public:
  MMachImagefifoDeleteCommand(MOutputChannel* output, MMachAbstract* machine,
                              const std::string& name)
      : MMachCommand(output), machine(machine), name(name) {}
  const char* GetName() const override { return "imagefifo delete"; }

  MMachAbstract* machine;
  std::string name;
};

class MMachImagefifoResetCommand : public MMachCommand {
 public:
  explicit MMachImagefifoResetCommand(MOutputChannel* output) : MMachCommand(output) {}
  const char* GetName() const override { return "imagefifo reset"; }
};

class MMachImagefifoSelectCommand : public MMachCommand {
 public:
  MMachImagefifoSelectCommand(MOutputChannel* output, const std::string& name)
      : MMachCommand(output), name(name) {}
  const char* GetName() const override { return "imagefifo select"; }

  std::string name;
};
