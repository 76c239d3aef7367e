// The machine plug-ins as the host reaches them: a shared library loaded by file name and its
// three exports, looked up by name. MHostPlugins loads each file once and keeps it loaded for
// its own lifetime, so it must outlive every machine created through it.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "mhostplatform.h"
#include "orvexplugin.h"

// A loaded plug-in with its three exports; an export the library lacks stays null.
struct MHostPlugin {
  // Loads the library at `path` and looks up the exports; false (and the platform's reason in
  // `error`) when the library cannot be loaded.
  bool Load(const std::string& path, std::string& error);
  // All three exports were found.
  bool Complete() const { return new_machine && is_proxy && set_trace_level; }

  MHostLibrary library;
  NewMMachAbstractFunction new_machine = nullptr;
  IsProxyFunction is_proxy = nullptr;
  SetDefaultTracelevelFunction set_trace_level = nullptr;
};

// The plug-ins by file, each loaded once.
class MHostPlugins {
 public:
  // Bare plug-in names are looked up in `search_dirs`, other names count from `base_dir`.
  // A `trace_level` of 0 or more is set through each plug-in's export when it is loaded.
  MHostPlugins(std::vector<std::string> search_dirs, std::string base_dir, int trace_level);

  // The plug-in `plugin`, loaded on first use; null and the reason in `error` (which names the
  // plug-in as it was given) when it does not exist, cannot be loaded or lacks one of the three
  // exports.
  MHostPlugin* Get(const std::string& plugin, std::string& error);
  // The file that `plugin` names.
  std::string PathOf(const std::string& plugin) const;
  // Whether `plugin` is our simulated machine, whose descriptions the host can check.
  bool IsSimulator(const std::string& plugin) const;

 private:
  std::vector<std::string> search_dirs_;
  std::string base_dir_;
  int trace_level_;
  std::map<std::string, std::unique_ptr<MHostPlugin>> loaded_;
};
