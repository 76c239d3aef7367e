#include "mmachcommand.h"

#include "mmachcommands.h"

MMachCommand::~MMachCommand() = default;

const std::vector<std::string>& MMachCommand_ClassNames() {
  static const std::vector<std::string> names = {
      "MMachGetCommand", "MMachIdleCommand", "MMachImagefifoCreateCommand",
      "MMachImagefifoDeleteCommand", "MMachImagefifoInfoCommand", "MMachImagefifoResetCommand",
      "MMachImagefifoSelectCommand", "MMachInitCommand", "MMachKeypadDisableCommand",
      "MMachKeypadEnableCommand", "MMachMagazineSetCommand", "MMachModuloCommand",
      "MMachMoveCommand", "MMachMovebaseCommand", "MMachMovecircleCommand",
      "MMachMoveconeCommand", "MMachMovehomeCommand", "MMachMovepolyCommand",
      "MMachMovezeroCommand", "MMachProbeDefineCommand", "MMachProbeDeleteCommand",
      "MMachProbeLoadCommand", "MMachProbeOffsetCommand", "MMachProbeUnloadCommand",
      "MMachProbesystemDefineCommand", "MMachProbesystemDeleteCommand",
      "MMachProbesystemLoadCommand", "MMachProbesystemTypeCommand",
      "MMachProbesystemUnloadCommand", "MMachReceiveCommand", "MMachResetCommand",
      "MMachScanCommand", "MMachScanbaseCommand", "MMachScancircleCommand",
      "MMachScanconeCommand", "MMachScandataCommand", "MMachScanpointCommand",
      "MMachScanpolyCommand", "MMachSendCommand", "MMachSetCommand", "MMachSpinDisableCommand",
      "MMachSpinEnableCommand", "MMachWobbleCommand"};
  return names;
}
