// Opening the proxy: reading the submachines' descriptions, merging them into the axis and
// component tables, the supported commands, the startup probe system and capability updates.
#include "mproxymachabstract.h"

#include <memory>
#include <optional>
#include <utility>

#include "errlog.h"
#include "errtrace.h"
#include "mmachcommands.h"
#include "mproxyguard.h"
#include "mproxynamemerge.h"
#include "mproxyreport.h"
#include "msleep_sec.h"
#include "trace.h"

namespace {

// Polls `command` of `submachine` until it is done, sleeping 0.01 s between polls (no time limit).
void run_until_done(MMachAbstract* submachine, MMachCommand& command) {
  while (!mproxy_guard::poll(submachine, &command)) msleep_sec(0.01);
}

// What a listing refused, for the error log: `"<name>" listed twice` (the name cut to 50
// characters) or "whose listing threw".
std::string listed_twice(const std::string& name) {
  return std::string("\"").append(name, 0, 50).append("\" listed twice");
}
constexpr const char* kListingThrew = "whose listing threw";

// A first/next listing call of `submachine` through the guard: no value when it threw.
template <class Info>
std::optional<const Info*> list_guarded(MMachAbstract* submachine, const char* operation,
                                        const Info* (MMachAbstract::*list)()) {
  return mproxy_guard::attempt(submachine, operation, [&] { return (submachine->*list)(); });
}

// Copies a submachine's first/next listing into `infos`; false at a name met twice or a listing
// call that threw, which `refused` describes.
template <class Info>
bool copy_listing(const char* function, MMachAbstract* submachine, std::map<std::string, Info>& infos,
                  std::string& refused, const char* first_name, const Info* (MMachAbstract::*first)(),
                  const char* next_name, const Info* (MMachAbstract::*next)()) {
  for (std::optional<const Info*> info = list_guarded(submachine, first_name, first);;
       info = list_guarded(submachine, next_name, next)) {
    if (!info) {
      refused = kListingThrew;
      return false;
    }
    if (*info == nullptr) return true;
    const std::string& name = (*info)->name;
    if (!infos.try_emplace(name, **info).second) {
      MERRTRACE("MProxyMachAbstract::%s(): \"%.20s\" found twice", function, name.c_str());
      refused = listed_twice(name);
      return false;
    }
  }
}

// The table entry of a stored (own name, info) pair of `submachine`.
template <class Entry>
struct EntryOfInfo {
  template <class Info>
  Entry operator()(const std::pair<const std::string, Info>& stored, MMachAbstract* submachine) const {
    return Entry{stored.second, stored.first, submachine};
  }
};

// What `channel` gained since it held `before` (all of it when it was emptied meanwhile), its
// lines joined with "; " so that it fits into one error-log entry.
std::string text_since(const MOutputChannel* channel, const std::string& before) {
  std::string now;
  if (channel) channel->Peek(now);
  std::string text = now.compare(0, before.size(), before) == 0 ? now.substr(before.size()) : now;
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) text.replace(at, 2, "; ");
  return text;
}

// The server learns which submachine (list index `index`) did not open, and what it wrote into
// `output` after `before` about it.
void report_not_opened(MOutputChannel* output, MMachAbstract* submachine, size_t index, const std::string& before) {
  const std::string reason = text_since(output, before);
  MERRLOG("MProxyMachAbstract::Open(): submachine %zu (%s [%s]) not opened%s%s", index + 1,
          mproxy_guard::name_of(submachine), mproxy_guard::description_of(submachine), reason.empty() ? "" : ": ",
          reason.c_str());
  MPROXY_TRACE_AND_FAIL(output, kMErrorInternal, "MProxyMachAbstract::Open(): Open() for submachine index %zu failed",
                        index);
}

}  // namespace

bool MProxyMachAbstract::Open() {
  const size_t count = submachines_.size();
  std::vector<MProxyAxisListings::Listing>& axis_listings = axis_listings_.expand();
  axis_listings.resize(count);
  submachine_componentinfos_.resize(count);
  submachine_probesystem_infos_.resize(count);
  submachine_probesystem_names_.resize(count);

  read_config_file();

  for (size_t i = 0; i < count; ++i) {
    MMachAbstract* submachine = submachines_[i];
    std::string before;
    if (output) output->Peek(before);
    if (!MPROXY_CALL(submachine, Open)) {
      report_not_opened(output, submachine, i, before);
      submachines_.resize(i);
      Close();
      return false;
    }
    const char* failed = nullptr;
    const char* kind = nullptr;
    std::string refused;
    if (!get_axisinfos(submachine, axis_listings[i], refused)) {
      failed = "get_axisinfos";
      kind = "axis";
    } else if (!get_componentinfos(submachine, submachine_componentinfos_[i], refused)) {
      failed = "get_componentinfos";
      kind = "component";
    } else if (!get_probesystems(submachine, submachine_probesystem_infos_[i], submachine_probesystem_names_[i],
                                 refused)) {
      failed = "get_probesystems";
      kind = "probe system";
    }
    if (failed) {
      MERRLOG("MProxyMachAbstract::Open(): submachine %zu (%s [%s]) refused: %s %s", i + 1,
              mproxy_guard::name_of(submachine), mproxy_guard::description_of(submachine), kind,
              refused.c_str());
      MPROXY_TRACE_AND_FAIL(output, kMErrorInternal, "MProxyMachAbstract::Open(): %s(%zu) failed", failed, i);
      return false;
    }
  }

  update_probesystem_table();

  MErrTraceContext context;
  if (!load_startup_probesystem()) {
    MPROXY_DUMP_AND_FAIL(context, output, "Failed to load startup probesystem",
                         "%s(): load_startup_probesystem() failed", "MProxyMachAbstract::Open");
    std::unique_ptr<MMachCommand> unload(NewMMachProbesystemUnloadCommand(output));
    if (unload) run_until_done(this, *unload);
  }
  update_axis_table(nullptr);
  update_component_table(nullptr);
  update_supported_commands();
  return true;
}

