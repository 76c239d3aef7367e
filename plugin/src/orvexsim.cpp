// The simulator plug-in's exports: a simulated machine described by "<configdir>\<name>.ini",
// created the way a server creates any submachine from its plug-in.
#include "orvexplugin.h"

#include <type_traits>

#include "msimmachine.h"
#include "trace.h"

extern "C" {

// Null when the description cannot be read or is malformed (the reason is in the error log).
// A simulated machine combines nothing: `submachines` is ignored.
ORVEX_PLUGIN_EXPORT MMachAbstract* NewMMachAbstract(const std::string& name, const std::string& configdir,
                                                    MOutputChannel* output, MMachHostService* host_service,
                                                    const std::vector<MMachAbstract*>& /*submachines*/) {
  try {
    const std::string path = MMachAbstract_ConfigFile(configdir, name);
    return MSimMachine::NewFromDescription(output, host_service, name, configdir, path).release();
  } catch (...) {
    return nullptr;  // nothing may throw across the library boundary
  }
}

ORVEX_PLUGIN_EXPORT bool IsProxy() { return false; }

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
