#include "templatemachine.h"

#include <limits>

#include "templatemovecommand.h"

namespace {

// A linear axis with a travel range, in mm; the numbers stand for your controller's.
MMachAxisInfo linear_axis(const std::string& name, double range_min, double range_max) {
  MMachAxisInfo info;
  info.name = name;
  info.flags = MMachAxisInfo::kHasRange;
  info.resolution = 0.0001;
  info.max_speed = 100;
  info.max_accel = 300;
  info.range_min = range_min;
  info.range_max = range_max;
  return info;
}

}  // namespace

TemplateMachine::TemplateMachine(MOutputChannel* output, MMachHostService* host_service,
                                 const std::string& name, const std::string& configdir)
    : MMachAbstract(output, host_service, name, configdir),
      axes_{linear_axis("x", 0, 500), linear_axis("y", 0, 400), linear_axis("z", -300, 0)},
      values_{{"x", 10}, {"y", 20}, {"z", -5}},
      // Listed, but neither readable nor writable: this machine has no receive or send command.
      component_{"drive.config", "1.00", 0} {
  // The base class answers the probe-system queries from this service.
  probesystems = &probesystem_table_;
  // The commands this machine offers; the proxy offers a command only when a submachine does.
  SetCommandSupported("MMachMoveCommand");
}

// A real machine connects to its controller here (reading "<configdir>\<name>.ini" if it needs
// settings) and answers false when it cannot; the proxy then fails to open as a whole.
bool TemplateMachine::Open() {
  open_ = true;
  return true;
}

void TemplateMachine::Close() { open_ = false; }

// The server calls Poll between the polls of its commands. A real machine reads its controller's
// state here and reports events into `output`; the commands of this one advance in IsDone().
void TemplateMachine::Poll() {}

bool TemplateMachine::IsReady() { return open_; }

const char* TemplateMachine::GetMachineName() { return name.c_str(); }
const char* TemplateMachine::GetMachineVersion() { return "1.0.0"; }
const char* TemplateMachine::GetMachineDescription() { return "template machine"; }

const MMachComponentInfo* TemplateMachine::GetComponentInfo(const std::string& component) {
  return component == component_.name ? &component_ : nullptr;
}

const MMachComponentInfo* TemplateMachine::GetFirstComponentInfo() {
  component_listed_ = true;
  return &component_;
}

const MMachComponentInfo* TemplateMachine::GetNextComponentInfo() {
  if (component_listed_) return nullptr;
  component_listed_ = true;
  return &component_;
}

const MMachAxisInfo* TemplateMachine::GetAxisInfo(const std::string& axis) {
  return find_axis(axis);
}

const MMachAxisInfo* TemplateMachine::GetFirstAxisInfo() {
  axis_cursor_ = 0;
  return GetNextAxisInfo();
}

const MMachAxisInfo* TemplateMachine::GetNextAxisInfo() {
  return axis_cursor_ < axes_.size() ? &axes_[axis_cursor_++] : nullptr;
}

double TemplateMachine::GetAxisValue(const char* axis) {
  const auto it = axis ? values_.find(axis) : values_.end();
  return it != values_.end() ? it->second : std::numeric_limits<double>::quiet_NaN();
}

bool TemplateMachine::IsMovingPossibleWith(const MMachAxesSet& axes) {
  for (const std::string& axis : axes) {
    if (!find_axis(axis)) return false;
  }
  return !axes.empty();
}

MMachMoveCommand* TemplateMachine::NewMMachMoveCommand(MOutputChannel* output,
                                                       const MMachMovementPara& movement) {
  // The caller may be another library (the proxy): nothing may be thrown back into it.
  try {
    if (const uint32_t refusal = check_targets(movement.positions); refusal != 0) {
      if (output) output->Error(refusal);
      return nullptr;
    }
    return new TemplateMoveCommand(this, output, movement);
  } catch (...) {
    if (output) output->Error(kMErrorInternal);
    return nullptr;
  }
}

void TemplateMachine::SetAxisValues(const MMachPositionMap& positions) {
  for (const auto& [axis, target] : positions) {
    const auto it = values_.find(axis);
    if (it != values_.end()) it->second = target.value;
  }
}

uint32_t TemplateMachine::check_targets(const MMachPositionMap& positions) const {
  for (const auto& [axis, target] : positions) {
    const MMachAxisInfo* info = find_axis(axis);
    if (!info) return kMErrorUnknownAxis;
    if (target.value < info->range_min || target.value > info->range_max) {
      return kMErrorArgumentOutOfRange;
    }
  }
  return 0;
}

const MMachAxisInfo* TemplateMachine::find_axis(const std::string& axis) const {
  for (const MMachAxisInfo& info : axes_) {
    if (info.name == axis) return &info;
  }
  return nullptr;
}
