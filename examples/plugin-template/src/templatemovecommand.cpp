#include "templatemovecommand.h"

#include "templatemachine.h"

TemplateMoveCommand::TemplateMoveCommand(TemplateMachine* machine, MOutputChannel* output,
                                         const MMachMovementPara& movement)
    : MMachMoveCommand(output, movement), machine_(machine) {}

// One poll: a real command asks its controller how far the move has come. It must not block,
// and once it has answered true it answers true on every later call.
bool TemplateMoveCommand::IsDone() {
  if (done_) return true;
  ++polls_;
  if (abort_requested_) {
    finish(kMErrorAborted);
  } else if (polls_ >= kPollsToArrive) {
    machine_->SetAxisValues(movement.positions);
    finish(0);
  }
  return done_;
}

// Only asks: the server goes on polling until IsDone() answers true.
void TemplateMoveCommand::Abort() {
  if (!done_) abort_requested_ = true;
}

void TemplateMoveCommand::finish(uint32_t error_code) {
  if (output) {
    if (error_code != 0) {
      output->Error(error_code);
    } else {
      output->Event(kMEventMovementEnd);
    }
  }
  done_ = true;
}
