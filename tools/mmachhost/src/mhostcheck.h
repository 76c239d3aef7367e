// "mmachhost check HOSTCONFIG": examines the host configuration and every file it leads to,
// reports every problem found, and when there is none opens the instrument and prints its name
// map as the session command "describe" does.
#pragma once

#include <string>
#include <vector>

#include "mhostconfig.h"
#include "mhostusererrors.h"

// The check of the host configuration `config_path`, with plug-ins named without a path looked
// for in `search_dirs`; answers the exit status (0, or kMHostExitSetup when a problem was found).
int MHostCheck_Run(const std::string& config_path, const std::vector<std::string>& search_dirs, int trace_level,
                   const MHostUserErrors& errors);

// Reports why the proxy cannot read its aliases file, at the line concerned; false when it can
// (or when there is none: the proxy then goes on without prefixes).
bool MHostCheck_ReportAliasesProblem(const MHostConfig& config, const MHostUserErrors& errors);
