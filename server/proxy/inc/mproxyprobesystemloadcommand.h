// MProxyProbesystemLoadCommand: loads a probe system on the submachine that owns its proxy name
// and makes it the proxy's current one; then unloads, one at a time in list order, the probe
// system of every other submachine that has one loaded, so that one submachine stays active.
// The unload commands write straight into this command's channel.
#pragma once

#include <cstddef>
#include <memory>

#include "mproxysimplecommands.h"

class MProxyProbesystemLoadCommand final
    : public MProxyForwardingCommand<MMachProbesystemLoadCommand> {
 public:
  // The machine part keeps the proxy name and the id.
  using MProxyForwardingCommand<MMachProbesystemLoadCommand>::MProxyForwardingCommand;
  // Deletes an unload command that is still running.
  ~MProxyProbesystemLoadCommand() override;

  // First the load (MProxyCommand's polling), then the unloads: true when the last has finished.
  // Each other submachine is asked for at most one unload per load.
  bool IsDone() override;
  // Reaches the running unload too (an unload that never ends would keep the command alive);
  // no further unload starts afterwards.
  void Abort() override;
  void handle_finished_subcommand(MMachAbstract* submachine, MMachCommand* subcommand) override;

 private:
  bool started_ = false;
  std::unique_ptr<MMachCommand> unload_;      // the running unload command of another submachine ...
  MMachAbstract* unloading_ = nullptr;        // ... this one; not owned
  MMachAbstract* load_submachine_ = nullptr;  // not owned
  size_t next_submachine_ = 0;               // position in the proxy's submachine list
};
