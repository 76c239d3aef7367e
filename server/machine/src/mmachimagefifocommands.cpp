#include "mmachimagefifocommands.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "errlog.h"
#include "errtrace.h"
#include "mmachabstract.h"
#include "msharedmem.h"
#include "trace.h"

namespace {

// The two block layouts differ only in their word size.
struct Layout {
  uint64_t word;       // size of a header field and of a slot-state word
  uint64_t header;     // where the image slots begin
  uint64_t max_total;  // the part of a block that the layout's offsets can address
};
constexpr Layout kLayout32{4, 32, UINT32_MAX};
constexpr Layout kLayout64{8, 64, UINT64_MAX};

// Bytes per image; a format too large for 64 bits gives the largest size, which fits no block.
uint64_t image_size(const MMachImageFormat& format) {
  const uint64_t pixels = uint64_t{format.width} * format.height;
  if (format.bytes_per_pixel != 0 && pixels > UINT64_MAX / format.bytes_per_pixel) {
    return UINT64_MAX;
  }
  return pixels * format.bytes_per_pixel;
}

// How many slots, each with its state word, fit behind the header of a block of `total` bytes,
// leaving room to align the state array (word - 1 bytes).
uint64_t slot_count(const Layout& layout, uint64_t total, uint64_t slot_size) {
  total = std::min(total, layout.max_total);
  const uint64_t reserved = layout.header + layout.word - 1;
  if (total < reserved || slot_size > total) return 0;
  return (total - reserved) / (slot_size + layout.word);
}

void store_little_endian(unsigned char* at, uint64_t value, uint64_t width) {
  for (uint64_t byte = 0; byte < width; ++byte) {
    at[byte] = static_cast<unsigned char>(value >> (8 * byte));
  }
}

// Writes the header and zeroes the state array, which starts at the first multiple of the
// word size (as an address) behind the slots.
void write_layout(unsigned char* block, const Layout& layout, uint64_t slots, uint64_t slot_size) {
  const uintptr_t start = reinterpret_cast<uintptr_t>(block);
  const uintptr_t slots_end = start + layout.header + slots * slot_size;
  const uint64_t state_offset = (slots_end + layout.word - 1) / layout.word * layout.word - start;
  block[0] = static_cast<unsigned char>(layout.word);
  block[1] = 1;
  store_little_endian(block + 1 * layout.word, slot_size, layout.word);
  store_little_endian(block + 2 * layout.word, slots, layout.word);
  store_little_endian(block + 3 * layout.word, 0, layout.word);
  store_little_endian(block + 4 * layout.word, state_offset, layout.word);
  std::memset(block + state_offset, 0, static_cast<size_t>(slots * layout.word));
}

// Marks the layout as withdrawn for the block's other users, then drops this link.
bool release_block(void* block) {
  static_cast<unsigned char*>(block)[1] = 0;
  return MSharedMem_Unlink(block);
}

void write_error(MOutputChannel* output, uint32_t code) {
  if (output != nullptr) output->Error(code);
}

}  // namespace

bool MMachImagefifoCreateCommand::IsDone() {
  if (done) return true;
  MErrTraceContext context;
  done = true;

  const MMachImageFormat format = machine->GetImageFormat();
  const uint64_t slot_size = image_size(format);
  if (slot_size == 0) {
    MERRLOG("IsDone() [%s]: current probesystem (\"%s\" %u) is not an optical device", GetName(),
            machine->GetActiveProbesystem().c_str(), machine->GetActiveProbesystemId());
    write_error(output, kMErrorProbesystemNotLoaded);
    return true;
  }
  const bool wide_layout = size > 0x7fffffff || wide;
  const Layout& layout = wide_layout ? kLayout64 : kLayout32;

  void* const block = MSharedMem_LinkOrCreate(name.c_str(), size);
  if (block == nullptr) {
    MERRDUMP(context, "IsDone() [%s]: failed to create shared memory %s", GetName(), name.c_str());
    write_error(output, kMErrorCannotAccessSharedMemory);
    return true;
  }
  const uint64_t total = static_cast<uint64_t>(MSharedMem_GetSize(block));
  size = total;
  const uint64_t slots = slot_count(layout, total, slot_size);
  if (slots == 0) {
    MERRLOG("IsDone() [%s]: shared memory segment too small", GetName());
    write_error(output, kMErrorSharedMemoryTooSmall);
    if (total >= 2) {
      release_block(block);
    } else {
      MSharedMem_Unlink(block);  // no layout word to withdraw
    }
    return true;
  }

  write_layout(static_cast<unsigned char*>(block), layout, slots, slot_size);
  MTRACE(5, "IsDone() [%s]: imagefifo %s initialised with %zu total size, %zu slots, %zu slot size",
         GetName(), name.c_str(), static_cast<size_t>(total), static_cast<size_t>(slots),
         static_cast<size_t>(slot_size));
  machine->imagefifos[name] = MMachImagefifoEntry{format, wide_layout ? block : nullptr,
                                                  wide_layout ? nullptr : block, name};
  return true;
}

bool MMachImagefifoDeleteCommand::IsDone() {
  if (done) return true;
  MErrTraceContext context;
  done = true;

  const MMachImagefifoEntry* const entry = machine->FindImagefifo(name);
  if (entry == nullptr) {
    MERRLOG("IsDone() [%s]: no such buffer: %s", GetName(), name.c_str());
    write_error(output, kMErrorInvalidArgument);
    return true;
  }
  for (void* const block : {entry->buffer64, entry->buffer32}) {
    if (block == nullptr || release_block(block)) continue;
    MERRDUMP(context, "IsDone() [%s]: failed to delete shared memory at %p", GetName(), block);
    write_error(output, kMErrorInternal);
  }
  machine->imagefifos.erase(name);
  return true;
}
