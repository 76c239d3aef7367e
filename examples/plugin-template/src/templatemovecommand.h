// TemplateMoveCommand: the move of TemplateMachine. Its axes arrive at the third poll; an abort
// stops it at the next poll. The machine must outlive the command, as with every machine.
#pragma once

#include <cstdint>

#include "mmachmovecommands.h"

class TemplateMachine;

class TemplateMoveCommand : public MMachMoveCommand {
 public:
  TemplateMoveCommand(TemplateMachine* machine, MOutputChannel* output,
                      const MMachMovementPara& movement);

  // A finished move has written its end into its channel: event "movement: end" when it
  // arrived, error "aborted" when it was stopped (a channel with an error means "failed").
  bool IsDone() override;
  void Abort() override;

 private:
  static constexpr int kPollsToArrive = 3;

  // Ends the command; an error code of 0 means it arrived.
  void finish(uint32_t error_code);

  TemplateMachine* machine_;  // not owned
  int polls_ = 0;
  bool abort_requested_ = false;
  bool done_ = false;
};
