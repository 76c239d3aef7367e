#include "msimcommand.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "msimmachine.h"

namespace {

uint32_t define_probesystem(MSimTables& tables, const MMachProbesystemInfo& info) {
  tables.has_probesystems = true;
  if (!tables.IsProbesystemListed(info.name)) tables.probesystem_names.push_back(info.name);
  auto& definitions = tables.probesystem_definitions;
  const auto it = std::find_if(definitions.begin(), definitions.end(), [&](const auto& known) {
    return known.name == info.name && known.id == info.id;
  });
  if (it != definitions.end()) {
    *it = info;
  } else {
    definitions.push_back(info);
  }
  return 0;
}

// Id 0 deletes the name with all its definitions; deleting the loaded one unloads it.
uint32_t delete_probesystem(MSimTables& tables, const std::string& name, uint32_t id) {
  if (!tables.IsProbesystemListed(name)) return kMErrorUnknownProbesystem;
  auto& definitions = tables.probesystem_definitions;
  const auto doomed = [&](const MMachProbesystemInfo& info) {
    return info.name == name && (id == 0 || info.id == id);
  };
  if (id != 0 && std::none_of(definitions.begin(), definitions.end(), doomed)) {
    return kMErrorUndefinedProbesystemId;
  }
  definitions.erase(std::remove_if(definitions.begin(), definitions.end(), doomed),
                    definitions.end());
  if (id == 0) std::erase(tables.probesystem_names, name);
  if (tables.active_probesystem == name && (id == 0 || tables.active_probesystem_id == id)) {
    tables.active_probesystem.clear();
    tables.active_probesystem_id = 0;
  }
  return 0;
}

uint32_t load_probesystem(MSimTables& tables, const std::string& name, uint32_t id) {
  if (!tables.IsProbesystemListed(name)) return kMErrorUnknownProbesystem;
  // A probe system listed with definitions loads only under one of their ids.
  const auto& definitions = tables.probesystem_definitions;
  const auto named = [&](const MMachProbesystemInfo& info) { return info.name == name; };
  const auto defined = [&](const MMachProbesystemInfo& info) { return info.name == name && info.id == id; };
  if (std::any_of(definitions.begin(), definitions.end(), named) &&
      std::none_of(definitions.begin(), definitions.end(), defined)) {
    return kMErrorUndefinedProbesystemId;
  }
  tables.active_probesystem = name;
  tables.active_probesystem_id = id;
  return 0;
}

void delete_probe(MSimTables& tables, uint32_t probe, uint32_t tip) {
  const auto it = tables.probes.find(probe);
  if (it == tables.probes.end()) return;
  it->second.erase(tip);
  if (!it->second.empty()) return;
  tables.probes.erase(it);
  if (tables.loaded_probe == probe) {
    tables.loaded_probe = 0;
    tables.loaded_tip = 0;
  }
}

template <class T>
const T& params_as(const MSimCommandParams& params) {
  static const T kEmpty{};
  const T* typed = std::get_if<T>(&params);
  return typed ? *typed : kEmpty;
}

}  // namespace

MSimCommandCore::MSimCommandCore(Setup setup)
    : machine_(setup.machine),
      serial_(setup.serial),
      behaviour_(std::move(setup.behaviour)),
      params_(std::move(setup.params)) {
  if (machine_) machine_->live_commands_.insert(this);
}

MSimCommandCore::~MSimCommandCore() {
  if (!machine_) return;
  if (MSimCommandRecord* entry = record()) entry->deleted = true;
  machine_->live_commands_.erase(this);
}

MSimCommandRecord* MSimCommandCore::record() const {
  return machine_ ? machine_->find_record(serial_) : nullptr;
}

bool MSimCommandCore::Poll(MMachCommand& command, FinishFunction finish) {
  if (MSimCommandRecord* entry = record()) ++entry->polls;
  if (done_) return true;
  if (!machine_) {
    done_ = true;
    return true;
  }
  ++polls_;
  if (behaviour_.throw_at_poll == polls_) throw std::runtime_error("simulated exception in IsDone");
  for (const MSimCommandBehaviour::TimedAction& timed : behaviour_.actions) {
    if (timed.poll == polls_ && timed.action && command.output) {
      timed.action(*machine_, *command.output);
    }
  }
  if (behaviour_.fail_at_poll == polls_) {
    end(command, behaviour_.fail_code);
  } else if (abort_requested_) {
    end(command, behaviour_.abort_code);
  } else if (!behaviour_.endless && polls_ >= behaviour_.done_at_poll) {
    end(command, finish(*this, command));
  }
  return done_;
}

