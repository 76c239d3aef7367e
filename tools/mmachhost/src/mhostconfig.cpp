#include "mhostconfig.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "errtrace.h"
#include "fileops.h"
#include "merrsinks.h"
#include "mhostplatform.h"
#include "minidata.h"
#include "stl_utilities.h"

namespace {

constexpr const char* kProxySection = "Proxy";
constexpr const char* kSubmachinePrefix = "Submachine ";

bool is_absolute(const std::string& path) {
  if (!path.empty() && (path[0] == '/' || path[0] == '\\')) return true;
  return path.size() > 1 && path[1] == ':';  // a drive letter
}

// The entries of one machine section; every entry must be known.
// Where a problem of the configuration lies: a section, and an entry of it or none.
struct Place {
  std::string section;
  std::string entry;
};

bool read_machine(const MIniData& ini, const std::string& section, const std::string& default_name,
                  const std::string& base_dir, bool is_proxy, MHostMachineSetup& setup,
                  std::string& submachines, std::string& error, Place& place) {
  std::map<std::string, std::string> values;
  std::vector<std::string> entries;
  ini.GetEntryNames(section, entries);
  for (const std::string& entry : entries) {
    if (entry != "plugin" && entry != "name" && entry != "configdir" && !(is_proxy && entry == "submachines")) {
      error = "[" + section + "] " + entry + ": unknown entry";
      place = {section, entry};
      return false;
    }
    std::string value;
    ini.GetStringEntry(section, entry, value);
    values[entry] = stl_string_trim(value);
  }
  setup.section = "[" + section + "]";
  setup.plugin = values["plugin"];
  if (setup.plugin.empty()) {
    error = setup.section + " plugin: missing";
    place = {section, "plugin"};
    return false;
  }
  setup.name = values.count("name") != 0 ? values["name"] : default_name;
  setup.configdir = MHostConfig_Resolve(values["configdir"], base_dir);
  submachines = values["submachines"];
  return true;
}

// Opens the ini file at `path` (which exists) quietly; false with the reason and its line (0 when
// none) for a folder, binary data or what the ini data refuses.
bool open_ini(const std::string& path, MIniData& ini, std::string& error, size_t& line) {
  line = 0;
  if (!MHostConfig_CheckText(path, error)) return false;
  MErrTraceContext context;  // the reasons of a file that cannot be read, reported below
  if (ini.Open(path)) return true;
  line = ini.GetErrorLine();
  error = ini.GetErrorText();
  if (line != 0 && !error.empty()) return false;
  error = "cannot be read";
  for (const MErrTraceEntry& entry : MErrTrace_GetContextEntries()) error.append(": ").append(entry.text);
  return false;
}

}  // namespace

namespace {

bool read_config(const std::string& path, MHostConfig& config, std::string& error, size_t& line, Place& place) {
  if (!file_exists(path.c_str())) {
    error = "file not found";
    return false;
  }
  MIniData ini;
  if (!open_ini(path, ini, error, line)) return false;
  const std::string base_dir = MHostConfig_Folder(path);
  std::vector<std::string> sections;
  ini.GetSectionNames(sections);
  std::set<std::string> machine_sections;
  for (const std::string& section : sections) {
    if (section != kProxySection && section.rfind(kSubmachinePrefix, 0) != 0) {
      error = "[" + section + "]: unknown section";
      place = {section, ""};
      return false;
    }
    if (section != kProxySection) machine_sections.insert(section);
  }
  if (!ini.SectionExists(kProxySection)) {
    error = "[Proxy]: missing";
    return false;
  }
  std::string names;
  if (!read_machine(ini, kProxySection, "proxy", base_dir, true, config.proxy, names, error, place)) return false;
  config.submachines.clear();
  std::set<std::string> listed;
  for (const std::string& name : stl_string_split_words(names)) {
    const std::string section = kSubmachinePrefix + name;
    place = {kProxySection, "submachines"};
    if (!listed.insert(name).second) {
      error = "[Proxy] submachines: \"" + name + "\" named twice";
      return false;
    }
    if (machine_sections.erase(section) == 0) {
      error = "[Proxy] submachines: no section [" + section + "]";
      return false;
    }
    MHostMachineSetup setup;
    std::string unused;
    if (!read_machine(ini, section, name, base_dir, false, setup, unused, error, place)) return false;
    config.submachines.push_back(std::move(setup));
  }
  if (!machine_sections.empty()) {
    error = "[" + *machine_sections.begin() + "]: not listed in [Proxy] submachines";
    place = {*machine_sections.begin(), ""};
    return false;
  }
  return true;
}

}  // namespace

