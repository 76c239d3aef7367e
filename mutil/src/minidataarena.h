// Memory of one ini data's lines, sections and entry tables: handed out in order from large
// blocks and given back all at once. Reset keeps the blocks, so that opening again reuses memory
// that is already mapped; the blocks are freed with the arena.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <string_view>
#include <type_traits>
#include <vector>

class MIniDataArena {
 public:
  MIniDataArena() = default;
  MIniDataArena(const MIniDataArena&) = delete;
  MIniDataArena& operator=(const MIniDataArena&) = delete;

  // `size` bytes aligned to `alignment` (a power of two); throws std::bad_alloc.
  void* Allocate(size_t size, size_t alignment);
  // A copy of `text` that lives until Reset (not terminated).
  char* CopyText(std::string_view text);

  // A value-initialised T; the arena never runs destructors, so T must not need one.
  template <class T>
  T* New() {
    static_assert(std::is_trivially_destructible_v<T>);
    return new (Allocate(sizeof(T), alignof(T))) T();
  }
  // An array of `count` null pointers.
  template <class T>
  T** NewPointers(size_t count) {
    auto** pointers = static_cast<T**>(Allocate(count * sizeof(T*), alignof(T*)));
    for (size_t i = 0; i < count; ++i) pointers[i] = nullptr;
    return pointers;
  }

  // Forgets everything handed out; the blocks stay for the next use.
  void Reset();

 private:
  struct Block {
    std::unique_ptr<char[]> memory;
    size_t size;
  };

  bool next_block(size_t size, size_t alignment);

  std::vector<Block> blocks_;
  size_t current_ = 0;  // the block being handed out; blocks_.size() when there is none
  char* next_ = nullptr;
  char* end_ = nullptr;
};
