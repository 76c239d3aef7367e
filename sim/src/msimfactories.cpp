// The command factories of the simulated machine: one frame for all, one line per factory.
#include "msimmachine.h"

#include <utility>

template <class Command, class... Args>
Command* MSimMachine::new_command(const char* factory, MOutputChannel* output,
                                  MSimCommandParams params, Args&&... args) {
  count_call(factory);
  const std::string command_class = factory + 3;  // "NewMMachMoveCommand" → "MMachMoveCommand"
  static const MSimCommandBehaviour kDefault;
  const auto it = behaviours_.find(command_class);
  const MSimCommandBehaviour& behaviour = it == behaviours_.end() ? kDefault : it->second;
  if (behaviour.refuse) {
    if (behaviour.refuse_code != 0 && output) output->Error(behaviour.refuse_code);
    return nullptr;
  }
  const uint64_t serial = first_serial_ + log_.size();
  log_.push_back({command_class, "", params});
  auto* command = new MSimCommand<Command>({this, serial, behaviour, std::move(params)}, output,
                                           std::forward<Args>(args)...);
  log_.back().name = command->GetName();
  trim_command_log();
  return command;
}

MMachGetCommand* MSimMachine::NewMMachGetCommand(MOutputChannel* output,
                                                 const MMachAxesVector& axes) {
  return new_command<MMachGetCommand>(__func__, output, axes, axes);
}

MMachInitCommand* MSimMachine::NewMMachInitCommand(MOutputChannel* output,
                                                   const MMachAxesSet& axes) {
  return new_command<MMachInitCommand>(__func__, output, axes, axes);
}

MMachKeypadDisableCommand* MSimMachine::NewMMachKeypadDisableCommand(MOutputChannel* output,
                                                                     const MMachAxesSet& axes) {
  return new_command<MMachKeypadDisableCommand>(__func__, output, axes, axes);
}

MMachKeypadEnableCommand* MSimMachine::NewMMachKeypadEnableCommand(MOutputChannel* output,
                                                                   const MMachAxesSet& axes) {
  return new_command<MMachKeypadEnableCommand>(__func__, output, axes, axes);
}

MMachCommand* MSimMachine::NewMMachMagazineSetCommand(MOutputChannel* output, uint32_t slot,
                                                      uint32_t probe) {
  return new_command<MSimMagazineSetCommand>(__func__, output, MSimSlotArgs{slot, probe}, slot,
                                             probe);
}

MMachModuloCommand* MSimMachine::NewMMachModuloCommand(MOutputChannel* output,
                                                       const MMachAxesSet& axes) {
  return new_command<MMachModuloCommand>(__func__, output, axes, axes);
}

MMachMovebaseCommand* MSimMachine::NewMMachMovebaseCommand(MOutputChannel* output,
                                                           const MMachAxesSet& axes) {
  return new_command<MMachMovebaseCommand>(__func__, output, axes, axes);
}

MMachMoveCommand* MSimMachine::NewMMachMoveCommand(MOutputChannel* output,
                                                   const MMachMovementPara& movement) {
  return new_command<MMachMoveCommand>(__func__, output, movement, movement);
}

MMachMovecircleCommand* MSimMachine::NewMMachMovecircleCommand(MOutputChannel* output,
                                                               const MMachCirclePara& circle) {
  return new_command<MMachMovecircleCommand>(__func__, output, circle, circle);
}

MMachMoveconeCommand* MSimMachine::NewMMachMoveconeCommand(MOutputChannel* output,
                                                           const MMachConePara& cone) {
  return new_command<MMachMoveconeCommand>(__func__, output, cone, cone);
}

MMachMovehomeCommand* MSimMachine::NewMMachMovehomeCommand(MOutputChannel* output) {
  return new_command<MMachMovehomeCommand>(__func__, output, {});
}

MMachMovezeroCommand* MSimMachine::NewMMachMovezeroCommand(MOutputChannel* output,
                                                           const MMachMovementPara& movement) {
  return new_command<MMachMovezeroCommand>(__func__, output, movement, movement);
}

