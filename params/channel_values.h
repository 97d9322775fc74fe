// The small values of the parameter page: hour counters, on/off flags, the
// eight-channel rows (minimum limits, maximum limits, error scene) and the
// dim/switch mask.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace korval::params {

inline constexpr std::size_t kRowChannels = 8;
// A row as received: the channels the reply carried, nothing for the rest.
using ReceivedRow = std::array<std::optional<std::uint8_t>, kRowChannels>;
using ChannelMask = std::array<bool, kRowChannels>;

// PD 0..3, most significant byte first.
std::uint32_t DecodeHours(std::span<const std::uint8_t> data);
// True only for PD 0 equal to 1 (2 or 255 are not "on").
bool DecodeFlag(std::span<const std::uint8_t> data);
// Channel k is filled when the reply holds byte k.
ReceivedRow DecodeRow(std::span<const std::uint8_t> data);
// The low 8 bits of each value, without a range check (300 goes as 44).
std::array<std::uint8_t, kRowChannels> EncodeRow(const std::array<int, kRowChannels>& values);
// Bit k of PD 0 is channel k+1; a reply without data sets no channel.
ChannelMask DecodeMask(std::span<const std::uint8_t> data);
std::uint8_t EncodeMask(const ChannelMask& channels);

}  // namespace korval::params
