// The tables behind a simulated machine: what it says about itself (identity, axes, components,
// probe systems, probes, axis lists, image FIFOs, magazine file, capability flags) and the state of
// the features that the server starts directly on it. Plain values that MSimMachine answers
// from; a test sets them up through the machine's setters or changes them in Tables().
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "mmachaxisrecords.h"
#include "mmachimagefifoentry.h"
#include "mmachmachinerecords.h"
#include "mmachparameterrecords.h"
#include "moutputchannel.h"

// One axis: its description and its current value.
struct MSimAxis {
  MMachAxisInfo info;
  double value = 0.0;

  static MSimAxis Make(const std::string& name, uint32_t flags = 0, double value = 0.0);
};

// A feature that the server starts, reads and stops on the machine itself. A start fails
// (answers false and changes nothing) while `start_succeeds` is false; the reads hand out
// `data` one vector per call while the feature is active.
struct MSimFeature {
  bool possible = false;
  bool start_succeeds = true;
  bool stop_succeeds = true;
  bool active = false;
  MOutputChannel* out = nullptr;  // the channel of the last successful start; not owned
  std::deque<std::vector<double>> data;
};

struct MSimAutoinfo : MSimFeature {
  uint32_t mode = 0;
  MMachAxesVector axes;
};

struct MSimAutolatch : MSimFeature {
  std::string axis;
  MMachAxesVector axes;
  bool triggered = false;
};

struct MSimPreview : MSimFeature {
  uint64_t value = 0;
};

// Preview memory runs per probe-system name; `running` holds the started ones.
struct MSimPreviewMemory {
  struct Run {
    uint32_t a = 0;
    uint64_t b = 0;
    bool ready = false;
  };
  bool possible = false;
  bool start_succeeds = true;
  bool stop_succeeds = true;
  std::map<std::string, Run> running;
};

// The seven possibility queries on axis sets.
enum class MSimPossibility {
  kScanning,
  kMoving,
  kMoveIntoLimitSwitch,
  kMovezeroing,
  kTracking,
  kStrobe,
  kScandata,
};

// Answers a possibility query for the named axes (tracking: position and tracking axes
// together). The int is the answer of IsScandataPossibleWith; the other queries take it as a
// bool. Without a rule a query answers whether every named axis is usable here.
using MSimRule = std::function<int(const MMachAxesSet& axes)>;

struct MSimTables {
  // Identity and machine-wide flags; `machine_name` starts as the name given at construction.
  std::string machine_name;
  std::string machine_version = "1.00";
  std::string machine_description;
  std::string machine_text;
  bool null_machine_name = false;  // GetMachineName answers null (a faulty machine)
  bool open_succeeds = true;
  std::string open_error;  // the error line that a failing Open writes into the channel; empty: none
  bool reopen_succeeds = true;  // false: Open fails once the machine has been closed
  // An error number that every Poll writes into the machine channel (0: none): a machine that
  // reports a fault of its own all the time, which makes our proxy abort every command.
  uint32_t poll_error = 0;
  bool is_open = false;
  bool was_closed = false;
  bool ready = true;
  bool probe_ready = true;
  bool feature_a = false;
  bool feature_b = false;
  bool feature_c = false;
  bool idle_command = false;
  std::optional<MMachWobbleParameters> wobble;  // GetWobbleParameters answers false without
  // Operations ("GetAxisValue", "NewMMachMoveCommand", "~MSimMachine") that stop the process
  // with std::abort() when called: a plug-in that crashes, for the tools that must survive one.
  std::set<std::string, std::less<>> crash_operations;
  // Operation → the call of it (counting from 1) that throws std::runtime_error instead of
  // answering: a plug-in that lets an exception out.
  std::map<std::string, uint64_t, std::less<>> throw_operations;

  // Axes in listing order. A name may be listed twice (a faulty machine); queries by name use
  // the first. An axis is usable when listed without MMachAxisInfo::kNotAvailable.
  std::vector<MSimAxis> axes;
  std::map<std::string, double> limit_tolerances;  // absent: 5.0
  std::set<std::string> init_axes;
  std::set<std::string> uninitialized_axes;  // IsAxisInitialized is true for all others
  std::set<std::string> spin_axes;
  bool has_axis_lists = false;
  std::vector<std::string> first_axis_list;
  std::vector<std::string> second_axis_list;
  bool has_keypad = false;
  std::vector<std::pair<std::string, uint64_t>> keypad_axes;  // name and keypad value
  std::map<MSimPossibility, MSimRule> possibility_rules;

  std::vector<MMachComponentInfo> components;  // listing order
  std::vector<MMachVersionInfo> versions;      // listing order

  // Probe systems: the listed names, their definitions and the loaded one (empty: none).
  bool has_probesystems = false;
  std::vector<std::string> probesystem_names;
  std::vector<MMachProbesystemInfo> probesystem_definitions;
  std::string active_probesystem;
  uint32_t active_probesystem_id = 0;
  MMachProbesystemType probesystem_type{1, {}};

  bool has_probes = false;
  std::map<uint32_t, std::map<uint32_t, std::vector<double>>> probes;  // probe → tip → tip data
  uint32_t loaded_probe = 0;
  uint64_t loaded_tip = 0;
  uint64_t probe_info = 0;
  uint64_t probe_status = 0;

  // Image FIFOs: the entries that the create command made (or a test put here) and the image
  // format of each optical probe system, which GetImageFormat answers while it is loaded.
  bool has_imagefifos = false;
  std::map<std::string, MMachImagefifoEntry> imagefifos;
  std::string active_imagefifo;
  std::map<std::string, MMachImageFormat> image_formats;  // by probe-system name
  bool wide_imagefifos = false;                           // new blocks get the 64-bit layout
  // The machine keeps a link of its own to every block it creates, which the delete command
  // does not undo (only deleting the machine does): a machine that leaks its blocks.
  bool keep_imagefifo_blocks = false;

  // The magazine database file, read at Open: a name in the configuration directory or an
  // absolute path; empty: no magazine.
  std::string magazine_file;
  // Slots that IsMagazineSlot denies although the magazine has them (a faulty machine).
  std::set<uint32_t> denied_magazine_slots;

  std::map<std::string, std::string> receive_data;  // component → contents a receive delivers
  std::map<std::string, std::string> sent_data;     // component → contents a send stored

  MSimAutoinfo autoinfo;
  MSimAutolatch autolatch;
  MSimPreview preview;
  MSimPreviewMemory preview_memory;

  // The first axis of that name, or null.
  const MSimAxis* FindAxis(const std::string& name) const;
  MSimAxis* FindAxis(const std::string& name);
  bool IsUsableAxis(const std::string& name) const;
  bool IsProbesystemListed(const std::string& name) const;
};
