#include "mhostinstrument.h"

#include <iostream>
#include <sstream>

#include "mhostplugin.h"
#include "mhosttimeline.h"
#include "mhosttimelinemachine.h"
#include "mmachabstract.h"

namespace {

// The error texts among the channel lines in `text` ("0000\terror \"...\""), joined with "; ".
std::string error_texts(const std::string& text) {
  std::string reasons;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    line.erase(0, line.find('\t') + 1);
    const std::string error = "error \"";
    if (line.compare(0, error.size(), error) == 0 && line.back() == '"') {
      line = line.substr(error.size(), line.size() - error.size() - 1);
    }
    if (line.empty()) continue;
    if (!reasons.empty()) reasons += "; ";
    reasons += line;
  }
  return reasons.empty() ? "no reason given" : reasons;
}

}  // namespace

MHostInstrument::MHostInstrument(const std::string& config_path, const MHostConfig& config,
                                 const MHostUserErrors& errors)
    : config_path_(config_path), config_(config), errors_(errors) {}

MHostInstrument::~MHostInstrument() {
  proxy_.reset();
  recorded_.clear();
  owned_.clear();  // the submachines, after the proxy that uses them
}

bool MHostInstrument::Create(MHostPlugins& plugins, MHostTimeline* timeline) {
  timeline_ = timeline;
  std::string error;
  std::vector<MMachAbstract*> submachines;
  if (timeline_ != nullptr) proxy_track_ = timeline_->AddTrack(config_.proxy.name);
  header_ = "# proxy " + config_.proxy.name + " (" + config_.proxy.plugin + ") over";
  for (const MHostMachineSetup& setup : config_.submachines) {
    MHostPlugin* plugin = plugins.Get(setup.plugin, error);
    if (plugin == nullptr) return errors_.ReportMachine(config_path_, setup, error);
    owned_.emplace_back(plugin->new_machine(setup.name, setup.configdir, &channel_, nullptr, {}));
    if (!owned_.back()) return errors_.ReportMachine(config_path_, setup, "no machine \"" + setup.name + "\" created");
    submachines.push_back(owned_.back().get());
    described_.push_back({setup.name, submachines.back()});
    if (timeline_ != nullptr) {
      recorded_.push_back(std::make_unique<MHostTimelineMachine>(*owned_.back(), *timeline_,
                                                                 timeline_->AddTrack(setup.name), setup.name,
                                                                 setup.configdir));
      submachines.back() = recorded_.back().get();
    }
    header_ += (submachines.size() == 1 ? " " : ", ") + setup.name + " (" + setup.plugin + ")";
  }
  MHostPlugin* proxy_plugin = plugins.Get(config_.proxy.plugin, error);
  if (proxy_plugin == nullptr) return errors_.ReportMachine(config_path_, config_.proxy, error);
  if (!proxy_plugin->is_proxy()) return errors_.ReportMachine(config_path_, config_.proxy, "the plug-in is not a proxy");
  proxy_.reset(proxy_plugin->new_machine(config_.proxy.name, config_.proxy.configdir, &channel_, nullptr, submachines));
  if (!proxy_) {
    return errors_.ReportMachine(config_path_, config_.proxy, "no machine \"" + config_.proxy.name + "\" created");
  }
  return true;
}

std::unique_ptr<MHostSession> MHostInstrument::NewSession() {
  // describe shows the prefixes that the proxy takes from its aliases file.
  auto session = std::make_unique<MHostSession>(
      *proxy_, config_.proxy.name, channel_, described_,
      MHostConfig_ReadAliases(MHostInstrument_AliasesFile(config_), owned_.size()), std::cout);
  if (timeline_ != nullptr) session->RecordOn(*timeline_, proxy_track_);
  return session;
}

bool MHostInstrument::Open(MHostSession& session) {
  std::cout << header_ << '\n';
  const int64_t open_start = timeline_ != nullptr ? timeline_->Now() : 0;
  const bool opened = proxy_->Open();
  if (timeline_ != nullptr) {
    timeline_->Span(proxy_track_, "open", open_start, timeline_->Now(),
                    {MHostTimelineArg::Text("outcome", opened ? "done" : "failed")});
  }
  session.FlushMachineChannel();
  session.Result(opened ? "open" : "open failed");
  if (opened) return true;
  proxy_->Close();
  session.FlushMachineChannel();
  report_open_failure();
  return false;
}

void MHostInstrument::Close(MHostSession& session) {
  proxy_->Close();
  session.FlushMachineChannel();
  session.Result("close");
}

void MHostInstrument::report_open_failure() {
  for (size_t i = 0; i < owned_.size(); ++i) {
    MMachAbstract& submachine = *owned_[i];
    channel_.Clear();
    const bool opened = submachine.Open();
    std::string text;
    channel_.Take(text, true);
    channel_.Clear();
    if (opened) {
      submachine.Close();
      channel_.Clear();
      continue;
    }
    const MHostMachineSetup& setup = config_.submachines[i];
    const std::string section = setup.section.substr(1, setup.section.size() - 2);
    errors_.Report(MHostUserErrors_Place(config_path_, MHostConfig_LineOf(config_path_, section, "")),
                   setup.section + ": Open failed: " + error_texts(text));
    return;
  }
  errors_.Report(MHostUserErrors_Place(config_path_, MHostConfig_LineOf(config_path_, "Proxy", "")),
                 "[Proxy]: Open failed: the submachines' descriptions could not be merged");
}

std::string MHostInstrument_AliasesFile(const MHostConfig& config) {
  return MMachAbstract_ConfigFile(config.proxy.configdir, config.proxy.name);
}
