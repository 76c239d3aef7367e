#include "mproxymachabstract.h"

#include "mproxyfactoryframe.h"
#include "mproxyscancommand.h"
#include "mproxyscanpolycommand.h"

// The scan splits itself and creates its sub-commands on its first poll, when it knows which
// submachines only record scan data.
MMachScanCommand* MProxyMachAbstract::NewMMachScanCommand(MOutputChannel* output, const MMachMovementPara& movement) {
  return new MProxyScanCommand(this, output, movement);
}

// A polygon scan needs the active submachine to move and to provide every scandata axis.
MMachScanpolyCommand* MProxyMachAbstract::NewMMachScanpolyCommand(MOutputChannel* output,
                                                                  const MMachMovepolyPara& poly) {
  MProxyFactoryFrame frame(this, output, "MProxyMachAbstract::NewMMachScanpolyCommand");
  if (!frame.split(&MProxyMachAbstract::split_movepolypara_to_subcommands<MMachScanpolyCommand>, poly,
                   "split_movepolypara_to_subcommands")) {
    return nullptr;
  }
  const size_t movers = frame.subcommands().size();
  if (movers != 1) return frame.refuse_submachine_count(movers);
  if (!frame.scans_on_active(frame.subcommands().begin()->first)) return nullptr;
  return frame.wrap<MProxyScanpolyCommand>(poly);
}
