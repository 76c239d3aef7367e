// The probe systems of a machine, behind MMachAbstract's `probesystems`: the base machine's
// probe-system queries forward to the operation of the same name here. Not owned by the machine.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mmachmachinerecords.h"

class MMachProbesystemService {
 public:
  virtual ~MMachProbesystemService() = default;

  virtual bool IsProbesystemDefined(const std::string& name) = 0;
  // Listing of the probe-system names; an entry stays valid until the next call of the listing.
  virtual const MMachProbesystemEntry* GetFirstProbesystem() = 0;
  virtual const MMachProbesystemEntry* GetNextProbesystem() = 0;
  virtual bool IsProbesystemIdDefined(const std::string& name, uint32_t id) = 0;
  virtual std::vector<MMachProbesystemInfo> GetProbesystemInfos(const std::string& name,
                                                                uint32_t id) = 0;
  virtual bool HasActiveProbesystem() = 0;
  virtual bool IsProbesystemKnown(const std::string& name) = 0;
  virtual std::string GetActiveProbesystem() = 0;
  virtual uint32_t GetActiveProbesystemId() = 0;
};
