#include "mhostsession.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "mhostcommands.h"
#include "mhostline.h"
#include "mhosttimeline.h"
#include "mmachabstract.h"
#include "mmachcommand.h"
#include "moutputchannel.h"

MHostSession::MHostSession(MMachAbstract& machine, std::string name, MOutputChannel& machine_channel,
                           std::vector<MHostSubmachine> submachines, std::vector<std::string> aliases,
                           std::ostream& out)
    : machine_(machine),
      name_(std::move(name)),
      machine_channel_(machine_channel),
      submachines_(std::move(submachines)),
      aliases_(std::move(aliases)),
      out_(out) {}

bool MHostSession::Run(const std::string& text, std::string& error) {
  std::vector<std::string> words;
  if (!MHostLine_Split(text, words, error)) return false;
  if (words.empty() || words[0][0] == '#') return true;
  line_ = text;
  uint32_t abort_after = 0;
  if (words[0] == "abort") {
    // "abort POLLS COMMAND...": the command is aborted after that many polls.
    const std::optional<uint64_t> polls =
        words.size() > 2 ? MHostLine_ToUnsigned(words[1], UINT32_MAX) : std::nullopt;
    if (!polls || *polls == 0) {
      error = "abort needs a poll count of at least 1 and a command";
      return false;
    }
    abort_after = static_cast<uint32_t>(*polls);
    words.erase(words.begin(), words.begin() + 2);
  }
  const MHostCommand* command = MHostCommands_Find(words);
  if (command == nullptr || command->run == nullptr) {
    error = "unknown command " + MHostSession_Quote(words[0]);
    return false;
  }
  if (abort_after != 0 && command->class_name.empty()) {
    error = "only a machine command can be aborted";
    return false;
  }
  const size_t own_words = static_cast<size_t>(std::count(command->words.begin(), command->words.end(), ' ')) + 1;
  MHostLine line(std::vector<std::string>(words.begin() + static_cast<std::ptrdiff_t>(own_words), words.end()));
  abort_after_ = abort_after;
  command->run(*this, line);
  abort_after_ = 0;
  if (!line.Ok()) {
    error = line.Error();
    return false;
  }
  FlushMachineChannel();
  return true;
}

void MHostSession::FlushMachineChannel() { Flush(machine_channel_); }

void MHostSession::Flush(MOutputChannel& channel) {
  std::string text;
  if (!channel.Take(text, true)) return;
  // Channel lines end with CR LF; the transcript ends each line the platform's way.
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    size_t stop = end;
    if (stop > start && text[stop - 1] == '\r') --stop;
    if (timeline_ != nullptr) record_channel_line(text.substr(start, stop - start));
    out_.write(text.data() + start, static_cast<std::streamsize>(stop - start));
    out_ << '\n';
    start = end + 1;
  }
  out_.flush();
}

void MHostSession::Result(const std::string& text) { out_ << "= " << text << '\n'; }

void MHostSession::Drive(std::unique_ptr<MMachCommand> command, MOutputChannel& channel,
                         const MHostCommandHooks& hooks) {
  const uint32_t abort_after = std::exchange(abort_after_, 0);
  Flush(channel);
  FlushMachineChannel();
  if (!command) {
    if (timeline_ != nullptr) timeline_->Instant(track_, "refused", {MHostTimelineArg::Text("line", line_)});
    Result("refused");
    return;
  }
  const std::string name = timeline_ != nullptr ? command->GetName() : "";
  uint32_t polls = 0;
  uint32_t aborted_at = 0;
  bool done = false;
  while (!done) {
    done = command->IsDone();
    ++polls;
    Flush(channel);
    std::vector<double> values;
    while (hooks.data && hooks.data(values)) {
      std::string text = "data";
      for (double value : values) text.append(" ").append(MHostSession_Number(value));
      Result(text);
      if (timeline_ != nullptr) timeline_->Counter(track_, "values", static_cast<int64_t>(values.size()));
      values.clear();
    }
    if (done) break;
    if (aborted_at == 0 && (polls == abort_after || polls == max_polls_)) {
      aborted_at = polls;
      command->Abort();
      Result("abort after " + std::to_string(polls) + (polls == 1 ? " poll" : " polls"));
      Flush(channel);
    } else if (aborted_at != 0 && polls - aborted_at >= max_polls_) {
      command.reset();
      Flush(channel);
      record_command(name, "deleted", polls, channel);
      Result("still running " + std::to_string(max_polls_) + " polls after the abort; deleted");
      return;
    }
    machine_.Poll();
    FlushMachineChannel();
  }
  const bool failed = channel.HasError();
  if (done && !failed && hooks.finish) hooks.finish();
  command.reset();
  Flush(channel);
  record_command(name, aborted_at != 0 ? "abort" : failed ? "error" : "done", polls, channel);
  Result(std::string(failed ? "failed" : "done") + " after " + std::to_string(polls) +
         (polls == 1 ? " poll" : " polls"));
}

void MHostSession::CommandStarts() {
  if (timeline_ != nullptr) command_start_ = timeline_->Now();
}

void MHostSession::record_command(const std::string& name, const char* outcome, uint32_t polls,
                                  const MOutputChannel& channel) {
  if (timeline_ == nullptr) return;
  timeline_->Span(track_, name, command_start_, timeline_->Now(),
                  {MHostTimelineArg::Text("line", line_), MHostTimelineArg::Text("outcome", outcome),
                   MHostTimelineArg::Number("polls", polls), MHostTimelineArg::Number("channel", channel.GetNumber())});
}

void MHostSession::record_channel_line(const std::string& line) {
  const size_t tab = line.find('\t');
  if (tab == std::string::npos) return;
  const std::string kind = line.substr(tab + 1, line.find(' ', tab) - tab - 1);
  if (kind == "error" || kind == "event") timeline_->Instant(track_, kind, {MHostTimelineArg::Text("text", line)});
}

std::string MHostSession_Number(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  char text[40];
  std::snprintf(text, sizeof text, "%.15g", value);
  return text;
}

std::string MHostSession_Hex(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
  return text;
}

std::string MHostSession_Quote(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    switch (c) {
      case '"': quoted += "\\\""; break;
      case '\\': quoted += "\\\\"; break;
      case '\n': quoted += "\\n"; break;
      case '\r': quoted += "\\r"; break;
      case '\t': quoted += "\\t"; break;
      default: quoted += c;
    }
  }
  return quoted + "\"";
}
