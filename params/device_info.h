// DEVICE_INFO as the page shows it: category text, firmware text, footprint,
// personality and start address, from the fixed offsets of the E1.20 layout.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace korval::params {

struct DeviceInfo {
  std::string category;  // CategoryText of PD 4..5
  std::string firmware;  // FirmwareText of PD 6..9
  std::uint16_t footprint = 0;
  std::uint8_t personality = 0;
  std::uint8_t personalityCount = 0;
  std::uint16_t startAddress = 0;
};

// The reply's PDL is not checked: offsets past the data read as 0xFF.
DeviceInfo DecodeDeviceInfo(std::span<const std::uint8_t> data);
// The parameter data of a DMX_START_ADDRESS set.
std::array<std::uint8_t, 2> EncodeStartAddress(std::uint16_t address);
// The product categories the tool names; "unknown" for every other code.
std::string CategoryText(std::uint16_t category);
// The four bytes of the software version ID in decimal, joined by ".".
std::string FirmwareText(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3);

}  // namespace korval::params
