// Test helper: a test machine for the magazine and image FIFO code, with a set of defined probe
// systems and a loaded one, an image format, and its image FIFOs looked up by name.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <utility>

#include "mtestmachine.h"

class MTestProbesystemMachine : public MTestMachine {
 public:
  using MTestMachine::MTestMachine;

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

  std::set<std::pair<std::string, uint32_t>> defined;
  std::pair<std::string, uint32_t> active;
  MMachImageFormat image_format;
};
