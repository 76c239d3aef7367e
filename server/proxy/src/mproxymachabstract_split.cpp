// Translating proxy axis names to their owners' own names and back, and dividing requests
// over the owning submachines.
#include "mproxymachabstract.h"

#include <algorithm>
#include <utility>

#include "errtrace.h"
#include "mproxyguard.h"

namespace {

// How a splitter's trace entry names an unknown axis.
constexpr const char* kAxis = "";
constexpr const char* kPositionAxis = "position axis ";
constexpr const char* kTrackingAxis = "tracking axis ";

const std::string& axis_of(const std::string& axis) { return axis; }

template <class Value>
const std::string& axis_of(const std::pair<const std::string, Value>& entry) {
  return entry.first;
}

// Adds an entry of a map keyed by proxy axis names to its owner's share, under the own name.
template <class Map>
auto add_to_own_map(MProxyBySubmachine<Map>& result) {
  return [&result](const MProxyAxisEntry& owner, const typename Map::value_type& entry) {
    result[owner.submachine].emplace(owner.submachine_name, entry.second);
  };
}

}  // namespace

const MProxyAxisEntry* MProxyMachAbstract::find_axis_or_trace(const char* splitter, const char* role,
                                                              const std::string& axis) const {
  if (const MProxyAxisEntry* const entry = axis_index_.find(axis)) return entry;
  MERRTRACE("MProxyMachAbstract::%s(): %s%.40s not found!", splitter, role, axis.c_str());
  return nullptr;
}

template <class Items, class Add>
bool MProxyMachAbstract::add_by_owner(const char* splitter, const char* role, const Items& items,
                                      Add&& add) const {
  for (const auto& item : items) {
    const MProxyAxisEntry* const owner = find_axis_or_trace(splitter, role, axis_of(item));
    if (owner == nullptr) return false;
    add(*owner, item);
  }
  return true;
}

bool MProxyMachAbstract::split_axesset_to_submachines(const MMachAxesSet& axes,
                                                      MProxyBySubmachine<MMachAxesSet>& result) const {
  return add_by_owner("split_axesset_to_submachines", kAxis, axes,
                      [&result](const MProxyAxisEntry& owner, const std::string&) {
                        result[owner.submachine].insert(owner.submachine_name);
                      });
}

void MProxyMachAbstract::axis_submach2proxy_names(const char* submachine_axis, size_t index,
                                                  std::vector<const char*>& names) const {
  names.clear();
  const MMachAbstract* submachine = index < submachines_.size() ? submachines_[index] : nullptr;
  for (const auto& [proxy_name, entry] : axis_table_) {
    if (entry.submachine == submachine && entry.submachine_name == submachine_axis) {
      names.push_back(proxy_name.c_str());
    }
  }
  if (names.empty()) names.push_back(submachine_axis);
}

// The first proxy name of an own axis wins.
bool MProxyMachAbstract::split_axesboolmap_to_submachines(
    const MMachAxesBoolMap& axes, MProxyBySubmachine<MMachAxesBoolMap>& result) const {
  return add_by_owner("split_axesboolmap_to_submachines", kAxis, axes, add_to_own_map(result));
}

bool MProxyMachAbstract::split_destinationpara_to_submachines(
    const MMachDestinationPara& destination, MProxyBySubmachine<MMachDestinationPara>& result) const {
  return add_by_owner("split_destinationpara_to_submachines", kPositionAxis, destination,
                      add_to_own_map(result));
}

// The per-submachine records keep the default x, y and z axis names.
bool MProxyMachAbstract::split_movementpara_to_submachines(
    const MMachMovementPara& movement, MProxyBySubmachine<MMachMovementPara>& result) const {
  static constexpr const char* kSplitter = "split_movementpara_to_submachines";
  const bool known =
      add_by_owner(kSplitter, kPositionAxis, movement.positions,
                   [&result](const MProxyAxisEntry& owner, const auto& entry) {
                     result[owner.submachine].positions.emplace(owner.submachine_name, entry.second);
                   }) &&
      add_by_owner(kSplitter, kTrackingAxis, movement.tracking,
                   [&result](const MProxyAxisEntry& owner, const std::string&) {
                     result[owner.submachine].tracking.insert(owner.submachine_name);
                   });
  if (!known) return false;
  if (movement.flag) {
    for (auto& [submachine, part] : result) part.flag = true;
  }
  return true;
}

