#include "msimmachine.h"

#include <algorithm>
#include <stdexcept>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <utility>

#include "errtrace.h"
#include "mmachcommands.h"
#include "mmachmagazinedb.h"
#include "msharedmem.h"

MSimMachine::MSimMachine(MOutputChannel* output, MMachHostService* host_service,
                         const std::string& name, const std::string& configdir)
    : MMachAbstract(output, host_service, name, configdir) {
  tables_.machine_name = name;
}

MSimMachine::~MSimMachine() {
  count_call("~MSimMachine");
  for (MSimCommandCore* command : live_commands_) command->Detach();
  // As the end of a process would: the consumers see the layout withdrawn, the names go.
  MErrTraceContext context;
  for (const auto& [block, links] : imagefifo_links_) {
    static_cast<unsigned char*>(block)[1] = 0;
    for (size_t link = 0; link < links; ++link) {
      if (!MSharedMem_Unlink(block)) {
        MERRDUMP(context, "MSimMachine::~MSimMachine(): image FIFO block at %p not released", block);
      }
    }
  }
}

// Set-up.

MSimMachine& MSimMachine::SetIdentity(const std::string& name, const std::string& version,
                                      const std::string& description) {
  tables_.machine_name = name;
  tables_.machine_version = version;
  tables_.machine_description = description;
  return *this;
}

MSimMachine& MSimMachine::AddAxis(const std::string& name, uint32_t flags, double value) {
  tables_.axes.push_back(MSimAxis::Make(name, flags, value));
  return *this;
}

MSimMachine& MSimMachine::AddAxis(const MMachAxisInfo& info, double value) {
  tables_.axes.push_back({info, value});
  return *this;
}

MSimMachine& MSimMachine::SetAxes(std::vector<MSimAxis> axes) {
  tables_.axes = std::move(axes);
  return *this;
}

MSimMachine& MSimMachine::SetAxisValue(const std::string& name, double value) {
  if (MSimAxis* axis = tables_.FindAxis(name)) axis->value = value;
  return *this;
}

MSimMachine& MSimMachine::AddComponent(const std::string& name, const std::string& version,
                                       uint32_t flags) {
  tables_.components.push_back({name, version, flags});
  return *this;
}

MSimMachine& MSimMachine::AddVersion(const std::string& name, const std::string& version,
                                     bool flag) {
  tables_.versions.push_back({name, version, flag});
  return *this;
}

MSimMachine& MSimMachine::AddProbesystem(const std::string& name,
                                         const std::vector<uint32_t>& ids) {
  tables_.has_probesystems = true;
  tables_.probesystem_names.push_back(name);
  for (uint32_t id : ids) {
    MMachProbesystemInfo info;
    info.name = name;
    info.id = id;
    tables_.probesystem_definitions.push_back(info);
  }
  return *this;
}

MSimMachine& MSimMachine::SetActiveProbesystem(const std::string& name, uint32_t id) {
  tables_.active_probesystem = name;
  tables_.active_probesystem_id = id;
  return *this;
}

MSimMachine& MSimMachine::AddProbe(uint32_t probe, uint32_t tip,
                                   const std::vector<double>& tip_data) {
  tables_.has_probes = true;
  tables_.probes[probe][tip] = tip_data;
  return *this;
}

MSimMachine& MSimMachine::SetImageFormat(const std::string& probesystem,
                                         const MMachImageFormat& format) {
  tables_.has_imagefifos = true;
  tables_.image_formats[probesystem] = format;
  return *this;
}

MSimMachine& MSimMachine::SetMagazineFile(const std::string& file) {
  tables_.magazine_file = file;
  return *this;
}

MSimMachine& MSimMachine::SetPossibility(MSimPossibility query, MSimRule rule) {
  tables_.possibility_rules[query] = std::move(rule);
  return *this;
}

MSimMachine& MSimMachine::SupportAllCommands() {
  for (const std::string& command : MMachCommand_ClassNames()) SetCommandSupported(command);
  return *this;
}

MSimMachine& MSimMachine::AtNextPoll(std::function<void(MSimMachine&)> action) {
  poll_actions_.push_back(std::move(action));
  return *this;
}

MSimCommandBehaviour& MSimMachine::Command(const std::string& command_class) {
  return behaviours_[command_class];
}

// Command log and call counters.

const MSimCommandRecord* MSimMachine::LastCommand(const std::string& command_class) const {
  for (auto it = log_.rbegin(); it != log_.rend(); ++it) {
    if (command_class.empty() || it->command_class == command_class) return &*it;
  }
  return nullptr;
}

void MSimMachine::ClearCommandLog() {
  first_serial_ += log_.size();
  log_.clear();
}

MSimMachine& MSimMachine::SetCommandLogCapacity(size_t records) {
  log_capacity_ = records;
  trim_command_log();
  return *this;
}

void MSimMachine::trim_command_log() {
  while (log_.size() > log_capacity_) {
    log_.pop_front();
    ++first_serial_;
  }
}

MSimCommandRecord* MSimMachine::find_record(uint64_t serial) {
  if (serial < first_serial_ || serial - first_serial_ >= log_.size()) return nullptr;
  return &log_[static_cast<size_t>(serial - first_serial_)];
}

