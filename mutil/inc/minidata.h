// Ini data: a text file in ini syntax held in memory line by line (comments and blank lines
// included), so that a saved file differs from the loaded one only where something changed.
// The data owns its header lines and sections; a section owns its lines after its own header.
// Failures answer false and leave the reason in the error trace; nothing is thrown.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

// One line of the file, exactly as read, without its line end.
class MIniDataLine {
 public:
  explicit MIniDataLine(std::string line_text) : text(std::move(line_text)) {}
  virtual ~MIniDataLine() = default;
  MIniDataLine(const MIniDataLine&) = delete;
  MIniDataLine& operator=(const MIniDataLine&) = delete;

  std::string text;
};

// An entry line "name=value"; the value is the rest of the line after the first '=', verbatim.
class MIniDataEntry : public MIniDataLine {
 public:
  MIniDataEntry(std::string line_text, uint64_t offset) : MIniDataLine(std::move(line_text)), value_offset(offset) {}

  std::string Value() const { return text.substr(static_cast<size_t>(value_offset)); }

  uint64_t value_offset;  // the first character after the first '='
};

// Names compare as unsigned bytes over the shorter length; on a tie the shorter name is smaller.
struct MIniDataCaseSensitiveCompare {
  bool operator()(const std::string& left, const std::string& right) const;
};

template <class Compare>
class MIniDataT;

// A section: its own text is the header line as read. line_vec holds the lines in file order,
// the section itself first; the section owns every other element.
template <class Compare>
class MIniDataSectionT : public MIniDataLine {
 public:
  using EntryMap = std::map<std::string, MIniDataEntry*, Compare>;  // points into the owned lines

  explicit MIniDataSectionT(std::string header_line);
  MIniDataSectionT(const MIniDataSectionT&) = delete;
  MIniDataSectionT& operator=(const MIniDataSectionT&) = delete;

  const EntryMap& entry_map() const { return entry_map_; }
  const std::vector<MIniDataLine*>& line_vec() const { return line_vec_; }

  // Looks `name` up without its trailing blanks; null when absent.
  MIniDataEntry* find_entry(const std::string& name) const;
  // Replaces the value of an existing entry (everything after its '='), or appends a new line
  // "name=value" at the end of the section.
  bool SetLongEntry(const std::string& name, int32_t value);
  bool SetStringEntry(const std::string& name, const std::string& value);

 private:
  friend class MIniDataT<Compare>;

  // Appends "name=value" (trailing blanks of the name removed) as a new entry.
  bool add_new_entry(const std::string& name, const std::string& value);
  bool set_value(const char* operation, const std::string& name, const std::string& value);
  void append_line(std::unique_ptr<MIniDataLine> line);
  void append_entry(const std::string& name, std::unique_ptr<MIniDataEntry> entry);

  EntryMap entry_map_;
  std::vector<MIniDataLine*> line_vec_;
  std::vector<std::unique_ptr<MIniDataLine>> owned_lines_;  // line_vec_[1..] in the same order
};

template <class Compare>
class MIniDataT {
 public:
  using Section = MIniDataSectionT<Compare>;
  using SectionMap = std::map<std::string, std::unique_ptr<Section>, Compare>;

  MIniDataT() = default;
  // Opens `file_name`; a failure goes to the error log and leaves the data usable (empty or
  // holding what was parsed before the bad line).
  explicit MIniDataT(const std::string& file_name);
  ~MIniDataT();
  MIniDataT(const MIniDataT&) = delete;
  MIniDataT& operator=(const MIniDataT&) = delete;

  // Reads the file; a file that does not exist opens empty. Stops at the first bad line, whose
  // reason stays in GetErrorText(); a UTF-8 byte-order mark is dropped, UTF-16/32 is refused.
  bool Open(const std::string& file_name);
  // Forgets everything, including the file name; always true.
  bool Close();
  // Reads the attached file again; false when no file was opened successfully.
  bool Reload();
  // Writes every line with CR LF: the header lines, then the sections sorted by name.
  bool Save();

  bool IsOpened() const { return opened_; }
  const std::string& GetErrorText() const { return error_text_; }

  bool SectionExists(const std::string& section) const;
  // The raw value after the '='; `value` is left as it was when the section or entry is absent.
  bool GetStringEntry(const std::string& section, const std::string& entry, std::string& value) const;
  // The value as a base-10 number, saturated to the 32-bit range; stored whenever the entry
  // exists, true only when at least one character was converted.
  bool GetLongEntry(const std::string& section, const std::string& entry, int32_t& value) const;
  // Sets the entry, creating the section and the entry as needed; an entry name that begins
  // (after blanks) with a comment character is refused. The value must not hold a line end.
  bool SetLongEntry(const std::string& section, const std::string& entry, int32_t value);
  bool SetStringEntry(const std::string& section, const std::string& entry, const std::string& value);
  // The names in sorted order; both clear `names` first.
  void GetSectionNames(std::vector<std::string>& names) const;
  void GetEntryNames(const std::string& section, std::vector<std::string>& names) const;

 private:
  bool parse_line(const std::string& line);
  bool parse_section_header(const std::string& line);
  bool parse_entry(const std::string& line);
  bool append_plain_line(const std::string& line);
  Section* add_new_section(const std::string& name);
  Section* insert_section(const std::string& name, const std::string& header_line);
  Section* find_section(const std::string& name) const;
  bool set_entry(const char* operation, const std::string& section, const std::string& entry,
                 const std::string& value);

  bool opened_ = false;
  std::string file_name_;
  std::vector<std::unique_ptr<MIniDataLine>> header_lines_;  // comment and blank lines before the first section
  SectionMap section_map_;
  Section* current_section_ = nullptr;  // receives the parsed lines during Open
  std::string error_text_;              // the last parse or format error, at most 1023 characters
};

extern template class MIniDataSectionT<MIniDataCaseSensitiveCompare>;
extern template class MIniDataT<MIniDataCaseSensitiveCompare>;

using MIniData = MIniDataT<MIniDataCaseSensitiveCompare>;
