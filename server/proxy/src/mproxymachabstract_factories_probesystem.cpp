// The probe-system factories: define, delete and load go to the owner of the proxy name under
// its own name; unload goes to the active submachine. Also the probe-system state that the
// probe-system commands change when their sub-command has finished.
#include "mproxymachabstract.h"

#include <string>

#include "mproxyfactoryframe.h"
#include "mproxyprobesystemdefinecommand.h"
#include "mproxyprobesystemdeletecommand.h"
#include "mproxyprobesystemloadcommand.h"
#include "mproxyprobesystemunloadcommand.h"
#include "mproxyreport.h"

namespace {

// Define, delete and load: one sub-command on the owner of the proxy name `name`, made by
// create(owner, channel, owner's name), wrapped in a `Proxy` built from `args`.
template <class Proxy, class Create, class... Args>
Proxy* new_on_owner(MProxyMachAbstract* proxy, MOutputChannel* output, const char* function,
                    const std::string& name, Create&& create, const Args&... args) {
  MProxyFactoryFrame frame(proxy, output, function);
  const auto entry = proxy->probesystem_table().find(name);
  if (entry == proxy->probesystem_table().end()) {
    MPROXY_LOG_AND_FAIL(output, kMErrorInternal, "%s(): no mapping for probesystem \"%s\"", function,
                        name.c_str());
    return nullptr;
  }
  const MProxyProbesystemEntry& owner = entry->second;
  const auto with_own_name = [&create, &owner](MMachAbstract* submachine, MOutputChannel* channel) {
    return create(submachine, channel, owner.submachine_name);
  };
  if (!frame.create_on(owner.submachine, with_own_name)) return nullptr;
  return frame.wrap<Proxy>(args...);
}

}  // namespace

MMachProbesystemDefineCommand* MProxyMachAbstract::NewMMachProbesystemDefineCommand(
    MOutputChannel* output, const MMachProbesystemInfo& info) {
  return new_on_owner<MProxyProbesystemDefineCommand>(
      this, output, "MProxyMachAbstract::NewMMachProbesystemDefineCommand", info.name,
      [&info](MMachAbstract* owner, MOutputChannel* channel, const std::string& own_name) {
        MMachProbesystemInfo own = info;
        own.name = own_name;
        return owner->NewMMachProbesystemDefineCommand(channel, own);
      },
      info);
}

MMachProbesystemDeleteCommand* MProxyMachAbstract::NewMMachProbesystemDeleteCommand(
    MOutputChannel* output, const std::string& name, uint32_t id) {
  return new_on_owner<MProxyProbesystemDeleteCommand>(
      this, output, "MProxyMachAbstract::NewMMachProbesystemDeleteCommand", name,
      [id](MMachAbstract* owner, MOutputChannel* channel, const std::string& own_name) {
        return owner->NewMMachProbesystemDeleteCommand(channel, own_name, id);
      },
      name, id);
}

MMachProbesystemLoadCommand* MProxyMachAbstract::NewMMachProbesystemLoadCommand(
    MOutputChannel* output, const std::string& name, uint32_t id) {
  return new_on_owner<MProxyProbesystemLoadCommand>(
      this, output, "MProxyMachAbstract::NewMMachProbesystemLoadCommand", name,
      [id](MMachAbstract* owner, MOutputChannel* channel, const std::string& own_name) {
        return owner->NewMMachProbesystemLoadCommand(channel, own_name, id);
      },
      name, id);
}

MMachProbesystemUnloadCommand* MProxyMachAbstract::NewMMachProbesystemUnloadCommand(
    MOutputChannel* output) {
  MProxyFactoryFrame frame(this, output, "MProxyMachAbstract::NewMMachProbesystemUnloadCommand");
  const auto create = [](MMachAbstract* submachine, MOutputChannel* channel) {
    return submachine->NewMMachProbesystemUnloadCommand(channel);
  };
  if (!frame.create_on_active(create)) return nullptr;
  return frame.wrap<MProxyProbesystemUnloadCommand>();
}

void MProxyMachAbstract::set_current_probesystem(const std::string& proxy_name) {
  current_probesystem_ =
      proxy_name.empty() ? probesystem_table_.end() : probesystem_table_.find(proxy_name);
}

std::multimap<std::string, MMachProbesystemInfo>* MProxyMachAbstract::submachine_probesystem_list(
    const MMachAbstract* submachine) {
  const size_t index = submachine_index(submachine);
  if (index >= submachines_.size() || index >= submachine_probesystem_infos_.size()) return nullptr;
  return &submachine_probesystem_infos_[index];
}