bool MHostConfig_Read(const std::string& path, MHostConfig& config, std::string& error, size_t& line) {
  Place place;
  line = 0;
  const bool good = read_config(path, config, error, line, place);
  if (!good && !place.section.empty()) line = MHostConfig_LineOf(path, place.section, place.entry);
  return good;
}

size_t MHostConfig_LineOf(const std::string& path, const std::string& section, const std::string& entry) {
  MErrTraceContext context;  // a file that cannot be read has no lines to tell
  MIniData ini;
  if (!ini.Open(path)) return 0;
  const size_t line = entry.empty() ? 0 : ini.GetLineNumber(section, entry);
  return line != 0 ? line : ini.GetLineNumber(section);
}

bool MHostConfig_CheckIni(const std::string& path, std::string& error, size_t& line) {
  line = 0;
  MIniData ini;
  return !file_exists(path.c_str()) || open_ini(path, ini, error, line);
}

bool MHostConfig_CheckText(const std::string& path, std::string& error) {
  if (file_type(path.c_str()) == 'd') {
    error = "is a directory";
    return false;
  }
  std::string native = path;  // '\\' separates folders, as for the file layer; '/' does on every platform
  std::replace(native.begin(), native.end(), '\\', '/');
  std::ifstream file(native, std::ios::binary);
  // Read in blocks, so that a long file takes no more memory than a short one.
  std::vector<char> block(64 * 1024);
  bool binary = false;
  while (file && !binary) {
    file.read(block.data(), static_cast<std::streamsize>(block.size()));
    const auto end = block.begin() + file.gcount();
    binary = std::find(block.begin(), end, '\0') != end;
  }
  if (binary) {
    error = "is not a text file";
    return false;
  }
  if (!file.eof()) {
    error = "cannot be read";
    return false;
  }
  return true;
}

std::vector<std::string> MHostConfig_ReadAliases(const std::string& ini_path, size_t count) {
  MErrTraceContext context;  // a file that cannot be read leaves its reasons here, unreported
  MIniData ini;
  std::string unused;
  size_t line = 0;
  if (!file_exists(ini_path.c_str()) || !open_ini(ini_path, ini, unused, line) || !ini.SectionExists("Aliases")) {
    return {};
  }
  std::vector<std::string> aliases;
  for (size_t i = 1; i <= count; ++i) {
    const std::string fallback = "submach" + std::to_string(i);
    std::string alias;
    if (!ini.GetStringEntry("Aliases", std::to_string(i), alias)) {
      alias = fallback;
    } else {
      stl_string_clean(alias);
      if (alias.empty() && i != 1) alias = fallback;
      if (std::find(aliases.begin(), aliases.end(), alias) != aliases.end()) alias = fallback;
    }
    aliases.push_back(alias);
  }
  return aliases;
}

std::string MHostConfig_PluginPath(const std::string& plugin, const std::vector<std::string>& plugin_dirs,
                                   const std::string& base_dir) {
  const bool bare = plugin.find_first_of("/\\.") == std::string::npos;
  if (!bare) return MHostConfig_Resolve(plugin, base_dir);
  const std::string file = MHostPlatform_PluginFileName(plugin);
  std::string path;
  for (const std::string& dir : plugin_dirs) {
    path = MHostConfig_Resolve(file, dir);
    if (file_exists(path.c_str())) break;
  }
  return path;
}

std::string MHostConfig_Resolve(const std::string& path, const std::string& base_dir) {
  if (path.empty() || path == ".") return base_dir;
  if (is_absolute(path) || base_dir.empty() || base_dir == ".") return path;
  return base_dir + "/" + path;
}

std::string MHostConfig_Folder(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  if (slash == std::string::npos) return ".";
  if (slash == 0) return path.substr(0, 1);
  return path.substr(0, slash);
}
