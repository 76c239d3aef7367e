// A name that no other test process uses at the same time, for named shared memory: the tag after
// a prefix made of the process's start time and a random number.
#pragma once

#include <chrono>
#include <random>
#include <string>

inline std::string MTestUniqueName(const std::string& tag) {
  static const std::string prefix =
      "orvex-test-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + "-" +
      std::to_string(std::random_device{}());
  return prefix + "-" + tag;
}
