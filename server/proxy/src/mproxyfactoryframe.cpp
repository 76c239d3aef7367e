#include "mproxyfactoryframe.h"

MProxyFactoryFrame::MProxyFactoryFrame(MProxyMachAbstract* proxy, MOutputChannel* output,
                                       const char* function)
    : MProxyFactoryFrame(proxy, output, function, own_subcommands_) {}

MProxyFactoryFrame::MProxyFactoryFrame(MProxyMachAbstract* proxy, MOutputChannel* output,
                                       const char* function, MProxyCommand::SubcommandMap& into)
    : proxy_(proxy),
      output_(output),
      function_(function),
      operation_(mproxy_guard::unqualified(function)),
      subcommands_(into) {}

MMachAbstract* MProxyFactoryFrame::active_submachine() {
  MMachAbstract* const active = proxy_->get_active_submachine();
  if (active == nullptr) mproxy_report::fail(output_, kMErrorProbesystemNotLoaded);
  return active;
}

bool MProxyFactoryFrame::scans_on_active(MMachAbstract* mover) {
  MMachAbstract* const active = proxy_->get_active_submachine();
  if (mover != active) {
    MPROXY_LOG_AND_FAIL(output_, kMErrorInvalidAxis, "%s(): we support only the active machine (%p!=%p)",
                        function_, static_cast<void*>(mover), static_cast<void*>(active));
    return false;
  }
  const MProxyAxesVectorParts& assignment = proxy_->scandata_assignment();
  if (assignment.size() != 1 || assignment.begin()->first != mover) {
    MPROXY_LOG_AND_FAIL(output_, kMErrorInvalidAxis,
                        "%s(): all scandata axes must be provided by the active machine", function_);
    return false;
  }
  return true;
}

std::nullptr_t MProxyFactoryFrame::refuse_submachine_count(size_t count) {
  MPROXY_LOG_AND_FAIL(output_, kMErrorInvalidAxis,
                      "%s(): we support only one machine, but axes for %zu machines are given", function_,
                      count);
  return nullptr;
}
