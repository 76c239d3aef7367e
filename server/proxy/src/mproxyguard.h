// The exception firewall between the proxy and its submachines: every call into a submachine (or
// into one of its commands) goes through mproxy_guard::call, which turns an exception of any type
// into the call's failure value and one error-log entry naming the submachine, the operation and
// the exception's text. A call that does not throw costs what the bare call costs.
#pragma once

#include <exception>
#include <limits>
#include <optional>
#include <type_traits>
#include <vector>

#include "mmachcommand.h"
#include "moutputchannel.h"

class MMachAbstract;

namespace mproxy_guard {

// What a call answers when it threw: NaN for a floating-point value, the empty value otherwise
// (null, false, 0, an empty string or vector, an empty std::optional).
template <class Result>
Result failure_value() {
  if constexpr (std::is_floating_point_v<Result>) {
    return std::numeric_limits<Result>::quiet_NaN();
  } else if constexpr (!std::is_void_v<Result>) {
    return Result{};
  }
}

// The error-log entry of a call that threw: "<operation>() of submachine '<name>' threw: <what>"
// (`what` null: an exception of unknown type). The name is asked of the submachine again; one
// that cannot say it is logged as "?".
[[gnu::cold, gnu::noinline]] void report(MMachAbstract* submachine, const char* operation,
                                         const char* what) noexcept;

// The submachine's name or description for a message: "?" when it throws or answers null (a
// throw is reported).
const char* name_of(MMachAbstract* submachine) noexcept;
const char* description_of(MMachAbstract* submachine) noexcept;

// `function` without its class: "NewMMachMoveCommand" for "MProxyMachAbstract::NewMMachMoveCommand".
const char* unqualified(const char* function) noexcept;

// Answers `call()`, or failure_value() after report() when it throws. `submachine` (may be null)
// and `operation` only name the call in the report.
template <class Call>
auto call(MMachAbstract* submachine, const char* operation, Call&& call) noexcept -> decltype(call()) {
  using Result = decltype(call());
  try {
    return call();
  } catch (const std::exception& exception) {
    report(submachine, operation, exception.what());
  } catch (...) {
    report(submachine, operation, nullptr);
  }
  return failure_value<Result>();
}

// Answers `call()`, or no value after report() when it throws: for a caller that must tell a
// throw from an answer that equals the failure value.
template <class Call>
auto attempt(MMachAbstract* submachine, const char* operation, Call&& call) noexcept
    -> std::optional<decltype(call())> {
  return mproxy_guard::call(submachine, operation, [&] { return std::optional<decltype(call())>(call()); });
}

// Answers `call(submachine)` through call().
template <class Submachine, class Call>
auto call_on(Submachine* submachine, const char* operation, Call&& call_with) noexcept
    -> decltype(call_with(submachine)) {
  return call(submachine, operation, [&] { return call_with(submachine); });
}

// Sub-commands of `submachine`. A poll that throws counts as the sub-command failed and done: an
// internal error goes into its channel, so that its proxy command fails as for a refusal.
inline bool poll(MMachAbstract* submachine, MMachCommand* command) noexcept {
  const std::optional<bool> done = attempt(submachine, "IsDone", [command] { return command->IsDone(); });
  if (done) return *done;
  if (command->output != nullptr && !command->output->HasError()) command->output->Error(kMErrorInternal);
  return true;
}
inline void abort(MMachAbstract* submachine, MMachCommand* command) noexcept {
  call(submachine, "Abort", [command] { command->Abort(); });
}
// A sub-command made by `submachine`'s factory `operation` (`make()`), for a command that goes on
// past a refusal without an error: a throw answers null with an internal error in `channel`, so
// that the command fails as for a refusal that explains itself.
template <class Make>
auto make_subcommand(MMachAbstract* submachine, const char* operation, MOutputChannel* channel, Make&& make) noexcept
    -> decltype(make()) {
  const auto made = attempt(submachine, operation, [&make] { return make(); });
  if (made) return *made;
  if (channel != nullptr && !channel->HasError()) channel->Error(kMErrorInternal);
  return nullptr;
}
// A scan sub-command's GetData (any class that has one); false when it throws.
template <class ScanCommand>
bool get_data(MMachAbstract* submachine, ScanCommand* command, std::vector<double>& values) noexcept {
  return call(submachine, "GetData", [&] { return command->GetData(values); });
}

// `text` unless it is null, then "?".
inline const char* or_unknown(const char* text) noexcept { return text != nullptr ? text : "?"; }

}  // namespace mproxy_guard

// `submachine->Operation(args...)` through the guard. The submachine is handed to the lambda
// rather than captured, so that it may be a structured binding (which Clang 14 cannot capture).
#define MPROXY_CALL(submachine, Operation, ...)                                                         \
  mproxy_guard::call_on((submachine), #Operation,                                                       \
                        [&](auto* mproxy_submachine) -> decltype(auto) {                                 \
                          return mproxy_submachine->Operation(__VA_ARGS__);                              \
                        })
