#include "mmachmagazinedb.h"

#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>

#include "errtrace.h"
#include "mmachabstract.h"

namespace {

constexpr const char* kAnalyse = "MMachMagazineDB::analyse_inifile";
constexpr const char* kLoadProgram = "load.program";
constexpr const char* kUnloadProgram = "unload.program";

// Key and section names fit these buffers whatever the name: the formats cut it.
constexpr size_t kNameBufferSize = 128;

std::string magazine_key(const std::string& probesystem, uint32_t id) {
  char key[kNameBufferSize];
  std::snprintf(key, sizeof key, "%.100s_%u", probesystem.c_str(), id);
  return key;
}

// Reads the decimal digits at `at` (at least one, within 32 bits) and moves past them.
bool parse_number(const char*& at, uint32_t& value) {
  uint64_t number = 0;
  const char* digit = at;
  for (; *digit >= '0' && *digit <= '9'; ++digit) {
    number = number * 10 + static_cast<uint64_t>(*digit - '0');
    if (number > UINT32_MAX) return false;
  }
  if (digit == at) return false;
  at = digit;
  value = static_cast<uint32_t>(number);
  return true;
}

// Moves past `literal` when the text at `at` begins with it.
bool parse_literal(const char*& at, std::string_view literal) {
  if (std::string_view(at).substr(0, literal.size()) != literal) return false;
  at += literal.size();
  return true;
}

// "change_to_<slot>.program", exactly.
bool parse_change_entry(const std::string& entry, uint32_t& target) {
  const char* at = entry.c_str();
  return parse_literal(at, "change_to_") && parse_number(at, target) &&
         parse_literal(at, ".program") && *at == '\0';
}

std::string strip_quotes(const std::string& text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
    return text.substr(1, text.size() - 2);
  }
  return text;
}

}  // namespace

MMachMagazineDB::MMachMagazineDB(MMachAbstract* machine) : machine(machine) {}

bool MMachMagazineDB::Open(const std::string& file_name) {
  magazines.clear();
  sections.clear();
  if (!inidata.Open(file_name)) {
    MERRTRACE("MMachMagazineDB::Open(): inidata.Open(\"%.60s\") failed", file_name.c_str());
    return false;
  }
  if (!analyse_inifile()) {
    MERRTRACE("MMachMagazineDB::Open(): analyse_inifile() failed");
    return false;
  }
  return true;
}

bool MMachMagazineDB::OpenInConfigdir(const std::string& configdir) {
  return Open(configdir + "\\" + kFileName);
}

bool MMachMagazineDB::split_section_name(const std::string& section, std::string& name,
                                         uint32_t& id, uint32_t& slot) {
  constexpr const char* kSplit = "split_section_name";
  const size_t last = section.rfind('_');
  if (last == std::string::npos) {
    MERRTRACE("%s(): no '_' found in %.60s", kSplit, section.c_str());
    return false;
  }
  const size_t second = last == 0 ? std::string::npos : section.rfind('_', last - 1);
  if (second == std::string::npos) {
    MERRTRACE("%s(): no second '_' found in %.60s", kSplit, section.c_str());
    return false;
  }
  const char* at = section.c_str() + second + 1;
  uint32_t parsed_id = 0;
  uint32_t parsed_slot = 0;
  if (!parse_number(at, parsed_id) || !parse_literal(at, "_slot") ||
      !parse_number(at, parsed_slot) || *at != '\0') {
    MERRTRACE("%s(): could not parse '%%u_slot%%u' in %.60s", kSplit, section.c_str());
    return false;
  }
  name = section.substr(0, second);
  id = parsed_id;
  slot = parsed_slot;
  return true;
}

bool MMachMagazineDB::analyse_inifile() {
  magazines.clear();
  sections.clear();
  std::vector<std::string> sections;
  inidata.GetSectionNames(sections);
  for (const std::string& section : sections) {
    if (section == "HISTORY") continue;
    if (!analyse_section(section)) return false;
  }
  return true;
}

bool MMachMagazineDB::analyse_section(const std::string& section) {
  std::string probesystem;
  uint32_t id = 0;
  uint32_t slot_number = 0;
  if (!split_section_name(section, probesystem, id, slot_number)) {
    MERRTRACE("%s(): split_section_name(\"%.50s\") failed", kAnalyse, section.c_str());
    return false;
  }
  if (!machine->IsProbesystemDefined(probesystem)) {
    MERRTRACE("%s(): Probesystem \"%.50s\" not defined", kAnalyse, probesystem.c_str());
    return false;
  }
  if (!machine->IsProbesystemIdDefined(probesystem, id)) {
    MERRTRACE("%s(): Probesystem id %u not defined for \"%.50s\"", kAnalyse, id,
              probesystem.c_str());
    return false;
  }
  const std::string key = magazine_key(probesystem, id);
  SlotMap& magazine = magazines[key];
  if (magazine.count(slot_number) != 0) {
    MERRTRACE("%s(): Slot %u exists more than once for \"%.50s\" %u", kAnalyse, slot_number,
              probesystem.c_str(), id);
    return false;
  }

  Slot slot;
  for (const auto& [entry, program] : {std::pair{kLoadProgram, &slot.load_program},
                                       std::pair{kUnloadProgram, &slot.unload_program}}) {
    if (!inidata.GetStringEntry(section, entry, *program)) {
      MERRTRACE("%s(): Entry %s is missing in section \"%.50s\"", kAnalyse, entry,
                section.c_str());
      return false;
    }
  }
  int32_t probe = 0;
  inidata.GetLongEntry(section, "probe", probe);  // stays 0 when missing
  slot.probe = static_cast<uint32_t>(probe);

  std::vector<std::string> entries;
  inidata.GetEntryNames(section, entries);
  for (const std::string& entry : entries) {
    uint32_t target = 0;
    if (!parse_change_entry(entry, target)) continue;
    std::string program;
    if (!inidata.GetStringEntry(section, entry, program)) {
      MERRTRACE("%s(): GetStringEntry(\"%.40s\", \"%.40s\" failed", kAnalyse, section.c_str(),
                entry.c_str());
      return false;
    }
    slot.change_programs[target] = program;  // a later duplicate target wins
  }
  magazine[slot_number] = std::move(slot);
  sections[{key, slot_number}] = section;
  return true;
}

