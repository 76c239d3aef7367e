// The ini description of a simulated machine (the format is described in
// docs/simulated-machine.md): read into fresh tables, which replace the machine's only when the
// whole description is good. Reading goes on after a problem, so that one pass finds them all;
// each names its file, line, section, entry and value. Checking is reading without the build.
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

#include "errlog.h"
#include "errtrace.h"
#include "fileops.h"
#include "merrsinks.h"
#include "mmachcommands.h"
#include "minidata.h"
#include "stl_utilities.h"

namespace {

struct Description {
  size_t magazine_line = 0;  // of the [Machine] magazine entry
  MSimTables tables;
  std::map<std::string, bool> supported;
  std::map<std::string, MSimCommandBehaviour> behaviours;
};

// The problems of one description, each at the line of the section or entry it concerns.
class Problems {
 public:
  Problems(const std::string& path, std::vector<MSimDescriptionProblem>& list) : path_(path), list_(list) {}

  void Attach(const MIniData* ini) { ini_ = ini; }  // where lines are looked up; null: none
  // A problem that refuses the description; answers false for the caller to return.
  bool Refuse(const std::string& section, const std::string& entry, const std::string& message) {
    add(section, entry, message, false);
    return false;
  }
  bool RefuseFile(size_t line, const std::string& message) {
    list_.push_back({path_, line, message, false});
    refused_ = true;
    return false;
  }
  void Warn(const std::string& section, const std::string& entry, const std::string& message) {
    add(section, entry, message, true);
  }
  bool Refused() const { return refused_; }

 private:
  void add(const std::string& section, const std::string& entry, const std::string& message, bool warning) {
    const size_t line = ini_ ? ini_->GetLineNumber(section, entry) : 0;
    list_.push_back({path_, line, message, warning});
    refused_ = refused_ || !warning;
  }

  std::string path_;
  std::vector<MSimDescriptionProblem>& list_;
  const MIniData* ini_ = nullptr;
  bool refused_ = false;
};

// "[Axis x] flags" or "[Axis x]": the place in front of a message.
std::string place(const std::string& section, const std::string& entry) {
  std::string text = std::string("[").append(section).append("]");
  return entry.empty() ? text : text.append(" ").append(entry);
}

// One entry as read: where it stands and its value without surrounding blanks.
struct Field {
  const std::string& section;
  const std::string& entry;
  std::string value;
  Problems& problems;