bool MProxyMachAbstract::get_axisinfos(MMachAbstract* submachine, std::map<std::string, MMachAxisInfo>& infos,
                                       std::string& refused) {
  return copy_listing("get_axisinfos", submachine, infos, refused, "GetFirstAxisInfo",
                      &MMachAbstract::GetFirstAxisInfo, "GetNextAxisInfo", &MMachAbstract::GetNextAxisInfo);
}

bool MProxyMachAbstract::get_componentinfos(MMachAbstract* submachine,
                                            std::map<std::string, MMachComponentInfo>& infos,
                                            std::string& refused) {
  return copy_listing("get_componentinfos", submachine, infos, refused, "GetFirstComponentInfo",
                      &MMachAbstract::GetFirstComponentInfo, "GetNextComponentInfo",
                      &MMachAbstract::GetNextComponentInfo);
}

bool MProxyMachAbstract::get_probesystems(MMachAbstract* submachine,
                                          std::multimap<std::string, MMachProbesystemInfo>& infos,
                                          std::set<std::string>& names, std::string& refused) {
  if (!MPROXY_CALL(submachine, HasProbesystems)) return true;
  for (std::optional<const MMachProbesystemEntry*> entry =
           list_guarded(submachine, "GetFirstProbesystem", &MMachAbstract::GetFirstProbesystem);
       ; entry = list_guarded(submachine, "GetNextProbesystem", &MMachAbstract::GetNextProbesystem)) {
    if (!entry) {
      refused = kListingThrew;
      return false;
    }
    if (*entry == nullptr) return true;
    const std::string& name = (*entry)->name;
    if (!names.insert(name).second) {
      MERRTRACE("MProxyMachAbstract::get_probesystems(): \"%.20s\" found twice", name.c_str());
      refused = listed_twice(name);
      return false;
    }
    for (MMachProbesystemInfo& info : MPROXY_CALL(submachine, GetProbesystemInfos, name, 0)) {
      infos.emplace(info.name, std::move(info));
    }
  }
}

void MProxyMachAbstract::update_axis_table(bool* changed) {
  const std::vector<MProxyAxisListings::Listing>& listings = axis_listings_.expand();
  MProxyMergeRules<MProxyAxisEntry> rules;
  rules.stored = [this](size_t index, const MProxyAxisEntry& entry) { axis_listings_.stored(index, entry); };
  rules.rename = [](const std::string& axis, size_t index) { return append_number(axis, index + 1); };
  // The plain name follows the active submachine; without one it stays usable only for a
  // shared axis (combined over the submachines) that some submachine offers.
  rules.settle_plain = [this, &listings](MProxyAxisEntry& plain, const std::string& axis) {
    MMachAbstract* active = get_active_submachine();
    if (const MMachAxisInfo* info = active ? MPROXY_CALL(active, GetAxisInfo, axis) : nullptr) {
      plain = MProxyAxisEntry{*info, axis, active};
      plain.info.name = axis;
      return;
    }
    bool offered = false;
    for (const auto& infos : listings) {
      const auto it = infos.find(axis);
      if (it != infos.end() && it->second.IsAvailable()) {
        offered = true;
        break;
      }
    }
    if (offered && combine_functions_.count(axis) != 0) {
      plain.info.flags &= ~MMachAxisInfo::kNotAvailable;
    } else {
      plain.info.flags |= MMachAxisInfo::kNotAvailable;
    }
  };
  merge_into_table(axis_table_, submachines_, listings, EntryOfInfo<MProxyAxisEntry>(), rules, changed);
  axis_listings_.compact(submachines_);
  axis_index_.rebuild(axis_table_);
  axis_cursor_ = axis_table_.end();
}

