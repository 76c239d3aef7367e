#include "mproxymachabstract.h"

#include "errtrace.h"
#include "mproxyreport.h"
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
  static constexpr const char* kName = "MProxyMachAbstract::NewMMachScanpolyCommand";
  MErrTraceContext context;
  MProxyCommand::SubcommandMap subcommands;
  if (!split_movepolypara_to_subcommands<MMachScanpolyCommand>(poly, output, nullptr, subcommands)) {
    MPROXY_DUMP_AND_FAIL_UNLESS_FAILED(context, output, kMErrorInternal,
                                       "%s(): split_movepolypara_to_subcommands() failed", kName);
    return nullptr;
  }
  if (subcommands.size() != 1) {
    MPROXY_LOG_AND_FAIL(output, kMErrorInvalidAxis,
                        "%s(): we support only one machine, but axes for %zu machines are given", kName,
                        subcommands.size());
    return nullptr;
  }
  MMachAbstract* const mover = subcommands.begin()->first;
  MMachAbstract* const active = get_active_submachine();
  if (mover != active) {
    MPROXY_LOG_AND_FAIL(output, kMErrorInvalidAxis, "%s(): we support only the active machine (%p!=%p)",
                        kName, static_cast<void*>(mover), static_cast<void*>(active));
    return nullptr;
  }
  if (scandata_assignment.size() != 1 || scandata_assignment.begin()->first != mover) {
    MPROXY_LOG_AND_FAIL(output, kMErrorInvalidAxis,
                        "%s(): all scandata axes must be provided by the active machine", kName);
    return nullptr;
  }
  return new MProxyScanpolyCommand(this, subcommands, output, poly);
}
