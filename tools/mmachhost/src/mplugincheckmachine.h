// One machine of the plug-in under test, created through its NewMMachAbstract export the way
// the server creates a submachine: with a machine channel of its own and no host service.
// MPluginCheckMachine owns both; it closes (if opened) and deletes the machine before it
// discards what the channel still holds. MPluginCheckTarget is the seam of the whole check:
// the exports of a loaded plug-in, or functions that build machines in-process for tests.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "mmachabstract.h"
#include "moutputchannel.h"
#include "mplugincheckreport.h"

// The plug-in under test: its three exports (an export the plug-in lacks stays empty), the
// arguments that NewMMachAbstract receives and the bounds of every command's course.
struct MPluginCheckTarget {
  std::function<MMachAbstract*(const std::string& name, const std::string& configdir, MOutputChannel* output,
                               MMachHostService* host_service, const std::vector<MMachAbstract*>& submachines)>
      new_machine;
  // The NewMMachAbstract export of our proxy plug-in, for the proxy group (empty: not found).
  std::function<MMachAbstract*(const std::string& name, const std::string& configdir, MOutputChannel* output,
                               MMachHostService* host_service, const std::vector<MMachAbstract*>& submachines)>
      new_proxy;
  std::function<bool()> is_proxy;
  std::function<int(int level)> set_trace_level;
  std::string name = "machine";
  std::string configdir = ".";
  uint32_t max_polls = 2000;    // a command not done after this many polls fails its check
  double poll_interval = 0.001;  // seconds between polls, after the first few, as a server waits
};

class MPluginCheckMachine {
 public:
  explicit MPluginCheckMachine(const MPluginCheckTarget& target);
  ~MPluginCheckMachine();
  MPluginCheckMachine(const MPluginCheckMachine&) = delete;
  MPluginCheckMachine& operator=(const MPluginCheckMachine&) = delete;

  // Null when the export answered null (or is missing).
  MMachAbstract* Get() const { return machine_.get(); }
  MMachAbstract* operator->() const { return machine_.get(); }
  MOutputChannel& Channel() { return channel_; }

  // Opens the machine; the SKIP result for a check that needs an open machine when it was not
  // created or did not open, nothing when it is open.
  std::optional<MPluginCheckResult> OpenOrSkip();
  // Closes an opened machine and deletes it (no-op when there is none).
  void Delete();
  // Drops the machine without touching it: for a plug-in that handed out one object twice.
  void Forget() { (void)machine_.release(); }

 private:
  MOutputChannel channel_;
  std::unique_ptr<MMachAbstract> machine_;
  bool open_ = false;
};

// The listed axes without the not-available bit, in listing order.
MMachAxesVector MPluginCheck_UsableAxes(MMachAbstract& machine);
// A movement of `axes` to where they stand (a value that is not finite counts as 0): a command
// that changes nothing.
MMachMovementPara MPluginCheck_StayingMovement(MMachAbstract& machine, const MMachAxesVector& axes);
// The names of the listed probe systems, in listing order (a bounded number of them).
std::vector<std::string> MPluginCheck_ListedProbesystems(MMachAbstract& machine);
// The first error line of a channel's text, without prefix and line end; empty when none.
std::string MPluginCheck_FirstError(const std::string& text);

// Polls `command` until IsDone() answers true, at most `target.max_polls` times; the number of
// polls it took, 0 when it is still running. A `machine` given is polled before each IsDone(),
// as a server's cycle polls the machine and then its running commands.
uint32_t MPluginCheck_PollUntilDone(MMachCommand& command, const MPluginCheckTarget& target,
                                    MMachAbstract* machine = nullptr);
// Polls `command` (owned, may be null) to its end, aborting it when it does not end within the
// bound, deletes it and answers the first error line of `channel` then ("" when none; a text
// saying so for a null command or one that did not end), clearing the channel. `machine` as
// for MPluginCheck_PollUntilDone.
std::string MPluginCheck_RunToEnd(MMachCommand* command, MOutputChannel& channel, const MPluginCheckTarget& target,
                                  MMachAbstract* machine = nullptr);
