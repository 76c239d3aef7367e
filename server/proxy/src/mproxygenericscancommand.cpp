#include "mproxygenericscancommand.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <map>
#include <string>

#include "errlog.h"
#include "errtrace.h"
#include "mproxyfactoryframe.h"
#include "mproxyguard.h"
#include "mproxyreport.h"
#include "mproxyscancommand.h"
#include "trace.h"

namespace {

// A scandata-only submachine takes a scan step when it lists a usable "scanstep" axis of the
// periodic or discrete kind and a "time" axis.
const MMachAxisInfo* time_axis_for_scanstep(MMachAbstract* submachine) {
  const MMachAxisInfo* const scanstep = MPROXY_CALL(submachine, GetAxisInfo, "scanstep");
  if (scanstep == nullptr || (scanstep->flags & MMachAxisInfo::kNotAvailable) != 0 ||
      (scanstep->flags & MMachAxisInfo::kPeriodGroup) == 0) {
    return nullptr;
  }
  return MPROXY_CALL(submachine, GetAxisInfo, "time");
}

}  // namespace

MProxyGenericScanCommand::MProxyGenericScanCommand(MProxyScanCommand* owner, const MMachMovementPara* movement)
    : owner_(owner), movement_(movement) {}

MProxyGenericScanCommand::~MProxyGenericScanCommand() = default;

bool MProxyGenericScanCommand::IsDone() {
  if (!steps_built_) {
    steps_built_ = true;
    if (!build_steps()) return true;
  }
  if (rollback_.IsRolledBack()) return true;
  for (;;) {
    const int64_t before = rollback_.Current();
    const int result = rollback_.RollThrough();
    if (result == MR_FAILED) continue;
    if (result == MR_DONE) return true;
    if (result != MR_AGAIN) {
      MERRLOG("%s(): unknown return of RollThrough(): %d", "MProxyGenericScanCommand::IsDone", result);
      return true;
    }
    // One call advances through every step that completes at once.
    const int64_t now = rollback_.Current();
    if (now == before || (before == -1 && now == 0)) return false;
  }
}

bool MProxyGenericScanCommand::build_steps() {
  MErrTraceContext context;
  if (!find_scandata_only_submachines(scandata_only_)) {
    MPROXY_DUMP_AND_FAIL(context, owner_->MProxyCommand::output, kMErrorInternal,
                         "%s(): split_movementpara_to_submachines() failed",
                         "MProxyGenericScanCommand::IsDone");
    return false;
  }
  using Self = MProxyGenericScanCommand;
  Action* const abort = make_action(abort_subcommands_, &Self::abort_subcommands);
  if (!scandata_only_.empty()) {
    Action* const wait = make_action(wait_for_subcommands_, &Self::wait_for_subcommands);
    rollback_.AddStep(wait, nullptr);
    rollback_.AddStep(nullptr, abort);
    rollback_.AddStep(make_action(start_set_scanstep_, &Self::start_set_scanstep), nullptr);
    rollback_.AddStep(wait, nullptr);
    rollback_.AddStep(make_action(start_infinite_scans_, &Self::start_infinite_scans), nullptr);
    rollback_.AddStep(make_action(wait_for_infinite_scans_, &Self::wait_for_infinite_scans), nullptr);
    rollback_.AddStep(nullptr, abort);
  }
  Action* const wait_for_end = make_action(wait_for_scan_end_, &Self::wait_for_scan_end);
  rollback_.AddStep(nullptr, wait_for_end);
  rollback_.AddStep(nullptr, abort);
  rollback_.AddStep(make_action(start_scan_, &Self::start_scan), nullptr);
  rollback_.AddStep(wait_for_end, nullptr);
  return true;
}

bool MProxyGenericScanCommand::find_scandata_only_submachines(std::vector<MMachAbstract*>& result) const {
  MProxyBySubmachine<MMachMovementPara> moving;
  if (!owner_->MProxyCommand::machine->split_movementpara_to_submachines(*movement_, moving)) return false;
  result.clear();
  for (const auto& entry : owner_->MProxyCommand::machine->scandata_assignment()) {
    if (moving.count(entry.first) == 0) result.push_back(entry.first);
  }
  return true;
}

MProxyGenericScanCommand::Action* MProxyGenericScanCommand::make_action(std::unique_ptr<Action>& slot,
                                                                       int (MProxyGenericScanCommand::*function)()) {
  if (!slot) slot = std::make_unique<Action>(this, function);
  return slot.get();
}

bool MProxyGenericScanCommand::owner_aborted() const { return owner_->aborted; }

void MProxyGenericScanCommand::join_owner(MMachAbstract* submachine,
                                          const std::shared_ptr<MProxyCommand::Subcommand>& scan) {
  if (!owner_->subcommands.emplace(submachine, scan).second) return;
  if (owner_aborted()) mproxy_guard::abort(submachine, scan->command);
}

int MProxyGenericScanCommand::wait_for_subcommands() {
  if (!owner_->MProxyCommand::IsDone()) return MR_AGAIN;
  if (owner_->MProxyCommand::output->HasError()) return MR_FAILED;
  owner_->drop_subcommands();
  return MR_DONE;
}

int MProxyGenericScanCommand::abort_subcommands() {
  for (const auto& [submachine, scan] : infinite_scans_) join_owner(submachine, scan);
  owner_->MProxyCommand::Abort();
  return MR_DONE;
}

