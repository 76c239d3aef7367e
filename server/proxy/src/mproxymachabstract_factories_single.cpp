#include "mproxymachabstract.h"

// Factories not written yet keep the machine interface's answer (error 15, null).

MMachMovebaseCommand* MProxyMachAbstract::NewMMachMovebaseCommand(MOutputChannel* output, const MMachAxesSet& axes) {
  return MMachAbstract::NewMMachMovebaseCommand(output, axes);
}

MMachScanbaseCommand* MProxyMachAbstract::NewMMachScanbaseCommand(MOutputChannel* output, const MMachAxesSet& axes) {
  return MMachAbstract::NewMMachScanbaseCommand(output, axes);
}

MMachMovecircleCommand* MProxyMachAbstract::NewMMachMovecircleCommand(MOutputChannel* output, const MMachCirclePara& circle) {
  return MMachAbstract::NewMMachMovecircleCommand(output, circle);
}

MMachMoveconeCommand* MProxyMachAbstract::NewMMachMoveconeCommand(MOutputChannel* output, const MMachConePara& cone) {
  return MMachAbstract::NewMMachMoveconeCommand(output, cone);
}

MMachScancircleCommand* MProxyMachAbstract::NewMMachScancircleCommand(MOutputChannel* output, const MMachCirclePara& circle) {
  return MMachAbstract::NewMMachScancircleCommand(output, circle);
}

MMachScanconeCommand* MProxyMachAbstract::NewMMachScanconeCommand(MOutputChannel* output, const MMachConePara& cone) {
  return MMachAbstract::NewMMachScanconeCommand(output, cone);
}

MMachSetCommand* MProxyMachAbstract::NewMMachSetCommand(MOutputChannel* output, const std::map<std::string, double>& values) {
  return MMachAbstract::NewMMachSetCommand(output, values);
}

MMachIdleCommand* MProxyMachAbstract::NewMMachIdleCommand(MOutputChannel* output) {
  return MMachAbstract::NewMMachIdleCommand(output);
}

MMachResetCommand* MProxyMachAbstract::NewMMachResetCommand(MOutputChannel* output) {
  return MMachAbstract::NewMMachResetCommand(output);
}

MMachMovehomeCommand* MProxyMachAbstract::NewMMachMovehomeCommand(MOutputChannel* output) {
  return MMachAbstract::NewMMachMovehomeCommand(output);
}

MMachWobbleCommand* MProxyMachAbstract::NewMMachWobbleCommand(MOutputChannel* output, const MMachWobbleParameters& parameters) {
  return MMachAbstract::NewMMachWobbleCommand(output, parameters);
}

MMachImagefifoCreateCommand* MProxyMachAbstract::NewMMachImagefifoCreateCommand(MOutputChannel* output, const std::string& name, uint64_t size) {
  return MMachAbstract::NewMMachImagefifoCreateCommand(output, name, size);
}

MMachImagefifoResetCommand* MProxyMachAbstract::NewMMachImagefifoResetCommand(MOutputChannel* output) {
  return MMachAbstract::NewMMachImagefifoResetCommand(output);
}

MMachImagefifoSelectCommand* MProxyMachAbstract::NewMMachImagefifoSelectCommand(MOutputChannel* output, const std::string& name) {
  return MMachAbstract::NewMMachImagefifoSelectCommand(output, name);
}

MMachProbeDefineCommand* MProxyMachAbstract::NewMMachProbeDefineCommand(MOutputChannel* output, uint32_t probe, uint32_t tip, uint64_t value) {
  return MMachAbstract::NewMMachProbeDefineCommand(output, probe, tip, value);
}

MMachProbeDeleteCommand* MProxyMachAbstract::NewMMachProbeDeleteCommand(MOutputChannel* output, uint32_t probe, uint32_t tip) {
  return MMachAbstract::NewMMachProbeDeleteCommand(output, probe, tip);
}

MMachProbeLoadCommand* MProxyMachAbstract::NewMMachProbeLoadCommand(MOutputChannel* output, uint32_t probe, uint32_t tip) {
  return MMachAbstract::NewMMachProbeLoadCommand(output, probe, tip);
}

MMachProbeUnloadCommand* MProxyMachAbstract::NewMMachProbeUnloadCommand(MOutputChannel* output) {
  return MMachAbstract::NewMMachProbeUnloadCommand(output);
}

MMachCommand* MProxyMachAbstract::NewMMachMagazineSetCommand(MOutputChannel* output, uint32_t slot, uint32_t probe) {
  return MMachAbstract::NewMMachMagazineSetCommand(output, slot, probe);
}

MMachImagefifoDeleteCommand* MProxyMachAbstract::NewMMachImagefifoDeleteCommand(MOutputChannel* output, const std::string& name) {
  return MMachAbstract::NewMMachImagefifoDeleteCommand(output, name);
}

MMachScanpointCommand* MProxyMachAbstract::NewMMachScanpointCommand(MOutputChannel* output, const MMachMovementPara& movement) {
  return MMachAbstract::NewMMachScanpointCommand(output, movement);
}
