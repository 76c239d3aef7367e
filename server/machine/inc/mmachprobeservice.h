// The probes of a machine, behind MMachAbstract's `probes`: the base machine's probe queries
// forward to the operation of the same name here. Not owned by the machine.
#pragma once

#include <cstdint>
#include <vector>

class MMachProbeService {
 public:
  virtual ~MMachProbeService() = default;

  virtual bool IsProbeDefined(uint32_t probe) = 0;
  virtual bool IsProbeTipDefined(uint32_t probe, uint32_t tip) = 0;
  virtual std::vector<double> GetProbeTipData(uint32_t probe, uint32_t tip) = 0;
  virtual uint64_t GetProbeInfo() = 0;
  virtual uint64_t GetProbeStatus() = 0;
  virtual uint32_t GetLoadedProbe() = 0;
  virtual uint64_t GetLoadedTip() = 0;
};
