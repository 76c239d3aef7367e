// The probe magazine of a machine, per probe system: which probe sits in which slot and the
// part programs that load, unload and change probes. The data lives in an ini file with one
// section "<probesystem>_<id>_slot<slot>" per occupied slot; the database holds it in memory and
// writes slot changes back. The machine's magazine operations forward here; the "current"
// magazine is that of the machine's loaded probe system. Single-threaded, like its machine.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "minidata.h"

class MMachAbstract;

class MMachMagazineDB {
 public:
  // One occupied slot.
  struct Slot {
    uint32_t probe = 0;                               // 0 when the file names none
    std::string unload_program;                       // raw value, quotes included
    std::string load_program;                         // raw value, quotes included
    std::map<uint32_t, std::string> change_programs;  // by target slot

    friend bool operator==(const Slot&, const Slot&) = default;
  };
  using SlotMap = std::map<uint32_t, Slot>;
  // Keyed by "<probesystem>_<id>" (the name cut at 100 characters).
  using MagazineMap = std::map<std::string, SlotMap>;

  // The file that a machine keeps its magazine in, inside its configuration directory.
  static constexpr const char* kFileName = "magazine.database";

  // An empty database of `machine`, which asks the machine for its loaded probe system and
  // checks the probe systems named in the file. The machine is not owned and must outlive the
  // database; a machine that has a magazine creates one, opens it (usually from its Open, once
  // its probe systems are known) and points its `magazine` field at it.
  explicit MMachMagazineDB(MMachAbstract* machine);
  MMachMagazineDB(const MMachMagazineDB&) = delete;
  MMachMagazineDB& operator=(const MMachMagazineDB&) = delete;

  // Attaches the database to `file_name` and reads it; a missing file gives an empty magazine
  // that the first SetSlot cannot fill (only slots in the file can be set). A file that cannot
  // be read leaves the model empty; one that fails the analysis keeps the sections before the
  // bad one. Both failures answer false with the reason in the error trace.
  bool Open(const std::string& file_name);
  // Open(configdir + "\\" + kFileName).
  bool OpenInConfigdir(const std::string& configdir);

  // The first slot, in ascending order, of the current magazine holding `probe`, else 0.
  uint32_t GetSlotOfProbe(uint32_t probe) const;
  // The slot of the current magazine, or null; valid until the model is next rebuilt.
  const Slot* FindSlot(uint32_t slot) const;
  // Puts `probe` into an existing slot of the current magazine and saves the file. A refused
  // slot leaves the file alone; a failed save leaves the file as it was and reloads the model
  // from it, so the slot keeps its previous probe.
  bool SetSlot(uint32_t slot, uint32_t probe);
  // The programs of a slot without surrounding quotes; empty when the slot is missing.
  std::string GetLoadProgram(uint32_t slot) const;
  std::string GetUnloadProgram(uint32_t slot) const;
  // The slot's own change program to `to`, else its unload program, ';' and the load program of
  // `to`; empty when a needed slot is missing.
  std::string GetChangeProgram(uint32_t from, uint32_t to) const;
  // Slot to probe for the magazine of a probe system (empty name and id 0: the current one).
  std::map<uint32_t, uint32_t> GetSlots(const std::string& probesystem, uint32_t id) const;

  const MagazineMap& Magazines() const { return magazines; }

  // Splits "<name>_<id>_slot<slot>" at its last two '_' (the name may hold '_' itself); id and
  // slot are decimal numbers. Outputs are unchanged on failure.
  static bool split_section_name(const std::string& section, std::string& name, uint32_t& id,
                                 uint32_t& slot);
  // Rebuilds the model from the ini data; the first bad section stops it with false and the
  // sections before it stay.
  bool analyse_inifile();
  // Reloads the file and rebuilds the model; a failure of either step is traced, and the
  // rebuild runs even when the reload failed.
  void resync_inifile();

 private:
  const SlotMap* current_magazine() const;
  bool analyse_section(const std::string& section);

  MIniData inidata;
  MMachAbstract* machine;  // not owned
  MagazineMap magazines;
  // The file's own section of each slot, by magazine key and slot: a name with leading zeros or
  // a long probe-system name differs from the one that the key and slot would give.
  std::map<std::pair<std::string, uint32_t>, std::string> sections;
};
