// MOutputChannel: the text channel through which a machine or a machine command reports data,
// errors, warnings and events to the server, one CR LF terminated line each, plus flags and event
// bits that can be queried without parsing the text. The creator owns a channel; a channel is used
// from one thread at a time. The order of the virtual operations is binary interface.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "moutputchannel_codes.h"
#include "mprintfformat.h"

class MOutputChannel {
 public:
  // The line prefix is `number` with at least four digits, zero-padded, then a TAB ("0007\t").
  explicit MOutputChannel(uint32_t number);
  // Writes pending events first; text still left then goes to the error log (two entries).
  virtual ~MOutputChannel();
  MOutputChannel(const MOutputChannel&) = delete;
  MOutputChannel& operator=(const MOutputChannel&) = delete;

  // Appends `other`'s text and ORs its four flags and its event bits into this channel;
  // `other` is unchanged.
  virtual void Append(const MOutputChannel& other);
  // `target.Append(*this)`, then `Clear()`.
  virtual void MoveTo(MOutputChannel& target);
  // Both error operations set the error flag. Codes outside the tables write
  // "unknown error number <code>" (and likewise for warnings).
  virtual void Error(uint32_t code);
  virtual void Error(const std::string& text);
  virtual void Warning(uint32_t code);
  virtual void Warning(const std::string& text);
  // "data" followed by every value, each with a leading blank.
  virtual void Data(const std::vector<double>& values);
  virtual void Data(const std::string& text);
  // Event lines always carry the prefix "0000". kMEventCapabilitiesChanged and
  // kMEventMachineChanged are deferred: each is written once, after all other text, by
  // Take with pending, Peek or destruction. A text outside the event table sets bit 97.
  virtual void Event(const std::string& text);
  virtual void Event(int32_t code);
  // Empties the text and clears the error flag, the pending events and the event bits
  // (the mark stays).
  virtual void Clear();
  // Moves the text into `out` (replacing it) and clears the event bits; with `with_pending` the
  // deferred event lines are written first. Answers whether `out` is non-empty. The error flag,
  // the mark and (without `with_pending`) the pending events stay.
  virtual bool Take(std::string& out, bool with_pending);
  virtual bool IsEmpty() const;
  virtual bool HasError() const;
  virtual void ClearError();
  // The mark is only stored for the server.
  virtual void SetMarked();
  virtual bool IsMarked() const;
  // False for codes above 96 (bit 97, "event outside the table", is seen by HasAnyEvent only).
  virtual bool HasEvent(uint32_t code) const;
  virtual bool HasAnyEvent() const;
  // `out` receives the text followed by the deferred event lines; the channel is unchanged.
  virtual std::string& Peek(std::string& out) const;

  // The channel number read back from the prefix.
  int GetNumber() const;
  // Error(text) with a printf-formatted text.
  void ErrorFormat(const char* format, ...) M_PRINTF_FORMAT(2, 3);
  // Writes the deferred lines of the two "changed" events (capabilities first) and clears their flags.
  void flush_pending();
  // Codes 0 to 96 set their own bit; any other code is traced and sets bit 97.
  void set_event_bit(int32_t code);

 private:
  std::string output;
  std::string prefix;
  bool has_error = false;
  bool marked = false;
  bool capabilities_pending = false;
  bool machine_changed_pending = false;
  uint64_t event_bits[2] = {0, 0};
};
