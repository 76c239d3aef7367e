// Creation of one sub-command on a submachine, shared by every factory of the proxy machine:
// the sub-command gets a fresh output channel carrying the number of the server's channel.
#pragma once

#include <cstdint>
#include <memory>

#include "mmachabstract.h"
#include "mproxycommand.h"
#include "mproxyguard.h"

// Calls `factory(submachine, channel)` through the exception guard (a throw is a refusal, logged
// under `operation`, the submachine factory's name) with a new channel numbered like `output`. A created
// command goes into `subcommands` under `submachine`, owning the channel. A refusal (null) appends
// the channel's text (the submachine's explanation) to `output`, clears the channel first when
// `clear_refused` is set (otherwise its destructor reports the text left in it), deletes it and
// answers false.
template <class Factory>
bool create_subcommand(MMachAbstract* submachine, const char* operation, MOutputChannel* output,
                       MProxyCommand::SubcommandMap& subcommands, Factory&& factory,
                       bool clear_refused = false) {
  auto channel = std::make_unique<MOutputChannel>(static_cast<uint32_t>(output->GetNumber()));
  MMachCommand* const command = mproxy_guard::call(
      submachine, operation, [&]() -> MMachCommand* { return factory(submachine, channel.get()); });
  if (command == nullptr) {
    output->Append(*channel);
    if (clear_refused) channel->Clear();
    return false;
  }
  channel.release();  // the Subcommand deletes it after the command
  subcommands[submachine] = std::make_shared<MProxyCommand::Subcommand>(command);
  return true;
}
