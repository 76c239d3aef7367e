#include "proxyrig.h"

#include <cstdio>

namespace {

// GCC 12 at -O3 warns falsely (-Wrestrict) about chains of std::string additions.
std::string sim_text(const char* prefix, size_t number) {
  char text[32];
  std::snprintf(text, sizeof text, "%s%zu", prefix, number);
  return text;
}

}  // namespace

ProxyRig::ProxyRig(size_t count, size_t axes) : storage_(std::make_unique<std::optional<MSimMachine>[]>(count)) {
  for (size_t i = 0; i < count; ++i) {
    MSimMachine& sim = storage_[i].emplace(&channel_, nullptr, sim_text("sim", i + 1), dir_.path().string());
    sim.SetIdentity(sim_text("sim", i + 1), sim_text("1.", i + 1), sim_text("d", i + 1));
    sim.SupportAllCommands();
    for (size_t axis = 0; axis < axes; ++axis) sim.AddAxis(AxisName(i, axis), 0, static_cast<double>(axis));
    submachines_.push_back(&sim);
  }
}

ProxyRig::~ProxyRig() {
  proxy_.reset();
  channel_.Clear();
}

std::string ProxyRig::AxisName(size_t submachine, size_t axis) {
  char name[48];
  std::snprintf(name, sizeof name, "a%zu_%zu", submachine + 1, axis);
  return name;
}

MProxyMachAbstract& ProxyRig::MakeProxy() {
  proxy_.reset();
  proxy_ = std::make_unique<MProxyAsyncMachAbstract>(&channel_, nullptr, submachines_, "px", dir_.path().string());
  return *proxy_;
}

MProxyMachAbstract* ProxyRig::OpenProxy() {
  MProxyMachAbstract& proxy = MakeProxy();
  return proxy.Open() ? &proxy : nullptr;
}
