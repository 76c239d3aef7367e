// The session language: every command of the host by its words ("probesystem load"), with the
// usage shown by "help". Factory commands also name the command class whose support the
// machine advertises.
#pragma once

#include <string>
#include <vector>

class MHostLine;
class MHostSession;

struct MHostCommand {
  std::string words;       // "move", "probesystem load"
  std::string usage;       // the arguments, for "help"
  std::string class_name;  // "MMachMoveCommand"; empty for queries and session commands
  // Reads its arguments from the line and, when they are good (MHostLine::Finish), runs.
  void (*run)(MHostSession& session, MHostLine& line);
};

// All commands, in the order "help" lists them.
const std::vector<MHostCommand>& MHostCommands();
// The command whose words begin `words` (the longest match), or null.
const MHostCommand* MHostCommands_Find(const std::vector<std::string>& words);
