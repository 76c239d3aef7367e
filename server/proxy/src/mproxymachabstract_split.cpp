// Translating proxy axis names to their owners' own names and back, and dividing requests
// over the owning submachines.
#include "mproxymachabstract.h"

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
