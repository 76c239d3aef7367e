// A probe system loaded for a check that needs one (the current magazine, an optical probe
// system for image FIFOs) on a machine that offers probe systems but has none loaded. It loads
// through the machine's own load command, as the server would, the first definition for which
// `fits` holds once it is loaded, and unloads it through the unload command when it goes. On a
// machine that has one loaded already (or offers none, or no load command) it does nothing.
#pragma once

#include <functional>
#include <string>

#include "mplugincheckmachine.h"

class MPluginCheckProbesystemLoad {
 public:
  MPluginCheckProbesystemLoad(MMachAbstract& machine, const MPluginCheckTarget& target,
                              const std::function<bool(MMachAbstract&)>& fits);
  ~MPluginCheckProbesystemLoad();
  MPluginCheckProbesystemLoad(const MPluginCheckProbesystemLoad&) = delete;
  MPluginCheckProbesystemLoad& operator=(const MPluginCheckProbesystemLoad&) = delete;

  // "name/id" of the definition this loaded; empty when it loaded none.
  const std::string& Loaded() const { return loaded_; }
  // ", <name/id> loaded for it" when this loaded one, else empty: for a check's report.
  std::string Note() const;

 private:
  bool load(const std::string& name, uint32_t id);
  void unload();

  MMachAbstract& machine_;
  const MPluginCheckTarget& target_;
  std::string loaded_;
};
