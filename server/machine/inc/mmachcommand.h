// The base of every machine command: an object that a machine's factory creates, the server
// polls with IsDone() until it answers true, and then deletes. The command writes into the
// output channel it was given; the channel belongs to the caller and outlives the command.
#pragma once

#include "moutputchannel.h"

class MMachCommand {
 public:
  explicit MMachCommand(MOutputChannel* output) : output(output) {}
  // Releases the command's own data; never the output channel.
  virtual ~MMachCommand();
  MMachCommand(const MMachCommand&) = delete;
  MMachCommand& operator=(const MMachCommand&) = delete;

  // One polling step: advances as far as possible without blocking and answers whether the
  // command is finished; a finished command answers true on every later call. A failed command
  // is a finished one whose channel holds an error.
  virtual bool IsDone() = 0;
  // Asks the command to stop; it must still be polled until IsDone() answers true.
  virtual void Abort() = 0;
  // The command's fixed text name ("move", "probesystem load").
  virtual const char* GetName() const = 0;

  MOutputChannel* output;  // not owned
};
