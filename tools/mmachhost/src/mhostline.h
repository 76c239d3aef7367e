// One session line taken apart. Words are separated by blanks; a word in double quotes may hold
// blanks and the escapes \" \\ \n \r \t. A word "--name=value" (or "--name") is an option.
// Reading follows a sticky-error pattern: the first problem is kept, later reads answer
// neutral values, and the caller checks Finish() before it touches the machine.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "mmachaxisrecords.h"
#include "mmachparameterrecords.h"

// Splits `text` into words; false with a reason in `error` on an unterminated quote or an
// unknown escape.
bool MHostLine_Split(const std::string& text, std::vector<std::string>& words, std::string& error);

// Whole-word number conversions, independent of the locale. Unsigned numbers may be written in
// hex ("0x10").
std::optional<double> MHostLine_ToDouble(const std::string& text);
std::optional<uint64_t> MHostLine_ToUnsigned(const std::string& text, uint64_t max);
// `text` with its control bytes (other than tab) written "\xNN", for echoing a line.
std::string MHostLine_Printable(const std::string& text);

class MHostLine {
 public:
  // `words` without the command's own words.
  explicit MHostLine(const std::vector<std::string>& words);

  bool Ok() const { return error_.empty(); }
  const std::string& Error() const { return error_; }
  // Records `message` unless an earlier problem is recorded.
  void Fail(const std::string& message);
  // Fails on a word or an option that no read has taken; answers Ok().
  bool Finish();

  bool HasMore() const { return next_ < words_.size(); }
  // The next word; "missing <what>" when there is none.
  std::string Word(const char* what);
  // Every word not yet taken (none is an error when `what` is given: "missing <what>").
  std::vector<std::string> Rest(const char* what = nullptr);
  double Number(const char* what);
  uint32_t U32(const char* what);
  uint64_t U64(const char* what);

  // The option's value (empty for "--name"), or none.
  std::optional<std::string> Option(const char* name);
  bool Flag(const char* name);
  // "--name=a,b" as its comma-separated names; none when the option is absent.
  std::vector<std::string> Names(const char* name);
  // "--name=a,b,c" as three numbers; `fallback` when the option is absent.
  std::array<double, 3> Triple(const char* name, const std::array<double, 3>& fallback);

  // "axis=value" words into a position map (flag true); an axis named twice is an error.
  MMachPositionMap Targets(const std::vector<std::string>& words);
  // "name=value" words into a map of numbers.
  std::map<std::string, double> Values(const std::vector<std::string>& words);
  // The remaining words as targets, with "--track=a,b", "--xyz=x,y,z" and "--flag".
  MMachMovementPara Movement();

  // Converters of a single text, failing with "bad <what> "text"".
  double ToNumber(const std::string& text, const char* what);
  uint64_t ToUnsigned(const std::string& text, uint64_t max, const char* what);

 private:
  std::vector<std::string> words_;
  std::map<std::string, std::string> options_;
  size_t next_ = 0;
  std::string error_;
};
