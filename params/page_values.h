// What the parameter page shows, as the window shows it: box texts as typed or
// last written, the colours that say whether a value came from the device, the
// personality spinner and the check boxes. Operations read their inputs from it
// and write what a device answered into it; a front end maps it to its widgets.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "params/channel_values.h"
#include "params/status_text.h"

namespace korval::params {

// One eight-box row (minimum limits, maximum limits, error scene). A box is
// white once a reply gave its value and grey while it holds an old text.
struct RowValues {
  std::array<std::string, kRowChannels> texts{};
  std::array<bool, kRowChannels> white{};
};

struct PageValues {
  std::string name;          // Edit1
  std::string manufacturer;  // Edit2
  std::string category;      // Edit8
  std::string firmware;      // Edit9
  std::string footprint;     // Edit10
  std::string startAddress;  // EditAddr
  std::string status;        // Edit5
  Rgb statusColour{};        // Edit5's background
  std::string deviceHours;   // Edit33
  std::string lampHours;     // Edit34
  int personality = 1;       // UpDown1's position
  int personalityCount = 1;  // UpDown1's maximum
  // Pan inversion, tilt inversion, pan/tilt swap (CheckBox1..CheckBox3).
  std::array<bool, 3> panTilt{};
  RowValues minLimits;
  RowValues maxLimits;
  RowValues errorScene;
  ChannelMask dimmSwitch{};  // CheckBox4..CheckBox11
};

// The groups of PageValues a step changed, as a bit set.
enum class PageField : std::uint32_t {
  kNone = 0,
  kName = 1u << 0,
  kManufacturer = 1u << 1,
  // Category, firmware, footprint, personality and its count, start address.
  kDeviceInfo = 1u << 2,
  kStatusText = 1u << 3,
  kStatusColour = 1u << 4,
  kDeviceHours = 1u << 5,
  kLampHours = 1u << 6,
  kPanTilt = 1u << 7,
  kMinLimits = 1u << 8,
  kMaxLimits = 1u << 9,
  kErrorScene = 1u << 10,
  kDimmSwitch = 1u << 11,
};

constexpr PageField operator|(PageField a, PageField b) {
  return static_cast<PageField>(static_cast<std::uint32_t>(a) | static_cast<std::uint32_t>(b));
}
// True when `set` names any group of `fields`.
constexpr bool Has(PageField set, PageField fields) {
  return (static_cast<std::uint32_t>(set) & static_cast<std::uint32_t>(fields)) != 0;
}

}  // namespace korval::params
