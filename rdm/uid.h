// RDM UIDs as 64-bit values: the 48-bit UID in the low bits, manufacturer ID in
// bits 32..47, device ID in bits 0..31. Operations take a UID as two words.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace korval {

using Uid = std::uint64_t;

inline constexpr Uid kUidMask = 0xFFFF'FFFF'FFFFULL;
inline constexpr Uid kBroadcastUid = 0xFFFF'FFFF'FFFFULL;
inline constexpr Uid kControllerUid = 0x8888'0000'0001ULL;
inline constexpr std::size_t kUidBytes = 6;

constexpr std::uint32_t UidLow(Uid uid) {
  return static_cast<std::uint32_t>(uid);
}
constexpr std::uint32_t UidHigh(Uid uid) {
  return static_cast<std::uint32_t>((uid >> 32) & 0xFFFF);
}
constexpr Uid MakeUid(std::uint32_t low, std::uint32_t high) {
  return (static_cast<Uid>(high & 0xFFFF) << 32) | low;
}
constexpr Uid ManufacturerBroadcast(Uid uid) {
  return (uid & 0xFFFF'0000'0000ULL) | 0xFFFF'FFFFULL;
}
// All 32 device-ID bits set: every device of one manufacturer, or with the
// manufacturer ID FFFF too, every device on the line.
constexpr bool IsBroadcastUid(Uid uid) {
  return (uid & 0xFFFF'FFFFULL) == 0xFFFF'FFFFULL;
}

// Most significant byte first, as on the wire.
std::array<std::uint8_t, kUidBytes> UidToBytes(Uid uid);
Uid UidFromBytes(std::span<const std::uint8_t, kUidBytes> bytes);

// Upper-case hexadecimal, at least six digits, zero-padded only up to six:
// 4A4C00000012, 100000002, 000001. Log lines and names-list keys use it.
std::string UidText(Uid uid);
// Exactly twelve upper-case digits, as in device-list lines made by discovery.
std::string UidText12(Uid uid);
// "mmmm:dddddddd", the way people write UIDs (rig files, dialogs).
std::string UidColonText(Uid uid);
// Parses "4A4C:00000012" (also lower case); nullopt when malformed.
std::optional<Uid> ParseUidColonText(std::string_view text);

}  // namespace korval
