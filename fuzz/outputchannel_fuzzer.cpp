// Output channel: whatever is written, every line has the channel's form (prefix, kind, text,
// CR LF), texts are kept verbatim, data values print as well-formed numbers close to the value,
// event texts and codes agree, and the deferred events come once each, at the end.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "mfuzzfile.h"
#include "moutputchannel.h"

namespace {

constexpr char kCapabilitiesLine[] = "0000\tevent \"capabilities changed\"\r\n";
constexpr char kMachineLine[] = "0000\tevent \"machine changed\"\r\n";

std::string taken(MOutputChannel& channel) {
  std::string text;
  channel.Take(text, false);
  return text;
}

bool is_one_line(const std::string& text) {
  return text.size() >= 2 && text.find_first_of("\r\n") == text.size() - 2 && text.substr(text.size() - 2) == "\r\n";
}

// `line` is one line "<head><kind> "<message>"" + CR LF; answers the message.
std::string quoted_message(const std::string& line, const std::string& head) {
  MFUZZ_CHECK(is_one_line(line), "not one line");
  MFUZZ_CHECK(line.compare(0, head.size() + 1, head + "\"") == 0, "wrong line head");
  MFUZZ_CHECK(line.compare(line.size() - 3, 3, "\"\r\n") == 0, "no closing quote");
  return line.substr(head.size() + 1, line.size() - head.size() - 4);
}

// One value of a data line: "nan", "inf", "-inf", a decimal number with at most six decimals and
// no trailing zero, or (from 1e11 on) 17 significant digits that read back exactly.
void check_value(const std::string& token, double value) {
  if (std::isnan(value) || std::isinf(value)) {
    MFUZZ_CHECK(token == (std::isnan(value) ? "nan" : value < 0 ? "-inf" : "inf"), "NaN or infinity");
    return;
  }
  MFUZZ_CHECK(!token.empty() && token.find_first_not_of("0123456789.-+e") == std::string::npos,
              "a value holds a foreign character");
  char* end = nullptr;
  const double parsed = std::strtod(token.c_str(), &end);
  MFUZZ_CHECK(end == token.c_str() + token.size(), "a value does not parse whole");
  const double magnitude = std::fabs(value);
  if (magnitude >= 1e11) {
    MFUZZ_CHECK(parsed == value, "a large value is not exact");
    return;
  }
  MFUZZ_CHECK(token.find('e') == std::string::npos, "a moderate value in exponent form");
  const size_t dot = token.find('.');
  if (dot != std::string::npos) {
    MFUZZ_CHECK(token.size() - dot - 1 <= 6, "more than six decimals");
    MFUZZ_CHECK(token.back() != '0' && token.back() != '.', "a trailing zero or dot");
  }
  if (value == 0) MFUZZ_CHECK(token == "0", "zero");
  if (token == "-0") MFUZZ_CHECK(value < 0 && magnitude < 1e-6, "a negative zero for a value not near 0");
  MFUZZ_CHECK(std::fabs(parsed - value) <= 6e-7 + magnitude * 1e-15, "a value prints too far from itself");
}

void check_data_line(const std::string& line, const std::string& prefix, const std::vector<double>& values) {
  MFUZZ_CHECK(is_one_line(line), "a data line is not one line");
  MFUZZ_CHECK(line.compare(0, prefix.size() + 4, prefix + "data") == 0, "a data line's head");
  const std::string body = line.substr(prefix.size() + 4, line.size() - prefix.size() - 6);
  size_t at = 0;
  for (double value : values) {
    MFUZZ_CHECK(at < body.size() && body[at] == ' ', "a value without its blank");
    const size_t next = body.find(' ', at + 1);
    check_value(body.substr(at + 1, next == std::string::npos ? std::string::npos : next - at - 1), value);
    at = next == std::string::npos ? body.size() : next;
  }
  MFUZZ_CHECK(at == body.size(), "more values than given");
}

// The line of a text: `head`, the text verbatim in quotes, CR LF; one line unless the text
// holds a line end itself.
void check_text_line(const std::string& line, const std::string& head, const std::string& text) {
  MFUZZ_CHECK(line == head + "\"" + text + "\"\r\n", "a text line is not the text verbatim");
  if (text.find_first_of("\r\n") == std::string::npos) MFUZZ_CHECK(is_one_line(line), "a text line is not one line");
}

// Raises the event `code` on a fresh channel, then its text on another: both name the same bit.
void check_event_code(int32_t code) {
  MOutputChannel by_code(0);
  by_code.Event(code);
  std::string text;
  by_code.Take(text, true);
  const std::string message = quoted_message(text, "0000\tevent ");
  if (code < 0 || code > 96) {
    MFUZZ_CHECK(message == "unknown event number " + std::to_string(code), "an unknown event's text");
    return;
  }
  MOutputChannel by_text(0);
  by_text.Event(message);
  MFUZZ_CHECK(by_text.HasEvent(static_cast<uint32_t>(code)), "an event text does not name its code");
  by_text.Take(text, true);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const uint32_t number = input.ConsumeIntegral<uint32_t>();
  MOutputChannel channel(number);
  MFUZZ_CHECK(channel.GetNumber() == static_cast<int32_t>(number), "the number does not read back");
  char prefix_text[16];
  std::snprintf(prefix_text, sizeof prefix_text, "%.4d\t", static_cast<int>(number));
  const std::string prefix = prefix_text;
  bool capabilities = false, machine = false;
  while (input.remaining_bytes() > 0) {
    switch (input.ConsumeIntegralInRange(0, 5)) {
      case 0: {
        const std::string text = input.ConsumeRandomLengthString(300);
        channel.Event(text);
        const bool deferred = text == "capabilities changed" || text == "machine changed";
        capabilities |= text == "capabilities changed";
        machine |= text == "machine changed";
        MFUZZ_CHECK(channel.HasAnyEvent(), "an event left no bit");
        const std::string line = taken(channel);
        if (deferred) {
          MFUZZ_CHECK(line.empty(), "a deferred event was written at once");
        } else {
          check_text_line(line, "0000\tevent ", text);
        }
        break;
      }
      case 1: {
        const int32_t code =
            input.ConsumeBool() ? input.ConsumeIntegralInRange<int32_t>(-2, 99) : input.ConsumeIntegral<int32_t>();
        channel.Event(code);
        capabilities |= code == 1;
        machine |= code == 8;
        MFUZZ_CHECK(channel.HasEvent(static_cast<uint32_t>(code)) == (code >= 0 && code <= 96), "an event's bit");
        const std::string text = taken(channel);
        if (code != 1 && code != 8) MFUZZ_CHECK(is_one_line(text), "an event code gives one line");
        check_event_code(code);
        break;
      }
      case 2: {
        std::vector<double> values(input.ConsumeIntegralInRange<size_t>(0, 8));
        for (double& value : values) {
          const uint64_t bits = input.ConsumeIntegral<uint64_t>();
          std::memcpy(&value, &bits, sizeof value);
        }
        channel.Data(values);
        check_data_line(taken(channel), prefix, values);
        break;
      }
      case 3: {
        const std::string text = input.ConsumeRandomLengthString(300);
        const int kind = input.ConsumeIntegralInRange(0, 2);
        if (kind == 0) channel.Error(text);
        if (kind == 1) channel.Warning(text);
        if (kind == 2) channel.Data(text);
        MFUZZ_CHECK(channel.HasError() == (kind == 0), "only errors set the error flag");
        channel.ClearError();
        const std::string line = taken(channel);
        if (kind == 2) {
          MFUZZ_CHECK(line == prefix + "data " + text + "\r\n", "a data text is not verbatim");
        } else {
          check_text_line(line, prefix + (kind == 0 ? "error " : "warning "), text);
        }
        break;
      }
      case 4: {
        const uint32_t code = input.ConsumeIntegral<uint32_t>();
        const bool error = input.ConsumeBool();
        if (error) {
          channel.Error(code);
        } else {
          channel.Warning(code);
        }
        channel.ClearError();
        quoted_message(taken(channel), prefix + (error ? "error " : "warning "));
        break;
      }
      default: {
        std::string peeked;
        channel.Peek(peeked);
        const std::string deferred =
            std::string(capabilities ? kCapabilitiesLine : "") + std::string(machine ? kMachineLine : "");
        MFUZZ_CHECK(peeked == deferred, "Peek shows other than the deferred events");
        break;
      }
    }
  }
  std::string rest;
  channel.Take(rest, true);
  MFUZZ_CHECK(rest == std::string(capabilities ? kCapabilitiesLine : "") + std::string(machine ? kMachineLine : ""),
              "the deferred events are not written once each, in order");
  return 0;
}
