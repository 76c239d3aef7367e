// The report of a plug-in check: one line per check, "PASS|FAIL|WARN|SKIP <group>.<check>:
// <what was seen>", written and flushed at once to every stream it was given (so that a crash
// loses nothing already found), and a summary line at the end. The streams are not owned.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

enum class MPluginCheckVerdict { kPass, kFail, kWarn, kSkip };

// The outcome of one check and what was seen (one line; line breaks become blanks).
struct MPluginCheckResult {
  MPluginCheckVerdict verdict = MPluginCheckVerdict::kPass;
  std::string seen;

  static MPluginCheckResult Pass(std::string seen) { return {MPluginCheckVerdict::kPass, std::move(seen)}; }
  static MPluginCheckResult Fail(std::string seen) { return {MPluginCheckVerdict::kFail, std::move(seen)}; }
  static MPluginCheckResult Warn(std::string seen) { return {MPluginCheckVerdict::kWarn, std::move(seen)}; }
  static MPluginCheckResult Skip(std::string seen) { return {MPluginCheckVerdict::kSkip, std::move(seen)}; }
};

class MPluginCheckReport {
 public:
  explicit MPluginCheckReport(std::ostream& out) : streams_{&out} {}

  // Writes every later line to `stream` as well.
  void AlsoTo(std::ostream& stream) { streams_.push_back(&stream); }
  // Writes and counts the line of check `check` ("tables.axes").
  void Add(const std::string& check, const MPluginCheckResult& result);
  // "summary: <n> checks, <n> PASS, <n> FAIL, <n> WARN, <n> SKIP"
  void Summary();
  bool Failed() const { return counts_[static_cast<size_t>(MPluginCheckVerdict::kFail)] != 0; }

  // The report line of a check, without line end.
  static std::string Line(const std::string& check, const MPluginCheckResult& result);
  // A line made by Line() read back into check and result; nothing for any other text.
  static std::optional<std::pair<std::string, MPluginCheckResult>> Parse(const std::string& line);

 private:
  void write(const std::string& line);

  std::vector<std::ostream*> streams_;
  size_t counts_[4] = {0, 0, 0, 0};
};