int MProxyGenericScanCommand::start_set_scanstep() {
  static constexpr const char* kName = "MProxyGenericScanCommand::start_set_scanstep";
  if (owner_aborted()) return MR_FAILED;
  MOutputChannel* const output = owner_->MProxyCommand::output;
  const double scanstep = owner_->MProxyCommand::machine->GetAxisValue("scanstep");
  const double speed = owner_->MProxyCommand::machine->GetAxisValue("speed");
  const double step = scanstep / speed;
  if (std::isnan(scanstep)) {
    MPROXY_LOG_AND_FAIL(output, kMErrorInternal, "%s(): no scanstep axis", kName);
    return MR_FAILED;
  }
  // A missing speed, and a speed of zero, leave no usable step: no submachine gets a non-finite one.
  if (std::isnan(speed) || !std::isfinite(step)) {
    MPROXY_LOG_AND_FAIL(output, kMErrorInternal, "%s(): no speed axis", kName);
    return MR_FAILED;
  }
  MTRACE(5, "%s(): submachines scanstep: %g", kName, step);

  MProxyFactoryFrame frame(owner_->MProxyCommand::machine, output, kName, owner_->subcommands);
  for (MMachAbstract* submachine : scandata_only_) {
    const MMachAxisInfo* const time = time_axis_for_scanstep(submachine);
    if (time == nullptr) continue;
    // The third value of the "time" axis is the smallest step the submachine can record.
    const std::map<std::string, double> values{{"scanstep", std::max(step, time->max_accel)}};
    const auto set = [&values](MMachAbstract* machine, MOutputChannel* channel) -> MMachCommand* {
      return machine->NewMMachSetCommand(channel, values);
    };
    if (!frame.create_explained(submachine, "NewMMachSetCommand", set)) return MR_FAILED;
  }
  return MR_DONE;
}

int MProxyGenericScanCommand::start_infinite_scans() {
  static constexpr const char* kName = "MProxyGenericScanCommand::start_infinite_scans";
  if (owner_aborted()) return MR_FAILED;
  MProxyFactoryFrame frame(owner_->MProxyCommand::machine, owner_->MProxyCommand::output, kName,
                           infinite_scans_);
  std::vector<MMachAbstract*> recorders;
  if (!find_scandata_only_submachines(recorders)) {
    MERRDUMP(frame.context(), "%s(): split_movementpara_to_submachines() failed", kName);
    return MR_FAILED;
  }
  // A scan over "time" to the largest time there is: it runs until it is aborted.
  MMachMovementPara endless;
  endless.positions["time"] = MMachAxisTarget{DBL_MAX, false};
  for (MMachAbstract* submachine : recorders) {
    const auto scan = [&endless](MMachAbstract* machine, MOutputChannel* channel) -> MMachCommand* {
      return machine->NewMMachScanCommand(channel, endless);
    };
    if (!frame.create_explained(submachine, "NewMMachScanCommand", scan)) return MR_FAILED;
  }
  return MR_DONE;
}

int MProxyGenericScanCommand::wait_for_infinite_scans() {
  if (owner_aborted()) return MR_FAILED;
  for (const auto& [submachine, scan] : infinite_scans_) {
    const bool done = mproxy_guard::poll(submachine, scan->command);
    if (delivered_.count(submachine) != 0) continue;
    std::vector<double> values;
    if (mproxy_guard::get_data(submachine, static_cast<MMachScanCommand*>(scan->command), values)) {
      delivered_.insert(submachine);
    } else if (done || scan->command->output->HasError()) {
      // An endless scan that ended or failed before delivering never will; its channel reaches
      // the server when the roll back joins it to the scan's sub-commands.
      mproxy_report::fail_unless_failed(scan->command->output, kMErrorInternal);
      MERRLOG("%s(): endless scan on %s(%s) ended without data",
              "MProxyGenericScanCommand::wait_for_infinite_scans", mproxy_guard::name_of(submachine),
              mproxy_guard::description_of(submachine));
      return MR_FAILED;
    }
  }
  return delivered_.size() == infinite_scans_.size() ? MR_DONE : MR_AGAIN;
}

int MProxyGenericScanCommand::start_scan() {
  static constexpr const char* kName = "MProxyGenericScanCommand::start_scan";
  if (owner_aborted()) return MR_FAILED;
  MProxyFactoryFrame frame(owner_->MProxyCommand::machine, owner_->MProxyCommand::output, kName,
                           owner_->subcommands);
  if (!frame.split(&MProxyMachAbstract::split_movementpara_to_subcommands<MMachScanCommand>, *movement_,
                   "split_movementpara_to_subcommands")) {
    return MR_FAILED;
  }
  for (const auto& [submachine, scan] : infinite_scans_) join_owner(submachine, scan);
  real_scan_started_ = true;
  return MR_DONE;
}

int MProxyGenericScanCommand::wait_for_scan_end() {
  owner_->MProxyCommand::IsDone();
  bool all_finished = true;
  bool moving_finished = true;
  for (const auto& [submachine, record] : owner_->subcommands) {
    if (record->finished) continue;
    all_finished = false;
    const auto endless = infinite_scans_.find(submachine);
    if (endless == infinite_scans_.end() || endless->second != record) moving_finished = false;
  }
  if (!moving_finished) return MR_AGAIN;
  if (!abort_sent_) {
    abort_sent_ = true;
    owner_->MProxyCommand::Abort();
  }
  return all_finished ? MR_DONE : MR_AGAIN;
}
