// The host configuration: which plug-in makes the proxy and each submachine, with the machine
// name and configuration directory that the plug-in's NewMMachAbstract receives.
//
//   [Proxy]
//   plugin=orvexproxy
//   name=cmm
//   configdir=.
//   submachines=gantry table
//
//   [Submachine gantry]
//   plugin=orvexsim
//
// A plug-in given by a bare name is looked up in the plug-in directory under the platform's
// file name; one with a folder or suffix is a path. Relative paths and configuration
// directories count from the configuration file's folder. `name` defaults to the section's
// own name, `configdir` to ".".
#pragma once

#include <string>
#include <vector>

struct MHostMachineSetup {
  std::string section;    // "[Proxy]", "[Submachine gantry]": where the entries came from
  std::string plugin;     // a path, or a bare plug-in name
  std::string name;       // the machine name handed to NewMMachAbstract
  std::string configdir;  // resolved against the configuration file's folder
};

struct MHostConfig {
  MHostMachineSetup proxy;
  std::vector<MHostMachineSetup> submachines;  // in the order of the proxy's `submachines` list
};

// Reads `path` into `config`. On failure answers false with the reason in `error`
// ("[Submachine x] plugin: missing", or why the file cannot be read) and the line it concerns in
// `line` (0 when there is none), and leaves `config` partly filled.
bool MHostConfig_Read(const std::string& path, MHostConfig& config, std::string& error, size_t& line);
// The line of the ini file `path` that holds `entry` of `section` (section names without brackets),
// or the section's header when `entry` is empty or absent; 0 when neither is found.
size_t MHostConfig_LineOf(const std::string& path, const std::string& section, const std::string& entry);

// Checks the ini file at `path` as the proxy and the host read it: true when it is absent or can be
// read; else false with the reason in `error` ("is a directory", "is not a text file", the reason of
// a bad line) and that line in `line` (0 when there is none).
bool MHostConfig_CheckIni(const std::string& path, std::string& error, size_t& line);
// Whether `path` is a readable text file; false with the reason ("is a directory", "cannot be
// read", "is not a text file" for NUL bytes) in `error`.
bool MHostConfig_CheckText(const std::string& path, std::string& error);

// The component prefixes that a proxy with `count` submachines takes from its configuration file
// `ini_path` (section "Aliases", keys "1" ... "<count>", comments and blanks removed), with the
// proxy's fall-back "submach<i>" for a missing, repeated or (after the first) empty prefix.
// Empty when the file or the section is missing.
std::vector<std::string> MHostConfig_ReadAliases(const std::string& ini_path, size_t count);

// The file to load for `plugin`: a bare name becomes the platform's file name in the first of
// `plugin_dirs` that holds it (in the last one when none does); anything else counts from
// `base_dir` unless absolute.
std::string MHostConfig_PluginPath(const std::string& plugin, const std::vector<std::string>& plugin_dirs,
                                   const std::string& base_dir);
// `path` below `base_dir` unless absolute; "." and an empty path give `base_dir` itself.
std::string MHostConfig_Resolve(const std::string& path, const std::string& base_dir);
// The folder part of `path` (either separator); "." when it has none.
std::string MHostConfig_Folder(const std::string& path);
