// Translating proxy axis names to their owners' own names and back, and dividing requests
// over the owning submachines.
#include "mproxymachabstract.h"

#include <algorithm>

#include "errtrace.h"

MMachAbstract* MProxyMachAbstract::find_submachine_for_axis(const std::string& axis) const {
  const auto it = axis_table_.find(axis);
  return it != axis_table_.end() ? it->second.submachine : nullptr;
}

MMachAbstract* MProxyMachAbstract::find_submachine_for_axis(const std::string& axis,
                                                            std::string& submachine_axis) const {
  const auto it = axis_table_.find(axis);
  if (it == axis_table_.end()) return nullptr;
  submachine_axis = it->second.submachine_name;
  return it->second.submachine;
}

bool MProxyMachAbstract::split_axesset_to_submachines(const MMachAxesSet& axes,
                                                      MProxyBySubmachine<MMachAxesSet>& result) const {
  for (const std::string& axis : axes) {
    std::string own_name;
    MMachAbstract* owner = find_submachine_for_axis(axis, own_name);
    if (!owner) {
      MERRTRACE("MProxyMachAbstract::split_axesset_to_submachines(): %.40s not found!", axis.c_str());
      return false;
    }
    result[owner].insert(own_name);
  }
  return true;
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

bool MProxyMachAbstract::split_axesboolmap_to_submachines(
    const MMachAxesBoolMap& axes, MProxyBySubmachine<MMachAxesBoolMap>& result) const {
  for (const auto& [axis, value] : axes) {
    std::string own_name;
    MMachAbstract* owner = find_submachine_for_axis(axis, own_name);
    if (!owner) {
      MERRTRACE("MProxyMachAbstract::split_axesboolmap_to_submachines(): %.40s not found!", axis.c_str());
      return false;
    }
    result[owner].emplace(own_name, value);  // the first proxy name of an own axis wins
  }
  return true;
}

bool MProxyMachAbstract::split_destinationpara_to_submachines(
    const MMachDestinationPara& destination, MProxyBySubmachine<MMachDestinationPara>& result) const {
  for (const auto& [axis, target] : destination) {
    std::string own_name;
    MMachAbstract* owner = find_submachine_for_axis(axis, own_name);
    if (!owner) {
      MERRTRACE("MProxyMachAbstract::split_destinationpara_to_submachines(): position axis %.40s not found!",
                axis.c_str());
      return false;
    }
    result[owner].emplace(own_name, target);
  }
  return true;
}

// The per-submachine records keep the default x, y and z axis names.
bool MProxyMachAbstract::split_movementpara_to_submachines(
    const MMachMovementPara& movement, MProxyBySubmachine<MMachMovementPara>& result) const {
  for (const auto& [axis, target] : movement.positions) {
    std::string own_name;
    MMachAbstract* owner = find_submachine_for_axis(axis, own_name);
    if (!owner) {
      MERRTRACE("MProxyMachAbstract::split_movementpara_to_submachines(): position axis %.40s not found!",
                axis.c_str());
      return false;
    }
    result[owner].positions.emplace(own_name, target);
  }
  for (const std::string& axis : movement.tracking) {
    std::string own_name;
    MMachAbstract* owner = find_submachine_for_axis(axis, own_name);
    if (!owner) {
      MERRTRACE("MProxyMachAbstract::split_movementpara_to_submachines(): tracking axis %.40s not found!",
                axis.c_str());
      return false;
    }
    result[owner].tracking.insert(own_name);
  }
  if (movement.flag) {
    for (auto& [submachine, part] : result) part.flag = true;
  }
  return true;
}

// Shared axes are asked of every sharing submachine under the proxy name; only the owner's entry
// answers the request position, the others carry the no-position marker.
bool MProxyMachAbstract::split_axesvector_to_submachines(const MMachAxesVector& axes,
                                                         MProxyAxesVectorParts& result,
                                                         std::vector<MProxySharedAxis>& shared) {
  shared.clear();
  for (size_t i = 0; i < axes.size(); ++i) {
    std::string own_name;
    MMachAbstract* owner = find_submachine_for_axis(axes[i], own_name);
    if (!owner) {
      MERRTRACE("MProxyMachAbstract::split_axesvector_to_submachines(): %.40s not found!", axes[i].c_str());
      return false;
    }
    MProxyAxesVectorPart& part = result[owner];
    part.names.push_back(own_name);
    part.positions.push_back(i);
  }
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
