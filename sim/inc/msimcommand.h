// The commands of the simulated machine: MSimCommand<MMach<Name>Command> makes every command
// class of the machine interface a real command of that class whose course follows an
// MSimCommandBehaviour, and records what happens to it in its machine's command log.
// A command keeps a pointer to its machine: the machine must outlive its commands, as with real
// machines. A command still alive when its machine goes is detached and reports done at its
// next poll, writing nothing.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "mmachcommands.h"
#include "msimbehaviour.h"

class MSimMachine;

// Parameters that the machine interface hands to a factory but no command class keeps.
struct MSimNameArgs {  // probe-system load/delete (name, id), image FIFOs (name, size), receive
  std::string name;
  uint64_t number = 0;
  friend bool operator==(const MSimNameArgs&, const MSimNameArgs&) = default;
};
struct MSimProbeArgs {  // probe define, delete, load
  uint32_t probe = 0;
  uint32_t tip = 0;
  uint64_t value = 0;
  friend bool operator==(const MSimProbeArgs&, const MSimProbeArgs&) = default;
};
struct MSimSlotArgs {  // magazine set
  uint32_t slot = 0;
  uint32_t probe = 0;
  friend bool operator==(const MSimSlotArgs&, const MSimSlotArgs&) = default;
};
struct MSimTransferArgs {  // send
  std::string component;
  std::string data;
  friend bool operator==(const MSimTransferArgs&, const MSimTransferArgs&) = default;
};

// The parameters a factory received, as the interface typed them (std::monostate: none).
using MSimCommandParams =
    std::variant<std::monostate, MMachAxesVector, MMachAxesSet, MMachAxesBoolMap,
                 MMachMovementPara, MMachMovepolyPara, MMachCirclePara, MMachConePara,
                 MMachDestinationPara, MMachProbesystemInfo, std::map<std::string, double>,
                 MMachWobbleParameters, MSimNameArgs, MSimProbeArgs, MSimSlotArgs,
                 MSimTransferArgs>;

// One entry of a machine's command log; it stays after the command is deleted.
struct MSimCommandRecord {
  std::string command_class;  // "MMachMoveCommand"
  std::string name;           // the command's text name, "move"
  MSimCommandParams params;
  uint32_t polls = 0;   // IsDone() calls, those after done included
  uint32_t aborts = 0;  // Abort() calls
  bool done = false;
  bool deleted = false;
};

// The command of the magazine-set factory, which the machine interface gives no class.
class MSimMagazineSetCommand : public MMachCommand {
 public:
  MSimMagazineSetCommand(MOutputChannel* output, uint32_t slot, uint32_t probe)
      : MMachCommand(output), slot(slot), probe(probe) {}
  const char* GetName() const override { return "magazine set"; }

  uint32_t slot;
  uint32_t probe;
};

// The behaviour of one command, shared by every command class.
class MSimCommandCore {
 public:
  struct Setup {
    MSimMachine* machine;  // not owned
    uint64_t serial;       // the command's entry in the machine's log
    MSimCommandBehaviour behaviour;
    MSimCommandParams params;
  };
  // Applies a finished command's effect; answers an error code for the channel, 0 for none.
  using FinishFunction = uint32_t (*)(MSimCommandCore& core, MMachCommand& command);

  explicit MSimCommandCore(Setup setup);
  ~MSimCommandCore();
  MSimCommandCore(const MSimCommandCore&) = delete;
  MSimCommandCore& operator=(const MSimCommandCore&) = delete;

  // One poll of `command`: runs the actions of this poll, then ends the command when it fails,
  // was aborted or has reached its last poll (calling `finish` in that last case only).
  bool Poll(MMachCommand& command, FinishFunction finish);
  void Abort();
  bool GetData(std::vector<double>& values);
  // The machine is going: never touch it again.
  void Detach() { machine_ = nullptr; }
  // The text name the behaviour gives the command instead of its class's, else null.
  const char* NameOverride() const { return behaviour_.text_name.empty() ? nullptr : behaviour_.text_name.c_str(); }

  // The effects of finished commands on the machine's tables, by command class.
  uint32_t Finish(MMachCommand& command);
  uint32_t Finish(MMachGetCommand& command);
  uint32_t Finish(MMachReceiveCommand& command);
  // The image FIFO commands of the framework do their own work, and report into the channel.
  uint32_t Finish(MMachImagefifoCreateCommand& command);
  uint32_t Finish(MMachImagefifoDeleteCommand& command);

 private:
  MSimCommandRecord* record() const;
  void end(MMachCommand& command, uint32_t error_code);

  MSimMachine* machine_;
  uint64_t serial_;
  MSimCommandBehaviour behaviour_;
  MSimCommandParams params_;
  uint32_t polls_ = 0;
  bool abort_requested_ = false;
  bool done_ = false;
};

template <class Base>
class MSimCommandT : public Base {
 public:
  template <class... Args>
  MSimCommandT(MSimCommandCore::Setup setup, MOutputChannel* output, Args&&... args)
      : Base(output, std::forward<Args>(args)...), core_(std::move(setup)) {}

  bool IsDone() override { return core_.Poll(*this, &finish); }
  void Abort() override { core_.Abort(); }
  const char* GetName() const override {
    const char* name = core_.NameOverride();
    return name != nullptr ? name : Base::GetName();
  }

 protected:
  MSimCommandCore core_;

 private:
  static uint32_t finish(MSimCommandCore& core, MMachCommand& command) {
    return core.Finish(static_cast<Base&>(command));
  }
};

// The scan commands add GetData().
template <class Base>
class MSimScanCommandT : public MSimCommandT<Base> {
 public:
  using MSimCommandT<Base>::MSimCommandT;
  bool GetData(std::vector<double>& values) override { return this->core_.GetData(values); }
};

template <class Base>
concept MSimScanBase = requires(Base& command, std::vector<double>& values) {
  command.GetData(values);
};

template <class Base>
using MSimCommand =
    std::conditional_t<MSimScanBase<Base>, MSimScanCommandT<Base>, MSimCommandT<Base>>;