// Every axis, positions and tracking, must belong to the owner of the first one.
bool MProxyMachAbstract::split_movepolypara_to_submachines(
    const MMachMovepolyPara& poly, MProxyBySubmachine<MMachMovepolyPara>& result) const {
  static constexpr const char* kSplitter = "split_movepolypara_to_submachines";
  MMachAbstract* mover = nullptr;
  const auto same_mover = [&mover](const MProxyAxisEntry& owner) {
    if (mover == nullptr) mover = owner.submachine;
    if (owner.submachine == mover) return true;
    MERRTRACE("MProxyMachAbstract::split_movepolypara_to_submachines(): only one machine may move: %s != %s",
              mproxy_guard::name_of(mover), mproxy_guard::name_of(owner.submachine));
    return false;
  };
  MMachMovepolyPara own;
  for (const MMachPositionMap& point : poly.points) {
    MMachPositionMap& own_point = own.points.emplace_back();
    for (const auto& [axis, target] : point) {
      const MProxyAxisEntry* const owner = find_axis_or_trace(kSplitter, kPositionAxis, axis);
      if (owner == nullptr || !same_mover(*owner)) return false;
      own_point.emplace(owner->submachine_name, target);
    }
  }
  if (mover == nullptr) {
    MERRTRACE("MProxyMachAbstract::split_movepolypara_to_submachines(): no position axis given");
    return false;
  }
  for (const std::string& axis : poly.tracking) {
    const MProxyAxisEntry* const owner = find_axis_or_trace(kSplitter, kTrackingAxis, axis);
    if (owner == nullptr || !same_mover(*owner)) return false;
    own.tracking.insert(owner->submachine_name);
  }
  result.emplace(mover, std::move(own));
  return true;
}

// Shared axes are asked of every sharing submachine under the proxy name; only the owner's entry
// answers the request position, the others carry the no-position marker.
bool MProxyMachAbstract::split_axesvector_to_submachines(const MMachAxesVector& axes,
                                                         MProxyAxesVectorParts& result,
                                                         std::vector<MProxySharedAxis>& shared) {
  shared.clear();
  uint64_t position = 0;
  const bool known = add_by_owner("split_axesvector_to_submachines", kAxis, axes,
                                  [&result, &position](const MProxyAxisEntry& owner, const std::string&) {
                                    MProxyAxesVectorPart& part = result[owner.submachine];
                                    part.names.push_back(owner.submachine_name);
                                    part.positions.push_back(position++);
                                  });
  if (!known) return false;
  for (size_t i = 0; i < axes.size(); ++i) {
    const std::string& axis = axes[i];
    MProxyCombineFunction combine = nullptr;
    const std::vector<MMachAbstract*> sharing = get_submachines_with_axis(axis, &combine);
    if (sharing.empty()) continue;
    MProxySharedAxis record;
    record.index = i;
    record.combine = combine;
    for (MMachAbstract* submachine : sharing) {
      MProxyAxesVectorPart& part = result[submachine];
      const auto found = std::find(part.names.begin(), part.names.end(), axis);
      if (found != part.names.end()) {
        record.parts.emplace(submachine, static_cast<uint64_t>(found - part.names.begin()));
      } else {
        part.names.push_back(axis);
        part.positions.push_back(MProxyAxesVectorPart::kNoPosition);
        record.parts.emplace(submachine, part.names.size() - 1);
      }
    }
    shared.push_back(std::move(record));
  }
  return true;
}

std::vector<double> MProxyMachAbstract::merge_axesvector_values(
    const MProxyAxesVectorParts& parts, const std::vector<MProxySharedAxis>& shared,
    const MProxyBySubmachine<std::vector<double>>& values) {
  std::vector<double> merged;
  merge_axesvector_values(parts, shared, values, merged);
  return merged;
}

void MProxyMachAbstract::merge_axesvector_values(const MProxyAxesVectorParts& parts,
                                                 const std::vector<MProxySharedAxis>& shared,
                                                 const MProxyBySubmachine<std::vector<double>>& values,
                                                 std::vector<double>& merged) {
  // Every request position gets a place, so that one nobody delivered reads 0.0.
  size_t size = 0;
  for (const auto& [submachine, part] : parts) {
    for (uint64_t position : part.positions) {
      if (position != MProxyAxesVectorPart::kNoPosition) size = std::max<size_t>(size, position + 1);
    }
  }
  for (const MProxySharedAxis& axis : shared) size = std::max<size_t>(size, axis.index + 1);
  merged.assign(size, 0.0);

  for (const auto& [submachine, part] : parts) {
    const auto delivered = values.find(submachine);
    if (delivered == values.end()) continue;
    const size_t count = std::min(part.positions.size(), delivered->second.size());
    for (size_t j = 0; j < count; ++j) {
      if (part.positions[j] != MProxyAxesVectorPart::kNoPosition) {
        merged[part.positions[j]] = delivered->second[j];
      }
    }
  }
  for (const MProxySharedAxis& axis : shared) {
    bool first = true;
    for (const auto& [submachine, position] : axis.parts) {
      const auto delivered = values.find(submachine);
      if (delivered == values.end() || position >= delivered->second.size()) continue;
      const double value = delivered->second[position];
      if (first) merged[axis.index] = value;
      first = false;
      merged[axis.index] = axis.combine ? axis.combine(merged[axis.index], value) : value;
    }
  }
}
