// MRollback: a small step engine for work that must be undone. Each step has a forward action
// and a backward action (either may be missing). RollForward() runs the forward actions in
// order; after the last one, or after one failed, RollBack() runs the backward actions of the
// steps reached, in reverse order, so that whatever was started gets stopped again.
// Actions answer MR_DONE (complete), MR_AGAIN (call again later) or MR_FAILED.
// The engine is driven by repeated calls from a polling loop and never blocks.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

inline constexpr int MR_DONE = 1;
inline constexpr int MR_AGAIN = 0;
inline constexpr int MR_FAILED = -1;

// One action of a step.
class MIntFunctor {
 public:
  virtual ~MIntFunctor() = default;
  virtual int operator()() = 0;
};

// An action that calls a member function of an object.
template <class T>
class MRollbackFunctor final : public MIntFunctor {
 public:
  using Function = int (T::*)();
  MRollbackFunctor(T* object, Function function) : object_(object), function_(function) {}
  int operator()() override { return (object_->*function_)(); }

 private:
  T* object_;  // not owned
  Function function_;
};

class MRollback {
 public:
  // Appends a step; the actions are not owned and must outlive the engine's use.
  void AddStep(MIntFunctor* forward, MIntFunctor* backward) { steps_.emplace_back(forward, backward); }

  // Runs forward actions from the current step on: MR_DONE once every step has completed,
  // MR_AGAIN after an action that is not complete yet or after each completed action (the next
  // one starts on the next call), MR_FAILED once a forward action failed.
  int RollForward();
  // Runs backward actions from the current step down to the first: MR_DONE once the start is
  // reached; otherwise MR_AGAIN, or the failure (or unknown value) of the action just run. A
  // failing backward action does not stop the roll back: the next call goes on below it.
  int RollBack();
  // Forward until done or failed, then back: MR_DONE only when the roll back is complete.
  int RollThrough();

  bool IsRolledForward() const { return rolled_forward_; }
  bool IsRolledBack() const { return rolled_back_; }
  bool HasSteps() const { return !steps_.empty(); }
  // The index of the current step; -1 before the first forward call.
  int64_t Current() const { return current_; }

 private:
  int64_t step_count() const { return static_cast<int64_t>(steps_.size()); }

  std::vector<std::pair<MIntFunctor*, MIntFunctor*>> steps_;
  int64_t current_ = -1;
  bool rolled_forward_ = false;
  bool rolled_back_ = false;
  bool failed_ = false;
};
