// The file reader of the ini data: MFastFileReader's lines, handed out as views instead of
// copies. It reads the file in the same blocks and reports the same failures as ReadLine.
#pragma once

#include <string>
#include <string_view>

#include "fastfile.h"

class MIniDataLineReader : public MFastFileReader {
 public:
  bool fill_buffer() override;

  // Delivers the next line without its terminator, as ReadLine does. The view points into the
  // reader's block or, for a line that spans two blocks, into `spill`; it stays valid until the
  // next call.
  bool ReadLine(std::string_view& line, std::string& spill);

 private:
  // The first '\r' or '\n' at or after `from` in the block, or the block's end.
  char* find_line_end(char* from);

  char* next_lf_ = nullptr;  // the block's first '\n' at or after the last search, end_ if none
};
