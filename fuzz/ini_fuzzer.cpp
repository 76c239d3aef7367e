// Ini data: any bytes that open as ini data save to a file that re-reads to the same sections,
// entries and values, whose lines all end with CR LF, and that saves again byte for byte.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "errtrace.h"
#include "mfuzzfile.h"
#include "minidata.h"

namespace {

using Model = std::map<std::string, std::vector<std::pair<std::string, std::string>>>;

Model model_of(const MIniData& ini) {
  Model model;
  std::vector<std::string> sections;
  ini.GetSectionNames(sections);
  for (const std::string& section : sections) {
    std::vector<std::string> entries;
    ini.GetEntryNames(section, entries);
    auto& values = model[section];
    for (const std::string& entry : entries) {
      std::string value;
      MFUZZ_CHECK(ini.GetStringEntry(section, entry, value), "a listed entry is not found");
      values.emplace_back(entry, value);
    }
  }
  return model;
}

bool has_only_crlf_line_ends(const std::string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) return false;
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
  }
  return text.empty() || text.back() == '\n';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const MFuzzFile file("ini");
  MErrTraceContext context;  // parse errors are expected; their entries go with the context
  file.Write(data, size);
  Model model;
  {
    MIniData ini;
    if (!ini.Open(file.path())) return 0;
    model = model_of(ini);
    MFUZZ_CHECK(ini.Save(), "saving failed");
  }
  const std::string saved = file.Read();
  MFUZZ_CHECK(has_only_crlf_line_ends(saved), "a saved line does not end with CR LF");
  MIniData reread;
  MFUZZ_CHECK(reread.Open(file.path()), "the saved file does not open");
  MFUZZ_CHECK(model_of(reread) == model, "the saved file reads back differently");
  MFUZZ_CHECK(reread.Save(), "saving again failed");
  MFUZZ_CHECK(file.Read() == saved, "saving again changed the file");
  return 0;
}
