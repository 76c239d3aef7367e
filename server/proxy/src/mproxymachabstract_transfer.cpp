// Component transfer: the receive and send factories. The proxy serves its own configuration
// component ("<name>.config") from its ini file and forwards every other component to the
// submachine that owns it, under that submachine's component name.
#include "mproxymachabstract.h"

#include <string>
#include <utility>

#include "errtrace.h"
#include "fastfile.h"
#include "fileops.h"
#include "mproxyreceivecommand.h"
#include "mproxyreport.h"
#include "mproxysendcommand.h"
#include "mproxysubcommand.h"

namespace {

// Creates the sub-command of a transfer on the owner of `component` and wraps it in a `Command`
// built from `args`. A refusal that leaves no error of the owner in `output` gets an internal error.
template <class Command, class Create, class... Args>
Command* forward_transfer(MProxyMachAbstract* proxy, MOutputChannel* output, const char* factory,
                          const std::string& component, Create&& create, const Args&... args) {
  std::string own_name = component;
  MMachAbstract* owner = proxy->find_submachine_for_component(own_name);
  if (!owner) {
    MPROXY_LOG_AND_FAIL(output, kMErrorInternal,
                        "MProxyMachAbstract::%s(): No submachine found for \"%.40s\"", factory,
                        component.c_str());
    return nullptr;
  }
  MProxyCommand::SubcommandMap subcommands;
  const auto factory_call = [&](MMachAbstract* submachine, MOutputChannel* channel) {
    return create(submachine, channel, own_name);
  };
  if (!create_subcommand(owner, output, subcommands, factory_call)) {
    if (output->HasError()) return nullptr;
    MPROXY_LOG_AND_FAIL(output, kMErrorInternal,
                        "MProxyMachAbstract::%s(): %s() returned NULL without providing an error message",
                        factory, factory);
    return nullptr;
  }
  return new Command(proxy, subcommands, output, args...);
}

}  // namespace

MMachAbstract* MProxyMachAbstract::find_submachine_for_component(std::string& component) {
  const auto entry = component_table_.find(component);
  if (entry == component_table_.end()) return nullptr;
  component = entry->second.submachine_name;
  return entry->second.submachine;
}

MMachReceiveCommand* MProxyMachAbstract::NewMMachReceiveCommand(MOutputChannel* output,
                                                                const std::string& component) {
  MErrTraceContext context;
  if (component == own_config_component_) {
    const std::string path = configdir + "\\" + name + ".ini";
    std::string data;
    if (file_exists(path.c_str()) && MFastFile_ReadAtOnce(path.c_str(), data) < 0) {
      MPROXY_DUMP_AND_FAIL(context, output, "Failed to read configuration file",
                           "%s(): MFastFile_ReadAtOnce(%s, ...) failed",
                           "MProxyMachAbstract::NewMMachReceiveCommand", path.c_str());
      return nullptr;
    }
    auto* command = new MProxyReceiveCommand(this, MProxyCommand::SubcommandMap(), output, component);
    command->data = std::move(data);
    return command;
  }
  return forward_transfer<MProxyReceiveCommand>(
      this, output, "NewMMachReceiveCommand", component,
      [](MMachAbstract* submachine, MOutputChannel* channel, const std::string& own_name) {
        return submachine->NewMMachReceiveCommand(channel, own_name);
      },
      component);
}

MMachSendCommand* MProxyMachAbstract::NewMMachSendCommand(MOutputChannel* output,
                                                          const std::string& component,
                                                          const std::string& data) {
  MErrTraceContext context;
  if (component == own_config_component_) {
    // Written now; the proxy reads its configuration again only at the next Open.
    const std::string path = configdir + "\\" + name + ".ini";
    if (MFastFile_WriteAtOnce(path.c_str(), data.data(), data.size(), kMFastFileTruncate) < 0) {
      MPROXY_DUMP_AND_FAIL(context, output, "Failed to save configuration file",
                           "%s(): MFastFile_WriteAtOnce(%s, %s) failed",
                           "MProxyMachAbstract::NewMMachSendCommand", path.c_str(), data.c_str());
      return nullptr;
    }
    return new MProxySendCommand(this, MProxyCommand::SubcommandMap(), output, component, data);
  }
  return forward_transfer<MProxySendCommand>(
      this, output, "NewMMachSendCommand", component,
      [&data](MMachAbstract* submachine, MOutputChannel* channel, const std::string& own_name) {
        return submachine->NewMMachSendCommand(channel, own_name, data);
      },
      component, data);
}
