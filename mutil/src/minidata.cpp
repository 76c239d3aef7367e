#include "minidata.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "errtrace.h"
#include "fastfile.h"
#include "fileops.h"
#include "minidataarena.h"
#include "minidatalinereader.h"
#include "mprintfformat.h"

namespace {

constexpr size_t kErrorTextSize = 1024;
constexpr size_t kFirstEntrySlots = 16;
constexpr size_t kFirstSectionSlots = 16;
constexpr size_t kSmallestOwnText = 32;  // a changed entry's own text, so that the next change fits
// The class as it names itself in the messages of its public operations.
constexpr const char* kQualifiedName = "MIniDataT<struct MIniDataCaseSensitiveCompare>";

bool is_blank(char c) { return c == ' ' || c == '\t'; }

bool is_comment_character(char c) { return c == '#' || c == '*' || c == '/' || c == ';'; }

// The position of the first character that is no blank, or the size when there is none.
size_t first_non_blank(std::string_view text) {
  size_t at = 0;
  while (at < text.size() && is_blank(text[at])) ++at;
  return at;
}

bool begins_with_comment(std::string_view text) {
  const size_t first = first_non_blank(text);
  return first < text.size() && is_comment_character(text[first]);
}

std::string_view without_trailing_blanks(std::string_view name) {
  while (!name.empty() && is_blank(name.back())) name.remove_suffix(1);
  return name;
}

// Open addressing: the first slot to try for a hash.
size_t home_slot(uint32_t hash, size_t mask) { return hash & mask; }

bool needs_growth(size_t count, size_t slots) { return slots == 0 || (count + 1) * 4 > slots * 3; }

enum class ByteOrderMark { kNone, kUtf8, kUtf16Or32 };

ByteOrderMark detect_bom(std::string_view line) {
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

bool MIniDataCaseSensitiveCompare::operator()(std::string_view left, std::string_view right) const {
  const size_t common = std::min(left.size(), right.size());
  const int order = common == 0 ? 0 : std::memcmp(left.data(), right.data(), common);  // memcmp compares unsigned bytes
  return order != 0 ? order < 0 : left.size() < right.size();
}

uint32_t MIniDataCaseSensitiveCompare::Hash(std::string_view name) {
  // Eight bytes per step; names are short.
  constexpr uint64_t kMultiplier = 0x9E3779B97F4A7C15u;
  uint64_t hash = name.size() * kMultiplier;
  const char* at = name.data();
  size_t left = name.size();
  for (; left >= 8; at += 8, left -= 8) {
    uint64_t word;
    std::memcpy(&word, at, 8);
    hash = (hash ^ word) * kMultiplier;
    hash ^= hash >> 29;
  }
  if (left > 0) {
    uint64_t word = 0;
    std::memcpy(&word, at, left);
    hash = (hash ^ word) * kMultiplier;
    hash ^= hash >> 29;
  }
  return static_cast<uint32_t>(hash ^ (hash >> 32));
}

// ---- MIniDataSectionT ----

template <class Compare>
MIniDataEntry* MIniDataSectionT<Compare>::find_entry(std::string_view name) const {
  const std::string_view trimmed = without_trailing_blanks(name);
  return find_hashed(trimmed, Compare::Hash(trimmed));
}

template <class Compare>
MIniDataEntry* MIniDataSectionT<Compare>::find_hashed(std::string_view name, uint32_t hash) const {
  if (slots_ == nullptr) return nullptr;
  for (size_t slot = home_slot(hash, slot_mask_);; slot = (slot + 1) & slot_mask_) {
    MIniDataEntry* entry = slots_[slot];
    if (entry == nullptr) return nullptr;
    if (entry->hash == hash && Compare::Equal(entry->name, name)) return entry;
  }
}

template <class Compare>
void MIniDataSectionT<Compare>::insert_entry(MIniDataEntry* entry, MIniDataArena& arena) {
  if (needs_growth(entry_count_, slot_mask_ + (slots_ ? 1 : 0))) {
    // The old table stays in the arena unused until Close.
    const size_t count = slots_ ? 2 * (slot_mask_ + 1) : kFirstEntrySlots;
    MIniDataEntry** grown = arena.NewPointers<MIniDataEntry>(count);
    for (size_t i = 0; slots_ != nullptr && i <= slot_mask_; ++i) {
      MIniDataEntry* moved = slots_[i];
      if (moved == nullptr) continue;
      size_t slot = home_slot(moved->hash, count - 1);
      while (grown[slot] != nullptr) slot = (slot + 1) & (count - 1);
      grown[slot] = moved;
    }
    slots_ = grown;
    slot_mask_ = count - 1;
  }
  size_t slot = home_slot(entry->hash, slot_mask_);
  while (slots_[slot] != nullptr) slot = (slot + 1) & slot_mask_;
  slots_[slot] = entry;
  ++entry_count_;
}

template <class Compare>
std::vector<const MIniDataEntry*> MIniDataSectionT<Compare>::SortedEntries() const {
  std::vector<const MIniDataEntry*> entries;
  entries.reserve(entry_count_);
  for (size_t i = 0; slots_ != nullptr && i <= slot_mask_; ++i) {
    if (slots_[i] != nullptr) entries.push_back(slots_[i]);
  }
  std::sort(entries.begin(), entries.end(),
            [](const MIniDataEntry* left, const MIniDataEntry* right) { return Compare()(left->name, right->name); });
  return entries;
}

// ---- MIniDataT ----

template <class Compare>
MIniDataT<Compare>::MIniDataT() = default;

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
MIniDataArena& MIniDataT<Compare>::arena() {
  if (!arena_) arena_ = std::make_unique<MIniDataArena>();
  return *arena_;
}

template <class Compare>
bool MIniDataT<Compare>::Open(const std::string& file_name) {
  const std::string name = file_name;  // may be our own file name, which Close forgets
  if (!Close()) {
    MERRTRACE("MIniData::Open(): Close() failed");
    return false;
  }
  file_name_ = name;
  error_line_ = 0;
  if (!file_exists(name.c_str())) {
    opened_ = true;
    return true;
  }
  MIniDataLineReader reader;
  if (!reader.Open(name.c_str())) {
    MERRTRACE("MIniData::Open(): MFastFileReader::Open() failed");
    return false;
  }
  std::string spill;
  std::string_view line;
  for (uint32_t number = 1; !reader.IsEOF(); ++number) {
    const bool first_line = number == 1;
    if (!reader.ReadLine(line, spill)) {
      MERRTRACE("MIniData::Open(): MFastFileReader::ReadLine() failed");
      return false;
    }
    if (first_line) {
      switch (detect_bom(line)) {
        case ByteOrderMark::kUtf8:
          line.remove_prefix(3);
          break;
        case ByteOrderMark::kUtf16Or32:
          error_text_ = "UTF16/32 Unicode format not supported.";
          error_line_ = number;
          MERRTRACE("MIniData::Open(\"%.80s\"): UTF16/32 Unicode format not supported", name.c_str());
          return false;
        case ByteOrderMark::kNone:
          break;
      }
    }
    if (line.empty() || line[0] == '\0') continue;  // empty lines are not kept
    reading_line_ = number;
    const bool parsed = parse_line(line);
    reading_line_ = 0;
    if (!parsed) {
      error_line_ = number;
      MERRTRACE("MIniData::Open(): parse_line(%.60s) failed", std::string(line).c_str());
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
  first_header_line_ = last_header_line_ = nullptr;
  current_section_ = nullptr;
  section_slots_.clear();  // keeps its capacity
  section_count_ = 0;
  if (arena_) arena_->Reset();
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
  const std::vector<const Section*> sections = sorted_sections();
  size_t size = 0;
  for (const MIniDataLine* line = first_header_line_; line; line = line->next) size += line->text.size() + 1;
  for (const Section* section : sections) {
    for (const MIniDataLine* line = section; line; line = line->next) size += line->text.size() + 1;
  }
  std::string text;
  text.reserve(size);
  for (const MIniDataLine* line = first_header_line_; line; line = line->next) (text += line->text) += '\n';
  for (const Section* section : sections) {
    for (const MIniDataLine* line = section; line; line = line->next) (text += line->text) += '\n';
  }
  if (MFastFile_WriteLinesAtOnce(file_name_.c_str(), text.data(), text.size(), kMFastFileReplace) < 0) {
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
size_t MIniDataT<Compare>::GetLineNumber(const std::string& section, const std::string& entry) const {
  const Section* found = find_section(section);
  if (!found || entry.empty()) return found ? found->line_number : 0;
  const MIniDataEntry* line = found->find_entry(entry);
  return line ? line->line_number : 0;
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
  value = to_int32(std::string(line->Value()), converted);
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
  return set_value(*target, operation, entry, value);
}

// An existing entry keeps everything up to and including its '=' (blanks after it belonged to the
// old value) and gets text of its own, reused by later changes that fit; a new entry "name=value"
// (trailing blanks of the name removed) goes to the end of the section.
template <class Compare>
bool MIniDataT<Compare>::set_value(Section& section, const char* operation, const std::string& name,
                                   const std::string& value) {
  MIniDataEntry* entry = section.find_entry(name);
  try {
    if (entry) {
      const size_t kept = static_cast<size_t>(entry->value_offset);
      const size_t size = kept + value.size();
      if (size > entry->capacity) {
        const size_t capacity = std::max({size, 2 * static_cast<size_t>(entry->capacity), kSmallestOwnText});
        if (capacity > std::numeric_limits<uint32_t>::max()) throw std::bad_alloc();
        auto* text = static_cast<char*>(arena().Allocate(capacity, 1));
        std::memcpy(text, entry->text.data(), kept);
        entry->name = std::string_view(text + (entry->name.data() - entry->text.data()), entry->name.size());
        entry->text = std::string_view(text, kept);
        entry->capacity = static_cast<uint32_t>(capacity);
      }
      char* text = const_cast<char*>(entry->text.data());  // the entry's own text, allocated writable above
      std::memcpy(text + kept, value.data(), value.size());
      entry->text = std::string_view(text, size);
      return true;
    }
    const std::string trimmed(without_trailing_blanks(name));
    const std::string line = trimmed + "=" + value;
    auto* added = arena().template New<MIniDataEntry>();
    added->text = std::string_view(arena().CopyText(line), line.size());
    added->value_offset = trimmed.size() + 1;
    added->name = added->text.substr(0, trimmed.size());
    added->hash = Compare::Hash(added->name);
    section.insert_entry(added, arena());
    section.append_line(added);
    return true;
  } catch (const std::bad_alloc&) {
    if (!entry) MERRTRACE("MIniDataSectionT::%s(): add_new_entry() failed", operation);
    return false;
  }
}

template <class Compare>
void MIniDataT<Compare>::GetSectionNames(std::vector<std::string>& names) const {
  names.clear();
  for (const Section* section : sorted_sections()) names.emplace_back(section->Name());
}

template <class Compare>
void MIniDataT<Compare>::GetEntryNames(const std::string& section, std::vector<std::string>& names) const {
  names.clear();
  if (const Section* found = find_section(section)) {
    for (const MIniDataEntry* entry : found->SortedEntries()) names.emplace_back(entry->name);
  }
}

template <class Compare>
bool MIniDataT<Compare>::parse_line(std::string_view line) {
  const size_t first = first_non_blank(line);
  if (first == line.size()) return append_plain_line(line);
  if (line[0] == '[') return parse_section_header(line);  // a header starts in column 0
  if (is_comment_character(line[first])) return append_plain_line(line);
  return parse_entry(line);
}

template <class Compare>
bool MIniDataT<Compare>::append_plain_line(std::string_view line) {
  try {
    auto* plain = arena().template New<MIniDataLine>();
    plain->text = std::string_view(arena().CopyText(line), line.size());
    plain->line_number = reading_line_;
    if (current_section_) {
      current_section_->append_line(plain);
    } else {
      (last_header_line_ ? last_header_line_->next : first_header_line_) = plain;
      last_header_line_ = plain;
    }
    return true;
  } catch (const std::bad_alloc&) {
    return report_out_of_memory(error_text_, "MIniDataLine");
  }
}

template <class Compare>
bool MIniDataT<Compare>::parse_section_header(std::string_view line) {
  const size_t close = line.size() < 2 ? std::string_view::npos : line.find(']', 1);
  if (close == std::string_view::npos) {
    format_error_text(error_text_, "no matching ']' found in \"%.50s\"", std::string(line).c_str());
    return trace_parse_failure(error_text_);
  }
  const std::string_view name = line.substr(1, close - 1);
  if (find_section(name)) {
    format_error_text(error_text_, "Section [%s] seen twice", std::string(name).c_str());
    return trace_parse_failure(error_text_);
  }
  try {
    current_section_ = insert_section(line, name.size());
    return true;
  } catch (const std::bad_alloc&) {
    return report_out_of_memory(error_text_, "MIniDataSectionT");
  }
}

template <class Compare>
bool MIniDataT<Compare>::parse_entry(std::string_view line) {
  if (!current_section_) {
    format_error_text(error_text_, "Possible entry \"%s\" found before first section", std::string(line).c_str());
    return trace_parse_failure(error_text_);
  }
  const size_t name_start = first_non_blank(line);
  const size_t equals = line.find('=');
  if (equals == std::string_view::npos) {
    format_error_text(error_text_, "No '=' found in \"%.50s\" in section %s", std::string(line).c_str(),
                      std::string(current_section_->text).c_str());
    return trace_parse_failure(error_text_);
  }
  if (name_start >= equals) {
    format_error_text(error_text_, "No entry name found before '=' in \"%s\" in section %s",
                      std::string(line).c_str(), std::string(current_section_->text).c_str());
    return trace_parse_failure(error_text_);
  }
  // The name ends at the last non-blank before the '=' (there is one: the name's first character).
  const std::string_view name = without_trailing_blanks(line.substr(name_start, equals - name_start));
  const uint32_t hash = Compare::Hash(name);
  if (current_section_->find_hashed(name, hash)) {
    format_error_text(error_text_, "Entry \"%s\" seen twice in section %s", std::string(name).c_str(),
                      std::string(current_section_->text).c_str());
    return trace_parse_failure(error_text_);
  }
  try {
    auto* entry = arena().template New<MIniDataEntry>();
    entry->text = std::string_view(arena().CopyText(line), line.size());
    entry->value_offset = equals + 1;
    entry->name = entry->text.substr(name_start, name.size());
    entry->hash = hash;
    entry->line_number = reading_line_;
    current_section_->insert_entry(entry, arena());
    current_section_->append_line(entry);
    return true;
  } catch (const std::bad_alloc&) {
    return report_out_of_memory(error_text_, "MIniDataEntry");
  }
}

template <class Compare>
typename MIniDataT<Compare>::Section* MIniDataT<Compare>::add_new_section(const std::string& name) {
  try {
    return insert_section("[" + name + "]", name.size());
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

// The section's name is the `name_size` characters after the header line's '['.
template <class Compare>
typename MIniDataT<Compare>::Section* MIniDataT<Compare>::insert_section(std::string_view header_line,
                                                                         size_t name_size) {
  if (needs_growth(section_count_, section_slots_.size())) {
    std::vector<Section*> grown(section_slots_.empty() ? kFirstSectionSlots : 2 * section_slots_.size());
    for (Section* moved : section_slots_) {
      if (moved == nullptr) continue;
      size_t slot = home_slot(moved->hash_, grown.size() - 1);
      while (grown[slot] != nullptr) slot = (slot + 1) & (grown.size() - 1);
      grown[slot] = moved;
    }
    section_slots_.swap(grown);
  }
  auto* section = arena().template New<Section>();
  section->text = std::string_view(arena().CopyText(header_line), header_line.size());
  section->name_ = section->text.substr(1, name_size);
  section->hash_ = Compare::Hash(section->name_);
  section->line_number = reading_line_;
  const size_t mask = section_slots_.size() - 1;
  size_t slot = home_slot(section->hash_, mask);
  while (section_slots_[slot] != nullptr) slot = (slot + 1) & mask;
  section_slots_[slot] = section;
  ++section_count_;
  return section;
}

template <class Compare>
typename MIniDataT<Compare>::Section* MIniDataT<Compare>::find_section(std::string_view name) const {
  if (section_slots_.empty()) return nullptr;
  const uint32_t hash = Compare::Hash(name);
  const size_t mask = section_slots_.size() - 1;
  for (size_t slot = home_slot(hash, mask);; slot = (slot + 1) & mask) {
    Section* section = section_slots_[slot];
    if (section == nullptr) return nullptr;
    if (section->hash_ == hash && Compare::Equal(section->name_, name)) return section;
  }
}

template <class Compare>
std::vector<const typename MIniDataT<Compare>::Section*> MIniDataT<Compare>::sorted_sections() const {
  std::vector<const Section*> sections;
  sections.reserve(section_count_);
  for (const Section* section : section_slots_) {
    if (section != nullptr) sections.push_back(section);
  }
  std::sort(sections.begin(), sections.end(),
            [](const Section* left, const Section* right) { return Compare()(left->name_, right->name_); });
  return sections;
}

template class MIniDataSectionT<MIniDataCaseSensitiveCompare>;
template class MIniDataT<MIniDataCaseSensitiveCompare>;
