#include "mproxycommand.h"

#include <string>
#include <utility>

#include "mproxyguard.h"
#include "mproxymachabstract.h"

MProxyCommand::Subcommand::~Subcommand() {
  if (command == nullptr) return;
  MOutputChannel* const channel = command->output;
  delete command;
  delete channel;
  command = nullptr;
}

MProxyCommand::MProxyCommand(MProxyMachAbstract* machine, SubcommandMap subcommands, MOutputChannel* output)
    : subcommands(std::move(subcommands)), machine(machine), output(output) {}

MProxyCommand::~MProxyCommand() = default;

void MProxyCommand::handle_finished_subcommand(MMachAbstract*, MMachCommand*) {}

bool MProxyCommand::IsDone() {
  bool result = true;
  for (const auto& [submachine, record] : subcommands) {
    MMachCommand* const command = record->command;
    MOutputChannel* const channel = command->output;

    if (!aborted) {
      if (machine->GetOutputChannel()->HasError()) {
        Abort();
      } else if (channel->HasError()) {
        for (const auto& [other, other_record] : subcommands) {
          if (other != submachine) mproxy_guard::abort(other, other_record->command);
        }
      }
    }
    if (record->finished) continue;

    const bool done = mproxy_guard::poll(submachine, command);
    if (channel->HasEvent(kMEventCapabilitiesChanged)) {
      machine->UpdateCapabilities(submachine, nullptr, nullptr);
    }
    output->Append(*channel);
    channel->Take(discarded_text, true);

    if (done) {
      handle_finished_subcommand(submachine, command);
      record->finished = true;
    } else {
      result = false;
    }
  }
  return result;
}

void MProxyCommand::drop_subcommands() {
  for (const auto& entry : subcommands) entry.second->finished = false;
  subcommands.clear();
}

void MProxyCommand::Abort() {
  if (aborted) return;
  for (const auto& [submachine, record] : subcommands) mproxy_guard::abort(submachine, record->command);
  aborted = true;
}
