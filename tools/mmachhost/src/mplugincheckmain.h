// "mmachhost check-plugin PLUGIN": loads a machine plug-in by file name through its three
// exports, as the server does, runs the plug-in checks against it and prints the report.
#pragma once

#include <string>
#include <vector>

// Runs the command with `args`, the words after "check-plugin"; bare plug-in names are looked
// up in `plugin_dir`. Answers the exit status: 0 when no check failed, 1 when one did, 2 for a
// bad command line or a plug-in that could not be loaded.
int MPluginCheck_Main(const std::vector<std::string>& args, const std::string& plugin_dir);
