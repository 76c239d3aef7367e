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
  if (!split_axesvector_to_submachines(axes, autoinfo_table_, autoinfo_shared_axes_)) {
    MERRDUMP(context, "MProxyMachAbstract::StartAutoinfo(): split_axesvector_to_submachines() failed");
    autoinfo_table_.clear();
    return false;
  }
  for (const auto& [owner, part] : autoinfo_table_) {
    if (!MPROXY_CALL(owner, IsAutoinfoPossible)) {
      MPROXY_DUMP_AND_FAIL(context, out, kMErrorInvalidArgument,
                           "MProxyMachAbstract::StartAutoinfo(): impossible for axis %.40s",
                           part.names.empty() ? "" : part.names.front().c_str());
      autoinfo_table_.clear();
      return false;
    }
  }
  autoinfo_data_.clear();
  for (auto it = autoinfo_table_.begin(); it != autoinfo_table_.end(); ++it) {
    MMachAbstract* const owner = it->first;
    if (!MPROXY_CALL(owner, StartAutoinfo, out, mode, it->second.names)) {
      // Walk back: stop the owners started so far, the latest first.
      for (auto started = std::make_reverse_iterator(it); started != autoinfo_table_.rend(); ++started) {
        MPROXY_CALL(started->first, StopAutoinfo);
      }
      autoinfo_table_.clear();
      MERRDUMP(context, "MProxyMachAbstract::StartAutoinfo(): StartAutoinfo() failed");
      return false;
    }
    autoinfo_data_[owner].assign(it->second.names.size(), 0.0);
  }
  autoinfo_ready_.assign(autoinfo_table_.size(), false);
  return true;
}

void MProxyMachAbstract::StopAutoinfo() {
  for (const auto& [owner, part] : autoinfo_table_) MPROXY_CALL(owner, StopAutoinfo);
  autoinfo_table_.clear();
}

// With several owners each one is drained, so that its stored vector holds its latest values. A
// submachine reads into a copy of its stored vector, which is kept only when it answers true: a
// final "nothing new" answer cannot spoil the values delivered before.
bool MProxyMachAbstract::GetAutoinfoData(std::vector<double>& values) {
  if (autoinfo_table_.empty()) return false;
  const bool drain = autoinfo_table_.size() > 1;
  size_t k = 0;
  for (auto it = autoinfo_table_.begin(); it != autoinfo_table_.end(); ++it, ++k) {
    std::vector<double>& stored = autoinfo_data_[it->first];
    std::vector<double> latest = stored;
    bool delivered = false;
    while (MPROXY_CALL(it->first, GetAutoinfoData, latest)) {
      stored = latest;
      delivered = true;
      if (!drain) break;
    }
    if (delivered && k < autoinfo_ready_.size()) autoinfo_ready_[k] = true;
  }
  if (autoinfo_ready_.size() != autoinfo_table_.size() ||
      std::find(autoinfo_ready_.begin(), autoinfo_ready_.end(), false) != autoinfo_ready_.end()) {
    return false;
  }
  values = merge_axesvector_values(autoinfo_table_, autoinfo_shared_axes_, autoinfo_data_);
  autoinfo_ready_.assign(autoinfo_ready_.size(), false);
  return true;
}

bool MProxyMachAbstract::IsAutoinfoActive() { return !autoinfo_table_.empty(); }

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
  autolatch_table_ = std::move(axes_split);
  return true;
}

void MProxyMachAbstract::StopAutolatch() {
  for (const auto& [owner, part] : autolatch_table_) MPROXY_CALL(owner, StopAutolatch);
  autolatch_table_.clear();
}

bool MProxyMachAbstract::IsAutolatchTriggered() {
  return !autolatch_table_.empty() && MPROXY_CALL(autolatch_table_.begin()->first, IsAutolatchTriggered);
}

bool MProxyMachAbstract::IsAutolatchActive() { return !autolatch_table_.empty(); }

// Preview.

// The active submachine takes the preview when it can. Otherwise exactly one capable submachine
// must exist: a second one, or a preview left running by an earlier start, makes the place
// ambiguous and the start is refused.
bool MProxyMachAbstract::StartPreview(MOutputChannel* out, uint64_t value) {
  MMachAbstract* const active = get_active_submachine();
  if (active != nullptr && MPROXY_CALL(active, IsPreviewPossible)) {
    preview_machine_ = active;
  } else {
    for (MMachAbstract* submachine : submachines_) {
      if (!MPROXY_CALL(submachine, IsPreviewPossible)) continue;
      if (preview_machine_ == nullptr) {
        preview_machine_ = submachine;
        continue;
      }
      MPROXY_TRACE_AND_FAIL(out, kMErrorProbesystemNotLoaded,
                            "StartPreview(): active machine does not support preview. "
                            "Where do you want to start it?");
      preview_machine_ = nullptr;
      return false;
    }
    if (preview_machine_ == nullptr) {
      MPROXY_TRACE_AND_FAIL(out, kMErrorProbesystemNotLoaded,
                            "StartPreview(): no submachine supports preview");
      return false;
    }
  }
  if (!MPROXY_CALL(preview_machine_, StartPreview, out, value)) {
    MERRTRACE("StartPreview(): failed to start preview on %s [%s]", mproxy_guard::name_of(preview_machine_),
              mproxy_guard::description_of(preview_machine_));
    preview_machine_ = nullptr;
    return false;
  }
  MTRACE(3, "StartPreview(): preview started on %s [%s]", mproxy_guard::name_of(preview_machine_),
         mproxy_guard::description_of(preview_machine_));
  return true;
}

bool MProxyMachAbstract::StopPreview() {
  if (preview_machine_ == nullptr) return true;
  MMachAbstract* const machine = preview_machine_;
  preview_machine_ = nullptr;
  return machine->StopPreview();
}

bool MProxyMachAbstract::GetPreviewData(std::vector<double>& values) {
  return preview_machine_ != nullptr && MPROXY_CALL(preview_machine_, GetPreviewData, values);
}

bool MProxyMachAbstract::IsPreviewActive() { return preview_machine_ != nullptr; }

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
  preview_memory_table_[probesystem] = owner;
  MTRACE(3, "StartPreviewMemory(): preview memory started on %s [%s]", mproxy_guard::name_of(owner),
         mproxy_guard::description_of(owner));
  return true;
}

bool MProxyMachAbstract::StopPreviewMemory(const std::string& probesystem) {
  const auto entry = preview_memory_table_.find(probesystem);
  if (entry == preview_memory_table_.end()) return true;
  MMachAbstract* const owner = entry->second;
  preview_memory_table_.erase(entry);  // whatever the owner answers
  const bool stopped = MPROXY_CALL(owner, StopPreviewMemory, probesystem);
  if (stopped) {
    MTRACE(3, "StopPreviewMemory(): preview memory stopped on %s [%s]", mproxy_guard::name_of(owner),
           mproxy_guard::description_of(owner));
  }
  return stopped;
}

bool MProxyMachAbstract::IsPreviewMemoryActive(const std::string& probesystem) {
  return preview_memory_table_.count(probesystem) != 0;
}

bool MProxyMachAbstract::IsPreviewMemoryReady(const std::string& probesystem) {
  const auto entry = preview_memory_table_.find(probesystem);
  return entry != preview_memory_table_.end() &&
         MPROXY_CALL(entry->second, IsPreviewMemoryReady, probesystem);
}
