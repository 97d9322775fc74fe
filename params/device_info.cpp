#include "params/device_info.h"

#include "base/bytes.h"
#include "params/pid_names.h"

namespace korval::params {

namespace {

// Every field with its place in the layout, for the encoder and the decoder.
template <typename Fields, typename Visit>
void EachField(Fields& f, const Visit& visit) {
  visit(At<PlaceOf(kDeviceInfoLayout, "protocol_major")>{}, f.protocolMajor);
  visit(At<PlaceOf(kDeviceInfoLayout, "protocol_minor")>{}, f.protocolMinor);
  visit(At<PlaceOf(kDeviceInfoLayout, "device_model")>{}, f.model);
  visit(At<PlaceOf(kDeviceInfoLayout, "product_category")>{}, f.category);
  visit(At<PlaceOf(kDeviceInfoLayout, "software_version")>{}, f.softwareVersion);
  visit(At<PlaceOf(kDeviceInfoLayout, "dmx_footprint")>{}, f.footprint);
  visit(At<PlaceOf(kDeviceInfoLayout, "current_personality")>{}, f.personality);
  visit(At<PlaceOf(kDeviceInfoLayout, "personality_count")>{}, f.personalityCount);
  visit(At<PlaceOf(kDeviceInfoLayout, "dmx_start_address")>{}, f.startAddress);
  visit(At<PlaceOf(kDeviceInfoLayout, "sub_device_count")>{}, f.subDeviceCount);
  visit(At<PlaceOf(kDeviceInfoLayout, "sensor_count")>{}, f.sensorCount);
}

}  // namespace

std::array<std::uint8_t, kDeviceInfoBytes> EncodeDeviceInfo(const DeviceInfoFields& fields) {
  std::array<std::uint8_t, kDeviceInfoBytes> data{};
  EachField(fields, PutFields{data});
  return data;
}

DeviceInfoFields DecodeDeviceInfoFields(std::span<const std::uint8_t> data) {
  DeviceInfoFields fields;
  EachField(fields, TakeFields{data});
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
