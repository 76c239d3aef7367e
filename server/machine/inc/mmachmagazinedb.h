// The probe magazine of a machine, per probe system: which probe sits in which slot and the
// part programs that load, unload and change probes. The machine's magazine operations forward
// here; the "current" magazine is that of the machine's loaded probe system.
#pragma once

#include <cstdint>
#include <map>
#include <string>

class MMachMagazineDB {
 public:
  // One occupied slot.
  struct Slot {
    uint32_t probe = 0;                               // 0 when the file names none
    std::string unload_program;                       // raw value, quotes included
    std::string load_program;                         // raw value, quotes included
    std::map<uint32_t, std::string> change_programs;  // by target slot
  };

  // The first slot of the current magazine holding `probe`, else 0.
  uint32_t GetSlotOfProbe(uint32_t probe);
  // The slot of the current magazine, or null.
  const Slot* FindSlot(uint32_t slot);
  // Puts `probe` into an existing slot of the current magazine and saves the file.
  bool SetSlot(uint32_t slot, uint32_t probe);
  // The programs of a slot without surrounding quotes; empty when the slot is missing.
  std::string GetLoadProgram(uint32_t slot);
  std::string GetUnloadProgram(uint32_t slot);
  // The program that changes from slot `from` to slot `to`; empty when either is missing.
  std::string GetChangeProgram(uint32_t from, uint32_t to);
  // Slot to probe for the magazine of a probe system (empty name and id 0: the current one).
  std::map<uint32_t, uint32_t> GetSlots(const std::string& probesystem, uint32_t id);
};
