// The host's session language: the input is a script, run line by line against the demo
// instrument (the proxy "cmm" over the simulated gantry, table and sensor of examples/, made in
// process from copies of their descriptions). No line may crash or hang the session (commands
// are aborted after a bounded number of polls), and every line that the session rejects comes
// with a reason, which the host prints after the script's name and line number. The script is
// taken as the host takes one: text without NUL bytes, a CR before a line's end dropped.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "merrsinks.h"
#include "mfuzzfile.h"
#include "mhostsession.h"
#include "moutputchannel.h"
#include "mproxyasyncmachabstract.h"
#include "msimmachine.h"

namespace {

const char* const kSubmachines[] = {"gantry", "table", "sensor"};

// A fresh copy of the demo's descriptions and component prefixes: a script may send a component,
// which rewrites its file.
void copy_demo(const std::string& folder) {
  std::filesystem::create_directories(folder);
  for (const char* file : {"gantry.ini", "table.ini", "sensor.ini", "cmm.ini"}) {
    std::filesystem::copy_file(std::string(ORVEX_EXAMPLES_DIR) + "/" + file, folder + "/" + file,
                               std::filesystem::copy_options::overwrite_existing);
  }
}

// "poll COUNT" polls as often as it is told: the fuzzer keeps the count small.
std::string bounded(const std::string& line) {
  const size_t first = line.find_first_not_of(" \t");
  if (first == std::string::npos || line.compare(first, 4, "poll") != 0) return line;
  return "poll";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const MFuzzFile scratch("session");
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (text.find('\0') != std::string::npos) return 0;  // the host refuses a script that is no text
  static const bool quiet = (MErrLog_SetCallback([](const MErrLogRecord&) {}), true);
  (void)quiet;
  const std::string folder = scratch.path() + ".d";
  copy_demo(folder);

  MOutputChannel channel(0);
  std::vector<std::unique_ptr<MSimMachine>> sims;
  std::vector<MMachAbstract*> submachines;
  std::vector<MHostSubmachine> described;
  for (const char* name : kSubmachines) {
    sims.push_back(MSimMachine::NewFromDescription(&channel, nullptr, name, folder, folder + "/" + name + ".ini"));
    MFUZZ_CHECK(sims.back() != nullptr, "a demo description does not load");
    submachines.push_back(sims.back().get());
    described.push_back({name, sims.back().get()});
  }
  MProxyAsyncMachAbstract proxy(&channel, nullptr, submachines, "cmm", folder);
  MFUZZ_CHECK(proxy.Open(), "the demo instrument does not open");

  std::ostringstream transcript;
  MHostSession session(proxy, "cmm", channel, described, {"", "rt", "opt"}, transcript);
  session.SetMaxPolls(50);
  std::istringstream script(text);
  std::string line;
  for (size_t number = 1; std::getline(script, line) && number <= 64; ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string error;
    if (!session.Run(bounded(line), error)) MFUZZ_CHECK(!error.empty(), "a rejected line without a reason");
    if (session.QuitRequested()) break;
    transcript.str("");
  }
  proxy.Close();
  return 0;
}
