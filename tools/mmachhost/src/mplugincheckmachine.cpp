#include "mplugincheckmachine.h"

#include <cmath>
#include <memory>

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

uint32_t MPluginCheck_PollUntilDone(MMachCommand& command, const MPluginCheckTarget& target, MMachAbstract* machine) {
  for (uint32_t poll = 1; poll <= target.max_polls; ++poll) {
    if (machine != nullptr) machine->Poll();
    if (command.IsDone()) return poll;
    if (poll >= kPollsWithoutPause && target.poll_interval > 0) msleep_sec(target.poll_interval);
  }
  return 0;
}

MMachAxesVector MPluginCheck_UsableAxes(MMachAbstract& machine) {
  MMachAxesVector axes;
  for (const MMachAxisInfo* axis = machine.GetFirstAxisInfo(); axis != nullptr; axis = machine.GetNextAxisInfo()) {
    if (axis->IsAvailable() && !axis->name.empty()) axes.push_back(axis->name);
  }
  return axes;
}

MMachMovementPara MPluginCheck_StayingMovement(MMachAbstract& machine, const MMachAxesVector& axes) {
  MMachMovementPara movement;
  for (const std::string& axis : axes) {
    const double value = machine.GetAxisValue(axis.c_str());
    movement.positions[axis] = {std::isfinite(value) ? value : 0.0, true};
  }
  return movement;
}

std::vector<std::string> MPluginCheck_ListedProbesystems(MMachAbstract& machine) {
  constexpr size_t kMaxEntries = 10000;  // a listing that never ends is cut here
  std::vector<std::string> names;
  for (const MMachProbesystemEntry* entry = machine.GetFirstProbesystem();
       entry != nullptr && names.size() < kMaxEntries; entry = machine.GetNextProbesystem()) {
    names.push_back(entry->name);
  }
  return names;
}

std::string MPluginCheck_FirstError(const std::string& text) {
  const size_t at = text.find("\terror ");
  if (at == std::string::npos) return "";
  return text.substr(at + 1, text.find('\r', at) - at - 1);
}

std::string MPluginCheck_RunToEnd(MMachCommand* command, MOutputChannel& channel, const MPluginCheckTarget& target,
                                  MMachAbstract* machine) {
  std::unique_ptr<MMachCommand> owned(command);
  std::string ending;
  if (!owned) {
    ending = "no command";
  } else if (MPluginCheck_PollUntilDone(*owned, target, machine) == 0) {
    owned->Abort();
    MPluginCheck_PollUntilDone(*owned, target, machine);
    ending = std::string("not done after ") + std::to_string(target.max_polls) + " polls";
  }
  owned.reset();  // before its channel is read
  std::string text;
  channel.Take(text, true);
  channel.Clear();
  const std::string error = MPluginCheck_FirstError(text);
  if (ending.empty()) return error;
  return error.empty() ? ending : ending + ", " + error;
}
