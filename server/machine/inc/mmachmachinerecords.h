// Records that describe a machine beyond its axes: components, versions, probe systems and the
// image format of its camera. Plain values, copied by whoever receives them.
#pragma once

#include <array>
#include <cstdint>
#include <string>

// One component of a machine (a named part such as a configuration file).
struct MMachComponentInfo {
  static constexpr uint32_t kReadable = 0x1;      // can be received
  static constexpr uint32_t kWritable = 0x2;      // can be sent
  static constexpr uint32_t kNotAvailable = 0x8;  // listed, but counts as absent
  static constexpr uint32_t kDefaultFlags = kReadable | kWritable;

  std::string name;
  std::string version;
  uint32_t flags = kDefaultFlags;

  bool IsAvailable() const { return (flags & kNotAvailable) == 0; }

  // Name and version must match; two unavailable components are then equal whatever their flags.
  friend bool operator==(const MMachComponentInfo& a, const MMachComponentInfo& b);
};

// One definition of a probe system; a name may have several, told apart by `id`.
// `data` and `values` are carried unchanged.
struct MMachProbesystemInfo {
  std::string name;
  uint32_t id = 0;
  std::array<uint64_t, 3> data{};
  std::array<double, 3> values{};

  friend bool operator==(const MMachProbesystemInfo&, const MMachProbesystemInfo&) = default;
};

// One line of a machine's version listing.
struct MMachVersionInfo {
  std::string name;
  std::string version;
  bool flag = false;

  friend bool operator==(const MMachVersionInfo&, const MMachVersionInfo&) = default;
};

// One probe-system name of a listing.
struct MMachProbesystemEntry {
  std::string name;
  uint64_t value = 0;

  friend bool operator==(const MMachProbesystemEntry&, const MMachProbesystemEntry&) = default;
};

// The type of the loaded probe system: a type code, then three words carried unchanged.
struct MMachProbesystemType {
  uint64_t type = 0;
  std::array<uint64_t, 3> data{};

  friend bool operator==(const MMachProbesystemType&, const MMachProbesystemType&) = default;
};

// Format of one camera image; the product of the three numbers is its size in bytes.
struct MMachImageFormat {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t bytes_per_pixel = 0;

  uint64_t ImageSize() const { return uint64_t{width} * height * bytes_per_pixel; }

  friend bool operator==(const MMachImageFormat&, const MMachImageFormat&) = default;
};
