// A small concrete machine for the magazine and image FIFO tests: a set of defined probe
// systems with a loaded one, an image format, and its image FIFOs looked up by name.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <utility>

#include "mmachabstract.h"

class MTestMachine : public MMachAbstract {
 public:
  explicit MTestMachine(MOutputChannel* output = nullptr)
      : MMachAbstract(output, nullptr, "bench", "") {}

  bool Open() override { return true; }
  void Close() override {}
  void Poll() override {}
  const char* GetMachineName() override { return name.c_str(); }
  const char* GetMachineVersion() override { return "1"; }
  const char* GetMachineDescription() override { return "test machine"; }
  const MMachAxisInfo* GetAxisInfo(const std::string&) override { return nullptr; }
  const MMachAxisInfo* GetFirstAxisInfo() override { return nullptr; }
  const MMachAxisInfo* GetNextAxisInfo() override { return nullptr; }
  double GetAxisValue(const char*) override { return 0.0; }
  bool IsReady() override { return true; }

  bool IsProbesystemDefined(const std::string& probesystem) override {
    const auto next = defined.lower_bound({probesystem, 0});
    return next != defined.end() && next->first == probesystem;
  }
  bool IsProbesystemIdDefined(const std::string& probesystem, uint32_t id) override {
    return defined.count({probesystem, id}) != 0;
  }
  std::string GetActiveProbesystem() override { return active.first; }
  uint32_t GetActiveProbesystemId() override { return active.second; }
  MMachImageFormat GetImageFormat() override { return image_format; }
  MMachImagefifoEntry* FindImagefifo(const std::string& fifo) override {
    const auto found = imagefifos.find(fifo);
    return found == imagefifos.end() ? nullptr : &found->second;
  }

  using MMachAbstract::imagefifos;
  using MMachAbstract::magazine;

  std::set<std::pair<std::string, uint32_t>> defined;
  std::pair<std::string, uint32_t> active;
  MMachImageFormat image_format;
};
