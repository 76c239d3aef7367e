// MProxyCommand: the common base of every command that the proxy machine hands to the server.
// It owns the sub-commands created on the submachines (each with its own output channel), polls
// them, forwards their output into the server's channel, aborts the others when one fails, and lets
// the proxy re-read a submachine's capabilities when the submachine announces a change.
// A concrete proxy command derives first from MProxyCommand and second from its MMach<Name>Command.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "mmachabstract.h"
#include "moutputchannel.h"

class MProxyMachAbstract;

class MProxyCommand {
 public:
  // One sub-command with the output channel the proxy created for it; both are owned and
  // destroyed together (the command first). Always held through std::shared_ptr.
  struct Subcommand {
    explicit Subcommand(MMachCommand* subcommand) : command(subcommand) {}
    ~Subcommand();
    Subcommand(const Subcommand&) = delete;
    Subcommand& operator=(const Subcommand&) = delete;

    MMachCommand* command;
    bool finished = false;  // has reported done to its proxy command
  };
  // Ordered by the submachine object's address.
  using SubcommandMap = std::map<MMachAbstract*, std::shared_ptr<Subcommand>>;

  // Takes over `subcommands` (a factory hands its map over, leaving the command sole owner).
  // `machine` and `output` are not owned and must outlive the command.
  MProxyCommand(MProxyMachAbstract* machine, SubcommandMap subcommands, MOutputChannel* output);
  MProxyCommand(const MProxyCommand&) = delete;
  MProxyCommand& operator=(const MProxyCommand&) = delete;

  // Called once per sub-command, in the pass in which it first reports done.
  virtual void handle_finished_subcommand(MMachAbstract* submachine, MMachCommand* subcommand);
  virtual ~MProxyCommand();
  // One polling pass over the sub-commands in map order; true when every one has reported done.
  virtual bool IsDone();
  // Aborts every sub-command, once.
  virtual void Abort();

 protected:
  // Forgets every sub-command (destroying those that no other map holds), so that sub-commands
  // added later are polled afresh.
  void drop_subcommands();

  bool aborted = false;
  SubcommandMap subcommands;
  MProxyMachAbstract* machine;  // not owned
  MOutputChannel* output;       // not owned; the same channel as the MMach<Name>Command part's

 private:
  std::string discarded_text;  // a sub-command's forwarded text, taken out; its storage is reused
};
