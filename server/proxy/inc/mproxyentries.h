// Table entries of the proxy machine: each proxy name of an axis, component or probe system leads
// to the owning submachine and that submachine's own name. Submachines are not owned (the server
// owns them); maps keyed by submachine are ordered by the submachine object's address.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "mmachaxisrecords.h"
#include "mmachmachinerecords.h"

class MMachAbstract;

// One axis of the merged axis table; `info.name` is the proxy name.
struct MProxyAxisEntry {
  MMachAxisInfo info;
  std::string submachine_name;
  MMachAbstract* submachine = nullptr;
};

// One component of the merged component table; `info.name` is the proxy name. The proxy's own
// configuration component names the proxy itself as its submachine.
struct MProxyComponentEntry {
  MMachComponentInfo info;
  std::string submachine_name;
  MMachAbstract* submachine = nullptr;
};

// One probe system of the merged probe-system table (keyed by the proxy name).
struct MProxyProbesystemEntry {
  std::string submachine_name;
  MMachAbstract* submachine = nullptr;
};

// A per-submachine share of a request, ordered by submachine address.
template <class T>
using MProxyBySubmachine = std::map<MMachAbstract*, T, std::less<MMachAbstract*>>;
