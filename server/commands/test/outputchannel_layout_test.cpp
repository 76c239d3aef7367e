#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "moutputchannel.h"
#include "mvtableslot.h"

namespace {

using C = MOutputChannel;
using ByCode = void (C::*)(uint32_t);
using ByText = void (C::*)(const std::string&);
using ByValues = void (C::*)(const std::vector<double>&);
using ByNumber = void (C::*)(int32_t);

// The server calls a channel through its virtual table: every operation keeps its slot.
TEST(OutputChannelLayoutTest, VirtualOperationsKeepTheirSlots) {
  const std::ptrdiff_t slots[] = {
      MTestVtableSlot(&C::Append),          MTestVtableSlot(&C::MoveTo),
      MTestVtableSlot(ByCode(&C::Error)),   MTestVtableSlot(ByText(&C::Error)),
      MTestVtableSlot(ByCode(&C::Warning)), MTestVtableSlot(ByText(&C::Warning)),
      MTestVtableSlot(ByValues(&C::Data)),  MTestVtableSlot(ByText(&C::Data)),
      MTestVtableSlot(ByText(&C::Event)),   MTestVtableSlot(ByNumber(&C::Event)),
      MTestVtableSlot(&C::Clear),           MTestVtableSlot(&C::Take),
      MTestVtableSlot(&C::IsEmpty),         MTestVtableSlot(&C::HasError),
      MTestVtableSlot(&C::ClearError),      MTestVtableSlot(&C::SetMarked),
      MTestVtableSlot(&C::IsMarked),        MTestVtableSlot(&C::HasEvent),
      MTestVtableSlot(&C::HasAnyEvent),     MTestVtableSlot(&C::Peek),
  };
  // The virtual destructor takes slots 0 and 1.
  for (std::size_t i = 0; i < std::size(slots); ++i) {
    EXPECT_EQ(slots[i], static_cast<std::ptrdiff_t>(i + 2)) << "operation " << i;
  }
  EXPECT_EQ(MTestVtableSlot(&C::GetNumber), -1);
}

}  // namespace
