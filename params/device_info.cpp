#include "params/device_info.h"

#include "base/bytes.h"
#include "params/pid_names.h"

namespace korval::params {

namespace {

constexpr FieldPlace kProtocolMajor = PlaceOf(kDeviceInfoLayout, "protocol_major");
constexpr FieldPlace kProtocolMinor = PlaceOf(kDeviceInfoLayout, "protocol_minor");
constexpr FieldPlace kModel = PlaceOf(kDeviceInfoLayout, "device_model");
constexpr FieldPlace kCategory = PlaceOf(kDeviceInfoLayout, "product_category");
constexpr FieldPlace kSoftwareVersion = PlaceOf(kDeviceInfoLayout, "software_version");
constexpr FieldPlace kFootprint = PlaceOf(kDeviceInfoLayout, "dmx_footprint");
constexpr FieldPlace kPersonality = PlaceOf(kDeviceInfoLayout, "current_personality");
constexpr FieldPlace kPersonalityCount = PlaceOf(kDeviceInfoLayout, "personality_count");
constexpr FieldPlace kStartAddress = PlaceOf(kDeviceInfoLayout, "dmx_start_address");
constexpr FieldPlace kSubDeviceCount = PlaceOf(kDeviceInfoLayout, "sub_device_count");
constexpr FieldPlace kSensorCount = PlaceOf(kDeviceInfoLayout, "sensor_count");

}  // namespace

std::array<std::uint8_t, kDeviceInfoBytes> EncodeDeviceInfo(const DeviceInfoFields& fields) {
  std::array<std::uint8_t, kDeviceInfoBytes> data{};
  PutField<kProtocolMajor>(data, fields.protocolMajor);
  PutField<kProtocolMinor>(data, fields.protocolMinor);
  PutField<kModel>(data, fields.model);
  PutField<kCategory>(data, fields.category);
  PutField<kSoftwareVersion>(data, fields.softwareVersion);
  PutField<kFootprint>(data, fields.footprint);
  PutField<kPersonality>(data, fields.personality);
  PutField<kPersonalityCount>(data, fields.personalityCount);
  PutField<kStartAddress>(data, fields.startAddress);
  PutField<kSubDeviceCount>(data, fields.subDeviceCount);
  PutField<kSensorCount>(data, fields.sensorCount);
  return data;
}

DeviceInfoFields DecodeDeviceInfoFields(std::span<const std::uint8_t> data) {
  DeviceInfoFields fields;
  TakeField<kProtocolMajor>(data, fields.protocolMajor);
  TakeField<kProtocolMinor>(data, fields.protocolMinor);
  TakeField<kModel>(data, fields.model);
  TakeField<kCategory>(data, fields.category);
  TakeField<kSoftwareVersion>(data, fields.softwareVersion);
  TakeField<kFootprint>(data, fields.footprint);
  TakeField<kPersonality>(data, fields.personality);
  TakeField<kPersonalityCount>(data, fields.personalityCount);
  TakeField<kStartAddress>(data, fields.startAddress);
  TakeField<kSubDeviceCount>(data, fields.subDeviceCount);
  TakeField<kSensorCount>(data, fields.sensorCount);
  return fields;
}

std::string CategoryText(std::uint16_t category) {
  const NamedCode* named = names::FindCode(names::kCategories, category);
  return named != nullptr && !named->text.empty() ? std::string(named->text) : "unknown";
}

std::string FirmwareText(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
  return std::to_string(b0) + "." + std::to_string(b1) + "." + std::to_string(b2) + "." +
         std::to_string(b3);
}

std::string FirmwareText(std::uint32_t version) {
  return FirmwareText(static_cast<std::uint8_t>(version >> 24),
                      static_cast<std::uint8_t>(version >> 16),
                      static_cast<std::uint8_t>(version >> 8), static_cast<std::uint8_t>(version));
}

std::array<std::uint8_t, 2> EncodeStartAddress(std::uint16_t address) {
  return Be16Bytes(address);
}

DeviceInfo DecodeDeviceInfo(std::span<const std::uint8_t> data) {
  const DeviceInfoFields fields = DecodeDeviceInfoFields(data);
  return {.category = CategoryText(fields.category),
          .firmware = FirmwareText(fields.softwareVersion),
          .footprint = fields.footprint,
          .personality = fields.personality,
          .personalityCount = fields.personalityCount,
          .startAddress = fields.startAddress};
}

}  // namespace korval::params
