// The features that the server starts, reads and stops on the simulated machine itself:
// autoinfo, autolatch, preview and preview memory.
#include "msimmachine.h"

#include <utility>

namespace {

// A start that the feature's set-up lets succeed makes it active with `out` as its channel.
bool start_feature(MSimFeature& feature, MOutputChannel* out) {
  if (!feature.start_succeeds) return false;
  feature.active = true;
  feature.out = out;
  return true;
}

bool stop_feature(MSimFeature& feature) {
  feature.active = false;
  return feature.stop_succeeds;
}

// Hands out the oldest queued vector while the feature is active.
bool read_feature(MSimFeature& feature, std::vector<double>& values) {
  if (!feature.active || feature.data.empty()) return false;
  values = std::move(feature.data.front());
  feature.data.pop_front();
  return true;
}

}  // namespace

bool MSimMachine::IsAutoinfoPossible() {
  count_call(__func__);
  return tables_.autoinfo.possible;
}

bool MSimMachine::StartAutoinfo(MOutputChannel* out, uint32_t mode, const MMachAxesVector& axes) {
  count_call(__func__);
  if (!start_feature(tables_.autoinfo, out)) return false;
  tables_.autoinfo.mode = mode;
  tables_.autoinfo.axes = axes;
  return true;
}

void MSimMachine::StopAutoinfo() {
  count_call(__func__);
  stop_feature(tables_.autoinfo);
}

bool MSimMachine::GetAutoinfoData(std::vector<double>& values) {
  count_call(__func__);
  return read_feature(tables_.autoinfo, values);
}

bool MSimMachine::IsAutoinfoActive() {
  count_call(__func__);
  return tables_.autoinfo.active;
}

bool MSimMachine::IsAutolatchPossible() {
  count_call(__func__);
  return tables_.autolatch.possible;
}

bool MSimMachine::StartAutolatch(MOutputChannel* out, const std::string& axis,
                                 const MMachAxesVector& axes) {
  count_call(__func__);
  if (!start_feature(tables_.autolatch, out)) return false;
  tables_.autolatch.axis = axis;
  tables_.autolatch.axes = axes;
  return true;
}

void MSimMachine::StopAutolatch() {
  count_call(__func__);
  stop_feature(tables_.autolatch);
}

bool MSimMachine::IsAutolatchTriggered() {
  count_call(__func__);
  return tables_.autolatch.triggered;
}

bool MSimMachine::IsAutolatchActive() {
  count_call(__func__);
  return tables_.autolatch.active;
}

bool MSimMachine::IsPreviewPossible() {
  count_call(__func__);
  return tables_.preview.possible;
}

bool MSimMachine::StartPreview(MOutputChannel* out, uint64_t value) {
  count_call(__func__);
  if (!start_feature(tables_.preview, out)) return false;
  tables_.preview.value = value;
  return true;
}

bool MSimMachine::StopPreview() {
  count_call(__func__);
  return stop_feature(tables_.preview);
}

bool MSimMachine::GetPreviewData(std::vector<double>& values) {
  count_call(__func__);
  return read_feature(tables_.preview, values);
}

bool MSimMachine::IsPreviewActive() {
  count_call(__func__);
  return tables_.preview.active;
}

bool MSimMachine::IsPreviewMemoryPossible() {
  count_call(__func__);
  return tables_.preview_memory.possible;
}

bool MSimMachine::StartPreviewMemory(MOutputChannel*, uint32_t a, uint64_t b,
                                     const std::string& probesystem) {
  count_call(__func__);
  if (!tables_.preview_memory.start_succeeds) return false;
  tables_.preview_memory.running[probesystem] = {a, b, false};
  return true;
}

// Stops a running preview memory; false when none runs for `probesystem`.
bool MSimMachine::StopPreviewMemory(const std::string& probesystem) {
  count_call(__func__);
  const bool was_running = tables_.preview_memory.running.erase(probesystem) != 0;
  return was_running && tables_.preview_memory.stop_succeeds;
}

bool MSimMachine::IsPreviewMemoryActive(const std::string& probesystem) {
  count_call(__func__);
  return tables_.preview_memory.running.count(probesystem) != 0;
}

bool MSimMachine::IsPreviewMemoryReady(const std::string& probesystem) {
  count_call(__func__);
  const auto it = tables_.preview_memory.running.find(probesystem);
  return it != tables_.preview_memory.running.end() && it->second.ready;
}
