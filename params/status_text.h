// The first queued status message of a STATUS_MESSAGES reply, as the short text
// and colour of the device-state box.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace korval::params {

struct StatusMessage {
  std::uint8_t type = 0;
  std::uint16_t id = 0;
  std::uint16_t value1 = 0;
  std::uint16_t value2 = 0;
};

struct Rgb {
  std::uint8_t red = 0, green = 0, blue = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr Rgb kYellow{255, 255, 0};
inline constexpr Rgb kOlive{128, 128, 0};
inline constexpr Rgb kRed{255, 0, 0};
inline constexpr Rgb kLime{0, 255, 0};

// The first 9-byte message; a reply without one (PDL 0) reads as all 0xFF,
// which is type 0xFF and ID 0xFFFF: "unknown" in lime.
StatusMessage DecodeFirstStatus(std::span<const std::uint8_t> data);
// Advisory yellow, warning olive, error red, anything else lime.
Rgb StatusColour(std::uint8_t type);
// UTF-8 text; the degree sign is U+00B0.
std::string StatusText(const StatusMessage& message);

}  // namespace korval::params
