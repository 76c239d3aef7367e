// The command factories of the machine interface, in their binary order, as one list for every
// class that declares them all: MMACH_COMMAND_FACTORIES(X, C) expands X(Result, Name, Parameters,
// Arguments) for each factory that creates a command class of its own and C(...) for the two that
// have none (probe-system type and image FIFO info), where Result is the class the factory
// answers and Arguments names its Parameters in order. For example
//   MMACH_COMMAND_FACTORIES(MMACH_FACTORY_OVERRIDE, MMACH_FACTORY_OVERRIDE)
// declares an override of every factory inside a machine's class.
#pragma once

#define MMACH_COMMAND_FACTORIES(X, C)                                                                           \
  X(MMachGetCommand, NewMMachGetCommand,                                                                        \
    (MOutputChannel* output, const MMachAxesVector& axes), (output, axes))                                      \
  X(MMachInitCommand, NewMMachInitCommand, (MOutputChannel* output, const MMachAxesSet& axes), (output, axes))  \
  X(MMachKeypadDisableCommand, NewMMachKeypadDisableCommand,                                                    \
    (MOutputChannel* output, const MMachAxesSet& axes), (output, axes))                                         \
  X(MMachKeypadEnableCommand, NewMMachKeypadEnableCommand,                                                      \
    (MOutputChannel* output, const MMachAxesSet& axes), (output, axes))                                         \
  X(MMachCommand, NewMMachMagazineSetCommand,                                                                   \
    (MOutputChannel* output, uint32_t slot, uint32_t probe), (output, slot, probe))                             \
  X(MMachModuloCommand, NewMMachModuloCommand,                                                                  \
    (MOutputChannel* output, const MMachAxesSet& axes), (output, axes))                                         \
  X(MMachMovebaseCommand, NewMMachMovebaseCommand,                                                              \
    (MOutputChannel* output, const MMachAxesSet& axes), (output, axes))                                         \
  X(MMachMoveCommand, NewMMachMoveCommand,                                                                      \
    (MOutputChannel* output, const MMachMovementPara& movement), (output, movement))                            \
  X(MMachMovecircleCommand, NewMMachMovecircleCommand,                                                          \
    (MOutputChannel* output, const MMachCirclePara& circle), (output, circle))                                  \
  X(MMachMoveconeCommand, NewMMachMoveconeCommand,                                                              \
    (MOutputChannel* output, const MMachConePara& cone), (output, cone))                                        \
  X(MMachMovehomeCommand, NewMMachMovehomeCommand, (MOutputChannel* output), (output))                          \
  X(MMachMovezeroCommand, NewMMachMovezeroCommand,                                                              \
    (MOutputChannel* output, const MMachMovementPara& movement), (output, movement))                            \
  X(MMachReceiveCommand, NewMMachReceiveCommand,                                                                \
    (MOutputChannel* output, const std::string& component), (output, component))                                \
  X(MMachSendCommand, NewMMachSendCommand,                                                                      \
    (MOutputChannel* output, const std::string& component, const std::string& data), (output, component, data)) \
  X(MMachSetCommand, NewMMachSetCommand,                                                                        \
    (MOutputChannel* output, const std::map<std::string, double>& values), (output, values))                    \
  X(MMachScanCommand, NewMMachScanCommand,                                                                      \
    (MOutputChannel* output, const MMachMovementPara& movement), (output, movement))                            \
  X(MMachSpinDisableCommand, NewMMachSpinDisableCommand,                                                        \
    (MOutputChannel* output, const MMachAxesSet& axes), (output, axes))                                         \
  X(MMachSpinEnableCommand, NewMMachSpinEnableCommand,                                                          \
    (MOutputChannel* output, const MMachAxesBoolMap& axes), (output, axes))                                     \
  X(MMachIdleCommand, NewMMachIdleCommand, (MOutputChannel* output), (output))                                  \
  X(MMachProbesystemLoadCommand, NewMMachProbesystemLoadCommand,                                                \
    (MOutputChannel* output, const std::string& name, uint32_t id), (output, name, id))                         \
  X(MMachProbesystemUnloadCommand, NewMMachProbesystemUnloadCommand, (MOutputChannel* output), (output))        \
  X(MMachProbesystemDefineCommand, NewMMachProbesystemDefineCommand,                                            \
    (MOutputChannel* output, const MMachProbesystemInfo& info), (output, info))                                 \
  X(MMachProbesystemDeleteCommand, NewMMachProbesystemDeleteCommand,                                            \
    (MOutputChannel* output, const std::string& name, uint32_t id), (output, name, id))                         \
  X(MMachProbeLoadCommand, NewMMachProbeLoadCommand,                                                            \
    (MOutputChannel* output, uint32_t probe, uint32_t tip), (output, probe, tip))                               \
  X(MMachProbeDeleteCommand, NewMMachProbeDeleteCommand,                                                        \
    (MOutputChannel* output, uint32_t probe, uint32_t tip), (output, probe, tip))                               \
  X(MMachProbeDefineCommand, NewMMachProbeDefineCommand,                                                        \
    (MOutputChannel* output, uint32_t probe, uint32_t tip, uint64_t value), (output, probe, tip, value))        \
  X(MMachProbeUnloadCommand, NewMMachProbeUnloadCommand, (MOutputChannel* output), (output))                    \
  C(MMachCommand, NewMMachProbesystemTypeCommand, (MOutputChannel* output), (output))                           \
  X(MMachProbeOffsetCommand, NewMMachProbeOffsetCommand,                                                        \
    (MOutputChannel* output, const MMachDestinationPara& destination), (output, destination))                   \
  X(MMachResetCommand, NewMMachResetCommand, (MOutputChannel* output), (output))                                \
  X(MMachScanbaseCommand, NewMMachScanbaseCommand,                                                              \
    (MOutputChannel* output, const MMachAxesSet& axes), (output, axes))                                         \
  X(MMachScancircleCommand, NewMMachScancircleCommand,                                                          \
    (MOutputChannel* output, const MMachCirclePara& circle), (output, circle))                                  \
  X(MMachScanconeCommand, NewMMachScanconeCommand,                                                              \
    (MOutputChannel* output, const MMachConePara& cone), (output, cone))                                        \
  X(MMachScandataCommand, NewMMachScandataCommand,                                                              \
    (MOutputChannel* output, const MMachAxesVector& axes), (output, axes))                                      \
  C(MMachCommand, NewMMachImagefifoInfoCommand,                                                                 \
    (MOutputChannel* output, const std::string& name), (output, name))                                          \
  X(MMachScanpointCommand, NewMMachScanpointCommand,                                                            \
    (MOutputChannel* output, const MMachMovementPara& movement), (output, movement))                            \
  X(MMachMovepolyCommand, NewMMachMovepolyCommand,                                                              \
    (MOutputChannel* output, const MMachMovepolyPara& poly), (output, poly))                                    \
  X(MMachScanpolyCommand, NewMMachScanpolyCommand,                                                              \
    (MOutputChannel* output, const MMachMovepolyPara& poly), (output, poly))                                    \
  X(MMachImagefifoCreateCommand, NewMMachImagefifoCreateCommand,                                                \
    (MOutputChannel* output, const std::string& name, uint64_t size), (output, name, size))                     \
  X(MMachImagefifoDeleteCommand, NewMMachImagefifoDeleteCommand,                                                \
    (MOutputChannel* output, const std::string& name), (output, name))                                          \
  X(MMachImagefifoResetCommand, NewMMachImagefifoResetCommand, (MOutputChannel* output), (output))              \
  X(MMachImagefifoSelectCommand, NewMMachImagefifoSelectCommand,                                                \
    (MOutputChannel* output, const std::string& name), (output, name))                                          \
  X(MMachWobbleCommand, NewMMachWobbleCommand,                                                                  \
    (MOutputChannel* output, const MMachWobbleParameters& parameters), (output, parameters))

// What a class does with each factory of the list.
#define MMACH_VIRTUAL_FACTORY(Result, Name, Parameters, Arguments) virtual Result* Name Parameters;
#define MMACH_FACTORY_OVERRIDE(Result, Name, Parameters, Arguments) Result* Name Parameters override;
#define MMACH_NO_FACTORY(Result, Name, Parameters, Arguments)
// Turns a parenthesised argument list into a plain one: `f(MMACH_UNPACK Arguments)`.
#define MMACH_UNPACK(...) __VA_ARGS__
