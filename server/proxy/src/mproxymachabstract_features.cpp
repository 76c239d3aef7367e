// The features that the server starts, reads and stops on the machine itself: autoinfo,
// autolatch, preview and preview memory. Each runs on the submachines that own the axes or the
// probe system concerned; the proxy remembers where, and routes every later call there.
#include "mproxymachabstract.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "mproxyguard.h"
#include "mproxyreport.h"
#include "trace.h"

// Autoinfo.

bool MProxyMachAbstract::StartAutoinfo(MOutputChannel* out, uint32_t mode, const MMachAxesVector& axes) {
  MErrTraceContext context;
  // Added to the running table: a start while autoinfo runs extends the owners' requests.
  if (!split_axesvector_to_submachines(axes, features_.autoinfo_table, features_.autoinfo_shared_axes)) {
    MERRDUMP(context, "MProxyMachAbstract::StartAutoinfo(): split_axesvector_to_submachines() failed");
    features_.autoinfo_table.clear();
    return false;
  }
  for (const auto& [owner, part] : features_.autoinfo_table) {
    if (!MPROXY_CALL(owner, IsAutoinfoPossible)) {
      MPROXY_DUMP_AND_FAIL(context, out, kMErrorInvalidArgument,
                           "MProxyMachAbstract::StartAutoinfo(): impossible for axis %.40s",
                           part.names.empty() ? "" : part.names.front().c_str());
      features_.autoinfo_table.clear();
      return false;
    }
  }
  features_.autoinfo_data.clear();
  for (auto it = features_.autoinfo_table.begin(); it != features_.autoinfo_table.end(); ++it) {
    MMachAbstract* const owner = it->first;
    if (!MPROXY_CALL(owner, StartAutoinfo, out, mode, it->second.names)) {
      // Walk back: stop the owners started so far, the latest first.
      for (auto started = std::make_reverse_iterator(it); started != features_.autoinfo_table.rend(); ++started) {
        MPROXY_CALL(started->first, StopAutoinfo);
      }
      features_.autoinfo_table.clear();
      MERRDUMP(context, "MProxyMachAbstract::StartAutoinfo(): StartAutoinfo() failed");
      return false;
    }
    features_.autoinfo_data[owner].assign(it->second.names.size(), 0.0);
  }
  features_.autoinfo_ready.assign(features_.autoinfo_table.size(), false);
  return true;
}

void MProxyMachAbstract::StopAutoinfo() {
  for (const auto& [owner, part] : features_.autoinfo_table) MPROXY_CALL(owner, StopAutoinfo);
  features_.autoinfo_table.clear();
}

// With several owners each one is drained, so that its stored vector holds its latest values. A
// submachine reads into a copy of its stored vector, which is kept only when it answers true: a
// final "nothing new" answer cannot spoil the values delivered before.
bool MProxyMachAbstract::GetAutoinfoData(std::vector<double>& values) {
  if (features_.autoinfo_table.empty()) return false;
  const bool drain = features_.autoinfo_table.size() > 1;
  size_t k = 0;
  for (auto it = features_.autoinfo_table.begin(); it != features_.autoinfo_table.end(); ++it, ++k) {
    std::vector<double>& stored = features_.autoinfo_data[it->first];
    std::vector<double> latest = stored;
    bool delivered = false;
    while (MPROXY_CALL(it->first, GetAutoinfoData, latest)) {
      stored = latest;
      delivered = true;
      if (!drain) break;
    }
    if (delivered && k < features_.autoinfo_ready.size()) features_.autoinfo_ready[k] = true;
  }
  if (features_.autoinfo_ready.size() != features_.autoinfo_table.size() ||
      std::find(features_.autoinfo_ready.begin(), features_.autoinfo_ready.end(), false) != features_.autoinfo_ready.end()) {
    return false;
  }
  values = merge_axesvector_values(features_.autoinfo_table, features_.autoinfo_shared_axes, features_.autoinfo_data);
  features_.autoinfo_ready.assign(features_.autoinfo_ready.size(), false);
  return true;
}

bool MProxyMachAbstract::IsAutoinfoActive() { return !features_.autoinfo_table.empty(); }

// Autolatch.

bool MProxyMachAbstract::StartAutolatch(MOutputChannel* out, const std::string& axis,
                                        const MMachAxesVector& axes) {
  MErrTraceContext context;
  MProxyAxesVectorParts latch_split;
  MProxyAxesVectorParts axes_split;
  std::vector<MProxySharedAxis> shared;
  if (!split_axesvector_to_submachines(MMachAxesVector{axis}, latch_split, shared) ||
      !split_axesvector_to_submachines(axes, axes_split, shared)) {
    MERRDUMP(context, "StartAutolatch(): split_axesvector_to_submachines() failed");
    return false;
  }
  MMachAbstract* const owner = latch_split.begin()->first;
  if (axes_split.size() != 1 || axes_split.begin()->first != owner) {
    MPROXY_LOG_AND_FAIL(out, kMErrorInvalidArgument, "StartAutolatch(): not all axes on the same submachine");
    return false;
  }
  if (!MPROXY_CALL(owner, IsAutolatchPossible)) {
    MPROXY_LOG_AND_FAIL(out, kMErrorInvalidArgument,
                        "StartAutolatch(): autolatch command not supported by submachine %s (%s)",
                        mproxy_guard::name_of(owner), mproxy_guard::description_of(owner));
    return false;
  }
  // A running autolatch elsewhere is not stopped: the new one simply takes the table over.
  const std::string& latch = latch_split.begin()->second.names.front();
  if (!MPROXY_CALL(owner, StartAutolatch, out, latch, axes_split.begin()->second.names)) {
    MERRDUMP(context, "StartAutolatch(): failed to start autolatch on %s (%s)", mproxy_guard::name_of(owner),
             mproxy_guard::description_of(owner));
    return false;
  }
  features_.autolatch_table = std::move(axes_split);
  return true;
}

