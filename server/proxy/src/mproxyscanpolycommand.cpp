#include "mproxyscanpolycommand.h"

#include "mproxyguard.h"
#include "mproxymachabstract.h"
#include "mproxyreport.h"

bool MProxyScanpolyCommand::IsDone() {
  if (done) return true;
  if (check_pending) {
    if (scandata_moved_away()) {
      // Released without Abort(): the sub-command has not been polled yet.
      drop_subcommands();
      done = true;
      return true;
    }
    check_pending = false;
  }
  done = MProxyCommand::IsDone();
  return done;
}

bool MProxyScanpolyCommand::scandata_moved_away() {
  const MProxyAxesVectorParts& assignment = machine->scandata_assignment();
  MMachAbstract* const recorder = assignment.empty() ? nullptr : assignment.begin()->first;
  MMachAbstract* const mover = subcommands.empty() ? nullptr : subcommands.begin()->first;
  if (recorder == mover) return false;
  MPROXY_LOG_AND_FAIL(MProxyCommand::output, kMErrorInvalidAxis,
                      "IsDone() [%s]: scandata machine (%s) must not be different from moving machine (%s) "
                      "during scan",
                      GetName(), recorder != nullptr ? mproxy_guard::name_of(recorder) : "<none>",
                      mover != nullptr ? mproxy_guard::name_of(mover) : "<none>");
  return true;
}

bool MProxyScanpolyCommand::GetData(std::vector<double>& values) {
  if (subcommands.empty()) return false;
  const auto& [submachine, record] = *subcommands.begin();
  return mproxy_guard::get_data(submachine, static_cast<MMachScanpolyCommand*>(record->command), values);
}
