// Multi-byte fields of byte strings: most significant byte first (RDM, and the
// network-order fields of Art-Net) or least significant first (Art-Net's
// OpCode and universe, patch files). A read past the end of the bytes takes
// 0xFF for each missing byte, the idle level of the line, so that a decoder
// handed a short reply reads defined values and never outside what it was
// given; a write past the end of a span is dropped.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace korval {

inline constexpr std::uint8_t kAbsentByte = 0xFF;

constexpr std::uint8_t ReadByte(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return offset < bytes.size() ? bytes[offset] : kAbsentByte;
}

// The i-th byte after offset, tested so that a huge offset cannot wrap round.
constexpr std::uint8_t ReadByteAfter(std::span<const std::uint8_t> bytes, std::size_t offset,
                                     std::size_t i) {
  return offset < bytes.size() && i < bytes.size() - offset ? bytes[offset + i] : kAbsentByte;
}

// size is at most 8.
constexpr std::uint64_t ReadBe(std::span<const std::uint8_t> bytes, std::size_t offset,
                               std::size_t size) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < size; ++i) value = value << 8 | ReadByteAfter(bytes, offset, i);
  return value;
}

constexpr std::uint64_t ReadLe(std::span<const std::uint8_t> bytes, std::size_t offset,
                               std::size_t size) {
  std::uint64_t value = 0;
  for (std::size_t i = size; i-- > 0;) value = value << 8 | ReadByteAfter(bytes, offset, i);
  return value;
}

constexpr std::uint16_t ReadBe16(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(ReadBe(bytes, offset, 2));
}
constexpr std::uint32_t ReadBe32(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return static_cast<std::uint32_t>(ReadBe(bytes, offset, 4));
}
constexpr std::uint64_t ReadBe48(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return ReadBe(bytes, offset, 6);
}
constexpr std::uint16_t ReadLe16(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(ReadLe(bytes, offset, 2));
}
constexpr std::uint64_t ReadLe64(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return ReadLe(bytes, offset, 8);
}

constexpr void WriteBe(std::span<std::uint8_t> bytes, std::size_t offset, std::uint64_t value,
                       std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    if (offset < bytes.size() && i < bytes.size() - offset) {
      bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * (size - 1 - i)));
    }
  }
}

constexpr void WriteLe(std::span<std::uint8_t> bytes, std::size_t offset, std::uint64_t value,
                       std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    if (offset < bytes.size() && i < bytes.size() - offset) {
      bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
  }
}

constexpr void WriteBe16(std::span<std::uint8_t> bytes, std::size_t offset, std::uint16_t value) {
  WriteBe(bytes, offset, value, 2);
}
constexpr void WriteBe32(std::span<std::uint8_t> bytes, std::size_t offset, std::uint32_t value) {
  WriteBe(bytes, offset, value, 4);
}
constexpr void WriteBe48(std::span<std::uint8_t> bytes, std::size_t offset, std::uint64_t value) {
  WriteBe(bytes, offset, value, 6);
}
constexpr void WriteLe16(std::span<std::uint8_t> bytes, std::size_t offset, std::uint16_t value) {
  WriteLe(bytes, offset, value, 2);
}

inline void AppendBe(std::vector<std::uint8_t>& out, std::uint64_t value, std::size_t size) {
  for (std::size_t i = size; i-- > 0;) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

inline void AppendLe(std::vector<std::uint8_t>& out, std::uint64_t value, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

inline void AppendBe16(std::vector<std::uint8_t>& out, std::uint16_t value) {
  AppendBe(out, value, 2);
}
inline void AppendBe32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  AppendBe(out, value, 4);
}
inline void AppendBe48(std::vector<std::uint8_t>& out, std::uint64_t value) {
  AppendBe(out, value, 6);
}

// Two bytes, most significant first, for a request's parameter data.
constexpr std::array<std::uint8_t, 2> Be16Bytes(std::uint16_t value) {
  return {static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
}

}  // namespace korval
