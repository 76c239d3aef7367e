// Magazine database: any bytes are analysed without harm; for a database that opens, setting a
// slot saves a file that opens again to the same magazines with just that slot's probe changed,
// whatever form its section names take ("ps_01_slot1" is slot 1 of "ps" 1).
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "errtrace.h"
#include "mfuzzfile.h"
#include "minidata.h"
#include "mmachmagazinedb.h"
#include "mtestprobesystemmachine.h"

namespace {

// Defines the probe systems that the file names, except the ids that `refused` picks.
void define_probesystems(const std::string& path, uint8_t refused, MTestProbesystemMachine& machine) {
  MIniData ini;
  ini.Open(path);
  std::vector<std::string> sections;
  ini.GetSectionNames(sections);
  for (const std::string& section : sections) {
    std::string name;
    uint32_t id = 0, slot = 0;
    if (section == "HISTORY" || !MMachMagazineDB::split_section_name(section, name, id, slot)) continue;
    if (refused != 0 && id % 256 == refused) continue;
    machine.defined.insert({name, id});
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const MFuzzFile file("magazine");
  FuzzedDataProvider input(data, size);
  const uint8_t refused = input.ConsumeIntegral<uint8_t>();
  const uint32_t probe = input.ConsumeIntegral<uint32_t>();
  const std::vector<uint8_t> bytes = input.ConsumeRemainingBytes<uint8_t>();
  file.Write(bytes.data(), bytes.size());

  MErrTraceContext context;  // refused files are expected; their entries go with the context
  MTestProbesystemMachine machine;
  define_probesystems(file.path(), refused, machine);
  MMachMagazineDB db(&machine);
  if (!db.Open(file.path()) || db.Magazines().empty()) return 0;

  // Set the last slot of the first magazine, as its probe system's machine would.
  const auto& [key, slots] = *db.Magazines().begin();
  MFUZZ_CHECK(!slots.empty(), "an empty magazine");
  const uint32_t slot = slots.rbegin()->first;
  bool found = false;
  for (const auto& [name, id] : machine.defined) {
    // Magazines are keyed by the probe-system name as a C string, cut to 100 characters.
    if (key != std::string(name.c_str()).substr(0, 100) + "_" + std::to_string(id)) continue;
    machine.active = {name, id};
    found = true;
  }
  MFUZZ_CHECK(found, "no probe system for a magazine");
  db.GetChangeProgram(slot, slots.begin()->first);
  MFUZZ_CHECK(db.SetSlot(slot, probe), "SetSlot of an existing slot failed");
  MMachMagazineDB::MagazineMap expected = db.Magazines();
  MFUZZ_CHECK(expected[key][slot].probe == probe, "SetSlot did not set the probe");

  MMachMagazineDB reread(&machine);
  MFUZZ_CHECK(reread.Open(file.path()), "the saved database does not open");
  MFUZZ_CHECK(reread.Magazines() == expected, "the saved database reads back differently");
  return 0;
}
