// Machine commands on image FIFOs, the shared-memory blocks of camera images: create, delete,
// reset and select. Create and delete keep the machine whose `imagefifos` they change (not
// owned; it outlives the command) and do all their work in their first IsDone().
//
// Block layout (little-endian, offsets from the block start; the 64-bit layout in brackets):
//   0      layout word 0x0104 [0x0108]; byte 1 is cleared before the block is released
//   4 [8]  slot size, 8 [16] number of slots, 12 [24] 0, 16 [32] offset of the slot states
//   32 [64] the image slots; then, at the next multiple of 4 [8], one state word per slot, 0
// The 32-bit layout lays out at most the first 4 GiB of a (larger, existing) block.
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
  // Creates or links the block `name` and lays it out for images of the machine's current
  // image format, then records it in the machine's `imagefifos` (replacing an entry of that
  // name). Failures end the command with an error in the channel: 22 without an image format,
  // 48 without a block, 49 when not one image fits (the block is released again).
  bool IsDone() override;
  void Abort() override {}
  const char* GetName() const override { return "imagefifo create"; }

  MMachAbstract* machine;
  std::string name;
  uint64_t size;  // the requested size; replaced by the size of the block obtained
  // Requests the 64-bit layout, which a size above 2^31 - 1 gets anyway. The factory passes
  // only name and size: a machine whose image consumers read the 64-bit layout sets this on
  // the new command before handing it out.
  bool wide = false;

 private:
  bool done = false;
};

class MMachImagefifoDeleteCommand : public MMachCommand {
 public:
  MMachImagefifoDeleteCommand(MOutputChannel* output, MMachAbstract* machine,
                              const std::string& name)
      : MMachCommand(output), machine(machine), name(name) {}
  // Releases the block recorded under `name` (found through the machine's FindImagefifo) and
  // removes the entry, also when the release fails (error 16). An unknown name: error 3.
  bool IsDone() override;
  void Abort() override {}
  const char* GetName() const override { return "imagefifo delete"; }

  MMachAbstract* machine;
  std::string name;

 private:
  bool done = false;
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
