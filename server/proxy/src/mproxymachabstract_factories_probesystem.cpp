// The probe-system factories: define, delete and load go to the owner of the proxy name under
// its own name; unload goes to the active submachine. Also the probe-system state that the
// probe-system commands change when their sub-command has finished.
#include "mproxymachabstract.h"

#include <string>

#include "errtrace.h"
#include "mproxyprobesystemdefinecommand.h"
#include "mproxyprobesystemdeletecommand.h"
#include "mproxyprobesystemloadcommand.h"
#include "mproxyprobesystemunloadcommand.h"
#include "mproxyreport.h"
#include "mproxysubcommand.h"

namespace {

// Creates the one sub-command of a probe-system command on `submachine` and wraps it in a
// `Command` built from `args`; null after the "subcommand creation failed" report of `factory`.
template <class Command, class Create, class... Args>
Command* make_probesystem_command(MProxyMachAbstract* proxy, MErrTraceContext& context,
                                  MOutputChannel* output, const char* factory,
                                  MMachAbstract* submachine, Create&& create, const Args&... args) {
  MProxyCommand::SubcommandMap subcommands;
  if (!create_subcommand(submachine, output, subcommands, create)) {
    MPROXY_DUMP_AND_FAIL_UNLESS_FAILED(context, output, kMErrorInternal,
                                       "MProxyMachAbstract::%s(): subcommand creation failed", factory);
    return nullptr;
  }
  return new Command(proxy, subcommands, output, args...);
}

}  // namespace

MMachProbesystemDefineCommand* MProxyMachAbstract::NewMMachProbesystemDefineCommand(
    MOutputChannel* output, const MMachProbesystemInfo& info) {
  MErrTraceContext context;
  const auto entry = probesystem_table_.find(info.name);
  if (entry == probesystem_table_.end()) {
    MPROXY_LOG_AND_FAIL(output, kMErrorInternal, "%s(): no mapping for probesystem \"%s\"",
                        "MProxyMachAbstract::NewMMachProbesystemDefineCommand", info.name.c_str());
    return nullptr;
  }
  MMachProbesystemInfo own = info;
  own.name = entry->second.submachine_name;
  return make_probesystem_command<MProxyProbesystemDefineCommand>(
      this, context, output, "NewMMachProbesystemDefineCommand", entry->second.submachine,
      [&own](MMachAbstract* submachine, MOutputChannel* channel) {
        return submachine->NewMMachProbesystemDefineCommand(channel, own);
      },
      info);
}

MMachProbesystemDeleteCommand* MProxyMachAbstract::NewMMachProbesystemDeleteCommand(
    MOutputChannel* output, const std::string& name, uint32_t id) {
  MErrTraceContext context;
  const auto entry = probesystem_table_.find(name);
  if (entry == probesystem_table_.end()) {
    MPROXY_LOG_AND_FAIL(output, kMErrorInternal, "%s(): no mapping for probesystem \"%s\"",
                        "MProxyMachAbstract::NewMMachProbesystemDeleteCommand", name.c_str());
    return nullptr;
  }
  const std::string& own = entry->second.submachine_name;
  return make_probesystem_command<MProxyProbesystemDeleteCommand>(
      this, context, output, "NewMMachProbesystemDeleteCommand", entry->second.submachine,
      [&own, id](MMachAbstract* submachine, MOutputChannel* channel) {
        return submachine->NewMMachProbesystemDeleteCommand(channel, own, id);
      },
      name, id);
}

MMachProbesystemLoadCommand* MProxyMachAbstract::NewMMachProbesystemLoadCommand(
    MOutputChannel* output, const std::string& name, uint32_t id) {
  MErrTraceContext context;
  const auto entry = probesystem_table_.find(name);
  if (entry == probesystem_table_.end()) {
    MPROXY_LOG_AND_FAIL(output, kMErrorInternal, "%s(): no mapping for probesystem \"%s\"",
                        "MProxyMachAbstract::NewMMachProbesystemLoadCommand", name.c_str());
    return nullptr;
  }
  const std::string& own = entry->second.submachine_name;
  return make_probesystem_command<MProxyProbesystemLoadCommand>(
      this, context, output, "NewMMachProbesystemLoadCommand", entry->second.submachine,
      [&own, id](MMachAbstract* submachine, MOutputChannel* channel) {
        return submachine->NewMMachProbesystemLoadCommand(channel, own, id);
      },
      name, id);
}

MMachProbesystemUnloadCommand* MProxyMachAbstract::NewMMachProbesystemUnloadCommand(
    MOutputChannel* output) {
  MErrTraceContext context;
  MMachAbstract* active = get_active_submachine();
  if (!active) {
    mproxy_report::fail(output, kMErrorProbesystemNotLoaded);
    return nullptr;
  }
  return make_probesystem_command<MProxyProbesystemUnloadCommand>(
      this, context, output, "NewMMachProbesystemUnloadCommand", active,
      [](MMachAbstract* submachine, MOutputChannel* channel) {
        return submachine->NewMMachProbesystemUnloadCommand(channel);
      });
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
