#include "minidatalinereader.h"

#include <cstring>

#include "errtrace.h"

bool MIniDataLineReader::fill_buffer() {
  next_lf_ = nullptr;  // the block changes
  return MFastFileReader::fill_buffer();
}

char* MIniDataLineReader::find_line_end(char* from) {
  // Remembering the next '\n' keeps the search linear in the block when lines end with a lone CR.
  if (next_lf_ == nullptr || next_lf_ < from) {
    void* lf = std::memchr(from, '\n', static_cast<size_t>(end_ - from));
    next_lf_ = lf ? static_cast<char*>(lf) : end_;
  }
  void* cr = std::memchr(from, '\r', static_cast<size_t>(next_lf_ - from));
  return cr ? static_cast<char*>(cr) : next_lf_;
}

bool MIniDataLineReader::ReadLine(std::string_view& line, std::string& spill) {
  line = {};
  bool spilled = false;
  for (;;) {
    if (current_ == end_) {
      if (!fill_buffer()) {
        MERRTRACE("MFastFileReader::ReadLine(STL): fill_buffer() failed");
        return false;
      }
      if (current_ == end_) {  // end of file ends the line
        if (spilled) line = spill;
        return true;
      }
    }
    const char* start = current_;
    current_ = find_line_end(current_);
    const std::string_view piece(start, static_cast<size_t>(current_ - start));
    if (current_ != end_) {
      if (spilled) {
        spill.append(piece);
        line = spill;
      } else {
        line = piece;
      }
      break;
    }
    if (!spilled) spill.clear();
    spill.append(piece);
    spilled = true;
  }
  const char terminator = *current_++;
  if (terminator == '\r' && current_ == end_) {
    // The next block replaces the one that the line points into.
    if (!spilled) {
      spill.assign(line);
      line = spill;
    }
    if (!fill_buffer()) {
      MERRTRACE("MFastFileReader::ReadLine(STL):fill_buffer() failed");
      return false;
    }
  }
  if (terminator == '\r' && current_ != end_ && *current_ == '\n') ++current_;
  return true;
}
