// The proxy as the host reaches it in tests: the plug-in is loaded once for the test binary and
// stays loaded (machines it made may outlive a test); MHostTestProxy makes one proxy over the
// caller's submachines and channel, opens it, and closes it and empties the channel when it goes.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "mhostplugin.h"
#include "mmachabstract.h"
#include "moutputchannel.h"

// The loaded proxy plug-in; a test failure, and null exports, when it does not load.
inline const MHostPlugin& host_test_proxy_plugin() {
  static const MHostPlugin* const plugin = [] {
    auto* loaded = new MHostPlugin;
    std::string error;
    EXPECT_TRUE(loaded->Load(ORVEX_PROXY_PLUGIN, error)) << error;
    return loaded;
  }();
  return *plugin;
}

class MHostTestProxy {
 public:
  // A test failure, and a null machine, when the proxy cannot be made or does not open.
  MHostTestProxy(const std::string& name, const std::string& configdir, MOutputChannel& channel,
                 const std::vector<MMachAbstract*>& submachines)
      : channel_(channel) {
    const NewMMachAbstractFunction new_machine = host_test_proxy_plugin().new_machine;
    if (new_machine != nullptr) machine_.reset(new_machine(name, configdir, &channel, nullptr, submachines));
    if (machine_ != nullptr && !machine_->Open()) machine_.reset();
    EXPECT_NE(machine_, nullptr) << "the proxy " << name << " did not open";
  }
  ~MHostTestProxy() {
    if (machine_ != nullptr) machine_->Close();
    machine_.reset();
    std::string rest;
    channel_.Take(rest, true);
  }
  MHostTestProxy(const MHostTestProxy&) = delete;
  MHostTestProxy& operator=(const MHostTestProxy&) = delete;

  MMachAbstract* get() const { return machine_.get(); }

 private:
  MOutputChannel& channel_;
  std::unique_ptr<MMachAbstract> machine_;
};
