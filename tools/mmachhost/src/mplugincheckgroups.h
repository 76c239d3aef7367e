// The groups of checks of a plug-in check. A check is self-contained: it creates the machines it
// needs, uses them and deletes them, so that any check can run alone, in any process, after
// another one crashed. A group's list of checks is the same whatever the plug-in.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "mplugincheckmachine.h"
#include "mplugincheckreport.h"

struct MPluginCheckCase {
  std::string name;  // "<group>.<check>"
  std::function<MPluginCheckResult(const MPluginCheckTarget& target)> run;
};

// A check of `check` on a freshly opened machine (SKIP when none opens).
MPluginCheckCase MPluginCheck_OpenMachineCase(
    std::string name, std::function<MPluginCheckResult(MMachAbstract& machine, const MPluginCheckTarget& target)> check);

// A scandata over `axes`, then a scan that stays where the first one stands: every vector has
// one value per axis (SKIP without axes).
MPluginCheckResult MPluginCheck_ScanOver(MMachAbstract& machine, const MMachAxesVector& axes,
                                         const MPluginCheckTarget& target);

// The three exports: present, IsProxy answers, machines are created and independent, every
// trace level is taken.
std::vector<MPluginCheckCase> MPluginCheck_ExportsCases();
// Open, Close, Open again; Close without Open; delete after a failed Open; the machine channel.
std::vector<MPluginCheckCase> MPluginCheck_LifecycleCases();
// The axis, component, version and probe-system listings, also after "capabilities changed".
std::vector<MPluginCheckCase> MPluginCheck_TablesCases();
// Every command class: created, finished and deleted when supported, refused as the interface
// prescribes when not; Abort ends a running command.
std::vector<MPluginCheckCase> MPluginCheck_CommandsCases();
// Every query the proxy passes on: flags, per-axis questions, axis lists, possibility queries
// (with the factories they promise) and the features started on the machine.
std::vector<MPluginCheckCase> MPluginCheck_QueriesCases();
// Every defined probe system loaded and unloaded; the definitions agree with the listing.
std::vector<MPluginCheckCase> MPluginCheck_ProbesystemsCases();
// A scandata over the machine's axes, then a scan: its vectors have the width asked for.
std::vector<MPluginCheckCase> MPluginCheck_ScansCases();
// The slots of the current magazine agree with the slot questions; its programs read back.
std::vector<MPluginCheckCase> MPluginCheck_MagazineCases();
// An image FIFO created, listed, found and deleted; its shared-memory block released.
std::vector<MPluginCheckCase> MPluginCheck_ImagefifosCases();
// The machine behind the proxy beside a simulated machine: Open merges, moves on either
// machine's axes finish, a scan with the machine recording works.
std::vector<MPluginCheckCase> MPluginCheck_ProxyCases();