void MProxyMachAbstract::StopAutolatch() {
  for (const auto& [owner, part] : features_.autolatch_table) MPROXY_CALL(owner, StopAutolatch);
  features_.autolatch_table.clear();
}

bool MProxyMachAbstract::IsAutolatchTriggered() {
  return !features_.autolatch_table.empty() && MPROXY_CALL(features_.autolatch_table.begin()->first, IsAutolatchTriggered);
}

bool MProxyMachAbstract::IsAutolatchActive() { return !features_.autolatch_table.empty(); }

// Preview.

// The active submachine takes the preview when it can. Otherwise exactly one capable submachine
// must exist: a second one, or a preview left running by an earlier start, makes the place
// ambiguous and the start is refused.
bool MProxyMachAbstract::StartPreview(MOutputChannel* out, uint64_t value) {
  MMachAbstract* const active = get_active_submachine();
  if (active != nullptr && MPROXY_CALL(active, IsPreviewPossible)) {
    features_.preview_machine = active;
  } else {
    for (MMachAbstract* submachine : submachines_) {
      if (!MPROXY_CALL(submachine, IsPreviewPossible)) continue;
      if (features_.preview_machine == nullptr) {
        features_.preview_machine = submachine;
        continue;
      }
      MPROXY_TRACE_AND_FAIL(out, kMErrorProbesystemNotLoaded,
                            "StartPreview(): active machine does not support preview. "
                            "Where do you want to start it?");
      features_.preview_machine = nullptr;
      return false;
    }
    if (features_.preview_machine == nullptr) {
      MPROXY_TRACE_AND_FAIL(out, kMErrorProbesystemNotLoaded,
                            "StartPreview(): no submachine supports preview");
      return false;
    }
  }
  if (!MPROXY_CALL(features_.preview_machine, StartPreview, out, value)) {
    MERRTRACE("StartPreview(): failed to start preview on %s [%s]", mproxy_guard::name_of(features_.preview_machine),
              mproxy_guard::description_of(features_.preview_machine));
    features_.preview_machine = nullptr;
    return false;
  }
  MTRACE(3, "StartPreview(): preview started on %s [%s]", mproxy_guard::name_of(features_.preview_machine),
         mproxy_guard::description_of(features_.preview_machine));
  return true;
}

bool MProxyMachAbstract::StopPreview() {
  if (features_.preview_machine == nullptr) return true;
  MMachAbstract* const machine = features_.preview_machine;
  features_.preview_machine = nullptr;
  return machine->StopPreview();
}

bool MProxyMachAbstract::GetPreviewData(std::vector<double>& values) {
  return features_.preview_machine != nullptr && MPROXY_CALL(features_.preview_machine, GetPreviewData, values);
}

bool MProxyMachAbstract::IsPreviewActive() { return features_.preview_machine != nullptr; }

// Preview memory.

bool MProxyMachAbstract::StartPreviewMemory(MOutputChannel* out, uint32_t a, uint64_t b,
                                            const std::string& probesystem) {
  const auto entry = probesystem_table_.find(probesystem);
  if (entry == probesystem_table_.end()) {
    MPROXY_TRACE_AND_FAIL(out, kMErrorUnknownProbesystem,
                          "StartPreviewMemory(): no mapping for probesystem %s", probesystem.c_str());
    return false;
  }
  MMachAbstract* const owner = entry->second.submachine;
  if (!MPROXY_CALL(owner, IsPreviewMemoryPossible)) {
    MPROXY_TRACE_AND_FAIL(out, "probesystem does not support preview",
                          "StartPreviewMemory(): %s [%s] does not support preview memory command",
                          mproxy_guard::name_of(owner), mproxy_guard::description_of(owner));
    return false;
  }
  if (!MPROXY_CALL(owner, StartPreviewMemory, out, a, b, entry->second.submachine_name)) {
    MERRTRACE("StartPreviewMemory(): command failed on the submachine");
    return false;
  }
  features_.preview_memory_table[probesystem] = owner;
  MTRACE(3, "StartPreviewMemory(): preview memory started on %s [%s]", mproxy_guard::name_of(owner),
         mproxy_guard::description_of(owner));
  return true;
}

bool MProxyMachAbstract::StopPreviewMemory(const std::string& probesystem) {
  const auto entry = features_.preview_memory_table.find(probesystem);
  if (entry == features_.preview_memory_table.end()) return true;
  MMachAbstract* const owner = entry->second;
  features_.preview_memory_table.erase(entry);  // whatever the owner answers
  const bool stopped = MPROXY_CALL(owner, StopPreviewMemory, probesystem);
  if (stopped) {
    MTRACE(3, "StopPreviewMemory(): preview memory stopped on %s [%s]", mproxy_guard::name_of(owner),
           mproxy_guard::description_of(owner));
  }
  return stopped;
}

bool MProxyMachAbstract::IsPreviewMemoryActive(const std::string& probesystem) {
  return features_.preview_memory_table.count(probesystem) != 0;
}

bool MProxyMachAbstract::IsPreviewMemoryReady(const std::string& probesystem) {
  const auto entry = features_.preview_memory_table.find(probesystem);
  return entry != features_.preview_memory_table.end() &&
         MPROXY_CALL(entry->second, IsPreviewMemoryReady, probesystem);
}
