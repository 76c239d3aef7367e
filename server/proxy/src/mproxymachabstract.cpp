// Construction, the fixed tables and the configuration file of the proxy machine.
#include "mproxymachabstract.h"

#include <cctype>

#include "minidata.h"
#include "mproxyguard.h"
#include "mproxyreport.h"
#include "stl_utilities.h"
#include "trace.h"

namespace {

constexpr const char* kAliasesSection = "Aliases";

double combine_and(double a, double b) { return a != 0.0 && b != 0.0 ? 1.0 : 0.0; }
double combine_or(double a, double b) { return a == 0.0 && b == 0.0 ? 0.0 : 1.0; }
double combine_first(double a, double) { return a; }

std::string fallback_alias(size_t number) { return "submach" + std::to_string(number); }

// Why the configuration file was not read, for whoever looks after it: the file and line of a
// bad line with its reason, else the reasons that `context` collected.
void log_unreadable_config(MErrTraceContext& context, const MIniData& ini, const char* function,
                           const std::string& path) {
  if (ini.GetErrorLine() != 0) {
    MERRLOG("%s(): %s:%zu: %s", function, path.c_str(), ini.GetErrorLine(), ini.GetErrorText().c_str());
  } else {
    MERRDUMP(context, "%s(): %s cannot be read", function, path.c_str());
  }
}

}  // namespace

MProxyMachAbstract::MProxyMachAbstract(MOutputChannel* output, MMachHostService* host_service,
                                       const std::vector<MMachAbstract*>& submachines,
                                       const std::string& name, const std::string& configdir)
    : MMachAbstract(output, host_service, name, configdir),
      shared_config_files_{"control.config", "magazine.database", "probe.config",
                           "probe.hardware", "probe.system",      "probe.tip"},
      own_config_component_(name + ".config"),
      submachines_(submachines),
      submachine_componentinfos_(submachines.size()),
      current_probesystem_(probesystem_table_.end()),
      submachine_probesystem_infos_(submachines.size()),
      submachine_probesystem_names_(submachines.size()),
      combine_functions_{{"init", combine_and},          {"lock", combine_or},
                         {"panic", combine_or},          {"speed", combine_first},
                         {"accel", combine_first},       {"jerk", combine_first},
                         {"compensation", combine_first}, {"scanstep", combine_first}},
      submachine_version_cursor_(submachine_versions_.end()),
      component_cursor_(component_table_.end()),
      axis_cursor_(axis_table_.end()),
      first_axis_cursor_(first_axis_list_.end()),
      second_axis_cursor_(second_axis_list_.end()),
      keypad_axis_cursor_(keypad_axis_list_.end()),
      keypad_value_cursor_(keypad_values_.end()),
      probesystem_cursor_(probesystem_table_.end()) {
  axis_listings_.reset(submachines.size());
  combine_index_.rebuild(combine_functions_);
}

MProxyMachAbstract::~MProxyMachAbstract() = default;

void MProxyMachAbstract::read_config_file() {
  static constexpr const char* kFunction = "MProxyMachAbstract::read_config_file";
  const std::string path = MMachAbstract_ConfigFile(configdir, name);
  MErrTraceContext context;
  MIniData ini;
  if (!ini.Open(path)) {
    log_unreadable_config(context, ini, kFunction, path);
    mproxy_report::fail(output, std::string(name).append(" failed to open configuration file"));
    return;
  }
  if (!ini.SectionExists(kAliasesSection)) return;

  for (size_t i = 1; i <= submachines_.size(); ++i) {
    MMachAbstract* submachine = submachines_[i - 1];
    const char* machine_name = mproxy_guard::name_of(submachine);
    const char* description = mproxy_guard::description_of(submachine);
    std::string alias;
    if (!ini.GetStringEntry(kAliasesSection, std::to_string(i), alias)) {
      MPROXY_LOG_AND_FAIL(output, std::string("prefix missing for submachine ").append(std::to_string(i)),
                          "%s(): submachine %zu (%s [%s]) does not have component prefixes. Using submach%zu",
                          kFunction, i, machine_name, description, i);
      alias = fallback_alias(i);
    }
    stl_string_clean(alias);
    if (alias.empty() && i != 1) {
      MPROXY_LOG_AND_FAIL(output, "Empty alias only allowed for first submachine",
                          "%s(): empty alias only allowed for first submachine, but this is submachine %zu. "
                          "Using submach%zu",
                          kFunction, i, i);
      alias = fallback_alias(i);
    }
    for (size_t j = 0; j < aliases_.size(); ++j) {
      if (aliases_[j] != alias) continue;
      MPROXY_LOG_AND_FAIL(output, std::string(name).append(" alias given twice"),
                          "%s(): alias %s appears for submachine %zu and %zu. Using submach%zu", kFunction,
                          alias.c_str(), j + 1, i, i);
      alias = fallback_alias(i);
      break;
    }
    aliases_.push_back(alias);
    MTRACE(3, "%s(): submachine %zu (%s [%s]) has component prefix \"%s\"", kFunction, i,
           machine_name, description, alias.c_str());
  }
}

std::string MProxyMachAbstract::append_number(const std::string& name, size_t number) {
  std::string numbered = name;
  if (!numbered.empty() && std::isdigit(static_cast<unsigned char>(numbered.back()))) numbered += '_';
  return numbered + std::to_string(number);
}

std::string MProxyMachAbstract::apply_component_prefix(const std::string& component,
                                                       size_t index) const {
  if (aliases_.empty()) return append_number(component, index + 1);
  const std::string alias = index < aliases_.size() ? aliases_[index] : std::string();
  if (alias.empty()) return component;
  return component.empty() ? alias : alias + "." + component;
}

size_t MProxyMachAbstract::submachine_index(const MMachAbstract* submachine) const {
  size_t index = 0;
  while (index < submachines_.size() && submachines_[index] != submachine) ++index;
  return index;
}

bool MProxyMachAbstract::is_axis_usable(MMachAbstract* submachine, const std::string& axis) {
  const MMachAxisInfo* info = MPROXY_CALL(submachine, GetAxisInfo, axis);
  return info && info->IsAvailable();
}

bool MProxyMachAbstract::find_combine_function(const std::string& axis,
                                               MProxyCombineFunction* combine) const {
  const MProxyCombineFunction* const function = combine_index_.find(axis);
  if (function == nullptr) return false;
  if (combine) *combine = *function;
  return true;
}