void MSimCommandCore::end(MMachCommand& command, uint32_t error_code) {
  if (error_code != 0 && command.output) command.output->Error(error_code);
  done_ = true;
  if (MSimCommandRecord* entry = record()) entry->done = true;
}

void MSimCommandCore::Abort() {
  if (MSimCommandRecord* entry = record()) ++entry->aborts;
  if (behaviour_.throw_on_abort) throw std::runtime_error("simulated exception in Abort");
  if (!done_ && !behaviour_.ignore_abort) abort_requested_ = true;
}

bool MSimCommandCore::GetData(std::vector<double>& values) {
  if (behaviour_.throw_on_get_data) throw std::runtime_error("simulated exception in GetData");
  if (behaviour_.scan_data.empty() || polls_ < behaviour_.scan_data_from_poll) return false;
  values = std::move(behaviour_.scan_data.front());
  behaviour_.scan_data.pop_front();
  return true;
}

// Effects of finished commands.

uint32_t MSimCommandCore::Finish(MMachCommand& command) {
  MSimTables& tables = machine_->Tables();
  const std::string name = command.GetName();
  if (name == "set") {
    for (const auto& [axis, value] : params_as<std::map<std::string, double>>(params_)) {
      if (MSimAxis* found = tables.FindAxis(axis)) found->value = value;
    }
  } else if (name == "send") {
    const auto& transfer = params_as<MSimTransferArgs>(params_);
    tables.sent_data[transfer.component] = transfer.data;
  } else if (name == "probesystem define") {
    return define_probesystem(tables, params_as<MMachProbesystemInfo>(params_));
  } else if (name == "probesystem delete" || name == "probesystem load") {
    const auto& args = params_as<MSimNameArgs>(params_);
    const auto id = static_cast<uint32_t>(args.number);
    return name == "probesystem load" ? load_probesystem(tables, args.name, id)
                                      : delete_probesystem(tables, args.name, id);
  } else if (name == "probesystem unload") {
    tables.active_probesystem.clear();
    tables.active_probesystem_id = 0;
  } else if (name == "probe define") {
    const auto& args = params_as<MSimProbeArgs>(params_);
    tables.has_probes = true;
    tables.probes[args.probe][args.tip];
  } else if (name == "probe delete") {
    const auto& args = params_as<MSimProbeArgs>(params_);
    delete_probe(tables, args.probe, args.tip);
  } else if (name == "probe load" || name == "probe unload") {
    const auto& args = params_as<MSimProbeArgs>(params_);  // empty for unload
    tables.loaded_probe = args.probe;
    tables.loaded_tip = args.tip;
  } else if (name == "magazine set") {
    // Into the magazine database, which saves the file; not counted as a call from outside.
    const auto& args = params_as<MSimSlotArgs>(params_);
    if (!machine_->MMachAbstract::SetMagazineSlot(args.slot, args.probe)) {
      return kMErrorInvalidMagazineSlot;
    }
  } else if (name == "imagefifo select") {
    const std::string& fifo = params_as<MSimNameArgs>(params_).name;
    if (tables.imagefifos.count(fifo) == 0) return kMErrorInvalidArgument;
    tables.active_imagefifo = fifo;
  }
  return 0;
}

uint32_t MSimCommandCore::Finish(MMachImagefifoCreateCommand& command) {
  command.MMachImagefifoCreateCommand::IsDone();
  machine_->adopt_imagefifo(command.name);
  return 0;
}

uint32_t MSimCommandCore::Finish(MMachImagefifoDeleteCommand& command) {
  const auto found = machine_->Tables().imagefifos.find(command.name);
  const MMachImagefifoEntry released =
      found == machine_->Tables().imagefifos.end() ? MMachImagefifoEntry{} : found->second;
  command.MMachImagefifoDeleteCommand::IsDone();  // finds the entry through FindImagefifo
  machine_->drop_imagefifo(command.name, released);
  return 0;
}

uint32_t MSimCommandCore::Finish(MMachGetCommand& command) {
  std::vector<double> values;
  for (const std::string& axis : command.axes) {
    const MSimAxis* found = machine_->Tables().FindAxis(axis);
    if (!found) return kMErrorUnknownAxis;
    values.push_back(found->value);
  }
  command.values = std::move(values);
  return 0;
}

uint32_t MSimCommandCore::Finish(MMachReceiveCommand& command) {
  const auto& data = machine_->Tables().receive_data;
  const auto it = data.find(command.component);
  if (it == data.end()) return kMErrorUnknownComponent;
  command.data = it->second;
  return 0;
}
