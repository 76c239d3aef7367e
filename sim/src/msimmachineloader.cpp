// The ini description of a simulated machine (the format is described in
// docs/simulated-machine.md): read into fresh tables, which replace the machine's only when the
// whole description is good. Every problem names its section, entry and value.
#include "msimmachine.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "errtrace.h"
#include "fileops.h"
#include "minidata.h"

namespace {

struct Description {
  MSimTables tables;
  std::map<std::string, bool> supported;
  std::map<std::string, MSimCommandBehaviour> behaviours;
};

// One entry as read: where it stands and its value without surrounding blanks.
struct Field {
  const std::string& section;
  const std::string& entry;
  std::string value;
};

using Handlers = std::map<std::string, std::function<bool(const Field&)>>;

constexpr const char* kBlanks = " \t";

std::string trim(const std::string& text) {
  const size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// Words separated by blanks or commas.
std::vector<std::string> split_words(const std::string& text, const char* separators = " \t,") {
  std::vector<std::string> words;
  size_t start = text.find_first_not_of(separators);
  while (start != std::string::npos) {
    const size_t end = text.find_first_of(separators, start);
    words.push_back(text.substr(start, end == std::string::npos ? end : end - start));
    start = text.find_first_not_of(separators, end);
  }
  return words;
}

bool invalid(const Field& field, const char* what) {
  MERRTRACE("[%s] %s: \"%s\" is %s", field.section.c_str(), field.entry.c_str(),
            field.value.c_str(), what);
  return false;
}

// Whole-text conversions, independent of the locale.
bool parse_double(const std::string& text, double& out) {
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, out);
  return !text.empty() && error == std::errc() && stop == end;
}

bool parse_u64(const std::string& text, uint64_t& out) {
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const char* begin = text.data() + (hex ? 2 : 0);
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(begin, end, out, hex ? 16 : 10);
  return begin != end && error == std::errc() && stop == end;
}

bool to_double(const Field& field, double& out) {
  return parse_double(field.value, out) || invalid(field, "not a number");
}

bool to_doubles(const Field& field, const std::string& text, std::vector<double>& out) {
  out.clear();
  for (const std::string& word : split_words(text, kBlanks)) {
    double value = 0.0;
    if (!parse_double(word, value)) return invalid(field, "not a list of numbers");
    out.push_back(value);
  }
  return true;
}

bool to_u64(const Field& field, uint64_t& out) {
  return parse_u64(field.value, out) || invalid(field, "not an unsigned number");
}

bool to_u32(const Field& field, uint32_t& out) {
  uint64_t value = 0;
  if (!parse_u64(field.value, value) || value > UINT32_MAX) {
    return invalid(field, "not an unsigned 32-bit number");
  }
  out = static_cast<uint32_t>(value);
  return true;
}

bool to_bool(const Field& field, bool& out) {
  if (field.value != "0" && field.value != "1") return invalid(field, "not 0 or 1");
  out = field.value == "1";
  return true;
}

bool to_string(const Field& field, std::string& out) {
  out = field.value;
  return true;
}

bool read_section(const MIniData& ini, const std::string& section, const Handlers& handlers) {
  std::vector<std::string> entries;
  ini.GetEntryNames(section, entries);
  for (const std::string& entry : entries) {
    std::string value;
    ini.GetStringEntry(section, entry, value);
    const Field field{section, entry, trim(value)};
    const auto handler = handlers.find(entry);
    if (handler == handlers.end()) {
      MERRTRACE("[%s] %s: unknown entry", section.c_str(), entry.c_str());
      return false;
    }
    if (!handler->second(field)) return false;
  }
  return true;
}

bool is_command_class(const std::string& name) {
  const auto& names = MSimMachine::CommandClassNames();
  return std::find(names.begin(), names.end(), name) != names.end();
}

// "all" or a list of command class names.
bool to_commands(const Field& field, bool flag, std::map<std::string, bool>& supported) {
  const std::vector<std::string> words = split_words(field.value);
  const bool all = words.size() == 1 && words[0] == "all";
  for (const std::string& name : all ? MSimMachine::CommandClassNames() : words) {
    if (!is_command_class(name)) {
      MERRTRACE("[%s] %s: \"%s\" is not a command class", field.section.c_str(),
                field.entry.c_str(), name.c_str());
      return false;
    }
    supported[name] = flag;
  }
  return true;
}

bool read_machine(const MIniData& ini, const std::string& section, MSimTables& tables) {
  const Handlers handlers = {
      {"name", [&](const Field& f) { return to_string(f, tables.machine_name); }},
      {"version", [&](const Field& f) { return to_string(f, tables.machine_version); }},
      {"description", [&](const Field& f) { return to_string(f, tables.machine_description); }},
      {"text", [&](const Field& f) { return to_string(f, tables.machine_text); }},
      {"open", [&](const Field& f) { return to_bool(f, tables.open_succeeds); }},
      {"reopen", [&](const Field& f) { return to_bool(f, tables.reopen_succeeds); }},
      {"ready", [&](const Field& f) { return to_bool(f, tables.ready); }},
      {"probe_ready", [&](const Field& f) { return to_bool(f, tables.probe_ready); }},
      {"idle", [&](const Field& f) { return to_bool(f, tables.idle_command); }},
      {"magazine", [&](const Field& f) { return to_string(f, tables.magazine_file); }},
      {"wide_imagefifos", [&](const Field& f) { return to_bool(f, tables.wide_imagefifos); }},
      {"crash",
       [&](const Field& f) {
         for (const std::string& word : split_words(f.value)) tables.crash_operations.insert(word);
         return true;
       }},
      {"features",
       [&](const Field& f) {
         for (const std::string& word : split_words(f.value)) {
           bool* flag = word == "A" ? &tables.feature_a
                        : word == "B" ? &tables.feature_b
                        : word == "C" ? &tables.feature_c
                                      : nullptr;
           if (!flag) return invalid(f, "not a list of the features A, B and C");
           *flag = true;
         }
         return true;
       }},
      {"wobble",
       [&](const Field& f) {
         std::vector<double> values;
         if (!to_doubles(f, f.value, values)) return false;
         if (values.size() != 6) return invalid(f, "not six numbers");
         MMachWobbleParameters wobble;
         std::copy(values.begin(), values.end(), wobble.values.begin());
         tables.wobble = wobble;
         return true;
       }},
  };
  return read_section(ini, section, handlers);
}

bool read_axis(const MIniData& ini, const std::string& section, const std::string& name,
               MSimTables& tables) {
  MSimAxis axis = MSimAxis::Make(name);
  MMachAxisInfo& info = axis.info;
  bool flag = false;
  const auto set_member = [&](const Field& f, std::set<std::string>& set, bool when) {
    if (!to_bool(f, flag)) return false;
    if (flag == when) set.insert(name);
    return true;
  };
  const Handlers handlers = {
      {"flags", [&](const Field& f) { return to_u32(f, info.flags); }},
      {"value", [&](const Field& f) { return to_double(f, axis.value); }},
      {"resolution", [&](const Field& f) { return to_double(f, info.resolution); }},
      {"speed", [&](const Field& f) { return to_double(f, info.max_speed); }},
      {"accel", [&](const Field& f) { return to_double(f, info.max_accel); }},
      {"min", [&](const Field& f) { return to_double(f, info.range_min); }},
      {"max", [&](const Field& f) { return to_double(f, info.range_max); }},
      {"period", [&](const Field& f) { return to_double(f, info.period); }},
      {"discrete",
       [&](const Field& f) {
         std::vector<double> values;
         if (!to_doubles(f, f.value, values)) return false;
         info.discrete_values.insert(values.begin(), values.end());
         return true;
       }},
      {"tolerance", [&](const Field& f) { return to_double(f, tables.limit_tolerances[name]); }},
      {"init", [&](const Field& f) { return set_member(f, tables.init_axes, true); }},
      {"initialized",
       [&](const Field& f) { return set_member(f, tables.uninitialized_axes, false); }},
      {"spin", [&](const Field& f) { return set_member(f, tables.spin_axes, true); }},
      {"keypad",
       [&](const Field& f) {
         uint64_t value = 0;
         if (!to_u64(f, value)) return false;
         tables.has_keypad = true;
         tables.keypad_axes.emplace_back(name, value);
         return true;
       }},
      {"list",
       [&](const Field& f) {
         for (const std::string& word : split_words(f.value)) {
           if (word != "1" && word != "2") return invalid(f, "not a list of 1 and 2");
           (word == "1" ? tables.first_axis_list : tables.second_axis_list).push_back(name);
         }
         tables.has_axis_lists = true;
         return true;
       }},
  };
  if (!read_section(ini, section, handlers)) return false;
  tables.axes.push_back(std::move(axis));
  return true;
}

bool read_component(const MIniData& ini, const std::string& section, const std::string& name,
                    MSimTables& tables) {
  MMachComponentInfo component;
  component.name = name;
  const Handlers handlers = {
      {"version", [&](const Field& f) { return to_string(f, component.version); }},
      {"flags", [&](const Field& f) { return to_u32(f, component.flags); }},
  };
  if (!read_section(ini, section, handlers)) return false;
  tables.components.push_back(component);
  return true;
}

bool read_version(const MIniData& ini, const std::string& section, const std::string& name,
                  MSimTables& tables) {
  MMachVersionInfo version{name, "", false};
  const Handlers handlers = {
      {"version", [&](const Field& f) { return to_string(f, version.version); }},
      {"flag", [&](const Field& f) { return to_bool(f, version.flag); }},
  };
  if (!read_section(ini, section, handlers)) return false;
  tables.versions.push_back(version);
  return true;
}

bool read_probesystem(const MIniData& ini, const std::string& section, const std::string& name,
                      MSimTables& tables) {
  const Handlers handlers = {
      {"ids",
       [&](const Field& f) {
         for (const std::string& word : split_words(f.value)) {
           const Field id_field{f.section, f.entry, word};
           MMachProbesystemInfo info;
           info.name = name;
           if (!to_u32(id_field, info.id)) return false;
           tables.probesystem_definitions.push_back(info);
         }
         return true;
       }},
      {"image",
       [&](const Field& f) {
         const std::vector<std::string> words = split_words(f.value);
         if (words.size() != 3) return invalid(f, "not three numbers");
         uint32_t numbers[3] = {};
         for (size_t i = 0; i < 3; ++i) {
           if (!to_u32(Field{f.section, f.entry, words[i]}, numbers[i])) return false;
         }
         tables.has_imagefifos = true;
         tables.image_formats[name] = {numbers[0], numbers[1], numbers[2]};
         return true;
       }},
      {"active",
       [&](const Field& f) {
         if (!tables.active_probesystem.empty()) {
           MERRTRACE("[%s] %s: \"%s\" is already the active probe system", f.section.c_str(),
                     f.entry.c_str(), tables.active_probesystem.c_str());
           return false;
         }
         tables.active_probesystem = name;
         return to_u32(f, tables.active_probesystem_id);
       }},
  };
  tables.has_probesystems = true;
  tables.probesystem_names.push_back(name);
  return read_section(ini, section, handlers);
}

bool read_command(const MIniData& ini, const std::string& section, const std::string& name,
                  Description& description) {
  if (!is_command_class(name)) {
    MERRTRACE("[%s]: \"%s\" is not a command class", section.c_str(), name.c_str());
    return false;
  }
  MSimCommandBehaviour& behaviour = description.behaviours[name];
  const Handlers handlers = {
      {"polls", [&](const Field& f) { return to_u32(f, behaviour.done_at_poll); }},
      {"fail_at_poll", [&](const Field& f) { return to_u32(f, behaviour.fail_at_poll); }},
      {"error", [&](const Field& f) { return to_u32(f, behaviour.fail_code); }},
      {"refuse", [&](const Field& f) { return to_bool(f, behaviour.refuse); }},
      {"refuse_error", [&](const Field& f) { return to_u32(f, behaviour.refuse_code); }},
      {"endless", [&](const Field& f) { return to_bool(f, behaviour.endless); }},
      {"abort_error", [&](const Field& f) { return to_u32(f, behaviour.abort_code); }},
      {"ignore_abort", [&](const Field& f) { return to_bool(f, behaviour.ignore_abort); }},
      {"scandata",
       [&](const Field& f) {
         for (const std::string& vector : split_words(f.value, ",")) {
           std::vector<double> values;
           if (!to_doubles(f, vector, values)) return false;
           behaviour.scan_data.push_back(values);
         }
         return true;
       }},
      {"scandata_from_poll",
       [&](const Field& f) { return to_u32(f, behaviour.scan_data_from_poll); }},
  };
  return read_section(ini, section, handlers);
}

// What each section may hold can still disagree with another: the active probe system needs
// one of its own ids, and a command's scan data vectors are rows of one width.
bool check_consistency(const Description& description) {
  const MSimTables& tables = description.tables;
  if (!tables.active_probesystem.empty()) {
    const auto& definitions = tables.probesystem_definitions;
    const bool defined = std::any_of(definitions.begin(), definitions.end(), [&](const MMachProbesystemInfo& info) {
      return info.name == tables.active_probesystem && info.id == tables.active_probesystem_id;
    });
    if (!defined) {
      MERRTRACE("[Probesystem %s] active: %u is not among its ids", tables.active_probesystem.c_str(),
                tables.active_probesystem_id);
      return false;
    }
  }
  for (const auto& [name, behaviour] : description.behaviours) {
    for (const std::vector<double>& row : behaviour.scan_data) {
      if (row.size() != behaviour.scan_data.front().size()) {
        MERRTRACE("[Command %s] scandata: rows of %zu and %zu values", name.c_str(),
                  behaviour.scan_data.front().size(), row.size());
        return false;
      }
    }
  }
  return true;
}

bool read_description(const MIniData& ini, Description& description) {
  std::vector<std::string> sections;
  ini.GetSectionNames(sections);
  MSimTables& tables = description.tables;
  for (const std::string& section : sections) {
    const size_t blank = section.find(' ');
    const std::string kind = section.substr(0, blank);
    const std::string name = blank == std::string::npos ? "" : section.substr(blank + 1);
    bool good = false;
    if (section == "Machine") {
      good = read_machine(ini, section, tables);
    } else if (section == "Commands") {
      good = read_section(ini, section,
                          {{"supported", [&](const Field& f) {
                              return to_commands(f, true, description.supported);
                            }},
                           {"unsupported", [&](const Field& f) {
                              return to_commands(f, false, description.supported);
                            }}});
    } else if (name.empty()) {
      MERRTRACE("[%s]: unknown section", section.c_str());
    } else if (kind == "Axis") {
      good = read_axis(ini, section, name, tables);
    } else if (kind == "Component") {
      good = read_component(ini, section, name, tables);
    } else if (kind == "Version") {
      good = read_version(ini, section, name, tables);
    } else if (kind == "Probesystem") {
      good = read_probesystem(ini, section, name, tables);
    } else if (kind == "Command") {
      good = read_command(ini, section, name, description);
    } else {
      MERRTRACE("[%s]: unknown section", section.c_str());
    }
    if (!good) return false;
  }
  return true;
}

}  // namespace

bool MSimMachine::LoadDescription(const std::string& path) {
  MErrTraceContext context;
  Description description;
  description.tables.machine_name = name;
  description.tables.is_open = tables_.is_open;
  MIniData ini;
  bool good = file_exists(path.c_str());
  if (!good) {
    MERRTRACE("file not found");
  } else {
    good = ini.Open(path) && read_description(ini, description) && check_consistency(description);
  }
  if (!good) {
    MERRDUMP(context, "MSimMachine::LoadDescription(): \"%s\" not loaded", path.c_str());
    return false;
  }
  tables_ = std::move(description.tables);
  supported_commands = std::move(description.supported);
  behaviours_ = std::move(description.behaviours);
  return true;
}

std::unique_ptr<MSimMachine> MSimMachine::NewFromDescription(MOutputChannel* output,
                                                             MMachHostService* host_service,
                                                             const std::string& name,
                                                             const std::string& configdir,
                                                             const std::string& path) {
  auto machine = std::make_unique<MSimMachine>(output, host_service, name, configdir);
  if (!machine->LoadDescription(path)) return nullptr;
  return machine;
}
