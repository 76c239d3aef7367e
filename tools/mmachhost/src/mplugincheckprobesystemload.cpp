#include "mplugincheckprobesystemload.h"

#include <vector>

#include "mmachcommands.h"

MPluginCheckProbesystemLoad::MPluginCheckProbesystemLoad(MMachAbstract& machine, const MPluginCheckTarget& target,
                                                         const std::function<bool(MMachAbstract&)>& fits)
    : machine_(machine), target_(target) {
  if (!machine.HasProbesystems() || machine.HasActiveProbesystem() ||
      !machine.IsCommandSupported("MMachProbesystemLoadCommand")) {
    return;
  }
  for (const std::string& name : MPluginCheck_ListedProbesystems(machine)) {
    for (const MMachProbesystemInfo& info : machine.GetProbesystemInfos(name, 0)) {
      if (!load(name, info.id)) continue;
      if (fits(machine)) {
        loaded_ = name + "/" + std::to_string(info.id);
        return;
      }
      unload();
    }
  }
}

// The check's result is settled by now: a fault of the unload is not reported, and an
// exception must not leave a destructor.
MPluginCheckProbesystemLoad::~MPluginCheckProbesystemLoad() {
  if (loaded_.empty()) return;
  try {
    unload();
  } catch (...) {
  }
}

std::string MPluginCheckProbesystemLoad::Note() const {
  return loaded_.empty() ? std::string() : std::string(", ").append(loaded_).append(" loaded for it");
}

bool MPluginCheckProbesystemLoad::load(const std::string& name, uint32_t id) {
  MOutputChannel channel(1);
  const std::string ending =
      MPluginCheck_RunToEnd(machine_.NewMMachProbesystemLoadCommand(&channel, name, id), channel, target_);
  return ending.empty() && machine_.HasActiveProbesystem();
}

void MPluginCheckProbesystemLoad::unload() {
  if (!machine_.IsCommandSupported("MMachProbesystemUnloadCommand")) return;
  MOutputChannel channel(1);
  MPluginCheck_RunToEnd(machine_.NewMMachProbesystemUnloadCommand(&channel), channel, target_);
}
