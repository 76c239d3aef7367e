// TemplateMachine: the smallest useful submachine for the proxy. Three linear axes x, y, z, one
// component, one probe system (loaded from the start) and a move command that arrives after a
// few polls. Every other operation keeps the answer of MMachAbstract: "not possible" for the
// queries, error 15 ("transaction: command unknown") and no command for the other factories.
// Replace the tables and the move by your controller's; see README.md.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "mmachabstract.h"
#include "templateprobesystems.h"

class TemplateMachine : public MMachAbstract {
 public:
  // As every machine: the server owns the channel and the host service (which may be null).
  TemplateMachine(MOutputChannel* output, MMachHostService* host_service, const std::string& name,
                  const std::string& configdir);

  bool Open() override;
  void Close() override;
  void Poll() override;
  bool IsReady() override;

  const char* GetMachineName() override;
  const char* GetMachineVersion() override;
  const char* GetMachineDescription() override;
  const MMachComponentInfo* GetComponentInfo(const std::string& component) override;
  const MMachComponentInfo* GetFirstComponentInfo() override;
  const MMachComponentInfo* GetNextComponentInfo() override;

  const MMachAxisInfo* GetAxisInfo(const std::string& axis) override;
  const MMachAxisInfo* GetFirstAxisInfo() override;
  const MMachAxisInfo* GetNextAxisInfo() override;
  // NaN for an axis this machine does not have.
  double GetAxisValue(const char* axis) override;
  bool IsMovingPossibleWith(const MMachAxesSet& axes) override;

  // Refuses (null, and the reason in `output`) an unknown axis or a target outside its range.
  MMachMoveCommand* NewMMachMoveCommand(MOutputChannel* output,
                                        const MMachMovementPara& movement) override;

  // Called by a move command when it has arrived: the axes take their targets.
  void SetAxisValues(const MMachPositionMap& positions);

 private:
  // The error code that refuses a move to `positions`; 0 when the move is fine.
  uint32_t check_targets(const MMachPositionMap& positions) const;
  const MMachAxisInfo* find_axis(const std::string& axis) const;

  std::vector<MMachAxisInfo> axes_;
  std::map<std::string, double> values_;
  size_t axis_cursor_ = 0;  // the next entry of the axis listing
  MMachComponentInfo component_;
  bool component_listed_ = false;  // the listing has handed out its only entry
  TemplateProbesystems probesystem_table_;
  bool open_ = false;
};
