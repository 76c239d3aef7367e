// Yardstick for reading ini files: the plain way, std::getline into a map of sections holding
// maps of entries. It keeps only the entries (no comments, no line order) and checks what ini data
// checks: headers in column 0 with a ']', no entry before the first header, an '=' with a name
// before it, no name twice.
#pragma once

#include <map>
#include <string>

class ReferenceIniData {
 public:
  using Entries = std::map<std::string, std::string>;  // name -> the raw text after the first '='

  // Reads the whole file; false on a missing file or the first bad line.
  bool Open(const std::string& file_name);

  const std::map<std::string, Entries>& sections() const { return sections_; }

 private:
  std::map<std::string, Entries> sections_;
};
