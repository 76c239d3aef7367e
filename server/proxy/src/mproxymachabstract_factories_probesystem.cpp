#include "mproxymachabstract.h"

// Factories not written yet keep the machine interface's answer (error 15, null).

MMachProbesystemDefineCommand* MProxyMachAbstract::NewMMachProbesystemDefineCommand(MOutputChannel* output, const MMachProbesystemInfo& info) {
  return MMachAbstract::NewMMachProbesystemDefineCommand(output, info);
}

MMachProbesystemDeleteCommand* MProxyMachAbstract::NewMMachProbesystemDeleteCommand(MOutputChannel* output, const std::string& name, uint32_t id) {
  return MMachAbstract::NewMMachProbesystemDeleteCommand(output, name, id);
}

MMachProbesystemLoadCommand* MProxyMachAbstract::NewMMachProbesystemLoadCommand(MOutputChannel* output, const std::string& name, uint32_t id) {
  return MMachAbstract::NewMMachProbesystemLoadCommand(output, name, id);
}

MMachProbesystemUnloadCommand* MProxyMachAbstract::NewMMachProbesystemUnloadCommand(MOutputChannel* output) {
  return MMachAbstract::NewMMachProbesystemUnloadCommand(output);
}

MMachReceiveCommand* MProxyMachAbstract::NewMMachReceiveCommand(MOutputChannel* output, const std::string& component) {
  return MMachAbstract::NewMMachReceiveCommand(output, component);
}

MMachSendCommand* MProxyMachAbstract::NewMMachSendCommand(MOutputChannel* output, const std::string& component, const std::string& data) {
  return MMachAbstract::NewMMachSendCommand(output, component, data);
}
