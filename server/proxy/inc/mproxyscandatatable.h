// MProxyScanDataTable: the flat table behind a running proxy scan's GetData. Once the real scan
// runs its sub-commands no longer change, so each one gets a slot (in sub-command order) holding
// its scan part, whether it is an endless scan, where each of its values goes in the merged
// vector and its latest values. A delivery is placed into the staged merged vector at once, so a
// read walks the slots once, without a map lookup, and hands the staged vector over. Nothing in it is owned but
// the values; the table is rebuilt when the sub-commands or the scandata assignment change.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "mproxyaxesvectorpart.h"
#include "mproxycommand.h"
#include "mproxyentries.h"

class MProxyScanDataTable {
 public:
  // One slot per sub-command of the scan. Its values, once it has delivered, are `latest`; the
  // values of a submachine that were read before the table was built are handed over by build().
  void build(const MProxyCommand::SubcommandMap& subcommands, const MProxyCommand::SubcommandMap& endless,
             const MProxyAxesVectorParts& assignment, uint64_t assignment_version,
             MProxyBySubmachine<std::vector<double>>& latest);
  // True while the table matches `subcommand_count` sub-commands and that assignment version.
  bool is_current(size_t subcommand_count, uint64_t assignment_version) const {
    return built_ && slots_.size() == subcommand_count && assignment_version_ == assignment_version;
  }
  // Reads every scan part once. True, with the values merged in request order into `merged`
  // (positions nobody delivered read 0.0), when every slot has delivered at least once and a
  // moving submachine delivered in this call; `merged` untouched otherwise.
  bool read(std::vector<double>& merged);

 private:
  // Value `index` of a slot goes to `position` of the merged vector.
  struct Placement {
    size_t index;
    size_t position;
  };

  struct Slot {
    MMachAbstract* submachine = nullptr;
    MMachScanCommand* scan = nullptr;  // null: the sub-command is no scan
    bool endless = false;              // an endless scan of a recording submachine
    // By rising index; the assignment's "no position" entries are left out.
    std::vector<Placement> placements;
    // Two vectors used in turn: the next read goes into the one that is not the latest, so a
    // failed read leaves the latest values as they were.
    std::vector<double> values[2];
    unsigned latest = 0;  // index into `values`
    bool known = false;   // has delivered at least once
  };

  static std::vector<Placement> placements_of(const std::vector<uint64_t>& positions);
  // Puts a slot's `values` at their places of `staged_` (0.0 where it delivered too few).
  void stage(const std::vector<Placement>& placements, const std::vector<double>& values);

  std::vector<Slot> slots_;
  size_t unknown_ = 0;            // slots that have not delivered yet
  std::vector<double> staged_;    // the latest values of every slot, in request order
  uint64_t assignment_version_ = 0;
  bool built_ = false;
};