MSimMachine& MSimMachine::ThrowAt(const std::string& operation, uint64_t call) {
  tables_.throw_operations[operation] = call;
  return *this;
}

uint64_t MSimMachine::CallCount(const std::string& operation) const {
  const auto it = calls_.find(operation);
  return it == calls_.end() ? 0 : it->second;
}

void MSimMachine::count_call(const char* operation) {
  if (tables_.crash_operations.count(std::string_view(operation)) != 0) std::abort();
  auto it = calls_.find(std::string_view(operation));
  if (it != calls_.end()) {
    ++it->second;
  } else {
    it = calls_.emplace(operation, 1).first;
  }
  if (tables_.throw_operations.empty()) return;
  const auto thrower = tables_.throw_operations.find(std::string_view(operation));
  if (thrower != tables_.throw_operations.end() && thrower->second == it->second) {
    throw std::runtime_error(std::string("simulated exception in ").append(operation));
  }
}

// Possibility rules.

int MSimMachine::possibility_answer(MSimPossibility query, const MMachAxesSet& axes) const {
  const auto rule = tables_.possibility_rules.find(query);
  if (rule != tables_.possibility_rules.end() && rule->second) return rule->second(axes);
  return std::all_of(axes.begin(), axes.end(),
                     [&](const std::string& axis) { return tables_.IsUsableAxis(axis); })
             ? 1
             : 0;
}

bool MSimMachine::possible(MSimPossibility query, const MMachAxesSet& axes) const {
  return possibility_answer(query, axes) != 0;
}

// Life of the machine.

bool MSimMachine::Open() {
  count_call(__func__);
  if (!tables_.open_succeeds || (tables_.was_closed && !tables_.reopen_succeeds)) {
    if (output && !tables_.open_error.empty()) output->Error(tables_.open_error);
    return false;
  }
  if (!open_magazine()) return false;
  tables_.is_open = true;
  return true;
}

// Read at every Open, when the probe systems that the file names are set up. A failure is
// reported to the error log and, for the server, in the machine's channel.
bool MSimMachine::open_magazine() {
  magazine = nullptr;
  magazine_db_.reset();
  if (tables_.magazine_file.empty()) return true;
  MErrTraceContext context;
  if (read_magazine()) return true;
  const std::string path = magazine_path();
  MERRDUMP(context, "MSimMachine::Open(): magazine \"%s\" not read", path.c_str());
  if (output) output->ErrorFormat("magazine \"%s\" not read", path.c_str());
  return false;
}

bool MSimMachine::read_magazine() {
  auto database = std::make_unique<MMachMagazineDB>(this);
  if (!database->Open(magazine_path())) return false;
  magazine_db_ = std::move(database);
  magazine = magazine_db_.get();
  return true;
}

std::string MSimMachine::magazine_path() const {
  return std::filesystem::path(tables_.magazine_file).is_absolute() ? tables_.magazine_file
                                                                    : configdir + "\\" + tables_.magazine_file;
}

// Image FIFO blocks.

void MSimMachine::adopt_imagefifo(const std::string& name) {
  const auto made = imagefifos.find(name);
  if (made == imagefifos.end()) return;  // the command failed
  for (void* block : {made->second.buffer64, made->second.buffer32}) {
    if (block == nullptr) continue;
    ++imagefifo_links_[block];
    if (tables_.keep_imagefifo_blocks && MSharedMem_LinkOrCreate(name.c_str(), 1) == block) ++imagefifo_links_[block];
  }
  tables_.has_imagefifos = true;
  tables_.imagefifos[name] = std::move(made->second);
  imagefifos.erase(made);
}

void MSimMachine::drop_imagefifo(const std::string& name, const MMachImagefifoEntry& released) {
  for (void* block : {released.buffer64, released.buffer32}) {
    const auto links = imagefifo_links_.find(block);
    if (links != imagefifo_links_.end() && --links->second == 0) imagefifo_links_.erase(links);
  }
  tables_.imagefifos.erase(name);
  if (tables_.active_imagefifo == name) tables_.active_imagefifo.clear();
}

void MSimMachine::Close() {
  count_call(__func__);
  tables_.is_open = false;
  tables_.was_closed = true;
}

int MSimMachine::CallHostService(const std::string& command, const std::string& argument) {
  count_call(__func__);
  return MMachAbstract::CallHostService(command, argument);
}

bool MSimMachine::IsHostServiceReady() {
  count_call(__func__);
  return MMachAbstract::IsHostServiceReady();
}

void MSimMachine::Poll() {
  count_call(__func__);
  if (tables_.poll_error != 0 && output) output->Error(tables_.poll_error);
  // Actions may queue further actions for the poll after this one.
  std::vector<std::function<void(MSimMachine&)>> actions;
  actions.swap(poll_actions_);
  for (auto& action : actions) action(*this);
}

bool MSimMachine::IsCommandSupported(const std::string& command) {
  count_call(__func__);
  return MMachAbstract::IsCommandSupported(command);
}
