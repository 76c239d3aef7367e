// One image FIFO of a machine: a named shared-memory block of image slots, recorded by the
// image FIFO create command and removed by the delete command. The block belongs to the
// shared-memory registry; the entry only points at it.
#pragma once

#include <string>

#include "mmachmachinerecords.h"

struct MMachImagefifoEntry {
  MMachImageFormat format;    // the image format when the FIFO was created
  void* buffer64 = nullptr;   // start of the block in the 64-bit layout, else null
  void* buffer32 = nullptr;   // start of the block in the 32-bit layout, else null
  std::string name;
};
