// The magazine group, for a machine with a magazine: the slots of the current
// magazine (that of the loaded probe system) agree with the slot questions the
// server asks one at a time, and every program of those slots reads back as the
// interface describes (answer true exactly when the program is not empty).
// Nothing is written: the magazine file stays as it is. A machine that has no
// probe system loaded gets one with a magazine loaded for the check.
#include <cstdint>
#include <map>
#include <string>

#include "mplugincheckgroups.h"
#include "mplugincheckprobesystemload.h"

namespace {

constexpr uint32_t kNoSuchProbe = 0xfffffff0u;

std::string slot_text(uint32_t slot) { return std::to_string(slot); }

// A slot that the current magazine does not list: one behind the last.
uint32_t unlisted_slot(const std::map<uint32_t, uint32_t> &slots) {
  return slots.empty() ? 1 : slots.rbegin()->first + 1;
}

std::map<uint32_t, uint32_t> current_slots(MMachAbstract &m) {
  return m.GetMagazineSlots(m.GetActiveProbesystem(), m.GetActiveProbesystemId());
}

// Loads a probe system whose magazine has slots when none is loaded.
MPluginCheckProbesystemLoad load_for_magazine(MMachAbstract &m, const MPluginCheckTarget &target) {
  return {m, target, [](MMachAbstract &loaded) { return !current_slots(loaded).empty(); }};
}

constexpr const char *kNoMagazine = "no probe system loaded, and none with magazine slots loads: no current magazine";

MPluginCheckResult check_slots(MMachAbstract &m, const MPluginCheckTarget &target) {
  if (!m.HasMagazine()) return MPluginCheckResult::Skip("HasMagazine answers false");
  const MPluginCheckProbesystemLoad load = load_for_magazine(m, target);
  if (!m.HasActiveProbesystem()) return MPluginCheckResult::Skip(kNoMagazine);
  const std::string magazine = m.GetActiveProbesystem() + "/" + std::to_string(m.GetActiveProbesystemId());
  const std::map<uint32_t, uint32_t> slots = current_slots(m);
  std::map<uint32_t, uint32_t> first_slot_of;  // probe → the first slot holding it
  for (const auto &[slot, probe] : slots) {
    if (!m.IsMagazineSlot(slot)) {
      return MPluginCheckResult::Fail(std::string("GetMagazineSlots(") + magazine + ") lists slot " + slot_text(slot) +
                                      ", but IsMagazineSlot(" + slot_text(slot) + ") answers false");
    }
    if (probe != 0) first_slot_of.emplace(probe, slot);
  }
  for (const auto &[probe, slot] : first_slot_of) {
    const uint32_t answered = m.GetMagazineSlotOfProbe(probe);
    if (answered != slot) {
      return MPluginCheckResult::Fail(std::string("probe ") + std::to_string(probe) + " sits first in slot " +
                                      slot_text(slot) + ", but GetMagazineSlotOfProbe answers " + slot_text(answered));
    }
  }
  const uint32_t unlisted = unlisted_slot(slots);
  if (m.IsMagazineSlot(unlisted)) {
    return MPluginCheckResult::Fail(std::string("IsMagazineSlot(") + slot_text(unlisted) +
                                    ") answers true for a slot not listed");
  }
  if (first_slot_of.count(kNoSuchProbe) == 0 && m.GetMagazineSlotOfProbe(kNoSuchProbe) != 0) {
    return MPluginCheckResult::Fail("GetMagazineSlotOfProbe answers a slot for a probe in none");
  }
  return MPluginCheckResult::Pass(std::to_string(slots.size()) + " slots in the magazine of " + magazine + ", " +
                                  std::to_string(first_slot_of.size()) + " probes in them" + load.Note());
}

// What is wrong with one program answer; empty when nothing is.
std::string program_fault(const std::string &query, bool answered, const std::string &program) {
  if (answered == !program.empty()) return "";
  return query + (answered ? " answers true with an empty program"
                           : std::string(" answers false with the program \"") + program + "\"");
}

MPluginCheckResult check_programs(MMachAbstract &m, const MPluginCheckTarget &target) {
  if (!m.HasMagazine()) return MPluginCheckResult::Skip("HasMagazine answers false");
  const MPluginCheckProbesystemLoad load = load_for_magazine(m, target);
  if (!m.HasActiveProbesystem()) return MPluginCheckResult::Skip(kNoMagazine);
  const std::map<uint32_t, uint32_t> slots = current_slots(m);
  size_t programs = 0;
  std::string fault;
  auto read = [&](const std::string &query, bool answered, const std::string &program) {
    if (fault.empty()) fault = program_fault(query, answered, program);
    if (!program.empty()) ++programs;
  };
  for (const auto &[slot, probe] : slots) {
    std::string program;
    read(std::string("GetMagazineLoadProgram(") + slot_text(slot) + ")", m.GetMagazineLoadProgram(program, slot),
         program);
    read(std::string("GetMagazineUnloadProgram(") + slot_text(slot) + ")", m.GetMagazineUnloadProgram(program, slot),
         program);
    for (const auto &[target, target_probe] : slots) {
      if (target == slot) continue;
      read(std::string("GetMagazineChangeProgram(") + slot_text(slot) + ", " + slot_text(target) + ")",
           m.GetMagazineChangeProgram(program, slot, target), program);
    }
  }
  std::string program;
  const uint32_t unlisted = unlisted_slot(slots);
  if (fault.empty() && m.GetMagazineLoadProgram(program, unlisted)) {
    fault = std::string("GetMagazineLoadProgram(") + slot_text(unlisted) + ") answers true for a slot not listed";
  }
  if (!fault.empty()) return MPluginCheckResult::Fail(fault);
  return MPluginCheckResult::Pass(std::to_string(programs) + " programs read from " + std::to_string(slots.size()) +
                                  " slots" + load.Note());
}

}  // namespace

std::vector<MPluginCheckCase> MPluginCheck_MagazineCases() {
  return {MPluginCheck_OpenMachineCase("magazine.slots", check_slots),
          MPluginCheck_OpenMachineCase("magazine.programs", check_programs)};
}
