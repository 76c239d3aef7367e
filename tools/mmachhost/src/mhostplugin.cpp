#include "mhostplugin.h"

#include <utility>

#include "mhostconfig.h"

bool MHostPlugin::Load(const std::string& path, std::string& error) {
  if (!library.Load(path, error)) return false;
  new_machine = library.Find<NewMMachAbstractFunction>(kNewMMachAbstractName);
  is_proxy = library.Find<IsProxyFunction>(kIsProxyName);
  set_trace_level = library.Find<SetDefaultTracelevelFunction>(kSetDefaultTracelevelName);
  return true;
}

MHostPlugins::MHostPlugins(std::vector<std::string> search_dirs, std::string base_dir, int trace_level)
    : search_dirs_(std::move(search_dirs)), base_dir_(std::move(base_dir)), trace_level_(trace_level) {}

MHostPlugin* MHostPlugins::Get(const std::string& plugin, std::string& error) {
  const std::string path = MHostConfig_PluginPath(plugin, search_dirs_, base_dir_);
  auto found = loaded_.find(path);
  if (found != loaded_.end()) return found->second.get();
  auto loaded = std::make_unique<MHostPlugin>();
  std::string reason;
  if (!loaded->Load(path, reason)) {
    error = std::string("plug-in ") + path + " not loaded: " + reason;
    return nullptr;
  }
  if (!loaded->Complete()) {
    error = std::string("plug-in ") + path + " lacks the exports NewMMachAbstract, IsProxy and SetDefaultTracelevel";
    return nullptr;
  }
  // Every plug-in has its own diagnostics: its trace level is set through its export.
  if (trace_level_ >= 0) loaded->set_trace_level(trace_level_);
  return loaded_.emplace(path, std::move(loaded)).first->second.get();
}
