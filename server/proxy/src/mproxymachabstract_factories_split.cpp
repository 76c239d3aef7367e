#include "mproxymachabstract.h"

// Factories not written yet keep the machine interface's answer (error 15, null).

MMachGetCommand* MProxyMachAbstract::NewMMachGetCommand(MOutputChannel* output, const MMachAxesVector& axes) {
  return MMachAbstract::NewMMachGetCommand(output, axes);
}

MMachInitCommand* MProxyMachAbstract::NewMMachInitCommand(MOutputChannel* output, const MMachAxesSet& axes) {
  return MMachAbstract::NewMMachInitCommand(output, axes);
}

MMachKeypadDisableCommand* MProxyMachAbstract::NewMMachKeypadDisableCommand(MOutputChannel* output, const MMachAxesSet& axes) {
  return MMachAbstract::NewMMachKeypadDisableCommand(output, axes);
}

MMachKeypadEnableCommand* MProxyMachAbstract::NewMMachKeypadEnableCommand(MOutputChannel* output, const MMachAxesSet& axes) {
  return MMachAbstract::NewMMachKeypadEnableCommand(output, axes);
}

MMachModuloCommand* MProxyMachAbstract::NewMMachModuloCommand(MOutputChannel* output, const MMachAxesSet& axes) {
  return MMachAbstract::NewMMachModuloCommand(output, axes);
}

MMachMoveCommand* MProxyMachAbstract::NewMMachMoveCommand(MOutputChannel* output, const MMachMovementPara& movement) {
  return MMachAbstract::NewMMachMoveCommand(output, movement);
}

MMachMovezeroCommand* MProxyMachAbstract::NewMMachMovezeroCommand(MOutputChannel* output, const MMachMovementPara& movement) {
  return MMachAbstract::NewMMachMovezeroCommand(output, movement);
}

MMachMovepolyCommand* MProxyMachAbstract::NewMMachMovepolyCommand(MOutputChannel* output, const MMachMovepolyPara& poly) {
  return MMachAbstract::NewMMachMovepolyCommand(output, poly);
}

MMachSpinDisableCommand* MProxyMachAbstract::NewMMachSpinDisableCommand(MOutputChannel* output, const MMachAxesSet& axes) {
  return MMachAbstract::NewMMachSpinDisableCommand(output, axes);
}

MMachSpinEnableCommand* MProxyMachAbstract::NewMMachSpinEnableCommand(MOutputChannel* output, const MMachAxesBoolMap& axes) {
  return MMachAbstract::NewMMachSpinEnableCommand(output, axes);
}

MMachProbeOffsetCommand* MProxyMachAbstract::NewMMachProbeOffsetCommand(MOutputChannel* output, const MMachDestinationPara& destination) {
  return MMachAbstract::NewMMachProbeOffsetCommand(output, destination);
}

MMachScandataCommand* MProxyMachAbstract::NewMMachScandataCommand(MOutputChannel* output, const MMachAxesVector& axes) {
  return MMachAbstract::NewMMachScandataCommand(output, axes);
}
