#include <gtest/gtest.h>

#include "mproxyasyncmachabstract.h"
#include "mvtableslot.h"

namespace {

// The proxy's own operations follow the 147 of the machine interface, in this order; the
// asynchronous proxy replaces the first one in place.
TEST(ProxyVtableTest, AppendedOperationsFollowTheMachineInterface) {
  const std::ptrdiff_t first = MTestVtableSlot(&MMachAbstract::NewMMachWobbleCommand) + 1;
  EXPECT_EQ(first, 148);  // 147 operations, the destructor taking two slots
  const std::ptrdiff_t slots[] = {
      MTestVtableSlot(&MProxyMachAbstract::get_submachines_with_axis),
      MTestVtableSlot(&MProxyMachAbstract::update_axis_table),
      MTestVtableSlot(&MProxyMachAbstract::update_component_table),
      MTestVtableSlot(&MProxyMachAbstract::get_active_submachine),
      MTestVtableSlot(&MProxyMachAbstract::load_startup_probesystem),
      MTestVtableSlot(static_cast<void (MProxyMachAbstract::*)(MOutputChannel*)>(
          &MProxyMachAbstract::UpdateCapabilities))};
  for (std::ptrdiff_t i = 0; i < 6; ++i) EXPECT_EQ(slots[i], first + i) << i;
  EXPECT_EQ(MTestVtableSlot(&MProxyAsyncMachAbstract::get_submachines_with_axis), first);
  EXPECT_EQ(MTestVtableSlot(&MProxyMachAbstract::Open), MTestVtableSlot(&MMachAbstract::Open));
}

}  // namespace
