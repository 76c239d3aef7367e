#include "mhostusererrors.h"

#include <iostream>

#include "mhostconfig.h"

void MHostUserErrors::Report(const std::string& where, const std::string& message) const {
  std::cout.flush();
  std::fprintf(stream_, "mmachhost: %s: %s\n", where.c_str(), message.c_str());
  std::fflush(stream_);
}

bool MHostUserErrors::ReportMachine(const std::string& config_path, const MHostMachineSetup& setup,
                                    const std::string& error) const {
  const std::string section = setup.section.substr(1, setup.section.size() - 2);
  Report(MHostUserErrors_Place(config_path, MHostConfig_LineOf(config_path, section, "plugin")),
         setup.section + ": " + error);
  return false;
}

std::string MHostUserErrors_Place(const std::string& file, size_t line) {
  return line == 0 ? file : file + ":" + std::to_string(line);
}
