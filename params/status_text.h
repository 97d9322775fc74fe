// One message of STATUS_MESSAGES: its layout, by which the command line's
// parameter table, the page and the virtual responders read and write it; and
// the first queued message of a reply as the short text and colour of the
// page's device-state box.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "params/pid_names.h"
#include "params/pid_table.h"
#include "rdm/rdm_constants.h"

namespace korval::params {

inline constexpr FieldDef kStatusMessageLayout[] = {
    {"sub_device", FieldKind::kU16},
    {"status_type", FieldKind::kU8, names::kStatusTypes},
    {"message_id", FieldKind::kU16, names::kStatusIds},
    {"value1", FieldKind::kS16},
    {"value2", FieldKind::kS16},
};
static_assert(LayoutBytes(kStatusMessageLayout) == rdm::kStatusMessageBytes);

struct StatusMessage {
  std::uint16_t subDevice = 0;
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

std::array<std::uint8_t, rdm::kStatusMessageBytes> EncodeStatusMessage(
    const StatusMessage& message);
// The first message; a reply without one (PDL 0) reads as all 0xFF, which is
// type 0xFF and ID 0xFFFF: "unknown" in lime.
StatusMessage DecodeFirstStatus(std::span<const std::uint8_t> data);
// Advisory yellow, warning olive, error red, anything else lime.
Rgb StatusColour(std::uint8_t type);
// UTF-8 text; the degree sign is U+00B0.
std::string StatusText(const StatusMessage& message);

}  // namespace korval::params
