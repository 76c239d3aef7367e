// Test rig: a proxy machine named "px" over simulated submachines "sim1".."simN" (descriptions
// "d1".."dN") that all write into the proxy's channel. The submachines live in one array in
// list order, so that their addresses ascend with the list.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "moutputchannel.h"
#include "mproxyasyncmachabstract.h"
#include "msimmachine.h"
#include "mproxytestaccess.h"
#include "mtesttempdir.h"

// The line that Error(code) writes into a channel numbered 1.
inline std::string ErrorLine(uint32_t code) {
  MOutputChannel channel(1);
  channel.Error(code);
  std::string text;
  channel.Take(text, true);
  return text;
}

inline bool available(const MProxyAxisEntry& entry) { return entry.info.IsAvailable(); }
inline bool available(const MProxyComponentEntry& entry) { return entry.info.IsAvailable(); }
inline bool available(const MProxyProbesystemEntry&) { return true; }

class ProxyFixture : public ::testing::Test {
 protected:
  void TearDown() override {
    proxy_.reset();
    channel.Clear();
  }

  // Replaces the proxy and the submachines of an earlier call.
  void MakeSims(size_t count) {
    proxy_.reset();
    sims_.clear();
    storage_ = std::make_unique<std::optional<MSimMachine>[]>(count);
    for (size_t i = 0; i < count; ++i) {
      const std::string number = std::to_string(i + 1);
      storage_[i].emplace(&channel, nullptr, "sim" + number, dir.path().string());
      storage_[i]->SetIdentity("sim" + number, "1." + number, "d" + number);
      sims_.push_back(&*storage_[i]);
    }
  }
  MSimMachine& Sim(size_t index) { return *storage_[index]; }

  template <class Proxy = MProxyMachAbstract>
  Proxy& MakeProxy() {
    proxy_ = std::make_unique<Proxy>(&channel, nullptr, sims_, "px", dir.path().string());
    return static_cast<Proxy&>(*proxy_);
  }
  template <class Proxy = MProxyMachAbstract>
  Proxy& OpenProxy() {
    Proxy& proxy = MakeProxy<Proxy>();
    EXPECT_TRUE(proxy.Open());
    return proxy;
  }

  void WriteConfig(const std::string& text) { std::ofstream(dir.File("px.ini"), std::ios::binary) << text; }

  // Everything `from` holds (pending events included); `from` is emptied.
  static std::string TakeLines(MOutputChannel& from) {
    std::string text;
    from.Take(text, true);
    from.Clear();
    return text;
  }
  std::string TakeLines() { return TakeLines(channel); }

  // Whether `check` holds for every command that the submachines created; or how many did.
  bool EveryRecord(const std::function<bool(const MSimCommandRecord&)>& check) const {
    for (size_t i = 0; i < sims_.size(); ++i) {
      for (const MSimCommandRecord& record : storage_[i]->CommandLog()) {
        if (!check(record)) return false;
      }
    }
    return true;
  }
  size_t RecordCount() const {
    size_t count = 0;
    EveryRecord([&count](const MSimCommandRecord&) { return ++count != 0; });
    return count;
  }

  // A merged table as "proxy name=owner:own name", with " (n/a)" for unavailable entries.
  template <class Table>
  std::vector<std::string> Describe(const Table& table) const {
    std::vector<std::string> lines;
    for (const auto& [name, entry] : table) {
      std::string owner = entry.submachine == proxy_.get() ? "px" : "?";
      for (size_t i = 0; i < sims_.size(); ++i) {
        if (entry.submachine == sims_[i]) owner = "sim" + std::to_string(i + 1);
      }
      lines.push_back(name + "=" + owner + ":" + entry.submachine_name + (available(entry) ? "" : " (n/a)"));
    }
    return lines;
  }

  MOutputChannel channel{1};
  MTestTempDir dir;

 private:
  std::unique_ptr<std::optional<MSimMachine>[]> storage_;
  std::vector<MMachAbstract*> sims_;
  std::unique_ptr<MProxyMachAbstract> proxy_;
};
