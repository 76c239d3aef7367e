#include "templateprobesystems.h"

TemplateProbesystems::TemplateProbesystems() {
  entry_.name = "tactile";
  definition_.name = entry_.name;
  definition_.id = 1;
}

bool TemplateProbesystems::IsProbesystemDefined(const std::string& name) {
  return name == definition_.name;
}

const MMachProbesystemEntry* TemplateProbesystems::GetFirstProbesystem() {
  listed_ = true;
  return &entry_;
}

const MMachProbesystemEntry* TemplateProbesystems::GetNextProbesystem() {
  if (listed_) return nullptr;
  listed_ = true;
  return &entry_;
}

bool TemplateProbesystems::IsProbesystemIdDefined(const std::string& name, uint32_t id) {
  return name == definition_.name && id == definition_.id;
}

std::vector<MMachProbesystemInfo> TemplateProbesystems::GetProbesystemInfos(
    const std::string& name, uint32_t id) {
  const bool named = name.empty() || name == definition_.name;
  if (named && (id == 0 || id == definition_.id)) return {definition_};
  return {};
}

bool TemplateProbesystems::HasActiveProbesystem() { return true; }

bool TemplateProbesystems::IsProbesystemKnown(const std::string& name) {
  return name == entry_.name;
}

std::string TemplateProbesystems::GetActiveProbesystem() { return definition_.name; }

uint32_t TemplateProbesystems::GetActiveProbesystemId() { return definition_.id; }
