// Test helper: the smallest concrete machine. The pure operations of MMachAbstract answer fixed
// values (no axes, always ready), every other operation is the base's, and the protected fields
// that tests set up are public here.
#pragma once

#include <string>

#include "mmachabstract.h"

class MTestMachine : public MMachAbstract {
 public:
  explicit MTestMachine(MOutputChannel* output = nullptr, MMachHostService* host = nullptr)
      : MMachAbstract(output, host, "bench", "") {}

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

  using MMachAbstract::imagefifos;
  using MMachAbstract::magazine;
  using MMachAbstract::probes;
  using MMachAbstract::probesystems;
  using MMachAbstract::supported_commands;
};