MMachReceiveCommand* MSimMachine::NewMMachReceiveCommand(MOutputChannel* output,
                                                         const std::string& component) {
  return new_command<MMachReceiveCommand>(__func__, output, MSimNameArgs{component, 0},
                                          component);
}

MMachSendCommand* MSimMachine::NewMMachSendCommand(MOutputChannel* output,
                                                   const std::string& component,
                                                   const std::string& data) {
  return new_command<MMachSendCommand>(__func__, output, MSimTransferArgs{component, data},
                                       component, data);
}

MMachSetCommand* MSimMachine::NewMMachSetCommand(MOutputChannel* output,
                                                 const std::map<std::string, double>& values) {
  return new_command<MMachSetCommand>(__func__, output, values, values);
}

MMachScanCommand* MSimMachine::NewMMachScanCommand(MOutputChannel* output,
                                                   const MMachMovementPara& movement) {
  return new_command<MMachScanCommand>(__func__, output, movement, movement);
}

MMachSpinDisableCommand* MSimMachine::NewMMachSpinDisableCommand(MOutputChannel* output,
                                                                 const MMachAxesSet& axes) {
  return new_command<MMachSpinDisableCommand>(__func__, output, axes, axes);
}

MMachSpinEnableCommand* MSimMachine::NewMMachSpinEnableCommand(MOutputChannel* output,
                                                               const MMachAxesBoolMap& axes) {
  return new_command<MMachSpinEnableCommand>(__func__, output, axes, axes);
}

MMachIdleCommand* MSimMachine::NewMMachIdleCommand(MOutputChannel* output) {
  return new_command<MMachIdleCommand>(__func__, output, {});
}

MMachProbesystemLoadCommand* MSimMachine::NewMMachProbesystemLoadCommand(MOutputChannel* output,
                                                                         const std::string& name,
                                                                         uint32_t id) {
  return new_command<MMachProbesystemLoadCommand>(__func__, output, MSimNameArgs{name, id}, name,
                                                  id);
}

MMachProbesystemUnloadCommand* MSimMachine::NewMMachProbesystemUnloadCommand(
    MOutputChannel* output) {
  return new_command<MMachProbesystemUnloadCommand>(__func__, output, {});
}

MMachProbesystemDefineCommand* MSimMachine::NewMMachProbesystemDefineCommand(
    MOutputChannel* output, const MMachProbesystemInfo& info) {
  return new_command<MMachProbesystemDefineCommand>(__func__, output, info, info);
}

MMachProbesystemDeleteCommand* MSimMachine::NewMMachProbesystemDeleteCommand(
    MOutputChannel* output, const std::string& name, uint32_t id) {
  return new_command<MMachProbesystemDeleteCommand>(__func__, output, MSimNameArgs{name, id},
                                                    name, id);
}

MMachProbeLoadCommand* MSimMachine::NewMMachProbeLoadCommand(MOutputChannel* output,
                                                             uint32_t probe, uint32_t tip) {
  return new_command<MMachProbeLoadCommand>(__func__, output, MSimProbeArgs{probe, tip, 0});
}

MMachProbeDeleteCommand* MSimMachine::NewMMachProbeDeleteCommand(MOutputChannel* output,
                                                                 uint32_t probe, uint32_t tip) {
  return new_command<MMachProbeDeleteCommand>(__func__, output, MSimProbeArgs{probe, tip, 0});
}

MMachProbeDefineCommand* MSimMachine::NewMMachProbeDefineCommand(MOutputChannel* output,
                                                                 uint32_t probe, uint32_t tip,
                                                                 uint64_t value) {
  return new_command<MMachProbeDefineCommand>(__func__, output,
                                               MSimProbeArgs{probe, tip, value});
}

MMachProbeUnloadCommand* MSimMachine::NewMMachProbeUnloadCommand(MOutputChannel* output) {
  return new_command<MMachProbeUnloadCommand>(__func__, output, {});
}

