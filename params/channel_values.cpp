#include "params/channel_values.h"

#include "base/bytes.h"

namespace korval::params {

std::uint32_t DecodeHours(std::span<const std::uint8_t> data) {
  return ReadBe32(data, 0);
}

bool DecodeFlag(std::span<const std::uint8_t> data) {
  return !data.empty() && data[0] == 1;
}

ReceivedRow DecodeRow(std::span<const std::uint8_t> data) {
  ReceivedRow row{};
  for (std::size_t k = 0; k < kRowChannels && k < data.size(); ++k) row[k] = data[k];
  return row;
}

std::array<std::uint8_t, kRowChannels> EncodeRow(const std::array<int, kRowChannels>& values) {
  std::array<std::uint8_t, kRowChannels> bytes{};
  for (std::size_t k = 0; k < kRowChannels; ++k) {
    bytes[k] = static_cast<std::uint8_t>(static_cast<unsigned>(values[k]) & 0xFFu);
  }
  return bytes;
}

ChannelMask DecodeMask(std::span<const std::uint8_t> data) {
  ChannelMask channels{};
  if (data.empty()) return channels;
  for (std::size_t k = 0; k < kRowChannels; ++k) channels[k] = (data[0] >> k & 1u) != 0;
  return channels;
}

std::uint8_t EncodeMask(const ChannelMask& channels) {
  unsigned mask = 0;
  for (std::size_t k = 0; k < kRowChannels; ++k) {
    if (channels[k]) mask |= 1u << k;
  }
  return static_cast<std::uint8_t>(mask);
}

}  // namespace korval::params
