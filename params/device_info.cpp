#include "params/device_info.h"

#include "base/bytes.h"

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

std::array<std::uint8_t, 2> EncodeStartAddress(std::uint16_t address) {
  return Be16Bytes(address);
}

DeviceInfo DecodeDeviceInfo(std::span<const std::uint8_t> data) {
  DeviceInfo info;
  info.category = CategoryText(ReadBe16(data, 4));
  info.firmware =
      FirmwareText(ReadByte(data, 6), ReadByte(data, 7), ReadByte(data, 8), ReadByte(data, 9));
  info.footprint = ReadBe16(data, 10);
  info.personality = ReadByte(data, 12);
  info.personalityCount = ReadByte(data, 13);
  info.startAddress = ReadBe16(data, 14);
  return info;
}

}  // namespace korval::params
