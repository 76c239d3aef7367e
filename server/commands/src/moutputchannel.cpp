#include "moutputchannel.h"

#include <charconv>
#include <cmath>
#include <cstdarg>
#include <string_view>

#include "errlog.h"
#include "moutputchannel_texts.h"
#include "stl_utilities.h"
#include "trace.h"

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kEventPrefix = "0000\t";
constexpr std::string_view kCapabilitiesChangedLine = "0000\tevent \"capabilities changed\"\r\n";
constexpr std::string_view kMachineChangedLine = "0000\tevent \"machine changed\"\r\n";

constexpr int32_t kLastEvent = 96;
constexpr int32_t kOutsideTableBit = 97;

char* copy_text(char* out, std::string_view text) {
  for (char c : text) *out++ = c;
  return out;
}

char* write_decimal(char* out, uint32_t value) {
  char digits[10];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (count > 0) *out++ = digits[--count];
  return out;
}

// Writes one value of a data line, leading blank included, into `out` (at least 40 bytes) and
// answers the end. Values that print as integers or with six decimals at most are written by
// hand: this runs for every value of every scan point.
char* format_value(char* out, double value) {
  *out++ = ' ';
  if (std::isnan(value)) return copy_text(out, "nan");
  if (std::isinf(value)) return copy_text(out, value < 0 ? "-inf" : "inf");
  if (value == 0) {
    *out++ = '0';
    return out;
  }
  const double magnitude = std::fabs(value);
  if (value >= -2147483648.0 && value <= 2147483647.0 && magnitude >= 5e-7) {
    // Rounded half up in the sixth decimal; the digits come from the fraction by repeated
    // multiplication, so they are exactly what this arithmetic gives on every platform.
    if (value < 0) *out++ = '-';
    double integer = 0;
    double fraction = std::modf(magnitude + 5e-7, &integer);
    out = write_decimal(out, static_cast<uint32_t>(integer));
    if (fraction != 0) {
      char* const dot = out;
      char* end = dot;  // past the last non-zero digit, or the dot itself when there is none
      *out++ = '.';
      for (int i = 0; i < 6; ++i) {
        fraction *= 10;
        const int digit = static_cast<int>(fraction);
        fraction -= digit;
        *out++ = static_cast<char>('0' + digit);
        if (digit != 0) end = out;
      }
      out = end;
    }
    return out;
  }
  // Formatted as printf does in the C locale, whatever locale the process has set.
  char* const last = out + 38;
  if (magnitude < 1e11) {
    out = std::to_chars(out, last, value, std::chars_format::fixed, 6).ptr;
    while (out[-1] == '0') --out;
    if (out[-1] == '.') --out;
    return out;
  }
  return std::to_chars(out, last, value, std::chars_format::general, 17).ptr;
}

// The number as printf's "%.4d\t" writes it for the number taken as a signed int: a minus sign
// and at least four digits. Written by hand: a proxy creates a channel for every sub-command.
std::string line_prefix(uint32_t number) {
  const int32_t as_int = static_cast<int32_t>(number);
  const uint32_t magnitude = as_int < 0 ? 0u - number : number;
  char text[16];
  char* out = text;
  if (as_int < 0) *out++ = '-';
  for (uint32_t limit = 1000; magnitude < limit && limit > 1; limit /= 10) *out++ = '0';
  out = write_decimal(out, magnitude);
  *out++ = '\t';
  return std::string(text, out);
}

}  // namespace

MOutputChannel::MOutputChannel(uint32_t number) {
  output.reserve(1000);
  prefix = line_prefix(number);
}

MOutputChannel::~MOutputChannel() {
  flush_pending();
  if (!output.empty()) {
    MERRLOG("~MOutputChannel(): Not all entries cleared for %s!", prefix.c_str());
    MERRLOG("~MOutputChannel(): \"%s\"", output.c_str());
  }
}

void MOutputChannel::Append(const MOutputChannel& other) {
  output.append(other.output);
  has_error = has_error || other.has_error;
  marked = marked || other.marked;
  capabilities_pending = capabilities_pending || other.capabilities_pending;
  machine_changed_pending = machine_changed_pending || other.machine_changed_pending;
  event_bits[0] |= other.event_bits[0];
  event_bits[1] |= other.event_bits[1];
}

void MOutputChannel::MoveTo(MOutputChannel& target) {
  target.Append(*this);
  Clear();
}

void MOutputChannel::Error(uint32_t code) {
  has_error = true;
  output.append(prefix)
      .append(MOutputChannel_ErrorText(static_cast<int32_t>(code)))
      .append(kLineEnd);
}

