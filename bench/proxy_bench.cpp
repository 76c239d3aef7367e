// The proxy layer against talking to the owning submachine directly: queries over 4 submachines
// of 32 axes each, and the round trip of a move over two submachines (factory, polls until done,
// delete). The submachines are simulated, so both sides share their (small) own work.
#include <benchmark/benchmark.h>

#include <string>

#include "bench_pairs.h"
#include "proxyrig.h"

namespace {

constexpr size_t kQuerySubmachines = 4;
constexpr size_t kQueryAxes = 32;
constexpr size_t kOwner = 2;  // the third submachine owns the queried axes

struct QueryRig {
  QueryRig() : rig(kQuerySubmachines, kQueryAxes), proxy(rig.OpenProxy()), owner(rig.Submachines()[kOwner]) {}

  ProxyRig rig;
  MProxyMachAbstract* proxy;
  MMachAbstract* owner;
  const std::string axis = ProxyRig::AxisName(kOwner, 17);
  const MMachAxesSet moving = {ProxyRig::AxisName(kOwner, 1), ProxyRig::AxisName(kOwner, 2),
                               ProxyRig::AxisName(kOwner, 3)};
};

QueryRig& query_rig() {
  static QueryRig rig;
  return rig;
}

// Both ways must give the same answer before either is timed.
template <class Answer>
bool answers_agree(benchmark::State& state, const char* what, Answer ask) {
  QueryRig& rig = query_rig();
  if (rig.proxy == nullptr) {
    state.SkipWithError("the proxy did not open");
    return false;
  }
  if (ask(*rig.proxy) == ask(*rig.owner)) return true;
  state.SkipWithError((std::string("proxy and owner disagree on ") + what).c_str());
  return false;
}

double axis_value(MMachAbstract& machine) { return machine.GetAxisValue(query_rig().axis.c_str()); }

std::string axis_info(MMachAbstract& machine) {
  const MMachAxisInfo* info = machine.GetAxisInfo(query_rig().axis);
  return info ? info->name : "none";
}

bool moving_possible(MMachAbstract& machine) { return machine.IsMovingPossibleWith(query_rig().moving); }

void BM_ProxyGetAxisValue(benchmark::State& state) {
  if (!answers_agree(state, "GetAxisValue", axis_value)) return;
  MMachAbstract& proxy = *query_rig().proxy;
  const char* axis = query_rig().axis.c_str();
  for (auto _ : state) benchmark::DoNotOptimize(proxy.GetAxisValue(axis));
}
BENCHMARK(BM_ProxyGetAxisValue);

void BM_DirectGetAxisValue(benchmark::State& state) {
  if (!answers_agree(state, "GetAxisValue", axis_value)) return;
  MMachAbstract& owner = *query_rig().owner;
  const char* axis = query_rig().axis.c_str();
  for (auto _ : state) benchmark::DoNotOptimize(owner.GetAxisValue(axis));
}
BENCHMARK(BM_DirectGetAxisValue);

void BM_ProxyGetAxisInfo(benchmark::State& state) {
  if (!answers_agree(state, "GetAxisInfo", axis_info)) return;
  MMachAbstract& proxy = *query_rig().proxy;
  const std::string& axis = query_rig().axis;
  for (auto _ : state) benchmark::DoNotOptimize(proxy.GetAxisInfo(axis));
}
BENCHMARK(BM_ProxyGetAxisInfo);

void BM_DirectGetAxisInfo(benchmark::State& state) {
  if (!answers_agree(state, "GetAxisInfo", axis_info)) return;
  MMachAbstract& owner = *query_rig().owner;
  const std::string& axis = query_rig().axis;
  for (auto _ : state) benchmark::DoNotOptimize(owner.GetAxisInfo(axis));
}
BENCHMARK(BM_DirectGetAxisInfo);

void BM_ProxyIsMovingPossibleWith(benchmark::State& state) {
  if (!answers_agree(state, "IsMovingPossibleWith", moving_possible)) return;
  MMachAbstract& proxy = *query_rig().proxy;
  const MMachAxesSet& axes = query_rig().moving;
  for (auto _ : state) benchmark::DoNotOptimize(proxy.IsMovingPossibleWith(axes));
}
BENCHMARK(BM_ProxyIsMovingPossibleWith);

void BM_DirectIsMovingPossibleWith(benchmark::State& state) {
  if (!answers_agree(state, "IsMovingPossibleWith", moving_possible)) return;
  MMachAbstract& owner = *query_rig().owner;
  const MMachAxesSet& axes = query_rig().moving;
  for (auto _ : state) benchmark::DoNotOptimize(owner.IsMovingPossibleWith(axes));
}
BENCHMARK(BM_DirectIsMovingPossibleWith);

// ---- command round trip ----

struct MoveRig {
  MoveRig() : rig(2, 8), proxy(rig.OpenProxy()) {
    for (size_t i = 0; i < 2; ++i) {
      movement.positions[ProxyRig::AxisName(i, 0)] = {1.5, false};
      own_movements[i].positions[ProxyRig::AxisName(i, 0)] = {1.5, false};
    }
  }

