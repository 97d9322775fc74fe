#include "params/status_text.h"

#include "base/bytes.h"
#include "rdm/rdm_constants.h"

namespace korval::params {

namespace {
constexpr const char* kDegreesCelsius =
    "\xC2\xB0"
    "C";
}  // namespace

StatusMessage DecodeFirstStatus(std::span<const std::uint8_t> data) {
  // Bytes 0..1 are the sub-device, which the box does not show.
  return {.type = ReadByte(data, 2),
          .id = ReadBe16(data, 3),
          .value1 = ReadBe16(data, 5),
          .value2 = ReadBe16(data, 7)};
}

Rgb StatusColour(std::uint8_t type) {
  switch (type) {
    case rdm::kStatusAdvisory:
      return kYellow;
    case rdm::kStatusWarning:
      return kOlive;
    case rdm::kStatusError:
      return kRed;
    default:
      return kLime;
  }
}

std::string StatusText(const StatusMessage& message) {
  const std::string v1 = std::to_string(message.value1);
  const std::string v2 = std::to_string(message.value2);
  // Temperatures travel in the low byte of the second data value.
  const std::string lowByte = std::to_string(message.value2 & 0xFF);
  switch (message.id) {
    case 0x0001:
      return "Calibration " + v1 + " failed";
    case 0x0002:
      return "Sensor " + v1 + " not found";
    case 0x0003:
      return "Sensor " + v1 + " always on";
    case 0x0011:
      return "Lamp doused";
    case 0x0012:
      return "Lamp strike";
    case 0x0021:
      return "Hot, " + lowByte + kDegreesCelsius;
    case 0x0022:
      return "Temperature " + v1 + " too low, " + v2;
    case 0x0023:
      return "Sensor " + v1 + " out of range";
    case 0x0031:
      return "Voltage of Phase" + v1 + " to high, " + v2 + "V";
    case 0x0032:
      return "Voltage of Phase" + v1 + " too low, " + v2 + "V";
    case 0x0033:
      return "Current of Phase" + v1 + " to high, " + v2 + "A";
    case 0x0036:
      return "Error of Phase " + v1;
    case 0x0042:
      return "Breaker " + v1 + " tripped";
    case 0x0044:
      return "Dimming Failure";
    case 0x0050:
      return "OK; Temp. " + lowByte + kDegreesCelsius;
    case 0x0051:
      return "Not Ready";
    case 0x0052:
      return "Low Fluid";
    default:
      return "unknown";
  }
}

}  // namespace korval::params
