// How the commands of one command class ("MMachMoveCommand") behave on a simulated machine:
// when they finish, whether they fail or are refused, what they write and when, what scan data
// they deliver and how they take an abort. A machine keeps one behaviour per class and copies
// it into every command it creates, so a change affects only commands created afterwards.
// Polls count from 1: a command's first IsDone() is its poll 1.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "moutputchannel.h"
#include "msimtables.h"

class MSimMachine;

struct MSimCommandBehaviour {
  // Something a command does at one of its polls, with its machine and its own channel.
  using Action = std::function<void(MSimMachine& machine, MOutputChannel& output)>;
  struct TimedAction {
    uint32_t poll = 1;
    Action action;
  };

  uint32_t done_at_poll = 1;  // IsDone() answers true from this poll on
  uint32_t fail_at_poll = 0;  // 0: never; else Error(fail_code) and done at that poll
  uint32_t fail_code = kMErrorInternal;
  bool refuse = false;        // the factory answers null ...
  uint32_t refuse_code = 0;   // ... after Error(refuse_code) in its channel unless 0
  bool endless = false;       // finishes only after Abort()
  uint32_t abort_code = 0;    // Error(abort_code) at the poll that ends an aborted command; 0: none
  bool ignore_abort = false;  // Abort() is counted but changes nothing
  std::string text_name;      // GetName() answers this instead of its class's name unless empty
  // A command that lets exceptions out (std::runtime_error): IsDone() at this poll (0: never),
  // and every Abort() and GetData().
  uint32_t throw_at_poll = 0;
  bool throw_on_abort = false;
  bool throw_on_get_data = false;
  std::vector<TimedAction> actions;           // run in this order at their poll
  std::deque<std::vector<double>> scan_data;  // one vector per GetData() ...
  uint32_t scan_data_from_poll = 0;           // ... once this many polls have run

  // Chainable setters for the fields above.
  MSimCommandBehaviour& DoneAfter(uint32_t polls);
  MSimCommandBehaviour& FailAtPoll(uint32_t poll, uint32_t code = kMErrorInternal);
  MSimCommandBehaviour& Refuse();
  MSimCommandBehaviour& RefuseWithError(uint32_t code = kMErrorCommandUnknown);
  MSimCommandBehaviour& Endless();
  MSimCommandBehaviour& AbortWithError(uint32_t code = kMErrorAborted);
  MSimCommandBehaviour& IgnoreAbort();
  MSimCommandBehaviour& ThrowAtPoll(uint32_t poll);
  MSimCommandBehaviour& ThrowOnAbort();
  MSimCommandBehaviour& ThrowOnGetData();
  MSimCommandBehaviour& At(uint32_t poll, Action action);
  MSimCommandBehaviour& DataAt(uint32_t poll, const std::string& text);
  MSimCommandBehaviour& DataAt(uint32_t poll, const std::vector<double>& values);
  MSimCommandBehaviour& EventAt(uint32_t poll, int32_t code);
  // At `poll` the machine's axis table becomes `axes` and the command raises "capabilities
  // changed", so that whoever re-reads the capabilities sees the new table.
  MSimCommandBehaviour& ChangeAxesAt(uint32_t poll, std::vector<MSimAxis> axes);
  MSimCommandBehaviour& ScanData(std::vector<std::vector<double>> vectors, uint32_t from_poll = 0);
};