void MMachMagazineDB::resync_inifile() {
  constexpr const char* kResync = "MMachMagazineDB::resync_inifile";
  if (!inidata.Reload()) MERRTRACE("%s(): inidata.Reload() failed", kResync);
  if (!analyse_inifile()) MERRTRACE("%s(): analyse_inifile() failed", kResync);
}

const MMachMagazineDB::SlotMap* MMachMagazineDB::current_magazine() const {
  const std::string key =
      magazine_key(machine->GetActiveProbesystem(), machine->GetActiveProbesystemId());
  const auto found = magazines.find(key);
  return found == magazines.end() ? nullptr : &found->second;
}

uint32_t MMachMagazineDB::GetSlotOfProbe(uint32_t probe) const {
  const SlotMap* const magazine = current_magazine();
  if (magazine == nullptr) return 0;
  for (const auto& [number, slot] : *magazine) {
    if (slot.probe == probe) return number;
  }
  return 0;
}

const MMachMagazineDB::Slot* MMachMagazineDB::FindSlot(uint32_t slot) const {
  const SlotMap* const magazine = current_magazine();
  if (magazine == nullptr) return nullptr;
  const auto found = magazine->find(slot);
  return found == magazine->end() ? nullptr : &found->second;
}

bool MMachMagazineDB::SetSlot(uint32_t slot_number, uint32_t probe) {
  constexpr const char* kSetSlot = "MMachMagazineDB::SetSlot";
  const std::string key =
      magazine_key(machine->GetActiveProbesystem(), machine->GetActiveProbesystemId());
  const auto magazine = magazines.find(key);
  if (magazine == magazines.end()) {
    MERRTRACE("%s(): probesystem %s not found", kSetSlot, key.c_str());
    return false;
  }
  const auto slot = magazine->second.find(slot_number);
  if (slot == magazine->second.end()) {
    MERRTRACE("%s(): slot number %u not found", kSetSlot, slot_number);
    return false;
  }
  slot->second.probe = probe;
  // Into the section that the slot was read from (recorded with every slot), whatever the form
  // of its name. The file holds the number as a signed 32-bit value; reading it back gives the
  // same bits.
  if (!inidata.SetLongEntry(sections[{key, slot_number}], "probe", static_cast<int32_t>(probe))) {
    MERRTRACE("%s(): inidata.SetLongEntry() failed", kSetSlot);
    resync_inifile();
    return false;
  }
  if (!inidata.Save()) {
    MERRTRACE("%s(): inidata.Save() failed", kSetSlot);
    resync_inifile();
    return false;
  }
  return true;
}

std::string MMachMagazineDB::GetLoadProgram(uint32_t slot) const {
  const Slot* const found = FindSlot(slot);
  return found == nullptr ? std::string() : strip_quotes(found->load_program);
}

std::string MMachMagazineDB::GetUnloadProgram(uint32_t slot) const {
  const Slot* const found = FindSlot(slot);
  return found == nullptr ? std::string() : strip_quotes(found->unload_program);
}

std::string MMachMagazineDB::GetChangeProgram(uint32_t from, uint32_t to) const {
  const Slot* const source = FindSlot(from);
  if (source == nullptr) return {};
  const auto direct = source->change_programs.find(to);
  if (direct != source->change_programs.end()) return strip_quotes(direct->second);
  const Slot* const target = FindSlot(to);
  if (target == nullptr) return {};
  std::string program = strip_quotes(source->unload_program + ";" + target->load_program);
  const size_t doubled = program.find("\"\"");
  if (doubled != std::string::npos) {
    program.erase(doubled, 1);
    program[doubled] = ';';
  }
  return program;
}

std::map<uint32_t, uint32_t> MMachMagazineDB::GetSlots(const std::string& probesystem,
                                                       uint32_t id) const {
  const SlotMap* magazine = nullptr;
  if (probesystem.empty() && id == 0) {
    magazine = current_magazine();
  } else {
    const auto found = magazines.find(magazine_key(probesystem, id));
    if (found != magazines.end()) magazine = &found->second;
  }
  std::map<uint32_t, uint32_t> slots;
  if (magazine == nullptr) return slots;
  for (const auto& [number, slot] : *magazine) slots[number] = slot.probe;
  return slots;
}
