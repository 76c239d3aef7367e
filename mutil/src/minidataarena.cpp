#include "minidataarena.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

// A small file fits the first block; a large one takes blocks of up to 1 MB.
constexpr size_t kFirstBlockSize = 16 * 1024;
constexpr size_t kLargestBlockSize = 1024 * 1024;

// Bytes to skip from `at` to the next multiple of `alignment`.
size_t padding_of(const char* at, size_t alignment) {
  const auto address = reinterpret_cast<uintptr_t>(at);
  return (alignment - address % alignment) % alignment;
}

}  // namespace

void* MIniDataArena::Allocate(size_t size, size_t alignment) {
  size_t padding = next_ ? padding_of(next_, alignment) : 0;
  const auto room = static_cast<size_t>(end_ - next_);
  if (next_ == nullptr || padding > room || size > room - padding) {
    if (!next_block(size, alignment)) throw std::bad_alloc();
    padding = padding_of(next_, alignment);
  }
  char* at = next_ + padding;
  next_ = at + size;
  return at;
}

char* MIniDataArena::CopyText(std::string_view text) {
  auto* copy = static_cast<char*>(Allocate(text.size(), 1));
  if (!text.empty()) std::memcpy(copy, text.data(), text.size());
  return copy;
}

void MIniDataArena::Reset() {
  current_ = 0;
  next_ = blocks_.empty() ? nullptr : blocks_[0].memory.get();
  end_ = blocks_.empty() ? nullptr : next_ + blocks_[0].size;
}

// Moves on to the next kept block that can hold the request, or adds a new one.
bool MIniDataArena::next_block(size_t size, size_t alignment) {
  if (size > SIZE_MAX - alignment) return false;
  const size_t needed = size + alignment;
  for (size_t i = next_ == nullptr ? current_ : current_ + 1; i < blocks_.size(); ++i) {
    if (blocks_[i].size >= needed) {
      // A kept block too small for this request stays unused until the next Reset.
      current_ = i;
      next_ = blocks_[i].memory.get();
      end_ = next_ + blocks_[i].size;
      return true;
    }
  }
  const size_t grown = blocks_.empty() ? kFirstBlockSize : std::min(blocks_.back().size * 2, kLargestBlockSize);
  const size_t block_size = std::max(grown, needed);
  blocks_.push_back({std::unique_ptr<char[]>(new char[block_size]), block_size});
  current_ = blocks_.size() - 1;
  next_ = blocks_.back().memory.get();
  end_ = next_ + block_size;
  return true;
}
