// The machines of one host configuration, created through their plug-ins over one machine
// channel: the submachines in list order, then the proxy over them. With a timeline the proxy
// gets a recording decorator over each submachine instead of the submachine itself. The
// instrument owns every machine it creates and destroys the proxy first.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "mhostconfig.h"
#include "mhostsession.h"
#include "mhostusererrors.h"
#include "moutputchannel.h"

class MHostPlugins;
class MHostTimeline;
class MHostTimelineMachine;
class MMachAbstract;

class MHostInstrument {
 public:
  // `config` was read from `config_path`; both must outlive the instrument.
  MHostInstrument(const std::string& config_path, const MHostConfig& config, const MHostUserErrors& errors);
  ~MHostInstrument();
  MHostInstrument(const MHostInstrument&) = delete;
  MHostInstrument& operator=(const MHostInstrument&) = delete;

  // Creates the submachines and the proxy; false after reporting the first failure. A timeline
  // (may be null) gets a track for the proxy and one per submachine.
  bool Create(MHostPlugins& plugins, MHostTimeline* timeline);
  // A session over the proxy that prints to standard output.
  std::unique_ptr<MHostSession> NewSession();
  // Prints the header line, opens the proxy and prints what it wrote. On failure the proxy is
  // closed again (so that no submachine that a later step of Open left open stays so) and the
  // submachine that does not open is reported with its reason.
  bool Open(MHostSession& session);
  void Close(MHostSession& session);

  int ProxyTrack() const { return proxy_track_; }

 private:
  // After the proxy's Open failed: asks the submachines in order which one does not open and
  // reports it with what it wrote; those that open are closed again.
  void report_open_failure();

  std::string config_path_;
  const MHostConfig& config_;
  const MHostUserErrors& errors_;
  MHostTimeline* timeline_ = nullptr;
  MOutputChannel channel_{0};  // the machine channel: every submachine and the proxy write here
  std::vector<std::unique_ptr<MMachAbstract>> owned_;
  std::vector<std::unique_ptr<MHostTimelineMachine>> recorded_;  // over `owned_`, with a timeline
  std::vector<MHostSubmachine> described_;
  std::unique_ptr<MMachAbstract> proxy_;
  int proxy_track_ = 0;
  std::string header_;  // "# proxy cmm (orvexproxy) over gantry (orvexsim), ..."
};

// The file from which the proxy takes its component prefixes: "<configdir>\<name>.ini".
std::string MHostInstrument_AliasesFile(const MHostConfig& config);
