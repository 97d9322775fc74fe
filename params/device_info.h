// DEVICE_INFO: its one layout, field by field in wire order, by which the
// command line's parameter table, the parameter page, the address map and the
// virtual responders all read and write it; its values encoded and decoded by
// that layout; and the page's view of them: category text, firmware text,
// footprint, personality and start address.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "params/pid_table.h"

namespace korval::params {

inline constexpr FieldDef kDeviceInfoLayout[] = {
    {"protocol_major", FieldKind::kU8},        {"protocol_minor", FieldKind::kU8},
    {"device_model", FieldKind::kU16},         {"product_category", FieldKind::kCategory},
    {"software_version", FieldKind::kVersion}, {"dmx_footprint", FieldKind::kU16},
    {"current_personality", FieldKind::kU8},   {"personality_count", FieldKind::kU8},
    {"dmx_start_address", FieldKind::kU16},    {"sub_device_count", FieldKind::kU16},
    {"sensor_count", FieldKind::kU8},
};
inline constexpr std::size_t kDeviceInfoBytes = LayoutBytes(kDeviceInfoLayout);
// The data up to the end of the start address: all the address map needs.
inline constexpr std::size_t kDeviceInfoThroughStartAddress =
    PlaceOf(kDeviceInfoLayout, "dmx_start_address").End();

struct DeviceInfoFields {
  std::uint8_t protocolMajor = 1;  // RDM protocol version 1.0
  std::uint8_t protocolMinor = 0;
  std::uint16_t model = 0;
  std::uint16_t category = 0;
  std::uint32_t softwareVersion = 0;
  std::uint16_t footprint = 0;
  std::uint8_t personality = 0;
  std::uint8_t personalityCount = 0;
  std::uint16_t startAddress = 0;
  std::uint16_t subDeviceCount = 0;
  std::uint8_t sensorCount = 0;
  friend bool operator==(const DeviceInfoFields&, const DeviceInfoFields&) = default;
};
std::array<std::uint8_t, kDeviceInfoBytes> EncodeDeviceInfo(const DeviceInfoFields& fields);
// The reply's PDL is not checked: offsets past the data read as 0xFF.
DeviceInfoFields DecodeDeviceInfoFields(std::span<const std::uint8_t> data);

struct DeviceInfo {
  std::string category;  // CategoryText of the product category
  std::string firmware;  // FirmwareText of the software version
  std::uint16_t footprint = 0;
  std::uint8_t personality = 0;
  std::uint8_t personalityCount = 0;
  std::uint16_t startAddress = 0;
};

// As DecodeDeviceInfoFields, for the page.
DeviceInfo DecodeDeviceInfo(std::span<const std::uint8_t> data);
// The parameter data of a DMX_START_ADDRESS set.
std::array<std::uint8_t, 2> EncodeStartAddress(std::uint16_t address);
// The product categories the window names; "unknown" for every other code.
std::string CategoryText(std::uint16_t category);
// The four bytes of the software version ID in decimal, joined by ".".
std::string FirmwareText(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3);
// The same of the whole ID, most significant byte first.
std::string FirmwareText(std::uint32_t version);

}  // namespace korval::params