MMachCommand* MSimMachine::NewMMachProbesystemTypeCommand(MOutputChannel* output) {
  count_call(__func__);
  return MMachAbstract::NewMMachProbesystemTypeCommand(output);
}

MMachProbeOffsetCommand* MSimMachine::NewMMachProbeOffsetCommand(
    MOutputChannel* output, const MMachDestinationPara& destination) {
  return new_command<MMachProbeOffsetCommand>(__func__, output, destination, destination);
}

MMachResetCommand* MSimMachine::NewMMachResetCommand(MOutputChannel* output) {
  return new_command<MMachResetCommand>(__func__, output, {});
}

MMachScanbaseCommand* MSimMachine::NewMMachScanbaseCommand(MOutputChannel* output,
                                                           const MMachAxesSet& axes) {
  return new_command<MMachScanbaseCommand>(__func__, output, axes, axes);
}

MMachScancircleCommand* MSimMachine::NewMMachScancircleCommand(MOutputChannel* output,
                                                               const MMachCirclePara& circle) {
  return new_command<MMachScancircleCommand>(__func__, output, circle, circle);
}

MMachScanconeCommand* MSimMachine::NewMMachScanconeCommand(MOutputChannel* output,
                                                           const MMachConePara& cone) {
  return new_command<MMachScanconeCommand>(__func__, output, cone, cone);
}

MMachScandataCommand* MSimMachine::NewMMachScandataCommand(MOutputChannel* output,
                                                           const MMachAxesVector& axes) {
  return new_command<MMachScandataCommand>(__func__, output, axes, axes);
}

MMachCommand* MSimMachine::NewMMachImagefifoInfoCommand(MOutputChannel* output,
                                                        const std::string& name) {
  count_call(__func__);
  return MMachAbstract::NewMMachImagefifoInfoCommand(output, name);
}

MMachScanpointCommand* MSimMachine::NewMMachScanpointCommand(MOutputChannel* output,
                                                             const MMachMovementPara& movement) {
  return new_command<MMachScanpointCommand>(__func__, output, movement, movement);
}

MMachMovepolyCommand* MSimMachine::NewMMachMovepolyCommand(MOutputChannel* output,
                                                           const MMachMovepolyPara& poly) {
  return new_command<MMachMovepolyCommand>(__func__, output, poly, poly);
}

MMachScanpolyCommand* MSimMachine::NewMMachScanpolyCommand(MOutputChannel* output,
                                                           const MMachMovepolyPara& poly) {
  return new_command<MMachScanpolyCommand>(__func__, output, poly, poly);
}

MMachImagefifoCreateCommand* MSimMachine::NewMMachImagefifoCreateCommand(MOutputChannel* output,
                                                                         const std::string& name,
                                                                         uint64_t size) {
  MMachImagefifoCreateCommand* const command = new_command<MMachImagefifoCreateCommand>(
      __func__, output, MSimNameArgs{name, size}, this, name, size);
  if (command != nullptr) command->wide = tables_.wide_imagefifos;
  return command;
}

MMachImagefifoDeleteCommand* MSimMachine::NewMMachImagefifoDeleteCommand(
    MOutputChannel* output, const std::string& name) {
  return new_command<MMachImagefifoDeleteCommand>(__func__, output, MSimNameArgs{name, 0}, this,
                                                  name);
}

MMachImagefifoResetCommand* MSimMachine::NewMMachImagefifoResetCommand(MOutputChannel* output) {
  return new_command<MMachImagefifoResetCommand>(__func__, output, {});
}

MMachImagefifoSelectCommand* MSimMachine::NewMMachImagefifoSelectCommand(
    MOutputChannel* output, const std::string& name) {
  return new_command<MMachImagefifoSelectCommand>(__func__, output, MSimNameArgs{name, 0}, name);
}

MMachWobbleCommand* MSimMachine::NewMMachWobbleCommand(MOutputChannel* output,
                                                       const MMachWobbleParameters& parameters) {
  return new_command<MMachWobbleCommand>(__func__, output, parameters, parameters);
}
