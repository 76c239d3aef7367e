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
  for (const auto& [submachine, record] : subcommands) {
    Slot slot;
    slot.submachine = submachine;
    slot.scan = dynamic_cast<MMachScanCommand*>(record->command);
    slot.endless = endless.count(submachine) != 0;
    const auto part = assignment.find(submachine);
    if (part != assignment.end()) slot.positions = &part->second.positions;
    const auto values = latest.find(submachine);
    if (values != latest.end()) {
      slot.values[0] = std::move(values->second);
      slot.known = true;
      latest.erase(values);
    }
    slots_.push_back(std::move(slot));
  }
  merged_size_ = 0;
  for (const auto& [submachine, part] : assignment) {
    for (uint64_t position : part.positions) {
      if (position != MProxyAxesVectorPart::kNoPosition) merged_size_ = std::max<size_t>(merged_size_, position + 1);
    }
  }
  assignment_version_ = assignment_version;
  built_ = true;
}

bool MProxyScanDataTable::read(std::vector<double>& merged) {
  bool moving_delivered = false;
  bool all_known = true;
  for (Slot& slot : slots_) {
    if (slot.scan != nullptr) {
      std::vector<double>& next = slot.values[1 - slot.latest];
      next.clear();
      if (mproxy_guard::get_data(slot.submachine, slot.scan, next)) {
        slot.latest = 1 - slot.latest;
        slot.known = true;
        if (!slot.endless) moving_delivered = true;
      }
    }
    all_known = all_known && slot.known;
  }
  if (!all_known || !moving_delivered) return false;
  merged.assign(merged_size_, 0.0);
  for (const Slot& slot : slots_) {
    if (slot.positions == nullptr) continue;
    const std::vector<uint64_t>& positions = *slot.positions;
    const std::vector<double>& latest = slot.values[slot.latest];
    double* const out = merged.data();
    const size_t count = std::min(positions.size(), latest.size());
    for (size_t j = 0; j < count; ++j) {
      if (positions[j] != MProxyAxesVectorPart::kNoPosition) out[positions[j]] = latest[j];
    }
  }
  return true;
}
