#include "minidata.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <string_view>
#include <tuple>

#include "errtrace.h"
#include "fastfile.h"
#include "fileops.h"
#include "mprintfformat.h"

namespace {

constexpr size_t kErrorTextSize = 1024;
constexpr size_t kLineVecCapacity = 10;
constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kCommentCharacters = "#*/;";
// The class as it names itself in the messages of its public operations.
constexpr const char* kQualifiedName = "MIniDataT<struct MIniDataCaseSensitiveCompare>";

bool is_blank_line(const std::string& line) { return line.find_first_not_of(kBlanks) == std::string::npos; }

bool begins_with_comment(const std::string& text) {
  const size_t first = text.find_first_not_of(kBlanks);
  return first != std::string::npos && kCommentCharacters.find(text[first]) != std::string_view::npos;
}

std::string without_trailing_blanks(const std::string& name) {
  const size_t last = name.find_last_not_of(kBlanks);
  return last == std::string::npos ? std::string() : name.substr(0, last + 1);
}

enum class ByteOrderMark { kNone, kUtf8, kUtf16Or32 };

ByteOrderMark detect_bom(const std::string& line) {
  const auto* b = reinterpret_cast<const unsigned char*>(line.data());
  const size_t n = line.size();
  if (n >= 4 && ((b[0] == 0x00 && b[1] == 0x00 && b[2] == 0xFE && b[3] == 0xFF) ||
                 (b[0] == 0xFF && b[1] == 0xFE && b[2] == 0x00 && b[3] == 0x00))) {
    return ByteOrderMark::kUtf16Or32;
  }
  if (n >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) return ByteOrderMark::kUtf8;
  if (n >= 2 && ((b[0] == 0xFE && b[1] == 0xFF) || (b[0] == 0xFF && b[1] == 0xFE))) return ByteOrderMark::kUtf16Or32;
  return ByteOrderMark::kNone;
}

// Formats into a buffer of 1024 bytes, so the text is cut at 1023 characters.
M_PRINTF_FORMAT(2, 3) void format_error_text(std::string& error_text, const char* format, ...) {
  char text[kErrorTextSize];
  va_list args;
  va_start(args, format);
  const int length = std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  error_text = length < 0 ? std::string() : std::string(text);
}

bool trace_parse_failure(const std::string& error_text) {
  MERRTRACE("MIniData::parse_line(): %.70s", error_text.c_str());
  return false;
}

bool report_out_of_memory(std::string& error_text, const char* what) {
  const char* reason = std::strerror(ENOMEM);
  format_error_text(error_text, "out of memory (%s)", reason);
  MERRTRACE("MIniData::parse_line(): new %s() failed: %.50s", what, reason);
  return false;
}

std::string format_long(int32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%ld", static_cast<long>(value));
  return text;
}

// Base-10 conversion that saturates at the 32-bit range, as a 32-bit strtol does.
int32_t to_int32(const std::string& text, bool& converted) {
  const char* begin = text.c_str();
  char* end = nullptr;
  const long number = std::strtol(begin, &end, 10);
  converted = end != begin;
  if (number > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (number < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(number);
}

}  // namespace

bool MIniDataCaseSensitiveCompare::operator()(const std::string& left, const std::string& right) const {
  // Names are short and mostly differ early: a plain loop beats a call of memcmp here.
  const size_t common = left.size() < right.size() ? left.size() : right.size();
  const auto* l = reinterpret_cast<const unsigned char*>(left.data());
  const auto* r = reinterpret_cast<const unsigned char*>(right.data());
  for (size_t i = 0; i < common; ++i) {
    if (l[i] != r[i]) return l[i] < r[i];
  }
  return left.size() < right.size();
}

// ---- MIniDataSectionT ----

template <class Compare>
MIniDataSectionT<Compare>::MIniDataSectionT(std::string header_line) : MIniDataLine(std::move(header_line)) {
  line_vec_.reserve(kLineVecCapacity);
  line_vec_.push_back(this);
}

template <class Compare>
MIniDataEntry* MIniDataSectionT<Compare>::find_entry(const std::string& name) const {
  const auto found = entry_map_.find(without_trailing_blanks(name));
  return found == entry_map_.end() ? nullptr : found->second;
}

template <class Compare>
bool MIniDataSectionT<Compare>::SetLongEntry(const std::string& name, int32_t value) {
  return set_value("SetLongEntry", name, format_long(value));
}

template <class Compare>
bool MIniDataSectionT<Compare>::SetStringEntry(const std::string& name, const std::string& value) {
  return set_value("SetStringEntry", name, value);
}

template <class Compare>
bool MIniDataSectionT<Compare>::set_value(const char* operation, const std::string& name, const std::string& value) {
  if (MIniDataEntry* entry = find_entry(name)) {
    // Everything up to and including the '=' stays; blanks after it belonged to the old value.
    entry->text.resize(static_cast<size_t>(entry->value_offset));
    entry->text += value;
    return true;
  }
  if (!add_new_entry(name, value)) {
    MERRTRACE("MIniDataSectionT::%s(): add_new_entry() failed", operation);
    return false;
  }
  return true;
}

template <class Compare>
bool MIniDataSectionT<Compare>::add_new_entry(const std::string& name, const std::string& value) {
  try {
    const std::string trimmed = without_trailing_blanks(name);
    append_entry(trimmed, std::make_unique<MIniDataEntry>(trimmed + "=" + value, trimmed.size() + 1));
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

template <class Compare>
void MIniDataSectionT<Compare>::append_line(std::unique_ptr<MIniDataLine> line) {
  line_vec_.push_back(line.get());
  try {
    owned_lines_.push_back(std::move(line));
  } catch (...) {
    line_vec_.pop_back();
    throw;
  }
}

template <class Compare>
void MIniDataSectionT<Compare>::append_entry(const std::string& name, std::unique_ptr<MIniDataEntry> entry) {
  MIniDataEntry* raw = entry.get();
  append_line(std::move(entry));
  try {
    entry_map_.emplace(name, raw);
  } catch (...) {
    line_vec_.pop_back();
    owned_lines_.pop_back();
    throw;
  }
}

// ---- MIniDataT ----

template <class Compare>
MIniDataT<Compare>::MIniDataT(const std::string& file_name) {
  MErrTraceContext context;
  if (!Open(file_name)) MERRDUMP(context, "MIniData::MIniData(): Open(\"%.60s\") failed", file_name.c_str());
}

template <class Compare>
MIniDataT<Compare>::~MIniDataT() {
  MErrTraceContext context;
  if (!Close()) MERRDUMP(context, "MIniData::~MIniData(): Close() failed");
}

template <class Compare>
bool MIniDataT<Compare>::Open(const std::string& file_name) {
  const std::string name = file_name;  // may be our own file name, which Close forgets
  if (!Close()) {
    MERRTRACE("MIniData::Open(): Close() failed");
    return false;
  }
  file_name_ = name;
  if (!file_exists(name.c_str())) {
    opened_ = true;
    return true;
  }
  MFastFileReader reader;
  if (!reader.Open(name.c_str())) {
    MERRTRACE("MIniData::Open(): MFastFileReader::Open() failed");
    return false;
  }
  std::string line;
  for (bool first_line = true; !reader.IsEOF(); first_line = false) {
    if (!reader.ReadLine(line)) {
      MERRTRACE("MIniData::Open(): MFastFileReader::ReadLine() failed");
      return false;
    }
    if (first_line) {
      switch (detect_bom(line)) {
        case ByteOrderMark::kUtf8:
          line.erase(0, 3);
          break;
        case ByteOrderMark::kUtf16Or32:
          error_text_ = "UTF16/32 Unicode format not supported.";
          MERRTRACE("MIniData::Open(\"%.80s\"): UTF16/32 Unicode format not supported", name.c_str());
          return false;
        case ByteOrderMark::kNone:
          break;
      }
    }
    if (line.empty() || line[0] == '\0') continue;  // empty lines are not kept
    if (!parse_line(line)) {
      MERRTRACE("MIniData::Open(): parse_line(%.60s) failed", line.c_str());
      return false;
    }
  }
  if (reader.ReadFailed()) {  // a read error is no end of file: the rest of the file is missing
    MERRTRACE("MIniData::Open(): MFastFileReader::IsEOF() failed");
    return false;
  }
  opened_ = true;
  return true;
}

template <class Compare>
bool MIniDataT<Compare>::Close() {
  header_lines_.clear();
  current_section_ = nullptr;
  section_map_.clear();
  file_name_.clear();
  opened_ = false;
  return true;
}

template <class Compare>
bool MIniDataT<Compare>::Reload() {
  return opened_ && Open(file_name_);
}

template <class Compare>
bool MIniDataT<Compare>::Save() {
  size_t size = 0;
  for (const auto& line : header_lines_) size += line->text.size() + 1;
  for (const auto& [name, section] : section_map_) {
    for (const MIniDataLine* line : section->line_vec()) size += line->text.size() + 1;
  }
  std::string text;
  text.reserve(size);
  for (const auto& line : header_lines_) (text += line->text) += '\n';
  for (const auto& [name, section] : section_map_) {
    for (const MIniDataLine* line : section->line_vec()) (text += line->text) += '\n';
  }
  if (MFastFile_WriteLinesAtOnce(file_name_.c_str(), text.data(), text.size(), kMFastFileTruncate) < 0) {
    MERRTRACE("MIniData::Save(): MFastFile_WriteLinesAtOnce(\"%.40s\") failed", file_name_.c_str());
    return false;
  }
  return true;
}

template <class Compare>
bool MIniDataT<Compare>::SectionExists(const std::string& section) const {
  return find_section(section) != nullptr;
}

template <class Compare>
bool MIniDataT<Compare>::GetStringEntry(const std::string& section, const std::string& entry,
                                        std::string& value) const {
  const Section* found = find_section(section);
  const MIniDataEntry* line = found ? found->find_entry(entry) : nullptr;
  if (!line) return false;
  value = line->Value();
  return true;
}

template <class Compare>
bool MIniDataT<Compare>::GetLongEntry(const std::string& section, const std::string& entry, int32_t& value) const {
  const Section* found = find_section(section);
  const MIniDataEntry* line = found ? found->find_entry(entry) : nullptr;
  if (!line) return false;
  bool converted = false;
  value = to_int32(line->Value(), converted);
  return converted;
}

template <class Compare>
bool MIniDataT<Compare>::SetLongEntry(const std::string& section, const std::string& entry, int32_t value) {
  return set_entry("SetLongEntry", section, entry, format_long(value));
}

template <class Compare>
bool MIniDataT<Compare>::SetStringEntry(const std::string& section, const std::string& entry,
                                        const std::string& value) {
  return set_entry("SetStringEntry", section, entry, value);
}

template <class Compare>
bool MIniDataT<Compare>::set_entry(const char* operation, const std::string& section, const std::string& entry,
                                   const std::string& value) {
  if (begins_with_comment(entry)) {
    format_error_text(error_text_, "cannot add comment as an entry: \"%s=%s\"", entry.c_str(), value.c_str());
    MERRTRACE("%s::%s(): cannot add comment as an entry: \"%s=%s\"", kQualifiedName, operation, entry.c_str(),
              value.c_str());
    return false;
  }
  Section* target = find_section(section);
  if (!target) target = add_new_section(section);
  if (!target) {
    MERRTRACE("MIniData::%s(): add_new_section() failed", operation);
    return false;
  }
  return target->set_value(operation, entry, value);
}

template <class Compare>
void MIniDataT<Compare>::GetSectionNames(std::vector<std::string>& names) const {
  names.clear();
  for (const auto& [name, section] : section_map_) names.push_back(name);
}

template <class Compare>
void MIniDataT<Compare>::GetEntryNames(const std::string& section, std::vector<std::string>& names) const {
  names.clear();
  if (const Section* found = find_section(section)) {
    for (const auto& [name, entry] : found->entry_map()) names.push_back(name);
  }
}

template <class Compare>
bool MIniDataT<Compare>::parse_line(const std::string& line) {
  if (is_blank_line(line)) return append_plain_line(line);
  if (line[0] == '[') return parse_section_header(line);  // a header starts in column 0
  if (begins_with_comment(line)) return append_plain_line(line);
  return parse_entry(line);
}

template <class Compare>
bool MIniDataT<Compare>::append_plain_line(const std::string& line) {
  try {
    auto plain = std::make_unique<MIniDataLine>(line);
    if (current_section_) {
      current_section_->append_line(std::move(plain));
    } else {
      header_lines_.push_back(std::move(plain));
    }
    return true;
  } catch (const std::bad_alloc&) {
    return report_out_of_memory(error_text_, "MIniDataLine");
  }
}

template <class Compare>
bool MIniDataT<Compare>::parse_section_header(const std::string& line) {
  const size_t close = line.size() < 2 ? std::string::npos : line.find(']', 1);
  if (close == std::string::npos) {
    format_error_text(error_text_, "no matching ']' found in \"%.50s\"", line.c_str());
    return trace_parse_failure(error_text_);
  }
  const std::string name = line.substr(1, close - 1);
  if (find_section(name)) {
    format_error_text(error_text_, "Section [%s] seen twice", name.c_str());
    return trace_parse_failure(error_text_);
  }
  try {
    current_section_ = insert_section(name, line);
    return true;
  } catch (const std::bad_alloc&) {
    return report_out_of_memory(error_text_, "MIniDataSectionT");
  }
}

template <class Compare>
bool MIniDataT<Compare>::parse_entry(const std::string& line) {
  if (!current_section_) {
    format_error_text(error_text_, "Possible entry \"%s\" found before first section", line.c_str());
    return trace_parse_failure(error_text_);
  }
  const char* header = current_section_->text.c_str();
  const size_t name_start = line.find_first_not_of(kBlanks);
  const size_t equals = line.find('=');
  if (equals == std::string::npos) {
    format_error_text(error_text_, "No '=' found in \"%.50s\" in section %s", line.c_str(), header);
    return trace_parse_failure(error_text_);
  }
  if (name_start >= equals) {
    format_error_text(error_text_, "No entry name found before '=' in \"%s\" in section %s", line.c_str(), header);
    return trace_parse_failure(error_text_);
  }
  // The name ends at the last non-blank before the '=' (there is one: the name's first character).
  const size_t name_end = line.find_last_not_of(kBlanks, equals - 1) + 1;
  // One lookup both finds a duplicate and reserves the name's place in the entry map.
  auto& entries = current_section_->entry_map_;
  typename Section::EntryMap::iterator slot;
  try {
    bool inserted = false;
    std::tie(slot, inserted) = entries.try_emplace(line.substr(name_start, name_end - name_start), nullptr);
    if (!inserted) {
      format_error_text(error_text_, "Entry \"%s\" seen twice in section %s", slot->first.c_str(), header);
      return trace_parse_failure(error_text_);
    }
  } catch (const std::bad_alloc&) {
    return report_out_of_memory(error_text_, "MIniDataEntry");
  }
  try {
    auto entry = std::make_unique<MIniDataEntry>(line, equals + 1);
    slot->second = entry.get();
    current_section_->append_line(std::move(entry));
    return true;
  } catch (const std::bad_alloc&) {
    entries.erase(slot);
    return report_out_of_memory(error_text_, "MIniDataEntry");
  }
}

template <class Compare>
typename MIniDataT<Compare>::Section* MIniDataT<Compare>::add_new_section(const std::string& name) {
  try {
    return insert_section(name, "[" + name + "]");
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

// Throws std::bad_alloc; the callers turn it into their failure.
template <class Compare>
typename MIniDataT<Compare>::Section* MIniDataT<Compare>::insert_section(const std::string& name,
                                                                         const std::string& header_line) {
  auto section = std::make_unique<Section>(header_line);
  Section* raw = section.get();
  section_map_.emplace(name, std::move(section));
  return raw;
}

template <class Compare>
typename MIniDataT<Compare>::Section* MIniDataT<Compare>::find_section(const std::string& name) const {
  const auto found = section_map_.find(name);
  return found == section_map_.end() ? nullptr : found->second.get();
}

template class MIniDataSectionT<MIniDataCaseSensitiveCompare>;
template class MIniDataT<MIniDataCaseSensitiveCompare>;
