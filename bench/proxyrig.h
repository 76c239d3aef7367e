// A proxy machine over simulated submachines for the benchmarks: `count` submachines with
// `axes` axes each, named "a<submachine>_<axis>" so that no names collide, all writing into the
// proxy's channel. The submachines live in one array in list order.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "moutputchannel.h"
#include "mproxyasyncmachabstract.h"
#include "msimmachine.h"
#include "mtesttempdir.h"

class ProxyRig {
 public:
  ProxyRig(size_t count, size_t axes);
  ~ProxyRig();
  ProxyRig(const ProxyRig&) = delete;
  ProxyRig& operator=(const ProxyRig&) = delete;

  static std::string AxisName(size_t submachine, size_t axis);

  // A new proxy over the submachines, not yet opened; it replaces the one before.
  MProxyMachAbstract& MakeProxy();
  // MakeProxy and Open; null when Open failed.
  MProxyMachAbstract* OpenProxy();
  void DropProxy() { proxy_.reset(); }

  MSimMachine& Sim(size_t index) { return *storage_[index]; }
  const std::vector<MMachAbstract*>& Submachines() const { return submachines_; }
  MOutputChannel& Channel() { return channel_; }
  // Holds no configuration file, so that a proxy opens without aliases.
  std::string ConfigDir() const { return dir_.path().string(); }

 private:
  MOutputChannel channel_{1};
  MTestTempDir dir_;
  std::unique_ptr<std::optional<MSimMachine>[]> storage_;
  std::vector<MMachAbstract*> submachines_;
  std::unique_ptr<MProxyMachAbstract> proxy_;
};
