// MProxyFactoryFrame: the frame of a command factory of the proxy machine, or of a command step
// that adds sub-commands to a running command. It holds the error-trace context of the call,
// creates the sub-commands, reports a refusal, checks where a request may run, and wraps the
// sub-commands in the proxy command. One frame per call, on the caller's stack; create it where
// the context of the call begins, since it collects what the submachines trace from then on.
#pragma once

#include <cstddef>
#include <utility>

#include "errtrace.h"
#include "mproxyguard.h"
#include "mproxymachabstract.h"
#include "mproxyreport.h"
#include "mproxysubcommand.h"

class MProxyFactoryFrame {
 public:
  template <class Para>
  using Split = bool (MProxyMachAbstract::*)(const Para&, MOutputChannel*, MProxyCommand::SubcommandMap&);

  // `function` names the caller in every report ("MProxyMachAbstract::NewMMachMoveCommand").
  // The sub-commands go into the frame's own map, or into `into` (a running command's map).
  // None of the pointers is owned; all must outlive the frame.
  MProxyFactoryFrame(MProxyMachAbstract* proxy, MOutputChannel* output, const char* function);
  MProxyFactoryFrame(MProxyMachAbstract* proxy, MOutputChannel* output, const char* function,
                     MProxyCommand::SubcommandMap& into);
  MProxyFactoryFrame(const MProxyFactoryFrame&) = delete;
  MProxyFactoryFrame& operator=(const MProxyFactoryFrame&) = delete;

  // Sub-commands: `create(submachine, channel)` makes one on a channel of its own. A refusal
  // leaves the submachine's explanation in the server's channel and answers false.

  // Without a further report (`clear_refused` as for create_subcommand).
  template <class Create>
  bool add(MMachAbstract* submachine, Create&& create, bool clear_refused = false) {
    return create_subcommand(submachine, operation_, output_, subcommands_, std::forward<Create>(create),
                             clear_refused);
  }
  // A refusal is reported: "<function>(): subcommand creation failed" with the dumped context,
  // and an internal error unless the channel holds an error already.
  template <class Create>
  bool create_on(MMachAbstract* submachine, Create&& create) {
    if (add(submachine, std::forward<Create>(create))) return true;
    MPROXY_DUMP_AND_FAIL_UNLESS_FAILED(context_, output_, kMErrorInternal,
                                       "%s(): subcommand creation failed", function_);
    return false;
  }
  // The same on the active submachine; without one "probesystem not loaded", no message.
  template <class Create>
  bool create_on_active(Create&& create) {
    MMachAbstract* const active = active_submachine();
    return active != nullptr && create_on(active, std::forward<Create>(create));
  }
  // A sub-command that a scan needs: a refusal without an explanation is explained as an internal
  // error, the refused channel is left empty, and the context is dumped under "<function>():
  // <factory>() failed on <name>(<description>)" with no further code.
  template <class Create>
  bool create_explained(MMachAbstract* submachine, const char* factory, Create&& create) {
    const auto explained = [&create](MMachAbstract* target, MOutputChannel* channel) {
      auto* const command = create(target, channel);
      if (command == nullptr) mproxy_report::fail_unless_failed(channel, kMErrorInternal);
      return command;
    };
    if (add(submachine, explained, true)) return true;
    MERRDUMP(context_, "%s(): %s() failed on %s(%s)", function_, factory, mproxy_guard::name_of(submachine),
             mproxy_guard::description_of(submachine));
    return false;
  }
  // The sub-commands of a request divided by `split`, one of the proxy's split_*_to_subcommands
  // instances; its failure is reported as "<function>(): <splitter>() failed" (dumped, an
  // internal error unless the channel holds an error already).
  template <class Para>
  bool split(Split<Para> split, const Para& para, const char* splitter) {
    if ((proxy_->*split)(para, output_, subcommands_)) return true;
    MPROXY_DUMP_AND_FAIL_UNLESS_FAILED(context_, output_, kMErrorInternal, "%s(): %s() failed",
                                       function_, splitter);
    return false;
  }

  // Where a request may run: each check answers false (or null) after its report.

  // The owner of the loaded probe system; without one "probesystem not loaded", no message.
  MMachAbstract* active_submachine();
  // A scan moved by `mover` must run on the active submachine, which provides every scandata
  // axis; otherwise a log entry and "invalid axis".
  bool scans_on_active(MMachAbstract* mover);
  // Refuses a request whose axes belong to `count` submachines where one is needed: a log entry
  // and "invalid axis"; answers null for the factory to return.
  std::nullptr_t refuse_submachine_count(size_t count);

  // The proxy command over the sub-commands, which move into it (`Proxy` takes `args` after the
  // channel); the frame has none left.
  template <class Proxy, class... Args>
  Proxy* wrap(Args&&... args) {
    return new Proxy(proxy_, std::move(subcommands_), output_, std::forward<Args>(args)...);
  }

  MErrTraceContext& context() { return context_; }
  const char* function() const { return function_; }
  const MProxyCommand::SubcommandMap& subcommands() const { return subcommands_; }

 private:
  MErrTraceContext context_;
  MProxyMachAbstract* proxy_;
  MOutputChannel* output_;
  const char* function_;
  const char* operation_;  // the submachine factory: `function_` without its class
  MProxyCommand::SubcommandMap own_subcommands_;
  MProxyCommand::SubcommandMap& subcommands_;  // own_subcommands_ or a running command's
};
