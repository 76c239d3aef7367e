// The lifecycle group: Open, Close and deletion in the orders a server may use, and what the
// machine writes into its channel meanwhile.
#include <algorithm>
#include <string>
#include <vector>

#include "mplugincheckgroups.h"

namespace {

constexpr int kPolls = 10;  // machine polls between Open and Close, as a server makes them

MPluginCheckResult check_open(const MPluginCheckTarget& target) {
  MPluginCheckMachine machine(target);
  if (machine.Get() == nullptr) return MPluginCheckResult::Skip("no machine created (see exports.new-machine)");
  if (!machine->Open()) return MPluginCheckResult::Fail("Open answered false");
  machine->Close();
  return MPluginCheckResult::Pass("Open answered true, Close returned");
}

MPluginCheckResult check_reopen(const MPluginCheckTarget& target) {
  MPluginCheckMachine machine(target);
  if (auto skip = machine.OpenOrSkip()) return *skip;
  machine->Close();
  if (!machine->Open()) return MPluginCheckResult::Fail("Open after Close answered false");
  return MPluginCheckResult::Pass("Open, Close, Open: true both times");
}

MPluginCheckResult check_close_unopened(const MPluginCheckTarget& target) {
  MPluginCheckMachine machine(target);
  if (machine.Get() == nullptr) return MPluginCheckResult::Skip("no machine created (see exports.new-machine)");
  machine->Close();
  machine.Delete();
  return MPluginCheckResult::Pass("Close without Open and the deletion returned");
}

// A machine whose Open failed is deleted without Close. Tried with the configuration given,
// then with a configuration folder that does not exist.
MPluginCheckResult check_delete_after_failed_open(const MPluginCheckTarget& target) {
  MPluginCheckTarget missing = target;
  missing.configdir = target.configdir + "/orvexcheck-no-such-folder";
  const MPluginCheckTarget* attempts[] = {&target, &missing};
  for (const MPluginCheckTarget* attempt : attempts) {
    MPluginCheckMachine machine(*attempt);
    if (machine.Get() == nullptr || machine->Open()) continue;
    machine.Delete();  // without Close: it never opened
    return MPluginCheckResult::Pass(std::string("Open in \"") + attempt->configdir + "\" answered false; the machine was deleted");
  }
  return MPluginCheckResult::Skip("no Open failed, with the configuration given or without one");
}

// Outside commands the machine channel carries events and warnings: an error there makes the
// proxy abort every command it runs, and a code outside the tables is a text nobody can match.
MPluginCheckResult check_channel(const MPluginCheckTarget& target) {
  MPluginCheckMachine machine(target);
  if (auto skip = machine.OpenOrSkip()) return *skip;
  MOutputChannel& channel = machine.Channel();
  for (int poll = 0; poll < kPolls; ++poll) machine->Poll();
  machine.Delete();
  std::string text;
  channel.Peek(text);
  for (const char* unknown : {"unknown error number", "unknown warning number", "unknown event number"}) {
    const size_t at = text.find(unknown);
    if (at != std::string::npos) {
      return MPluginCheckResult::Fail(std::string("a code outside the tables: ") + text.substr(at, text.find('\r', at) - at));
    }
  }
  if (channel.HasError()) return MPluginCheckResult::Fail(std::string("an error while no command ran: ") + text);
  const size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
  return MPluginCheckResult::Pass(std::string("Open, ") + std::to_string(kPolls) + " polls, Close and deletion wrote " +
                                  std::to_string(lines) + " lines, no error");
}

}  // namespace

std::vector<MPluginCheckCase> MPluginCheck_LifecycleCases() {
  return {{"lifecycle.open", check_open},
          {"lifecycle.reopen", check_reopen},
          {"lifecycle.close-unopened", check_close_unopened},
          {"lifecycle.delete-after-failed-open", check_delete_after_failed_open},
          {"lifecycle.channel", check_channel}};
}
