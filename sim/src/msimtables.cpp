#include "msimtables.h"

#include <algorithm>

MSimAxis MSimAxis::Make(const std::string& name, uint32_t flags, double value) {
  MSimAxis axis;
  axis.info.name = name;
  axis.info.flags = flags;
  axis.value = value;
  return axis;
}

const MSimAxis* MSimTables::FindAxis(const std::string& name) const {
  const auto it = std::find_if(axes.begin(), axes.end(),
                               [&](const MSimAxis& axis) { return axis.info.name == name; });
  return it == axes.end() ? nullptr : &*it;
}

MSimAxis* MSimTables::FindAxis(const std::string& name) {
  return const_cast<MSimAxis*>(static_cast<const MSimTables*>(this)->FindAxis(name));
}

bool MSimTables::IsUsableAxis(const std::string& name) const {
  const MSimAxis* axis = FindAxis(name);
  return axis && axis->info.IsAvailable();
}

bool MSimTables::IsProbesystemListed(const std::string& name) const {
  return std::find(probesystem_names.begin(), probesystem_names.end(), name) !=
         probesystem_names.end();
}
