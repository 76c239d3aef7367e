#include "mhostline.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace {

std::vector<std::string> split_list(const std::string& text) {
  std::vector<std::string> items;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t comma = text.find(',', start);
    const size_t end = comma == std::string::npos ? text.size() : comma;
    if (end > start) items.push_back(text.substr(start, end - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return items;
}

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

bool MHostLine_Split(const std::string& text, std::vector<std::string>& words, std::string& error) {
  words.clear();
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == ' ' || text[i] == '\t') {
      ++i;
      continue;
    }
    std::string word;
    bool in_quotes = false;
    for (; i < text.size() && (in_quotes || (text[i] != ' ' && text[i] != '\t')); ++i) {
      const char c = text[i];
      if (c == '"') {
        in_quotes = !in_quotes;
      } else if (c == '\\' && in_quotes) {
        if (++i == text.size()) break;
        switch (text[i]) {
          case '"': word += '"'; break;
          case '\\': word += '\\'; break;
          case 'n': word += '\n'; break;
          case 'r': word += '\r'; break;
          case 't': word += '\t'; break;
          default:
            error = std::string("unknown escape \\") + text[i];
            return false;
        }
      } else {
        word += c;
      }
    }
    if (in_quotes) {
      error = "unterminated quote";
      return false;
    }
    words.push_back(std::move(word));
  }
  return true;
}

std::optional<double> MHostLine_ToDouble(const std::string& text) {
  double value = 0.0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  // "nan" and "inf" are no positions or parameters a machine could take.
  if (text.empty() || error != std::errc() || stop != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::string MHostLine_Printable(const std::string& text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string printable;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 && c != '\t') || byte == 0x7f) {
      printable.append("\\x").append(1, kHex[byte >> 4]).append(1, kHex[byte & 0xf]);
    } else {
      printable.push_back(c);
    }
  }
  return printable;
}

std::optional<uint64_t> MHostLine_ToUnsigned(const std::string& text, uint64_t max) {
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const char* begin = text.data() + (hex ? 2 : 0);
  const char* end = text.data() + text.size();
  uint64_t value = 0;
  const auto [stop, error] = std::from_chars(begin, end, value, hex ? 16 : 10);
  if (begin == end || error != std::errc() || stop != end || value > max) return std::nullopt;
  return value;
}

MHostLine::MHostLine(const std::vector<std::string>& words) {
  for (const std::string& word : words) {
    if (word.size() > 2 && word.compare(0, 2, "--") == 0) {
      const size_t equals = word.find('=');
      const std::string name = word.substr(2, equals == std::string::npos ? equals : equals - 2);
      if (options_.count(name) != 0) Fail("option --" + name + " given twice");
      options_[name] = equals == std::string::npos ? "" : word.substr(equals + 1);
    } else {
      words_.push_back(word);
    }
  }
}

void MHostLine::Fail(const std::string& message) {
  if (error_.empty()) error_ = message;
}

bool MHostLine::Finish() {
  if (!options_.empty()) Fail("unknown option --" + options_.begin()->first);
  if (HasMore()) Fail("unexpected argument " + quoted(words_[next_]));
  return Ok();
}

std::string MHostLine::Word(const char* what) {
  if (!HasMore()) {
    Fail(std::string("missing ") + what);
    return {};
  }
  return words_[next_++];
}

std::vector<std::string> MHostLine::Rest(const char* what) {
  if (!HasMore() && what != nullptr) Fail(std::string("missing ") + what);
  std::vector<std::string> rest(words_.begin() + static_cast<std::ptrdiff_t>(next_), words_.end());
  next_ = words_.size();
  return rest;
}

double MHostLine::Number(const char* what) {
  const std::string word = Word(what);
  return Ok() ? ToNumber(word, what) : 0.0;
}

uint32_t MHostLine::U32(const char* what) {
  const std::string word = Word(what);
  return Ok() ? static_cast<uint32_t>(ToUnsigned(word, UINT32_MAX, what)) : 0;
}

uint64_t MHostLine::U64(const char* what) {
  const std::string word = Word(what);
  return Ok() ? ToUnsigned(word, UINT64_MAX, what) : 0;
}

std::optional<std::string> MHostLine::Option(const char* name) {
  const auto found = options_.find(name);
  if (found == options_.end()) return std::nullopt;
  std::string value = found->second;
  options_.erase(found);
  return value;
}

bool MHostLine::Flag(const char* name) {
  const std::optional<std::string> value = Option(name);
  if (value && !value->empty()) Fail(std::string("option --") + name + " takes no value");
  return value.has_value();
}

std::vector<std::string> MHostLine::Names(const char* name) {
  const std::optional<std::string> value = Option(name);
  return value ? split_list(*value) : std::vector<std::string>();
}

std::array<double, 3> MHostLine::Triple(const char* name, const std::array<double, 3>& fallback) {
  const std::optional<std::string> value = Option(name);
  if (!value) return fallback;
  const std::vector<std::string> items = split_list(*value);
  const std::string what = std::string("--") + name;
  if (items.size() != 3) {
    Fail(what + " needs three numbers: " + quoted(*value));
    return fallback;
  }
  std::array<double, 3> numbers{};
  for (size_t i = 0; i < 3; ++i) numbers[i] = ToNumber(items[i], what.c_str());
  return numbers;
}

MMachPositionMap MHostLine::Targets(const std::vector<std::string>& words) {
  MMachPositionMap targets;
  for (const auto& [name, value] : Values(words)) targets[name] = MMachAxisTarget{value, true};
  return targets;
}

std::map<std::string, double> MHostLine::Values(const std::vector<std::string>& words) {
  std::map<std::string, double> values;
  for (const std::string& word : words) {
    const size_t equals = word.find('=');
    if (equals == std::string::npos || equals == 0) {
      Fail("expected name=value, got " + quoted(word));
      break;
    }
    const std::string name = word.substr(0, equals);
    const double value = ToNumber(word.substr(equals + 1), name.c_str());
    if (!values.emplace(name, value).second) Fail(quoted(name) + " given twice");
  }
  return values;
}

MMachMovementPara MHostLine::Movement() {
  MMachMovementPara movement;
  movement.positions = Targets(Rest());
  for (const std::string& axis : Names("track")) movement.tracking.insert(axis);
  if (const std::optional<std::string> xyz = Option("xyz")) {
    const std::vector<std::string> axes = split_list(*xyz);
    if (axes.size() == 3) {
      movement.xaxis = axes[0];
      movement.yaxis = axes[1];
      movement.zaxis = axes[2];
    } else {
      Fail("--xyz needs three axis names: " + quoted(*xyz));
    }
  }
  movement.flag = Flag("flag");
  return movement;
}

double MHostLine::ToNumber(const std::string& text, const char* what) {
  const std::optional<double> value = MHostLine_ToDouble(text);
  if (!value) Fail(std::string("bad number for ") + what + ": " + quoted(text));
  return value.value_or(0.0);
}

uint64_t MHostLine::ToUnsigned(const std::string& text, uint64_t max, const char* what) {
  const std::optional<uint64_t> value = MHostLine_ToUnsigned(text, max);
  if (!value) Fail(std::string("bad number for ") + what + ": " + quoted(text));
  return value.value_or(0);
}
