#include "reference_ini_parser.h"

#include <fstream>
#include <string_view>

namespace {

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kCommentCharacters = "#*/;";

}  // namespace

bool ReferenceIniData::Open(const std::string& file_name) {
  sections_.clear();
  std::ifstream file(file_name, std::ios::binary);
  if (!file) return false;
  Entries* current = nullptr;
  std::string line;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t first = line.find_first_not_of(kBlanks);
    if (first == std::string::npos) continue;
    if (line[0] == '[') {
      const size_t close = line.find(']', 1);
      if (close == std::string::npos) return false;
      const auto inserted = sections_.emplace(line.substr(1, close - 1), Entries());
      if (!inserted.second) return false;
      current = &inserted.first->second;
      continue;
    }
    if (kCommentCharacters.find(line[first]) != std::string_view::npos) continue;
    const size_t equals = line.find('=');
    if (current == nullptr || equals == std::string::npos || equals <= first) return false;
    const size_t name_end = line.find_last_not_of(kBlanks, equals - 1) + 1;
    if (!current->emplace(line.substr(first, name_end - first), line.substr(equals + 1)).second) return false;
  }
  return true;
}
