// TemplateProbesystems: the probe systems of TemplateMachine, one tactile probe system with the
// definition id 1, loaded from the start. The machine hands it to MMachAbstract (its
// `probesystems` service), whose probe-system queries then answer from here. Loading another
// probe system would need the machine's probe-system commands, which this template leaves out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mmachprobesystemservice.h"

class TemplateProbesystems : public MMachProbesystemService {
 public:
  TemplateProbesystems();

  bool IsProbesystemDefined(const std::string& name) override;
  const MMachProbesystemEntry* GetFirstProbesystem() override;
  const MMachProbesystemEntry* GetNextProbesystem() override;
  bool IsProbesystemIdDefined(const std::string& name, uint32_t id) override;
  // The definitions of `name` (of every name when empty); all of them for id 0.
  std::vector<MMachProbesystemInfo> GetProbesystemInfos(const std::string& name,
                                                        uint32_t id) override;
  bool HasActiveProbesystem() override;
  bool IsProbesystemKnown(const std::string& name) override;
  std::string GetActiveProbesystem() override;
  uint32_t GetActiveProbesystemId() override;

 private:
  MMachProbesystemEntry entry_;        // the listing's only entry
  MMachProbesystemInfo definition_;    // its only definition, the loaded one
  bool listed_ = false;                // the listing has handed out its entry
};
