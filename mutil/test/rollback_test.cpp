#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "merrcapture.h"
#include "mrollback.h"

namespace {

// An action that answers a scripted sequence (its last answer repeats) and logs its calls.
class ScriptedAction final : public MIntFunctor {
 public:
  ScriptedAction(std::string name, std::vector<int> answers, std::vector<std::string>* journal)
      : name_(std::move(name)), answers_(answers.begin(), answers.end()), journal_(journal) {}
  int operator()() override {
    journal_->push_back(name_);
    const int answer = answers_.front();
    if (answers_.size() > 1) answers_.pop_front();
    return answer;
  }

 private:
  std::string name_;
  std::deque<int> answers_;
  std::vector<std::string>* journal_;
};

struct Step {
  const char* forward;  // null: no action
  std::vector<int> forward_answers;
  const char* backward;
  std::vector<int> backward_answers;
};

struct Engine {
  explicit Engine(const std::vector<Step>& steps) {
    for (const Step& step : steps) {
      rollback.AddStep(make(step.forward, step.forward_answers), make(step.backward, step.backward_answers));
    }
  }
  MIntFunctor* make(const char* name, const std::vector<int>& answers) {
    if (name == nullptr) return nullptr;
    actions.push_back(std::make_unique<ScriptedAction>(name, answers, &journal));
    return actions.back().get();
  }
  // RollThrough() until it answers MR_DONE (or gives up), with every answer.
  std::vector<int> RunThrough(int limit = 50) {
    std::vector<int> results;
    while (static_cast<int>(results.size()) < limit) {
      results.push_back(rollback.RollThrough());
      if (results.back() == MR_DONE) break;
    }
    return results;
  }

  std::vector<std::string> journal;
  std::vector<std::unique_ptr<MIntFunctor>> actions;
  MRollback rollback;
};

struct RollCase {
  const char* title;
  std::vector<Step> steps;
  std::vector<int> results;            // answers of RollThrough, last one MR_DONE
  std::vector<std::string> journal;    // actions in call order
  std::vector<std::string> trace = {};  // error-trace entries
};

class RollThroughTest : public ::testing::TestWithParam<RollCase> {};

TEST_P(RollThroughTest, RunsForwardThenBackInTheRightOrder) {
  const RollCase& c = GetParam();
  Engine engine(c.steps);
  MErrCapture capture;
  EXPECT_EQ(engine.RunThrough(), c.results);
  EXPECT_EQ(engine.journal, c.journal);
  EXPECT_EQ(capture.ContextTexts(), c.trace);
  EXPECT_TRUE(engine.rollback.IsRolledBack());
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, RollThroughTest,
    ::testing::Values(
        RollCase{"empty", {}, {0, 1}, {}},
        // Steps without a forward action are passed in the same call; each completed
        // forward action ends the call.
        RollCase{"forward",
                 {{"f1", {1}, "b1", {1}}, {nullptr, {}, "b2", {1}}, {"f3", {0, 1}, nullptr, {}}},
                 {0, 0, 0, 0, 1},
                 {"f1", "f3", "f3", "b2", "b1"}},
        // A failure rolls back from the failed step, its own backward action included.
        RollCase{"failure",
                 {{"f1", {1}, "b1", {1}}, {"f2", {-1}, "b2", {1}}, {"f3", {1}, "b3", {1}}},
                 {0, -1, 0, 1},
                 {"f1", "f2", "b2", "b1"}},
        // An unrecognised forward answer counts as a failure.
        RollCase{"unknown forward", {{"f1", {7}, "b1", {1}}}, {-1, 1}, {"f1", "b1"},
                 {"unknown return value from func: 7"}},
        // A backward action that is not complete is asked again; one that fails or answers
        // something else hands that up and the roll back goes on below it.
        RollCase{"backward answers",
                 {{nullptr, {}, "b1", {1}}, {nullptr, {}, "b2", {5}}, {nullptr, {}, "b3", {0, -1}}},
                 {0, 0, -1, 5, 1},
                 {"b3", "b3", "b2", "b1"},
                 {"unknown return value from func: 5"}},
        // Steps without backward actions are passed in the same call.
        RollCase{"no backward", {{"f1", {1}, nullptr, {}}, {"f2", {1}, nullptr, {}}}, {0, 0, 1}, {"f1", "f2"}}),
    [](const auto& info) {
      std::string name = info.param.title;
      for (char& c : name) if (c == ' ') c = '_';
      return name;
    });

// A failed roll forward stays failed; a roll back before any forward call has nothing to undo.
TEST(RollbackTest, FailureStaysAndAnEarlyRollBackIsComplete) {
  Engine engine({{"f1", {7}, "b1", {1}}});
  EXPECT_EQ(engine.rollback.RollBack(), MR_DONE);
  EXPECT_TRUE(engine.rollback.IsRolledBack() && engine.journal.empty());
  MErrCapture capture;
  EXPECT_EQ(engine.rollback.RollForward(), MR_FAILED);
  EXPECT_EQ(engine.rollback.RollForward(), MR_FAILED);
  EXPECT_EQ(engine.journal, std::vector<std::string>{"f1"});
}

TEST(RollbackTest, MemberFunctionAction) {
  struct Counter {
    int calls = 0;
    int Next() { return ++calls == 2 ? MR_DONE : MR_AGAIN; }
  } counter;
  MRollbackFunctor<Counter> action(&counter, &Counter::Next);
  MRollback rollback;
  rollback.AddStep(&action, nullptr);
  EXPECT_EQ(rollback.RollForward(), MR_AGAIN);
  EXPECT_EQ(rollback.RollForward(), MR_DONE);
  EXPECT_EQ(counter.calls, 2);
  EXPECT_TRUE(rollback.IsRolledForward());
}

}  // namespace
