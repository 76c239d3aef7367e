#include "mhostplugin.h"

#include <utility>

#include "fileops.h"
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

std::string MHostPlugins::PathOf(const std::string& plugin) const {
  return MHostConfig_PluginPath(plugin, search_dirs_, base_dir_);
}

bool MHostPlugins::IsSimulator(const std::string& plugin) const {
  const std::string path = PathOf(plugin);
  const std::string file = MHostPlatform_PluginFileName("orvexsim");
  if (path.size() < file.size() || path.compare(path.size() - file.size(), file.size(), file) != 0) return false;
  return path.size() == file.size() || path[path.size() - file.size() - 1] == '/' ||
         path[path.size() - file.size() - 1] == '\\';
}

MHostPlugin* MHostPlugins::Get(const std::string& plugin, std::string& error) {
  const std::string path = PathOf(plugin);
  auto found = loaded_.find(path);
  if (found != loaded_.end()) return found->second.get();
  const std::string named = std::string("plug-in \"").append(plugin).append("\"");
  if (!file_exists(path.c_str())) {
    error = named + " not found";
    return nullptr;
  }
  auto loaded = std::make_unique<MHostPlugin>();
  std::string reason;
  if (!loaded->Load(path, reason)) {
    error = named + " not loaded: " + reason;
    return nullptr;
  }
  if (!loaded->Complete()) {
    error = named + " lacks the exports NewMMachAbstract, IsProxy and SetDefaultTracelevel";
    return nullptr;
  }
  // Every plug-in has its own diagnostics: its trace level is set through its export.
  if (trace_level_ >= 0) loaded->set_trace_level(trace_level_);
  return loaded_.emplace(path, std::move(loaded)).first->second.get();
}
