// Buffered line reader: for any bytes, placed anywhere against the reader's 8192-byte buffer,
// the lines read with IsEOF/ReadLine are those of a plain splitter (CR LF, LF and a lone CR each
// end a line; a last line without a line end counts when not empty), and the whole-file read
// gives the bytes back.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "errtrace.h"
#include "fastfile.h"
#include "mfuzzfile.h"

namespace {

std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '\r' && c != '\n') {
      line += c;
      continue;
    }
    lines.push_back(line);
    line.clear();
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

}  // namespace

// The first two bytes choose how many filler bytes come first, so that every position of the
// rest meets a buffer boundary.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const MFuzzFile file("lines");
  if (size < 2) return 0;
  const size_t shift = (data[0] | data[1] << 8) % MFastFile::kBufferSize;
  const std::string content =
      std::string(shift, 'f') + std::string(reinterpret_cast<const char*>(data + 2), size - 2);
  file.Write(content.data(), content.size());

  MErrTraceContext context;
  MFastFileReader reader;
  MFUZZ_CHECK(reader.Open(file.path().c_str()), "the reader cannot open the file");
  std::vector<std::string> lines;
  for (std::string line; !reader.IsEOF(); lines.push_back(line)) {
    MFUZZ_CHECK(reader.ReadLine(line), "ReadLine failed");
  }
  MFUZZ_CHECK(!reader.ReadFailed(), "IsEOF could not read");
  MFUZZ_CHECK(lines == split_lines(content), "the lines differ from the plain splitter's");
  MFUZZ_CHECK(reader.Close(), "Close failed");

  std::string whole;
  MFUZZ_CHECK(MFastFile_ReadAtOnce(file.path().c_str(), whole) == static_cast<int64_t>(content.size()),
              "the whole-file read has the wrong size");
  MFUZZ_CHECK(whole == content, "the whole-file read differs");
  return 0;
}
