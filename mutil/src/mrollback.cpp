#include "mrollback.h"

#include <cstddef>

#include "errtrace.h"

int MRollback::RollForward() {
  if (current_ == -1) {
    current_ = 0;
    failed_ = false;
  } else if (current_ == step_count()) {
    rolled_forward_ = true;
    return MR_DONE;
  }
  if (failed_) return MR_FAILED;
  if (steps_.empty()) {
    rolled_forward_ = true;
    return MR_DONE;
  }
  for (;;) {
    MIntFunctor* const forward = steps_[static_cast<std::size_t>(current_)].first;
    if (forward != nullptr) {
      const int result = (*forward)();
      if (result == MR_FAILED) {
        failed_ = true;
        return MR_FAILED;
      }
      if (result == MR_AGAIN) return MR_AGAIN;
      if (result != MR_DONE) {
        MERRTRACE("unknown return value from func: %d", result);
        failed_ = true;
        return MR_FAILED;
      }
    }
    ++current_;
    if (current_ == step_count()) {
      rolled_forward_ = true;
      return MR_DONE;
    }
    if (forward != nullptr) return MR_AGAIN;
  }
}

int MRollback::RollBack() {
  if (current_ == step_count()) {
    --current_;
  } else if (current_ == -1) {
    rolled_back_ = true;
    return MR_DONE;
  }
  if (steps_.empty()) {
    rolled_back_ = true;
    return MR_DONE;
  }
  for (;;) {
    MIntFunctor* const backward = steps_[static_cast<std::size_t>(current_)].second;
    int result = MR_AGAIN;
    if (backward != nullptr) {
      const int answer = (*backward)();
      if (answer == MR_AGAIN) return MR_AGAIN;
      if (answer == MR_FAILED) {
        result = MR_FAILED;
      } else if (answer != MR_DONE) {
        MERRTRACE("unknown return value from func: %d", answer);
        result = answer;
      }
    }
    --current_;
    if (current_ == -1) {
      rolled_back_ = true;
      return MR_DONE;
    }
    if (backward != nullptr) return result;
  }
}

int MRollback::RollThrough() {
  if (!rolled_forward_ && !failed_) {
    const int result = RollForward();
    if (result != MR_DONE) return result;
    if (IsRolledForward()) return MR_AGAIN;  // the roll back starts on the next call
    MERRTRACE("MRollback::RollThrough(): RollForward() returned MR_DONE but IsRolledForward() is not true");
    return MR_FAILED;
  }
  return RollBack();
}
