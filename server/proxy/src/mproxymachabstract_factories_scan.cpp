#include "mproxymachabstract.h"

// Factories not written yet keep the machine interface's answer (error 15, null).

MMachScanCommand* MProxyMachAbstract::NewMMachScanCommand(MOutputChannel* output, const MMachMovementPara& movement) {
  return MMachAbstract::NewMMachScanCommand(output, movement);
}

MMachScanpolyCommand* MProxyMachAbstract::NewMMachScanpolyCommand(MOutputChannel* output, const MMachMovepolyPara& poly) {
  return MMachAbstract::NewMMachScanpolyCommand(output, poly);
}
