// Test helper: the virtual-table slot of a virtual member function. Under the Itanium C++ ABI
// (GCC, Clang, MinGW-w64 GCC) a pointer to a virtual member function holds 1 + slot * sizeof(void*),
// so a test can prove the order of an interface's operations. A virtual destructor takes two slots.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace mtest_detail {
template <class MemberPointer>
std::ptrdiff_t vtable_slot_of(MemberPointer member) {
  static_assert(sizeof(member) == 2 * sizeof(void*), "Itanium member function pointer expected");
  std::uintptr_t raw = 0;
  std::memcpy(&raw, &member, sizeof raw);
  if ((raw & 1u) == 0) return -1;  // not a virtual function
  return static_cast<std::ptrdiff_t>((raw - 1) / sizeof(void*));
}
}  // namespace mtest_detail

// The slot of `member`, or -1 when it is not virtual.
template <class C, class R, class... Args>
std::ptrdiff_t MTestVtableSlot(R (C::*member)(Args...)) {
  return mtest_detail::vtable_slot_of(member);
}
template <class C, class R, class... Args>
std::ptrdiff_t MTestVtableSlot(R (C::*member)(Args...) const) {
  return mtest_detail::vtable_slot_of(member);
}
