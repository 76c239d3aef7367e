// MProxyAsyncMachAbstract: the proxy machine that the plug-in hands to the server. It shares an
// axis of the combine table only with the submachines that can also deliver it as scan data
// under their numbered name; everything else is MProxyMachAbstract's.
#pragma once

#include <string>
#include <vector>

#include "mproxymachabstract.h"

class MProxyAsyncMachAbstract : public MProxyMachAbstract {
 public:
  using MProxyMachAbstract::MProxyMachAbstract;

  // Submachine i (list order) shares `axis` when the proxy's IsScandataPossibleWith answers 1
  // for {axis, axis numbered i + 1} and `axis` is usable on it.
  std::vector<MMachAbstract*> get_submachines_with_axis(const std::string& axis,
                                                        MProxyCombineFunction* combine) override;
};
