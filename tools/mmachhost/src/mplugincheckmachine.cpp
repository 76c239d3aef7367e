#include "mplugincheckmachine.h"

#include "mmachcommand.h"
#include "msleep_sec.h"

namespace {

constexpr uint32_t kPollsWithoutPause = 3;  // most commands of a quick machine end by then

}  // namespace

MPluginCheckMachine::MPluginCheckMachine(const MPluginCheckTarget& target) : channel_(0) {
  if (target.new_machine) {
    machine_.reset(target.new_machine(target.name, target.configdir, &channel_, nullptr, {}));
  }
}

MPluginCheckMachine::~MPluginCheckMachine() {
  Delete();
  channel_.Clear();  // what the machine wrote is the checks' business, not the error log's
}

std::optional<MPluginCheckResult> MPluginCheckMachine::OpenOrSkip() {
  if (!machine_) return MPluginCheckResult::Skip("no machine created (see exports.new-machine)");
  open_ = machine_->Open();
  if (!open_) return MPluginCheckResult::Skip("the machine did not open (see lifecycle.open)");
  return std::nullopt;
}

void MPluginCheckMachine::Delete() {
  if (machine_ && open_) machine_->Close();
  open_ = false;
  machine_.reset();
}

uint32_t MPluginCheck_PollUntilDone(MMachCommand& command, const MPluginCheckTarget& target) {
  for (uint32_t poll = 1; poll <= target.max_polls; ++poll) {
    if (command.IsDone()) return poll;
    if (poll >= kPollsWithoutPause && target.poll_interval > 0) msleep_sec(target.poll_interval);
  }
  return 0;
}
