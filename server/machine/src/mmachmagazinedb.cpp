#include "mmachmagazinedb.h"

// Every answer below is the "no magazine data" value; the file-backed database replaces it.

uint32_t MMachMagazineDB::GetSlotOfProbe(uint32_t) { return 0; }

const MMachMagazineDB::Slot* MMachMagazineDB::FindSlot(uint32_t) { return nullptr; }

bool MMachMagazineDB::SetSlot(uint32_t, uint32_t) { return false; }

std::string MMachMagazineDB::GetLoadProgram(uint32_t) { return {}; }

std::string MMachMagazineDB::GetUnloadProgram(uint32_t) { return {}; }

std::string MMachMagazineDB::GetChangeProgram(uint32_t, uint32_t) { return {}; }

std::map<uint32_t, uint32_t> MMachMagazineDB::GetSlots(const std::string&, uint32_t) { return {}; }
