// MProxyGenericScanCommand: the course of a proxy "scan". Submachines that only record scan
// data (they provide scandata axes but own none of the moved axes) cannot simply join the scan
// of the moving submachines: their scan step is set from the proxy's scan step and speed, and an
// endless scan over their "time" axis must be delivering data before the real scan starts. When
// the moving submachines have finished, the endless scans are aborted and waited for.
// The sequence is a list of steps run by an MRollback: after the last step, or after a failure,
// the recorded aborts and waits run in reverse order, so everything started is stopped again.
//
// An abort by the server reaches only the sub-commands that exist at that moment, so once the
// scan is aborted no step starts anything new: the next start or wait step fails and the roll
// back stops the endless scans already running and waits for them.
#pragma once

#include <memory>
#include <set>
#include <vector>

#include "mmachabstract.h"
#include "mproxycommand.h"
#include "mrollback.h"

class MProxyScanCommand;

class MProxyGenericScanCommand {
 public:
  // `owner` holds the sub-commands and the server's channel; `movement` is the owner's copy of
  // the scan's parameters. Neither is owned.
  MProxyGenericScanCommand(MProxyScanCommand* owner, const MMachMovementPara* movement);
  ~MProxyGenericScanCommand();
  MProxyGenericScanCommand(const MProxyGenericScanCommand&) = delete;
  MProxyGenericScanCommand& operator=(const MProxyGenericScanCommand&) = delete;

  // Advances the sequence as far as it goes in this call; true once the roll back is complete.
  bool IsDone();
  // The endless scans of the submachines that only record data.
  const MProxyCommand::SubcommandMap& infinite_scans() const { return infinite_scans_; }
  // The moving submachines' scans have been created and joined by the endless scans: from now
  // on the owner's sub-commands do not change.
  bool real_scan_started() const { return real_scan_started_; }

 private:
  using Action = MRollbackFunctor<MProxyGenericScanCommand>;

  // Splits the scan and builds the step list; false when the scan names an unknown axis.
  bool build_steps();
  // The submachines of the scandata assignment that move none of the scan's axes; false when
  // the scan cannot be split.
  bool find_scandata_only_submachines(std::vector<MMachAbstract*>& result) const;
  Action* make_action(std::unique_ptr<Action>& slot, int (MProxyGenericScanCommand::*function)());
  // Puts an endless scan into the owner's sub-commands (aborting it at once when the owner is
  // aborted already, since the owner's abort will not reach it any more).
  void join_owner(MMachAbstract* submachine, const std::shared_ptr<MProxyCommand::Subcommand>& scan);
  bool owner_aborted() const;

  // The seven actions; each answers MR_DONE, MR_AGAIN or MR_FAILED.
  int start_set_scanstep();
  int wait_for_subcommands();
  int start_infinite_scans();
  int wait_for_infinite_scans();
  int start_scan();
  int wait_for_scan_end();
  int abort_subcommands();

  MRollback rollback_;
  MProxyScanCommand* owner_;
  const MMachMovementPara* movement_;
  std::vector<MMachAbstract*> scandata_only_;
  bool steps_built_ = false;
  bool abort_sent_ = false;
  bool real_scan_started_ = false;
  std::set<MMachAbstract*> delivered_;
  std::unique_ptr<Action> start_set_scanstep_;
  std::unique_ptr<Action> wait_for_subcommands_;
  std::unique_ptr<Action> start_scan_;
  std::unique_ptr<Action> wait_for_scan_end_;
  std::unique_ptr<Action> abort_subcommands_;
  std::unique_ptr<Action> start_infinite_scans_;
  std::unique_ptr<Action> wait_for_infinite_scans_;
  MProxyCommand::SubcommandMap infinite_scans_;
};
