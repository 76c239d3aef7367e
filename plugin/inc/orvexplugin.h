// The three functions that every machine plug-in exports, unmangled: the host loads a plug-in by
// file name and looks these up. The host owns every machine that NewMMachAbstract creates and
// destroys it through its virtual destructor; the submachines stay the host's.
#pragma once

#include <string>
#include <vector>

class MMachAbstract;
class MMachHostService;
class MOutputChannel;

#if defined(_WIN32)
#define ORVEX_PLUGIN_EXPORT __declspec(dllexport)
#else
#define ORVEX_PLUGIN_EXPORT __attribute__((visibility("default")))
#endif

// The exported names, for the host's symbol look-up.
inline constexpr const char* kNewMMachAbstractName = "NewMMachAbstract";
inline constexpr const char* kIsProxyName = "IsProxy";
inline constexpr const char* kSetDefaultTracelevelName = "SetDefaultTracelevel";

// Creates a machine named `name` over `submachines` (a proxy uses them; other machines get none).
using NewMMachAbstractFunction = MMachAbstract* (*)(const std::string& name, const std::string& configdir,
                                                    MOutputChannel* output, MMachHostService* host_service,
                                                    const std::vector<MMachAbstract*>& submachines);
// Whether the plug-in's machines are proxies over submachines.
using IsProxyFunction = bool (*)();
// Sets the level of the trace module "default"; answers the trace library's result.
using SetDefaultTracelevelFunction = int (*)(int level);
