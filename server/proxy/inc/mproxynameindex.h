// MProxyNameIndex: a hashed index of one of the proxy's name-keyed tables (the merged axis table,
// the combine functions), name to value, so that a lookup on every query does not compare names
// along a tree path. The table owns names and values; the index only points into its nodes and
// must be rebuilt whenever the table changes (and before the table is destroyed).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// One multiplication per eight bytes, the bytes read in at most two loads for names shorter than
// that: a byte-wise hash (a multiplication per byte, each waiting for the last) costs more than
// the rest of a lookup for names like "a2_17".
inline uint64_t mproxy_name_hash(std::string_view name) {
  // Every bit of `word` reaches the low bits that pick the slot (the finaliser of splitmix64).
  const auto mix = [](uint64_t hash, uint64_t word) {
    hash ^= word;
    hash = (hash ^ (hash >> 30)) * 0xbf58476d1ce4e5b9ull;
    hash = (hash ^ (hash >> 27)) * 0x94d049bb133111ebull;
    return hash ^ (hash >> 31);
  };
  const auto load = [](const char* at, size_t bytes) {
    uint64_t word = 0;
    std::memcpy(&word, at, bytes);
    return word;
  };
  const char* const text = name.data();
  const size_t size = name.size();
  uint64_t hash = size * 0x9e3779b97f4a7c15ull;
  if (size >= 8) {
    for (size_t at = 0; at + 8 < size; at += 8) hash = mix(hash, load(text + at, 8));
    return mix(hash, load(text + size - 8, 8));  // the last eight bytes, overlapping the loop's
  }
  if (size >= 4) return mix(hash, load(text, 4) | load(text + size - 4, 4) << 32);
  if (size > 0) {
    const auto byte = [text](size_t at) { return uint64_t{static_cast<unsigned char>(text[at])}; };
    return mix(hash, byte(0) << 16 | byte(size / 2) << 8 | byte(size - 1));
  }
  return hash;
}

template <class Value>
class MProxyNameIndex {
 public:
  using Table = std::map<std::string, Value>;

  // Indexes every entry of `table`.
  void rebuild(const Table& table) {
    size_t capacity = 8;
    while (capacity < 2 * table.size()) capacity *= 2;
    slots_.assign(capacity, Slot{});
    const size_t mask = capacity - 1;
    for (const typename Table::value_type& node : table) {
      const uint64_t hash = mproxy_name_hash(node.first);
      size_t at = hash & mask;
      while (slots_[at].node != nullptr) at = (at + 1) & mask;
      slots_[at] = Slot{&node, hash};
    }
  }
  void clear() { slots_.clear(); }

  // The value of `name`, or null.
  const Value* find(std::string_view name) const {
    if (slots_.empty()) return nullptr;
    const uint64_t hash = mproxy_name_hash(name);
    const size_t mask = slots_.size() - 1;
    for (size_t at = hash & mask; slots_[at].node != nullptr; at = (at + 1) & mask) {
      if (slots_[at].hash == hash && slots_[at].node->first == name) return &slots_[at].node->second;
    }
    return nullptr;
  }

 private:
  struct Slot {
    const typename Table::value_type* node = nullptr;  // null: free
    uint64_t hash = 0;
  };

  std::vector<Slot> slots_;  // open addressing, linear probing; a power of two long, at most half full
};
