// Reading a reply's parameter data at fixed offsets. A byte past the data reads
// as 0xFF, the fill the line buffer holds where no reply byte arrived, so a
// short reply never makes a decoder read outside what it was given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace korval::params {

inline constexpr std::uint8_t kAbsentByte = 0xFF;

constexpr std::uint8_t ByteAt(std::span<const std::uint8_t> data, std::size_t i) {
  return i < data.size() ? data[i] : kAbsentByte;
}

constexpr std::uint16_t WordAt(std::span<const std::uint8_t> data, std::size_t i) {
  return static_cast<std::uint16_t>(ByteAt(data, i) << 8 | ByteAt(data, i + 1));
}

constexpr std::uint32_t LongAt(std::span<const std::uint8_t> data, std::size_t i) {
  return static_cast<std::uint32_t>(WordAt(data, i)) << 16 | WordAt(data, i + 2);
}

}  // namespace korval::params