void MOutputChannel::Error(const std::string& text) {
  has_error = true;
  output.append(prefix).append("error \"").append(text).append("\"\r\n");
}

void MOutputChannel::Warning(uint32_t code) {
  output.append(prefix)
      .append(MOutputChannel_WarningText(static_cast<int32_t>(code)))
      .append(kLineEnd);
}

void MOutputChannel::Warning(const std::string& text) {
  output.append(prefix).append("warning \"").append(text).append("\"\r\n");
}

void MOutputChannel::Data(const std::vector<double>& values) {
  output.append(prefix).append("data");
  char text[40];
  for (double value : values) output.append(text, format_value(text, value));
  output.append(kLineEnd);
}

void MOutputChannel::Data(const std::string& text) {
  output.append(prefix).append("data ").append(text).append(kLineEnd);
}

void MOutputChannel::Event(const std::string& text) {
  // Every table text has the form: event "<message>".
  int32_t code = kOutsideTableBit;
  for (int32_t candidate = 0; candidate <= kLastEvent; ++candidate) {
    const std::string_view known = MOutputChannel_EventText(candidate);
    if (known.size() == text.size() + 8 && known.substr(7, text.size()) == text) {
      code = candidate;
      break;
    }
  }
  set_event_bit(code);
  if (code == kMEventCapabilitiesChanged) {
    capabilities_pending = true;
  } else if (code == kMEventMachineChanged) {
    machine_changed_pending = true;
  } else {
    output.append(kEventPrefix).append("event \"").append(text).append("\"\r\n");
  }
}

void MOutputChannel::Event(int32_t code) {
  set_event_bit(code);
  if (code == kMEventCapabilitiesChanged) {
    capabilities_pending = true;
  } else if (code == kMEventMachineChanged) {
    machine_changed_pending = true;
  } else {
    output.append(kEventPrefix).append(MOutputChannel_EventText(code)).append(kLineEnd);
  }
}

void MOutputChannel::Clear() {
  output.clear();
  has_error = false;
  capabilities_pending = false;
  machine_changed_pending = false;
  event_bits[0] = 0;
  event_bits[1] = 0;
}

bool MOutputChannel::Take(std::string& out, bool with_pending) {
  if (with_pending) flush_pending();
  out.swap(output);  // the channel keeps the capacity of `out`
  output.clear();
  event_bits[0] = 0;
  event_bits[1] = 0;
  return !out.empty();
}

bool MOutputChannel::IsEmpty() const { return output.empty(); }

bool MOutputChannel::HasError() const { return has_error; }

void MOutputChannel::ClearError() { has_error = false; }

void MOutputChannel::SetMarked() { marked = true; }

bool MOutputChannel::IsMarked() const { return marked; }

bool MOutputChannel::HasEvent(uint32_t code) const {
  if (code > static_cast<uint32_t>(kLastEvent)) return false;
  return (event_bits[code / 64] >> (code % 64) & 1u) != 0;
}

bool MOutputChannel::HasAnyEvent() const { return (event_bits[0] | event_bits[1]) != 0; }

std::string& MOutputChannel::Peek(std::string& out) const {
  out = output;
  if (capabilities_pending) out.append(kCapabilitiesChangedLine);
  if (machine_changed_pending) out.append(kMachineChangedLine);
  return out;
}

// Read by hand, as line_prefix wrote it (a sign, then digits): every sub-command's channel is
// numbered after the server's.
int MOutputChannel::GetNumber() const {
  const bool negative = !prefix.empty() && prefix[0] == '-';
  uint32_t magnitude = 0;
  for (size_t i = negative ? 1 : 0; i < prefix.size() && prefix[i] >= '0' && prefix[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + static_cast<uint32_t>(prefix[i] - '0');
  }
  return static_cast<int>(negative ? 0u - magnitude : magnitude);
}

void MOutputChannel::ErrorFormat(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string text = stl_string_format_va(format, args);
  va_end(args);
  Error(text);
}

void MOutputChannel::flush_pending() {
  if (capabilities_pending) {
    output.append(kCapabilitiesChangedLine);
    capabilities_pending = false;
  }
  if (machine_changed_pending) {
    output.append(kMachineChangedLine);
    machine_changed_pending = false;
  }
}

void MOutputChannel::set_event_bit(int32_t code) {
  uint32_t bit = static_cast<uint32_t>(code);
  if (code < 0 || code > kLastEvent) {
    MTRACE(4, "set_event_bit(): unknown event: %d", code);
    bit = kOutsideTableBit;
  }
  event_bits[bit / 64] |= uint64_t{1} << (bit % 64);
}
