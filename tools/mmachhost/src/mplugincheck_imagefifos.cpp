// The imagefifos group, for a machine with image FIFOs and an optical probe
// system loaded: a FIFO made through the machine's create command is listed and
// found by name, its delete command removes it, and its shared-memory block is
// then released: the check creates a block of that name itself, larger than the
// first, which works only when no one holds the old one (on both platforms an
// existing block is linked at its own size, too small for the request). A
// machine that has no probe system loaded gets an optical one loaded for the
// check.
#include <cstdint>
#include <functional>
#include <random>
#include <string>

#include "mmachimagefifocommands.h"
#include "mplugincheckgroups.h"
#include "mplugincheckprobesystemload.h"
#include "msharedmem.h"

namespace {

constexpr uint64_t kFifoSize = 64 * 1024;
constexpr uint64_t kLargerSize = 4 * kFifoSize;
constexpr size_t kMaxEntries = 10000;

// A block name that no other check run uses at the same time.
std::string fresh_name() {
  std::random_device source;
  return std::string("orvexcheck-fifo-").append(std::to_string(source())).append("-").append(std::to_string(source()));
}

bool listed(MMachAbstract &m, const std::string &name) {
  size_t entries = 0;
  for (const MMachImagefifoEntry *entry = m.GetFirstImagefifo(); entry != nullptr && entries < kMaxEntries;
       entry = m.GetNextImagefifo(), ++entries) {
    if (entry->name == name) return true;
  }
  return false;
}

bool found(MMachAbstract &m, const std::string &name) {
  const MMachImagefifoEntry *entry = m.FindImagefifo(name);
  return entry != nullptr && entry->name == name;
}

bool has_image(MMachAbstract &m) { return m.GetImageFormat().ImageSize() != 0; }

// Why the machine cannot make FIFOs at all; empty when it can.
std::string cannot_create(MMachAbstract &m) {
  if (!m.HasImagefifos()) return "HasImagefifos answers false";
  if (!m.IsCommandSupported("MMachImagefifoCreateCommand") || !m.IsCommandSupported("MMachImagefifoDeleteCommand")) {
    return "no image FIFO create and delete commands";
  }
  return "";
}

// Loads an optical probe system when none is loaded.
MPluginCheckProbesystemLoad load_optical(MMachAbstract &m, const MPluginCheckTarget &target) {
  return {m, target, has_image};
}

constexpr const char *kNoImage = "GetImageFormat answers no image: no optical probe system loaded or loadable";

// Creates the FIFO `name`, sees it listed and found, deletes it and sees it
// gone; the fault.
std::string create_and_delete(MMachAbstract &m, const std::string &name, const MPluginCheckTarget &target) {
  MOutputChannel channel(1);
  const std::string created =
      MPluginCheck_RunToEnd(m.NewMMachImagefifoCreateCommand(&channel, name, kFifoSize), channel, target);
  if (!created.empty()) return std::string("imagefifo create ended with ") + created;
  if (!found(m, name)) return std::string("after imagefifo create, FindImagefifo(\"") + name + "\") does not find it";
  if (!listed(m, name)) return std::string("after imagefifo create, \"") + name + "\" is not listed";
  const std::string deleted = MPluginCheck_RunToEnd(m.NewMMachImagefifoDeleteCommand(&channel, name), channel, target);
  if (!deleted.empty()) return std::string("imagefifo delete ended with ") + deleted;
  if (found(m, name) || listed(m, name)) return std::string("after imagefifo delete, \"") + name + "\" is still there";
  return "";
}

MPluginCheckResult check_create_delete(MMachAbstract &m, const MPluginCheckTarget &target) {
  const std::string cannot = cannot_create(m);
  if (!cannot.empty()) return MPluginCheckResult::Skip(cannot);
  const MPluginCheckProbesystemLoad load = load_optical(m, target);
  if (!has_image(m)) return MPluginCheckResult::Skip(kNoImage);
  const std::string fault = create_and_delete(m, fresh_name(), target);
  if (!fault.empty()) return MPluginCheckResult::Fail(fault);
  return MPluginCheckResult::Pass(std::string("a FIFO of ") + std::to_string(kFifoSize) +
                                  " bytes created, listed, found and deleted" + load.Note());
}

MPluginCheckResult check_released(MMachAbstract &m, const MPluginCheckTarget &target) {
  const std::string cannot = cannot_create(m);
  if (!cannot.empty()) return MPluginCheckResult::Skip(cannot);
  const MPluginCheckProbesystemLoad load = load_optical(m, target);
  if (!has_image(m)) return MPluginCheckResult::Skip(kNoImage);
  const std::string name = fresh_name();
  const std::string fault = create_and_delete(m, name, target);
  if (!fault.empty()) return MPluginCheckResult::Skip(fault + " (see imagefifos.create-delete)");
  void *const block = MSharedMem_LinkOrCreate(name.c_str(), kLargerSize);
  const int64_t size = block != nullptr ? MSharedMem_GetSize(block) : -1;
  if (block != nullptr) MSharedMem_Unlink(block);
  if (size != static_cast<int64_t>(kLargerSize)) {
    return MPluginCheckResult::Fail(std::string("after imagefifo delete, the block \"") + name + "\" is still held");
  }
  return MPluginCheckResult::Pass(std::string("after imagefifo delete, a new block of that name could be created") +
                                  load.Note());
}

}  // namespace

std::vector<MPluginCheckCase> MPluginCheck_ImagefifosCases() {
  return {MPluginCheck_OpenMachineCase("imagefifos.create-delete", check_create_delete),
          MPluginCheck_OpenMachineCase("imagefifos.released", check_released)};
}
