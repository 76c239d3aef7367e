// Records of an axes vector split over submachines: each submachine's share of the request with
// the request positions its values answer, and the axes whose value several submachines deliver.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class MMachAbstract;

// The combine function of an axis shared by several submachines: merges two reported values.
using MProxyCombineFunction = double (*)(double, double);

// One submachine's share of an MMachAxesVector request.
struct MProxyAxesVectorPart {
  // Marks a name added only to obtain a value for a shared axis; it answers no request position.
  static constexpr uint64_t kNoPosition = UINT64_MAX;

  std::vector<std::string> names;   // the submachine's own axis names, in the order asked
  std::vector<uint64_t> positions;  // the request index of each name, or kNoPosition
};

// One requested axis whose value several submachines deliver.
struct MProxySharedAxis {
  uint64_t index = 0;                       // position in the request
  std::map<MMachAbstract*, uint64_t> parts;  // submachine -> position of the axis in its names
  MProxyCombineFunction combine = nullptr;
};

using MProxyAxesVectorParts = std::map<MMachAbstract*, MProxyAxesVectorPart>;
