#include "mplugincheckreport.h"

#include <utility>

namespace {

constexpr const char* kVerdictWords[] = {"PASS", "FAIL", "WARN", "SKIP"};
constexpr size_t kMaxSeen = 400;  // a listing of what was seen stays readable on one line

// `text` on one line: control characters become blanks, an overlong text is cut with "...".
std::string one_line(const std::string& text) {
  std::string line = text.substr(0, kMaxSeen);
  for (char& c : line) {
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  }
  if (text.size() > kMaxSeen) line += "...";
  return line;
}

}  // namespace

void MPluginCheckReport::Add(const std::string& check, const MPluginCheckResult& result) {
  ++counts_[static_cast<size_t>(result.verdict)];
  write(Line(check, result));
}

void MPluginCheckReport::Summary() {
  size_t total = 0;
  for (size_t count : counts_) total += count;
  std::string line = std::string("summary: ") + std::to_string(total) + " checks";
  for (size_t i = 0; i < 4; ++i) {
    line += ", ";
    line += std::to_string(counts_[i]);
    line += ' ';
    line += kVerdictWords[i];
  }
  write(line);
}

std::string MPluginCheckReport::Line(const std::string& check, const MPluginCheckResult& result) {
  std::string line = kVerdictWords[static_cast<size_t>(result.verdict)];
  line += ' ';
  line += check;
  line += ": ";
  line += one_line(result.seen);
  return line;
}

std::optional<std::pair<std::string, MPluginCheckResult>> MPluginCheckReport::Parse(const std::string& line) {
  for (size_t i = 0; i < 4; ++i) {
    const std::string word = std::string(kVerdictWords[i]) + ' ';
    if (line.compare(0, word.size(), word) != 0) continue;
    const size_t colon = line.find(": ", word.size());
    if (colon == std::string::npos) return std::nullopt;
    MPluginCheckResult result{static_cast<MPluginCheckVerdict>(i), line.substr(colon + 2)};
    return std::make_pair(line.substr(word.size(), colon - word.size()), std::move(result));
  }
  return std::nullopt;
}

void MPluginCheckReport::write(const std::string& line) {
  for (std::ostream* stream : streams_) *stream << line << std::endl;
}