void MProxyMachAbstract::update_component_table(bool* changed) {
  MProxyMergeRules<MProxyComponentEntry> rules;
  rules.rename = [this](const std::string& component, size_t index) {
    return apply_component_prefix(component, index);
  };
  rules.rename_at_once = [this](const std::string& component) {
    return !aliases_.empty() && shared_config_files_.count(component) == 0;
  };
  // The plain name follows the active submachine, and stays available only for a shared file.
  rules.settle_plain = [this](MProxyComponentEntry& plain, const std::string& component) {
    MMachAbstract* active = get_active_submachine();
    if (const MMachComponentInfo* info =
            active ? MPROXY_CALL(active, GetComponentInfo, component) : nullptr) {
      plain = MProxyComponentEntry{*info, component, active};
      plain.info.name = component;
      if (shared_config_files_.count(component) != 0) return;
    }
    plain.info.flags |= MMachComponentInfo::kNotAvailable;
  };
  merge_into_table(component_table_, submachines_, submachine_componentinfos_,
                   EntryOfInfo<MProxyComponentEntry>(), rules, changed);
  MProxyComponentEntry own{MMachComponentInfo{own_config_component_, "1.00-00",
                                              MMachComponentInfo::kDefaultFlags},
                           own_config_component_, this};
  component_table_[own_config_component_] = std::move(own);
  component_cursor_ = component_table_.end();
}

// The proxy offers every command class that a submachine offers, except the idle command (asked
// for through HasIdleCommand) and the magazine-set command (the active submachine's own command).
void MProxyMachAbstract::update_supported_commands() {
  supported_commands.clear();
  for (const std::string& command : MMachCommand_ClassNames()) {
    if (command == "MMachIdleCommand" || command == "MMachMagazineSetCommand") continue;
    for (MMachAbstract* submachine : submachines_) {
      if (MPROXY_CALL(submachine, IsCommandSupported, command)) {
        SetCommandSupported(command);
        break;
      }
    }
  }
}

bool MProxyMachAbstract::load_startup_probesystem() {
  auto has_active_probesystem = [](MMachAbstract* submachine) {
    return MPROXY_CALL(submachine, HasProbesystems) && !MPROXY_CALL(submachine, GetActiveProbesystem).empty();
  };
  size_t first = 0;
  while (first < submachines_.size() && !has_active_probesystem(submachines_[first])) ++first;
  if (first == submachines_.size()) return true;

  MMachAbstract* active = submachines_[first];
  const std::string active_name = MPROXY_CALL(active, GetActiveProbesystem);
  for (auto it = probesystem_table_.begin(); it != probesystem_table_.end(); ++it) {
    if (it->second.submachine_name == active_name && it->second.submachine == active) {
      current_probesystem_ = it;
      break;
    }
  }

  MOutputChannel channel(1);
  for (size_t k = first + 1; k < submachines_.size(); ++k) {
    MMachAbstract* submachine = submachines_[k];
    if (!has_active_probesystem(submachine) ||
        !MPROXY_CALL(submachine, IsCommandSupported, "MMachProbesystemUnloadCommand")) {
      continue;
    }
    std::unique_ptr<MMachCommand> unload(MPROXY_CALL(submachine, NewMMachProbesystemUnloadCommand, &channel));
    if (unload) run_until_done(submachine, *unload);
    std::string text;
    if (!channel.Peek(text).empty()) {
      channel.Take(text, true);
      MERRLOG("load_startup_probesystem(): error during unload at machine %s [%s]: %s",
              mproxy_guard::name_of(submachine), mproxy_guard::description_of(submachine), text.c_str());
    }
  }
  return true;
}

void MProxyMachAbstract::UpdateCapabilities(MMachAbstract* submachine, bool* axes_changed,
                                            bool* components_changed) {
  MErrTraceContext context;
  const size_t k = submachine_index(submachine);
  if (k == submachines_.size()) {
    MPROXY_DUMP_AND_FAIL(context, output, kMErrorInternal, "UpdateCapabilities(): submachine %s not found",
                         mproxy_guard::name_of(submachine));
    return;
  }
  MProxyAxisListings::Listing& axis_listing = axis_listings_.expand()[k];
  axis_listing.clear();
  submachine_componentinfos_[k].clear();
  std::string refused;
  if (!get_axisinfos(submachine, axis_listing, refused) ||
      !get_componentinfos(submachine, submachine_componentinfos_[k], refused)) {
    MPROXY_DUMP_AND_FAIL(context, output, kMErrorInternal,
                         "UpdateCapabilities(): failed to update axis infos for machine %s",
                         mproxy_guard::name_of(submachine));
    return;
  }
  update_axis_table(axes_changed);
  update_component_table(components_changed);
  update_supported_commands();
  MTRACE(5, "UpdateCapabilities(): capabilities for machine \"%s\" updated",
         mproxy_guard::name_of(submachine));
}

void MProxyMachAbstract::UpdateCapabilities(MOutputChannel* out) {
  bool axes_changed = false;
  bool components_changed = false;
  for (size_t k = 0; k < submachines_.size(); ++k) {
    UpdateCapabilities(submachines_[k], &axes_changed, &components_changed);
  }
  if (!out) return;
  if (axes_changed) out->Event(kMEventCapabilitiesChanged);
  if (components_changed) out->Event(kMEventMachineChanged);
}