  void ClearLogs() {
    for (size_t i = 0; i < 2; ++i) rig.Sim(i).ClearCommandLog();
  }

  ProxyRig rig;
  MProxyMachAbstract* proxy;
  MMachMovementPara movement;          // over both submachines, for the proxy
  MMachMovementPara own_movements[2];  // each submachine's part
  MOutputChannel own_channels[2] = {MOutputChannel(1), MOutputChannel(1)};  // the server's, one per submachine
};

MoveRig& move_rig() {
  static MoveRig rig;
  return rig;
}

// One move through the proxy; false when it was refused or failed.
bool proxy_move(MoveRig& rig) {
  MOutputChannel& channel = rig.rig.Channel();
  MMachMoveCommand* command = rig.proxy->NewMMachMoveCommand(&channel, rig.movement);
  if (command == nullptr) return false;
  while (!command->IsDone()) {
  }
  delete command;
  const bool failed = channel.HasError();
  channel.Clear();
  return !failed;
}

// The same move as two commands created on the submachines directly.
bool direct_move(MoveRig& rig) {
  MMachMoveCommand* commands[2];
  for (size_t i = 0; i < 2; ++i) {
    commands[i] = rig.rig.Submachines()[i]->NewMMachMoveCommand(&rig.own_channels[i], rig.own_movements[i]);
  }
  bool failed = commands[0] == nullptr || commands[1] == nullptr;
  for (bool done = failed; !done;) {
    done = true;
    for (MMachMoveCommand* command : commands) done = command->IsDone() && done;
  }
  for (size_t i = 0; i < 2; ++i) {
    delete commands[i];
    failed = failed || rig.own_channels[i].HasError();
    rig.own_channels[i].Clear();
  }
  return !failed;
}

bool moves_work(benchmark::State& state) {
  MoveRig& rig = move_rig();
  if (rig.proxy == nullptr || !proxy_move(rig) || !direct_move(rig)) {
    state.SkipWithError("a move failed");
    return false;
  }
  const bool both = rig.rig.Sim(0).CommandLog().size() == 2 && rig.rig.Sim(1).CommandLog().size() == 2;
  rig.ClearLogs();
  if (!both) state.SkipWithError("a move did not reach both submachines");
  return both;
}

void BM_ProxyMoveRoundTrip(benchmark::State& state) {
  if (!moves_work(state)) return;
  MoveRig& rig = move_rig();
  // The simulated machines' command logs are bounded, so a long run keeps its memory flat.
  for (auto _ : state) benchmark::DoNotOptimize(proxy_move(rig));
  rig.ClearLogs();
}
BENCHMARK(BM_ProxyMoveRoundTrip);

void BM_DirectMoveRoundTrip(benchmark::State& state) {
  if (!moves_work(state)) return;
  MoveRig& rig = move_rig();
  for (auto _ : state) benchmark::DoNotOptimize(direct_move(rig));
  rig.ClearLogs();
}
BENCHMARK(BM_DirectMoveRoundTrip);

using orvex_bench::Goal;
using orvex_bench::PairRegistration;
const PairRegistration kValuePair({"query.GetAxisValue", "BM_ProxyGetAxisValue", "BM_DirectGetAxisValue",
                                   Goal::kRatioAtMost, 1.3});
const PairRegistration kInfoPair({"query.GetAxisInfo", "BM_ProxyGetAxisInfo", "BM_DirectGetAxisInfo",
                                  Goal::kRatioAtMost, 1.3});
const PairRegistration kMovingPair({"query.IsMovingPossibleWith", "BM_ProxyIsMovingPossibleWith",
                                    "BM_DirectIsMovingPossibleWith", Goal::kRatioAtMost, 1.3});
const PairRegistration kMovePair({"command.Move.round_trip", "BM_ProxyMoveRoundTrip", "BM_DirectMoveRoundTrip",
                                  Goal::kRatioAtMost, 1.5});

}  // namespace
