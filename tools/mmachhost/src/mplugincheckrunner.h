// Runs a group of plug-in checks so that a plug-in that crashes or hangs costs one check, not
// the report. POSIX: the group runs in a child process (fork) that announces each check on a
// pipe before it runs it and sends its line after; the parent relays the lines. A child that
// dies by a signal, exits early or stays silent longer than the time bound gives a FAIL line for
// the check it was running, and a new child goes on with the next check. Windows: the group
// runs in this process, without that protection.
#pragma once

#include <string>

#include "mplugincheck.h"
#include "mplugincheckreport.h"

// Runs the checks of `group` and adds their lines to `report`. `check_seconds` bounds the time
// of one check (POSIX only).
void MPluginCheck_RunGroup(const MPluginCheck& check, const std::string& group, MPluginCheckReport& report,
                           double check_seconds);