  bool Refuse(const std::string& what) const {
    return problems.Refuse(section, entry, place(section, entry).append(": ").append(what));
  }
};

using Handlers = std::map<std::string, std::function<bool(const Field&)>>;

constexpr const char* kBlanks = " \t";

bool invalid(const Field& field, const char* what) {
  return field.Refuse(std::string("\"").append(field.value).append("\" is ").append(what));
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
  for (const std::string& word : stl_string_split_words(text, kBlanks)) {
    double value = 0.0;
    if (!parse_double(word, value)) return invalid(field, "not a list of numbers");
    out.push_back(value);
  }
  return true;
}

// Counts, codes, ids and flags are never below 0: a number with a minus sign says so.
bool negative(const Field& field) {
  double value = 0.0;
  if (!parse_double(field.value, value) || value >= 0.0) return false;
  invalid(field, "negative");
  return true;
}

bool to_u64(const Field& field, uint64_t& out) {
  if (negative(field)) return false;
  return parse_u64(field.value, out) || invalid(field, "not an unsigned number");
}

bool to_u32(const Field& field, uint32_t& out) {
  if (negative(field)) return false;
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

// Every entry of `section` through its handler; an unknown entry is a warning and ignored.
bool read_section(const MIniData& ini, const std::string& section, const Handlers& handlers, Problems& problems) {
  std::vector<std::string> entries;
  ini.GetEntryNames(section, entries);
  bool good = true;
  for (const std::string& entry : entries) {
    std::string value;
    ini.GetStringEntry(section, entry, value);
    const Field field{section, entry, stl_string_trim(value), problems};
    const auto handler = handlers.find(entry);
    if (handler == handlers.end()) {
      problems.Warn(section, entry, place(section, entry).append(": unknown entry, ignored"));
    } else if (!handler->second(field)) {
      good = false;
    }
  }
  return good;
}

bool is_command_class(const std::string& name) {
  const auto& names = MMachCommand_ClassNames();
  return std::find(names.begin(), names.end(), name) != names.end();
}

// "all" or a list of command class names.
// "GetAxisValue:3 NewMMachMoveCommand": the operation and the call that throws (1 without one).
bool to_throw_operations(const Field& field, std::map<std::string, uint64_t, std::less<>>& out) {
  for (const std::string& word : stl_string_split_words(field.value)) {
    const size_t colon = word.find(':');
    uint64_t call = 1;
    if (colon == 0 || (colon != std::string::npos && (!parse_u64(word.substr(colon + 1), call) || call == 0))) {
      return invalid(field, "not operation[:call] with a call from 1");
    }
    out[word.substr(0, colon)] = call;
  }
  return true;
}

bool to_commands(const Field& field, bool flag, std::map<std::string, bool>& supported) {
  const std::vector<std::string> words = stl_string_split_words(field.value);
  const bool all = words.size() == 1 && words[0] == "all";
  for (const std::string& name : all ? MMachCommand_ClassNames() : words) {
    if (!is_command_class(name)) {
      return field.Refuse(std::string("\"").append(name).append("\" is not a command class"));
    }
    supported[name] = flag;
  }
  return true;
}

bool read_machine(const MIniData& ini, const std::string& section, MSimTables& tables, Problems& problems) {
  const Handlers handlers = {
      {"name", [&](const Field& f) { return to_string(f, tables.machine_name); }},
      {"version", [&](const Field& f) { return to_string(f, tables.machine_version); }},
      {"description", [&](const Field& f) { return to_string(f, tables.machine_description); }},
      {"text", [&](const Field& f) { return to_string(f, tables.machine_text); }},
      {"open", [&](const Field& f) { return to_bool(f, tables.open_succeeds); }},
      {"open_error", [&](const Field& f) { return to_string(f, tables.open_error); }},
      {"reopen", [&](const Field& f) { return to_bool(f, tables.reopen_succeeds); }},
      {"poll_error", [&](const Field& f) { return to_u32(f, tables.poll_error); }},
      {"ready", [&](const Field& f) { return to_bool(f, tables.ready); }},
      {"probe_ready", [&](const Field& f) { return to_bool(f, tables.probe_ready); }},
      {"idle", [&](const Field& f) { return to_bool(f, tables.idle_command); }},
      {"magazine", [&](const Field& f) { return to_string(f, tables.magazine_file); }},
      {"wide_imagefifos", [&](const Field& f) { return to_bool(f, tables.wide_imagefifos); }},
      {"keep_imagefifo_blocks", [&](const Field& f) { return to_bool(f, tables.keep_imagefifo_blocks); }},
      {"crash",
       [&](const Field& f) {
         for (const std::string& word : stl_string_split_words(f.value)) tables.crash_operations.insert(word);
         return true;
       }},
      {"throw", [&](const Field& f) { return to_throw_operations(f, tables.throw_operations); }},
      {"features",
       [&](const Field& f) {
         for (const std::string& word : stl_string_split_words(f.value)) {
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
  return read_section(ini, section, handlers, problems);
}

bool read_axis(const MIniData& ini, const std::string& section, const std::string& name,
               MSimTables& tables, Problems& problems) {
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
         for (const std::string& word : stl_string_split_words(f.value)) {
           if (word != "1" && word != "2") return invalid(f, "not a list of 1 and 2");
           (word == "1" ? tables.first_axis_list : tables.second_axis_list).push_back(name);
         }
         tables.has_axis_lists = true;
         return true;
       }},
  };
  if (!read_section(ini, section, handlers, problems)) return false;
  tables.axes.push_back(std::move(axis));
  return true;
}

bool read_component(const MIniData& ini, const std::string& section, const std::string& name,
                    MSimTables& tables, Problems& problems) {
  MMachComponentInfo component;
  component.name = name;
  const Handlers handlers = {
      {"version", [&](const Field& f) { return to_string(f, component.version); }},
      {"flags", [&](const Field& f) { return to_u32(f, component.flags); }},
  };
  if (!read_section(ini, section, handlers, problems)) return false;
  tables.components.push_back(component);
  return true;
}

bool read_version(const MIniData& ini, const std::string& section, const std::string& name,
                  MSimTables& tables, Problems& problems) {
  MMachVersionInfo version{name, "", false};
  const Handlers handlers = {
      {"version", [&](const Field& f) { return to_string(f, version.version); }},
      {"flag", [&](const Field& f) { return to_bool(f, version.flag); }},
  };
  if (!read_section(ini, section, handlers, problems)) return false;
  tables.versions.push_back(version);
  return true;
}

bool read_probesystem(const MIniData& ini, const std::string& section, const std::string& name,
                      MSimTables& tables, Problems& problems) {
  const Handlers handlers = {
      {"ids",
       [&](const Field& f) {
         for (const std::string& word : stl_string_split_words(f.value)) {
           const Field id_field{f.section, f.entry, word, f.problems};
           MMachProbesystemInfo info;
           info.name = name;
           if (!to_u32(id_field, info.id)) return false;
           tables.probesystem_definitions.push_back(info);
         }
         return true;
       }},
      {"image",
       [&](const Field& f) {
         const std::vector<std::string> words = stl_string_split_words(f.value);
         if (words.size() != 3) return invalid(f, "not three numbers");
         uint32_t numbers[3] = {};
         for (size_t i = 0; i < 3; ++i) {
           if (!to_u32(Field{f.section, f.entry, words[i], f.problems}, numbers[i])) return false;
         }
         tables.has_imagefifos = true;
         tables.image_formats[name] = {numbers[0], numbers[1], numbers[2]};
         return true;
       }},
      {"active",
       [&](const Field& f) {
         if (!tables.active_probesystem.empty()) {
           return f.Refuse(std::string("\"").append(tables.active_probesystem).append("\" is already the active probe system"));
         }
         tables.active_probesystem = name;
         return to_u32(f, tables.active_probesystem_id);
       }},
  };
  tables.has_probesystems = true;
  tables.probesystem_names.push_back(name);
  return read_section(ini, section, handlers, problems);
}

bool read_command(const MIniData& ini, const std::string& section, const std::string& name,
                  Description& description, Problems& problems) {
  if (!is_command_class(name)) {
    return problems.Refuse(section, "", place(section, "").append(": \"").append(name).append("\" is not a command class"));
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
      {"text_name", [&](const Field& f) { return to_string(f, behaviour.text_name); }},
      {"throw_at_poll", [&](const Field& f) { return to_u32(f, behaviour.throw_at_poll); }},
      {"throw_on_abort", [&](const Field& f) { return to_bool(f, behaviour.throw_on_abort); }},
      {"throw_on_get_data", [&](const Field& f) { return to_bool(f, behaviour.throw_on_get_data); }},
      {"scandata",
       [&](const Field& f) {
         for (const std::string& vector : stl_string_split_words(f.value, ",")) {
           std::vector<double> values;
           if (!to_doubles(f, vector, values)) return false;
           behaviour.scan_data.push_back(values);
         }
         return true;
       }},
      {"scandata_from_poll",
       [&](const Field& f) { return to_u32(f, behaviour.scan_data_from_poll); }},
  };
  return read_section(ini, section, handlers, problems);
}

// What each section may hold can still disagree with another: the active probe system needs
// one of its own ids, and a command's scan data vectors are rows of one width.
bool check_consistency(const Description& description, Problems& problems) {
  bool good = true;
  const MSimTables& tables = description.tables;
  if (!tables.active_probesystem.empty()) {
    const auto& definitions = tables.probesystem_definitions;
    const bool defined = std::any_of(definitions.begin(), definitions.end(), [&](const MMachProbesystemInfo& info) {
      return info.name == tables.active_probesystem && info.id == tables.active_probesystem_id;
    });
    if (!defined) {
      const std::string section = std::string("Probesystem ").append(tables.active_probesystem);
      good = problems.Refuse(section, "active",
                             place(section, "active")
                                 .append(": ")
                                 .append(std::to_string(tables.active_probesystem_id))
                                 .append(" is not among its ids"));
    }
  }
  for (const auto& [name, behaviour] : description.behaviours) {
    for (const std::vector<double>& row : behaviour.scan_data) {
      if (row.size() != behaviour.scan_data.front().size()) {
        const std::string section = std::string("Command ").append(name);
        good = problems.Refuse(section, "scandata",
                               place(section, "scandata")
                                   .append(": rows of ")
                                   .append(std::to_string(behaviour.scan_data.front().size()))
                                   .append(" and ")
                                   .append(std::to_string(row.size()))
                                   .append(" values"));
        break;
      }
    }
  }
  return good;
}

bool read_sections(const MIniData& ini, Description& description, Problems& problems) {
  std::vector<std::string> sections;
  ini.GetSectionNames(sections);
  MSimTables& tables = description.tables;
  for (const std::string& section : sections) {
    const size_t blank = section.find(' ');
    const std::string kind = section.substr(0, blank);
    const std::string name = blank == std::string::npos ? "" : section.substr(blank + 1);
    if (section == "Machine") {
      read_machine(ini, section, tables, problems);
    } else if (section == "Commands") {
      read_section(ini, section,
                   {{"supported", [&](const Field& f) { return to_commands(f, true, description.supported); }},
                    {"unsupported", [&](const Field& f) { return to_commands(f, false, description.supported); }}},
                   problems);
    } else if (name.empty()) {
      problems.Refuse(section, "", place(section, "").append(": unknown section"));
    } else if (kind == "Axis") {
      read_axis(ini, section, name, tables, problems);
    } else if (kind == "Component") {
      read_component(ini, section, name, tables, problems);
    } else if (kind == "Version") {
      read_version(ini, section, name, tables, problems);
    } else if (kind == "Probesystem") {
      read_probesystem(ini, section, name, tables, problems);
    } else if (kind == "Command") {
      read_command(ini, section, name, description, problems);
    } else {
      problems.Refuse(section, "", place(section, "").append(": unknown section"));
    }
  }
  const bool consistent = check_consistency(description, problems);
  return consistent && !problems.Refused();
}

// Reads the file at `path` into `description`; false when a problem refuses it. Every problem
// lands in `problems`, warnings too.
bool read_description(const std::string& path, Description& description, Problems& problems) {
  if (!file_exists(path.c_str())) return problems.RefuseFile(0, "file not found");
  MErrTraceContext context;  // a file that cannot be read tells why here
  MIniData ini;
  if (!ini.Open(path)) {
    if (ini.GetErrorLine() != 0) return problems.RefuseFile(ini.GetErrorLine(), ini.GetErrorText());
    std::string reasons = "cannot be read";
    for (const MErrTraceEntry& entry : MErrTrace_GetContextEntries()) reasons.append(": ").append(entry.text);
    return problems.RefuseFile(0, reasons);
  }
  problems.Attach(&ini);
  const bool good = read_sections(ini, description, problems);
  description.magazine_line = ini.GetLineNumber("Machine", "magazine");
  problems.Attach(nullptr);
  return good;
}

// "<file>:<line>: <message>", the line left out when there is none.
std::string located(const MSimDescriptionProblem& problem) {
  std::string text = problem.file;
  if (problem.line != 0) text.append(":").append(std::to_string(problem.line));
  return text.append(": ").append(problem.message);
}

}  // namespace

bool MSimMachine::LoadDescription(const std::string& path) {
  std::vector<MSimDescriptionProblem> found;
  Problems problems(path, found);
  Description description;
  description.tables.machine_name = name;
  description.tables.is_open = tables_.is_open;
  const bool good = read_description(path, description, problems);
  MErrTraceContext context;
  for (const MSimDescriptionProblem& problem : found) {
    if (good) {
      MERRLOG("MSimMachine::LoadDescription(): %s", located(problem).c_str());
    } else {
      MERRTRACE("%s", located(problem).c_str());
    }
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

bool MSimMachine::CheckDescription(const std::string& path, const std::string& configdir,
                                   std::vector<MSimDescriptionProblem>& problems) {
  Problems found(path, problems);
  Description description;
  if (!read_description(path, description, found)) return false;
  if (description.tables.magazine_file.empty()) return true;
  // The magazine names probe systems and ids: it is read against the machine described.
  MSimMachine machine(nullptr, nullptr, "", configdir);
  machine.tables_ = std::move(description.tables);
  MErrTraceContext context;
  if (machine.read_magazine()) return true;
  std::string reasons = std::string("[Machine] magazine: \"").append(machine.magazine_path()).append("\" not read");
  for (const MErrTraceEntry& entry : MErrTrace_GetContextEntries()) reasons.append(": ").append(entry.text);
  return found.RefuseFile(description.magazine_line, reasons);
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
