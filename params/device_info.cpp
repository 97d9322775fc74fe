#include "params/device_info.h"

#include "params/reply_bytes.h"

namespace korval::params {

std::string CategoryText(std::uint16_t category) {
  switch (category) {
    case 0x0101:
      return "Fixed Fixture";
    case 0x0102:
      return "Moving Head";
    case 0x0103:
      return "Scanner";
    case 0x0300:
      return "Projector";
    case 0x0401:
      return "Fog & Haze";
    case 0x0501:
      return "Dimmer";
    case 0x0502:
      return "CFL Dimmer";
    case 0x0504:
      return "Switch";
    case 0x0509:
      return "LED Dimmer";
    default:
      return "unknown";
  }
}

std::string FirmwareText(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
  return std::to_string(b0) + "." + std::to_string(b1) + "." + std::to_string(b2) + "." +
         std::to_string(b3);
}

DeviceInfo DecodeDeviceInfo(std::span<const std::uint8_t> data) {
  DeviceInfo info;
  info.category = CategoryText(WordAt(data, 4));
  info.firmware = FirmwareText(ByteAt(data, 6), ByteAt(data, 7), ByteAt(data, 8), ByteAt(data, 9));
  info.footprint = WordAt(data, 10);
  info.personality = ByteAt(data, 12);
  info.personalityCount = ByteAt(data, 13);
  info.startAddress = WordAt(data, 14);
  return info;
}

}  // namespace korval::params
