// A session of the host: runs session lines against the machine the way the server does.
// Each command is created with a channel of its own (numbered 1, 2, ... in session order),
// polled until done with Poll() of the machine between polls, and deleted; every channel line is
// printed as it arrives, scan values as the command hands them out. The machine's own channel
// (number 0) is printed after every step. The session owns nothing it is given.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

class MHostTimeline;
class MMachAbstract;
class MMachCommand;
class MOutputChannel;

// A submachine as the host created it.
struct MHostSubmachine {
  std::string name;        // its machine name in the host configuration
  MMachAbstract* machine;  // owned by the host
};

// What the session asks of a running command besides IsDone().
struct MHostCommandHooks {
  std::function<bool(std::vector<double>&)> data;  // scan values; empty for other commands
  std::function<void()> finish;                    // prints what a finished command holds
};

class MHostSession {
 public:
  // `machine` is the proxy called `name`; `aliases` are its component prefixes as its
  // configuration gives them (empty: none).
  MHostSession(MMachAbstract& machine, std::string name, MOutputChannel& machine_channel,
               std::vector<MHostSubmachine> submachines, std::vector<std::string> aliases, std::ostream& out);

  // Commands still running after this many polls are aborted.
  void SetMaxPolls(uint32_t polls) { max_polls_ = polls; }
  // Records every machine command (a span with its session line, outcome and polls), every
  // error and event line of a channel and every scan-data delivery on `track` of `timeline`.
  // The timeline is not owned and must outlive the session.
  void RecordOn(MHostTimeline& timeline, int track) {
    timeline_ = &timeline;
    track_ = track;
  }

  // Runs one line (comments and blank lines do nothing). False on bad input, with the reason in
  // `error`; nothing was asked of the machine then.
  bool Run(const std::string& line, std::string& error);

  // Prints and empties the machine's channel.
  void FlushMachineChannel();
  // Prints and empties `channel`, one line per channel line.
  void Flush(MOutputChannel& channel);
  // "= " and `text`: one result line.
  void Result(const std::string& text);

  // The number of the next command's channel.
  uint32_t NextChannel() { return next_channel_++; }
  // A machine command is about to be created: its span on the timeline begins here.
  void CommandStarts();
  // Polls `command` (null: refused by its factory) until done, with Poll() of the machine between
  // polls, prints its output and results, and deletes it.
  void Drive(std::unique_ptr<MMachCommand> command, MOutputChannel& channel, const MHostCommandHooks& hooks);
  // Aborts the next command after `polls` polls.
  void AbortNextAfter(uint32_t polls) { abort_after_ = polls; }

  // Prints the merged tables with the submachine entries that each proxy name stands for.
  void Describe();

  // "quit": the session ends after the current line.
  void Quit() { quit_ = true; }
  bool QuitRequested() const { return quit_; }

  MMachAbstract& Machine() { return machine_; }
  const std::vector<MHostSubmachine>& Submachines() const { return submachines_; }

 private:
  // The span of the command that Drive ran, from CommandStarts() to now.
  void record_command(const std::string& name, const char* outcome, uint32_t polls, const MOutputChannel& channel);
  // An instant event for an "error" or "event" line of a channel.
  void record_channel_line(const std::string& line);

  MMachAbstract& machine_;
  std::string name_;
  MOutputChannel& machine_channel_;
  std::vector<MHostSubmachine> submachines_;
  std::vector<std::string> aliases_;
  std::ostream& out_;
  uint32_t next_channel_ = 1;
  uint32_t abort_after_ = 0;  // for the command that runs next; 0: none
  uint32_t max_polls_ = 100000;
  bool quit_ = false;
  MHostTimeline* timeline_ = nullptr;  // null: no timeline
  int track_ = 0;
  std::string line_;            // the line being run
  int64_t command_start_ = 0;  // on the timeline
};

// The number as host lines print it: up to 15 significant digits, "nan", "inf", "-inf".
std::string MHostSession_Number(double value);
// "0x" and the value in lower-case hex digits.
std::string MHostSession_Hex(uint64_t value);
// `text` in double quotes with \" \\ \n \r \t escaped, so that it stays on one line.
std::string MHostSession_Quote(const std::string& text);
