// GET and SET of each parameter the virtual responder has behaviour for. A GET
// carries no data (STATUS_MESSAGES aside: one byte, the type asked); a request
// whose data is longer or shorter than the command takes is a format error and
// changes nothing, a value outside its range is out of range.
#include <algorithm>

#include "base/bytes.h"
#include "params/device_info.h"
#include "params/status_text.h"
#include "rdm/rdm_constants.h"
#include "sim/responder.h"

namespace korval::sim {

using namespace rdm;

namespace {

std::vector<std::uint8_t> Text(const std::string& s) {
  const std::size_t n = std::min(s.size(), kMaxLabelBytes);
  return {s.begin(), s.begin() + static_cast<std::ptrdiff_t>(n)};
}

std::vector<std::uint8_t> Word(std::uint16_t v) {
  std::vector<std::uint8_t> out;
  AppendBe16(out, v);
  return out;
}

std::vector<std::uint8_t> Long(std::uint32_t v) {
  std::vector<std::uint8_t> out;
  AppendBe32(out, v);
  return out;
}

// How severe a status type is, for filtering by the type asked: advisory 2,
// warning 3, error 4, their "cleared" variants the same; anything else 0.
int Severity(std::uint8_t type) {
  const int base = type & 0x0F;
  const bool known = (type & 0xF0) == 0x00 || (type & 0xF0) == 0x10;
  return known && base >= 2 && base <= 4 ? base : 0;
}

}  // namespace

std::vector<std::uint8_t> Responder::DeviceInfo() const {
  const auto data =
      params::EncodeDeviceInfo({.model = values_.model_id,
                                .category = values_.category,
                                .softwareVersion = values_.software_version,
                                .footprint = Footprint(),
                                .personality = values_.personality,
                                .personalityCount = values_.personality_count,
                                .startAddress = ReportedStartAddress(),
                                .subDeviceCount = 0,  // the virtual responder has none
                                .sensorCount = static_cast<std::uint8_t>(
                                    std::min<std::size_t>(values_.sensors.size(), 0xFF))});
  return {data.begin(), data.end()};
}

std::vector<std::uint8_t> Responder::StatusMessages(std::uint8_t typeAsked) const {
  std::vector<std::uint8_t> d;
  if (typeAsked == 0x00) return d;  // STATUS_NONE: no messages asked for
  std::size_t count = 0;
  for (const StatusMessage& m : values_.status_messages) {
    if (typeAsked != 0x01 && Severity(m.type) < typeAsked) continue;
    if (++count > kMaxStatusMessages) break;
    const auto message = params::EncodeStatusMessage(
        {.type = m.type, .id = m.id, .value1 = m.data1, .value2 = m.data2});
    d.insert(d.end(), message.begin(), message.end());
  }
  return d;
}

Responder::Answer Responder::Get(std::uint16_t pid, std::span<const std::uint8_t> data) const {
  const auto& v = values_;
  if (pid == kPidStatusMessages) {
    if (data.size() != 1) return Nack(kNrFormatError);
    if (data[0] > 0x04) return Nack(kNrDataOutOfRange);
    return Ack(StatusMessages(data[0]));
  }
  switch (pid) {
    case kPidSupportedParameters:
    case kPidDeviceInfo:
    case kPidSoftwareVersionLabel:
    case kPidManufacturerLabel:
    case kPidDeviceLabel:
    case kPidDmxPersonality:
    case kPidDmxStartAddress:
    case kPidDeviceHours:
    case kPidLampHours:
    case kPidPanInvert:
    case kPidTiltInvert:
    case kPidPanTiltSwap:
    case kPidIdentifyDevice:
    case kPidMinLimits:
    case kPidMaxLimits:
    case kPidErrorScene:
    case kPidDimmSwitch:
      if (!data.empty()) return Nack(kNrFormatError);
      break;
    default:
      if (auto described = GetDescribed(pid, data)) return *described;
      return Nack(kNrUnknownPid);  // listed, but no behaviour here
  }
  switch (pid) {
    case kPidSupportedParameters:
      return Ack(SupportedParameters());
    case kPidDeviceInfo:
      return Ack(DeviceInfo());
    case kPidSoftwareVersionLabel:
      return Ack(Text(v.software_version_label.empty() ? params::FirmwareText(v.software_version)
                                                       : v.software_version_label));
    case kPidManufacturerLabel:
      return Ack(Text(v.manufacturer));
    case kPidDeviceLabel:
      return Ack(Text(v.label));
    case kPidDmxPersonality:
      return Ack({v.personality, v.personality_count});
    case kPidDmxStartAddress:
      return Ack(Word(ReportedStartAddress()));
    case kPidDeviceHours:
      return Ack(Long(v.device_hours));
    case kPidLampHours:
      return Ack(Long(v.lamp_hours));
    case kPidPanInvert:
      return Ack({v.pan_invert});
    case kPidTiltInvert:
      return Ack({v.tilt_invert});
    case kPidPanTiltSwap:
      return Ack({v.pan_tilt_swap});
    case kPidIdentifyDevice:
      return Ack({v.identify});
    case kPidMinLimits:
      return Ack({v.min_limits.begin(), v.min_limits.end()});
    case kPidMaxLimits:
      return Ack({v.max_limits.begin(), v.max_limits.end()});
    case kPidErrorScene:
      return Ack({v.error_scene.begin(), v.error_scene.end()});
    default:  // kPidDimmSwitch
      return Ack({v.dimm_switch});
  }
}

Responder::Answer Responder::Set(std::uint16_t pid, std::span<const std::uint8_t> data) {
  auto& v = values_;
  // A one-byte flag: 0 or 1.
  auto flag = [&data](std::uint8_t& into) {
    if (data.size() != 1) return Nack(kNrFormatError);
    if (data[0] > 1) return Nack(kNrDataOutOfRange);
    into = data[0];
    return Ack();
  };
  auto row = [&data](std::array<std::uint8_t, 8>& into) {
    if (data.size() != into.size()) return Nack(kNrFormatError);
    std::copy(data.begin(), data.end(), into.begin());
    return Ack();
  };
  auto hours = [&data](std::uint32_t& into) {
    if (data.size() != 4) return Nack(kNrFormatError);
    into = ReadBe32(data, 0);
    return Ack();
  };
  switch (pid) {
    case kPidDeviceLabel:
      // Any length up to 32, none included (an empty label).
      if (data.size() > kMaxLabelBytes) return Nack(kNrFormatError);
      v.label.assign(data.begin(), data.end());
      return Ack();
    case kPidDmxStartAddress: {
      if (data.size() != 2) return Nack(kNrFormatError);
      // A device without a footprint has no address that could be set.
      if (Footprint() == 0) return Nack(kNrDataOutOfRange);
      const int address = ReadBe16(data, 0);
      if (address < kMinDmxAddress || address > kMaxDmxAddress) return Nack(kNrDataOutOfRange);
      v.start_address = static_cast<std::uint16_t>(address);
      return Ack();
    }
    case kPidDmxPersonality:
      if (data.size() != 1) return Nack(kNrFormatError);
      if (data[0] < 1 || data[0] > v.personality_count) return Nack(kNrDataOutOfRange);
      v.personality = data[0];
      // A personality with channels needs an address to start from.
      if (v.start_address == kNoStartAddress && Footprint() != 0) v.start_address = 1;
      return Ack();
    case kPidDeviceHours:
      return hours(v.device_hours);
    case kPidLampHours:
      return hours(v.lamp_hours);
    case kPidPanInvert:
      return flag(v.pan_invert);
    case kPidTiltInvert:
      return flag(v.tilt_invert);
    case kPidPanTiltSwap:
      return flag(v.pan_tilt_swap);
    case kPidIdentifyDevice:
      return flag(v.identify);
    case kPidMinLimits:
      return row(v.min_limits);
    case kPidMaxLimits:
      return row(v.max_limits);
    case kPidErrorScene:
      return row(v.error_scene);
    case kPidDimmSwitch:
      if (data.size() != 1) return Nack(kNrFormatError);
      v.dimm_switch = data[0];
      return Ack();
    case kPidSupportedParameters:
    case kPidDeviceInfo:
    case kPidSoftwareVersionLabel:
    case kPidManufacturerLabel:
    case kPidStatusMessages:
    case kPidDeviceModelDescription:
    case kPidDmxPersonalityDescription:
    case kPidSlotInfo:
    case kPidSlotDescription:
    case kPidSensorDefinition:
    case kPidSensorValue:  // the virtual sensors keep no recorded values to reset
      return Nack(kNrUnsupportedCommandClass);  // read-only
    default:
      return Nack(kNrUnknownPid);
  }
}

}  // namespace korval::sim
