// Ini data: a text file in ini syntax held in memory line by line (comments and blank lines
// included), so that a saved file differs from the loaded one only where something changed.
// The lines, sections and entry tables live in an arena of the ini data that Close empties and
// keeps for the next Open; a line read from the file refers to a copy of its text in the arena.
// Failures answer false and leave the reason in the error trace; nothing is thrown.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class MIniDataArena;

// One line of the file, exactly as read, without its line end.
class MIniDataLine {
 public:
  std::string_view text;
  MIniDataLine* next = nullptr;  // the following line of the same section or of the header lines
  uint32_t line_number = 0;      // its line in the file as read; 0 for a line set afterwards
};

// An entry line "name=value"; the value is the rest of the line after the first '=', verbatim.
class MIniDataEntry : public MIniDataLine {
 public:
  std::string_view Value() const { return text.substr(static_cast<size_t>(value_offset)); }

  uint64_t value_offset = 0;  // the first character after the first '='
  std::string_view name;      // part of text: from the first non-blank to the last non-blank before the '='
  uint32_t hash = 0;          // of the name
  uint32_t capacity = 0;      // size of the entry's own text after a change; 0 while it is the line as read
};

// Names compare as unsigned bytes over the shorter length; on a tie the shorter name is smaller.
// Hash agrees with that equality.
struct MIniDataCaseSensitiveCompare {
  bool operator()(std::string_view left, std::string_view right) const;
  static bool Equal(std::string_view left, std::string_view right) { return left == right; }
  static uint32_t Hash(std::string_view name);
};

template <class Compare>
class MIniDataT;

// A section: its own text is the header line as read. Its lines follow it through `next`, in
// file order; its entries are also found by name in a hash table.
template <class Compare>
class MIniDataSectionT : public MIniDataLine {
 public:
  std::string_view Name() const { return name_; }
  // Looks `name` up without its trailing blanks; null when absent.
  MIniDataEntry* find_entry(std::string_view name) const;
  // The entries sorted by name.
  std::vector<const MIniDataEntry*> SortedEntries() const;

 private:
  friend class MIniDataT<Compare>;

  MIniDataEntry* find_hashed(std::string_view name, uint32_t hash) const;
  // Adds an entry whose name is not in the table; throws std::bad_alloc.
  void insert_entry(MIniDataEntry* entry, MIniDataArena& arena);
  void append_line(MIniDataLine* line) { last_->next = line; last_ = line; }

  std::string_view name_;
  uint32_t hash_ = 0;
  uint32_t entry_count_ = 0;
  MIniDataLine* last_ = this;
  MIniDataEntry** slots_ = nullptr;  // open addressing, a power of two of them, at most 3/4 used
  size_t slot_mask_ = 0;
};

template <class Compare>
class MIniDataT {
 public:
  using Section = MIniDataSectionT<Compare>;

  MIniDataT();
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
  // Writes every line with CR LF: the header lines, then the sections sorted by name. The text
  // goes to a temporary file that replaces the file only once it is whole on disk, so a failed
  // Save leaves the previous file as it was.
  bool Save();

  bool IsOpened() const { return opened_; }
  const std::string& GetErrorText() const { return error_text_; }
  // The line of the file at which the last Open stopped (a bad line or byte-order mark); 0 when
  // it stopped at none. Lines count from 1; CR LF, LF and a lone CR each end one.
  size_t GetErrorLine() const { return error_line_; }
  // The line of the file that holds `entry` of `section`, or the section's header when `entry`
  // is empty; 0 when absent or set after reading.
  size_t GetLineNumber(const std::string& section, const std::string& entry = "") const;

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
  bool parse_line(std::string_view line);
  bool parse_section_header(std::string_view line);
  bool parse_entry(std::string_view line);
  bool append_plain_line(std::string_view line);
  Section* add_new_section(const std::string& name);
  // Throws std::bad_alloc; the callers turn it into their failure.
  Section* insert_section(std::string_view header_line, size_t name_size);
  Section* find_section(std::string_view name) const;
  std::vector<const Section*> sorted_sections() const;
  bool set_entry(const char* operation, const std::string& section, const std::string& entry,
                 const std::string& value);
  bool set_value(Section& section, const char* operation, const std::string& name, const std::string& value);
  MIniDataArena& arena();

  bool opened_ = false;
  std::string file_name_;
  MIniDataLine* first_header_line_ = nullptr;  // comment and blank lines before the first section
  MIniDataLine* last_header_line_ = nullptr;
  std::vector<Section*> section_slots_;  // open addressing by name, at most 3/4 used
  size_t section_count_ = 0;
  Section* current_section_ = nullptr;  // receives the parsed lines during Open
  std::string error_text_;              // the last parse or format error, at most 1023 characters
  size_t error_line_ = 0;               // where the last Open stopped
  uint32_t reading_line_ = 0;           // the number of the line that Open is parsing, else 0
  std::unique_ptr<MIniDataArena> arena_;
};

extern template class MIniDataSectionT<MIniDataCaseSensitiveCompare>;
extern template class MIniDataT<MIniDataCaseSensitiveCompare>;

using MIniData = MIniDataT<MIniDataCaseSensitiveCompare>;
