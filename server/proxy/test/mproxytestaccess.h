// The tests' view of the proxy machine's internals: the merged tables, the aliases, the probe-
// system name translation, and the scandata assignment, which a test sets as a scandata factory
// would have. A friend of MProxyMachAbstract; for tests only.
#pragma once

#include <string>
#include <vector>

#include "mproxymachabstract.h"

class MProxyTestAccess {
 public:
  static const MProxyMachAbstract::AxisTable& axis_table(const MProxyMachAbstract& proxy) {
    return proxy.axis_table_;
  }
  static const MProxyMachAbstract::ComponentTable& component_table(const MProxyMachAbstract& proxy) {
    return proxy.component_table_;
  }
  static const std::vector<std::string>& aliases(const MProxyMachAbstract& proxy) { return proxy.aliases_; }
  static const std::string& probesystem_submach2proxy_name(MProxyMachAbstract& proxy, const std::string& name,
                                                           MMachAbstract* submachine) {
    return proxy.probesystem_submach2proxy_name(name, submachine);
  }
  static MProxyAxesVectorParts& scandata_assignment(MProxyMachAbstract& proxy) {
    return proxy.scandata_assignment_;
  }
};
