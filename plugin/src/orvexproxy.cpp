// The proxy plug-in's exports: the only names the library makes visible.
#include "orvexplugin.h"

#include <type_traits>

#include "mproxyasyncmachabstract.h"
#include "trace.h"

extern "C" {

ORVEX_PLUGIN_EXPORT MMachAbstract* NewMMachAbstract(const std::string& name, const std::string& configdir,
                                                    MOutputChannel* output, MMachHostService* host_service,
                                                    const std::vector<MMachAbstract*>& submachines) {
  try {
    return new MProxyAsyncMachAbstract(output, host_service, submachines, name, configdir);
  } catch (...) {
    return nullptr;  // nothing may throw across the library boundary
  }
}

ORVEX_PLUGIN_EXPORT bool IsProxy() { return true; }

// The level before; 0 when it cannot be set (nothing may throw across the library boundary).
ORVEX_PLUGIN_EXPORT int SetDefaultTracelevel(int level) {
  try {
    return _MTrace_SetLevel("default", level);
  } catch (...) {
    return 0;
  }
}

}  // extern "C"

static_assert(std::is_same_v<decltype(&NewMMachAbstract), NewMMachAbstractFunction>);
static_assert(std::is_same_v<decltype(&IsProxy), IsProxyFunction>);
static_assert(std::is_same_v<decltype(&SetDefaultTracelevel), SetDefaultTracelevelFunction>);
