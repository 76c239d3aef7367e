// Component transfer: the receive and send factories. The proxy serves its own configuration
// component ("<name>.config") from its ini file and forwards every other component to the
// submachine that owns it, under that submachine's component name.
#include "mproxymachabstract.h"

#include <string>
#include <utility>

#include "fastfile.h"
#include "fileops.h"
#include "mproxyfactoryframe.h"
#include "mproxyreceivecommand.h"
#include "mproxyreport.h"
#include "mproxysendcommand.h"

namespace {

// Creates the sub-command of a transfer on the owner of `component` with create(owner, channel,
// owner's component name) and wraps it in a `Command` built from `args`. A refusal that leaves no
// error of the owner in the server's channel is logged as "<submachine_factory>() returned NULL
// without providing an error message", with an internal error.
template <class Command, class Create, class... Args>
Command* forward_transfer(MProxyMachAbstract* proxy, MProxyFactoryFrame& frame, MOutputChannel* output,
                          const char* submachine_factory, const std::string& component, Create&& create,
                          const Args&... args) {
  std::string own_name = component;
  MMachAbstract* owner = proxy->find_submachine_for_component(own_name);
  if (!owner) {
    MPROXY_LOG_AND_FAIL(output, kMErrorInternal, "%s(): No submachine found for \"%.40s\"", frame.function(),
                        component.c_str());
    return nullptr;
  }
  const auto with_own_name = [&](MMachAbstract* submachine, MOutputChannel* channel) {
    return create(submachine, channel, own_name);
  };
  if (!frame.add(owner, with_own_name)) {
    if (output->HasError()) return nullptr;
    MPROXY_LOG_AND_FAIL(output, kMErrorInternal, "%s(): %s() returned NULL without providing an error message",
                        frame.function(), submachine_factory);
    return nullptr;
  }
  return frame.wrap<Command>(args...);
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
  MProxyFactoryFrame frame(this, output, "MProxyMachAbstract::NewMMachReceiveCommand");
  if (component == own_config_component_) {
    const std::string path = MMachAbstract_ConfigFile(configdir, name);
    std::string data;
    if (file_exists(path.c_str()) && MFastFile_ReadAtOnce(path.c_str(), data) < 0) {
      MPROXY_DUMP_AND_FAIL(frame.context(), output, "Failed to read configuration file",
                           "%s(): MFastFile_ReadAtOnce(%s, ...) failed", frame.function(), path.c_str());
      return nullptr;
    }
    auto* command = frame.wrap<MProxyReceiveCommand>(component);
    command->data = std::move(data);
    return command;
  }
  return forward_transfer<MProxyReceiveCommand>(
      this, frame, output, "NewMMachReceiveCommand", component,
      [](MMachAbstract* submachine, MOutputChannel* channel, const std::string& own_name) {
        return submachine->NewMMachReceiveCommand(channel, own_name);
      },
      component);
}

MMachSendCommand* MProxyMachAbstract::NewMMachSendCommand(MOutputChannel* output,
                                                          const std::string& component,
                                                          const std::string& data) {
  MProxyFactoryFrame frame(this, output, "MProxyMachAbstract::NewMMachSendCommand");
  if (component == own_config_component_) {
    // Written now, through a temporary file, so that a failed save keeps the previous
    // configuration whole; the proxy reads it again only at the next Open.
    const std::string path = MMachAbstract_ConfigFile(configdir, name);
    if (MFastFile_WriteAtOnce(path.c_str(), data.data(), data.size(), kMFastFileReplace) < 0) {
      MPROXY_DUMP_AND_FAIL(frame.context(), output, "Failed to save configuration file",
                           "%s(): MFastFile_WriteAtOnce(%s, %s) failed", frame.function(), path.c_str(),
                           data.c_str());
      return nullptr;
    }
    return frame.wrap<MProxySendCommand>(component, data);
  }
  return forward_transfer<MProxySendCommand>(
      this, frame, output, "NewMMachSendCommand", component,
      [&data](MMachAbstract* submachine, MOutputChannel* channel, const std::string& own_name) {
        return submachine->NewMMachSendCommand(channel, own_name, data);
      },
      component, data);
}
