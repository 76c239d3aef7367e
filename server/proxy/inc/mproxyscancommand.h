// MProxyScanCommand: the proxy's "scan". Its course (scan step, endless scans of the submachines
// that only record data, the real scan, stopping everything again) is MProxyGenericScanCommand's;
// this class adds the polling until every started sub-command has ended and the merge of the
// scan values of all submachines into the server's scandata order.
#pragma once

#include <vector>

#include "mproxygenericscancommand.h"
#include "mproxymachabstract.h"
#include "mproxyscandatatable.h"
#include "mproxysimplecommands.h"

class MProxyScanCommand final : public MProxyForwardingCommand<MMachScanCommand>,
                                public MProxyGenericScanCommand {
 public:
  // Starts without sub-commands: the first poll splits the scan and creates them.
  MProxyScanCommand(MProxyMachAbstract* machine, MOutputChannel* output, const MMachMovementPara& movement);

  // Runs the scan's course; after it, polls on until every sub-command it started has ended.
  bool IsDone() override;
  // The latest values of every scanning submachine, merged in the server's scandata order;
  // delivers only once each has delivered and in calls in which a moving submachine delivered.
  bool GetData(std::vector<double>& values) override;

 private:
  friend class MProxyGenericScanCommand;  // drives the sub-commands of the MProxyCommand part

  // GetData before the real scan runs, when the sub-commands may still change.
  bool get_data_by_submachine(std::vector<double>& values);

  bool done = false;
  MProxyBySubmachine<std::vector<double>> scan_data;  // latest values, until the table takes them
  std::vector<double> delivery;  // where the next vector of a sub-command is read
  MProxyScanDataTable table;     // once the real scan runs
};
