// The plug-in's exports: the only names the library makes visible. The server (or mmachhost)
// looks them up by name, so they are extern "C" and must keep the signatures of orvexplugin.h.
// No exception may leave them: the caller is another program, perhaps built by another compiler.
#include "orvexplugin.h"

#include <exception>
#include <type_traits>

#include "errlog.h"
#include "templatemachine.h"
#include "trace.h"

extern "C" {

// A submachine combines nothing: `submachines` is for proxies and is ignored.
ORVEX_PLUGIN_EXPORT MMachAbstract* NewMMachAbstract(const std::string& name, const std::string& configdir,
                                                    MOutputChannel* output, MMachHostService* host_service,
                                                    const std::vector<MMachAbstract*>& /*submachines*/) {
  try {
    return new TemplateMachine(output, host_service, name, configdir);
  } catch (const std::exception& e) {
    MERRLOG("NewMMachAbstract(): machine \"%s\" not created: %s", name.c_str(), e.what());
  } catch (...) {
    MERRLOG("NewMMachAbstract(): machine \"%s\" not created", name.c_str());
  }
  return nullptr;  // the server reports that the machine could not be created
}

ORVEX_PLUGIN_EXPORT bool IsProxy() { return false; }

// The trace library is linked into every plug-in, so each has its own level to set.
ORVEX_PLUGIN_EXPORT int SetDefaultTracelevel(int level) {
  try {
    return _MTrace_SetLevel("default", level);
  } catch (...) {
    return 0;  // the level it had before is unknown: report tracing as off
  }
}

}  // extern "C"

// A mismatch with the signatures that the host casts the looked-up symbols to fails here, at
// compile time, instead of at run time in the server.
static_assert(std::is_same_v<decltype(&NewMMachAbstract), NewMMachAbstractFunction>);
static_assert(std::is_same_v<decltype(&IsProxy), IsProxyFunction>);
static_assert(std::is_same_v<decltype(&SetDefaultTracelevel), SetDefaultTracelevelFunction>);
