#include "mproxyaxislistings.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

namespace {

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Field by field, numbers bit by bit, the name aside: a kept pointer must give back exactly
// what was listed (MMachAxisInfo's operator== ignores fields that its flags make insignificant).
bool same_description_exactly(const MMachAxisInfo& a, const MMachAxisInfo& b) {
  return a.flags == b.flags && same_bits(a.resolution, b.resolution) && same_bits(a.max_speed, b.max_speed) &&
         same_bits(a.max_accel, b.max_accel) && same_bits(a.range_min, b.range_min) &&
         same_bits(a.range_max, b.range_max) && same_bits(a.period, b.period) &&
         std::equal(a.discrete_values.begin(), a.discrete_values.end(), b.discrete_values.begin(),
                    b.discrete_values.end(), same_bits);
}

// Whether `entry` (may be null) holds the element (`own_name`, `info`) of `submachine` unchanged.
bool holds(const MProxyAxisEntry* entry, const MMachAbstract* submachine, const std::string& own_name,
           const MMachAxisInfo& info) {
  return entry != nullptr && entry->submachine == submachine && entry->submachine_name == own_name &&
         same_description_exactly(entry->info, info);
}

}  // namespace

void MProxyAxisListings::reset(size_t count) {
  copies_.clear();
  whole_.assign(count, Listing());
  kept_.assign(count, {});
  expanded_ = true;
}

std::vector<MProxyAxisListings::Listing>& MProxyAxisListings::expand() {
  if (!expanded_) {
    whole_.assign(kept_.size(), Listing());
    for (size_t k = 0; k < kept_.size(); ++k) {
      for (const Kept kept : kept_[k]) {
        const auto at = whole_[k].emplace_hint(whole_[k].end(), kept->submachine_name, kept->info);
        at->second.name = kept->submachine_name;
      }
    }
    copies_.clear();
    expanded_ = true;
  }
  kept_.assign(whole_.size(), {});  // for the next merge's stored()
  return whole_;
}

void MProxyAxisListings::compact(const std::vector<MMachAbstract*>& submachines) {
  if (!expanded_) return;
  copies_.clear();
  for (size_t k = 0; k < whole_.size(); ++k) {
    MMachAbstract* const submachine = k < submachines.size() ? submachines[k] : nullptr;
    std::vector<Kept>& kept = kept_[k];
    kept.resize(whole_[k].size(), nullptr);
    size_t n = 0;
    for (auto& [own_name, info] : whole_[k]) {
      if (!holds(kept[n], submachine, own_name, info)) {
        copies_.push_back(std::make_unique<MProxyAxisEntry>(MProxyAxisEntry{std::move(info), own_name, nullptr}));
        kept[n] = copies_.back().get();
      }
      ++n;
    }
    whole_[k] = Listing();  // freed submachine by submachine
  }
  whole_.clear();
  expanded_ = false;
}
