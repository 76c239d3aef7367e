#include "mproxyscandatatable.h"

#include <algorithm>
#include <utility>

#include "mproxyguard.h"

void MProxyScanDataTable::build(const MProxyCommand::SubcommandMap& subcommands,
                                const MProxyCommand::SubcommandMap& endless, const MProxyAxesVectorParts& assignment,
                                uint64_t assignment_version, MProxyBySubmachine<std::vector<double>>& latest) {
  // Values of a previous build go back to `latest`, so that a rebuild keeps them.
  for (Slot& slot : slots_) {
    if (slot.known) latest[slot.submachine] = std::move(slot.values[slot.latest]);
  }
  slots_.clear();
  unknown_ = 0;
  for (const auto& [submachine, record] : subcommands) {
    Slot slot;
    slot.submachine = submachine;
    slot.scan = dynamic_cast<MMachScanCommand*>(record->command);
    slot.endless = endless.count(submachine) != 0;
    const auto part = assignment.find(submachine);
    if (part != assignment.end()) slot.placements = placements_of(part->second.positions);
    const auto values = latest.find(submachine);
    if (values != latest.end()) {
      slot.values[0] = std::move(values->second);
      slot.known = true;
      latest.erase(values);
    }
    if (!slot.known) ++unknown_;
    slots_.push_back(std::move(slot));
  }
  size_t merged_size = 0;  // one place per request position of the assignment
  for (const auto& [submachine, part] : assignment) {
    for (uint64_t position : part.positions) {
      if (position != MProxyAxesVectorPart::kNoPosition) merged_size = std::max<size_t>(merged_size, position + 1);
    }
  }
  staged_.assign(merged_size, 0.0);
  for (const Slot& slot : slots_) {
    if (slot.known) stage(slot.placements, slot.values[slot.latest]);
  }
  assignment_version_ = assignment_version;
  built_ = true;
}

bool MProxyScanDataTable::read(std::vector<double>& merged) {
  bool moving_delivered = false;
  for (Slot& slot : slots_) {
    if (slot.scan == nullptr) continue;
    std::vector<double>& next = slot.values[slot.latest ^ 1];
    next.clear();
    if (!mproxy_guard::get_data(slot.submachine, slot.scan, next)) continue;
    slot.latest ^= 1;
    stage(slot.placements, next);
    moving_delivered = moving_delivered || !slot.endless;
    if (!slot.known) {
      slot.known = true;
      --unknown_;
    }
  }
  if (unknown_ != 0 || !moving_delivered) return false;
  merged = staged_;
  return true;
}

std::vector<MProxyScanDataTable::Placement> MProxyScanDataTable::placements_of(
    const std::vector<uint64_t>& positions) {
  std::vector<Placement> placements;
  for (size_t index = 0; index < positions.size(); ++index) {
    if (positions[index] != MProxyAxesVectorPart::kNoPosition) {
      placements.push_back({index, static_cast<size_t>(positions[index])});
    }
  }
  return placements;
}

void MProxyScanDataTable::stage(const std::vector<Placement>& placements, const std::vector<double>& values) {
  double* const out = staged_.data();
  for (const Placement& placement : placements) {
    out[placement.position] = placement.index < values.size() ? values[placement.index] : 0.0;
  }
}
