// MProxyFeatureState: which submachines run the proxy's started features (autoinfo, autolatch,
// preview, preview memory), so that every later read or stop goes to exactly those. Empty
// tables and null machines mean idle. The submachines are not owned.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "mproxyaxesvectorpart.h"
#include "mproxyentries.h"

struct MProxyFeatureState {
  MProxyAxesVectorParts autoinfo_table;  // owners of the running autoinfo
  std::vector<MProxySharedAxis> autoinfo_shared_axes;
  MProxyBySubmachine<std::vector<double>> autoinfo_data;  // latest values of each owner
  std::vector<bool> autoinfo_ready;  // per owner in table order: delivered since the last read
  MProxyAxesVectorParts autolatch_table;  // the owner of the running autolatch
  MMachAbstract* preview_machine = nullptr;
  std::map<std::string, MMachAbstract*> preview_memory_table;  // by proxy probe-system name
};
