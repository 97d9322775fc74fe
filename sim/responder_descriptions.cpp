// The described parameters of the virtual responder: model and personality
// descriptions, slot information and sensors. Each is there only when the rig
// gives its field, so that a rig without them answers byte for byte as before.
#include <algorithm>

#include "base/bytes.h"
#include "rdm/rdm_constants.h"
#include "sim/responder.h"

namespace korval::sim {

using namespace rdm;

namespace {

void AppendText(std::vector<std::uint8_t>& d, const std::string& text) {
  const std::size_t n = std::min(text.size(), kMaxLabelBytes);
  d.insert(d.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n));
}

void AppendSigned16(std::vector<std::uint8_t>& d, std::int16_t value) {
  AppendBe16(d, static_cast<std::uint16_t>(value));
}

// SLOT_INFO's five bytes a slot: offset, type, label ID.
constexpr std::size_t kSlotInfoBytes = 5;

}  // namespace

std::vector<std::uint16_t> Responder::DescribedPids() const {
  const auto& v = values_;
  std::vector<std::uint16_t> pids;
  if (!v.model_description.empty()) pids.push_back(kPidDeviceModelDescription);
  if (!v.personality_descriptions.empty()) pids.push_back(kPidDmxPersonalityDescription);
  if (!v.slots.empty()) {
    pids.push_back(kPidSlotInfo);
    pids.push_back(kPidSlotDescription);
  }
  if (!v.sensors.empty()) {
    pids.push_back(kPidSensorDefinition);
    pids.push_back(kPidSensorValue);
  }
  return pids;
}

std::vector<std::uint8_t> Responder::SupportedParameters() const {
  std::vector<std::uint16_t> pids = values_.supported_parameters;
  for (std::uint16_t pid : DescribedPids()) {
    if (std::find(pids.begin(), pids.end(), pid) == pids.end()) pids.push_back(pid);
  }
  std::vector<std::uint8_t> d;
  const std::size_t n = std::min(pids.size(), kMaxSupportedParameters);
  for (std::size_t i = 0; i < n; ++i) AppendBe16(d, pids[i]);
  return d;
}

std::optional<Responder::Answer> Responder::GetDescribed(std::uint16_t pid,
                                                         std::span<const std::uint8_t> data) const {
  const auto& v = values_;
  // Which entry a one-byte (personality, sensor) or two-byte (slot) argument names.
  auto index = [&data](std::size_t bytes, std::size_t first,
                       std::size_t count) -> std::optional<std::size_t> {
    if (data.size() != bytes) return std::nullopt;
    const std::size_t n = bytes == 1 ? ReadByte(data, 0) : ReadBe16(data, 0);
    if (n < first || n - first >= count) return std::nullopt;
    return n - first;
  };
  auto argument = [&data](std::size_t bytes) {
    return Nack(data.size() != bytes ? kNrFormatError : kNrDataOutOfRange);
  };
  std::vector<std::uint8_t> d;
  switch (pid) {
    case kPidDeviceModelDescription:
      if (v.model_description.empty()) return std::nullopt;
      if (!data.empty()) return Nack(kNrFormatError);
      AppendText(d, v.model_description);
      return Ack(std::move(d));
    case kPidDmxPersonalityDescription: {
      if (v.personality_descriptions.empty()) return std::nullopt;
      const auto i = index(1, 1, v.personality_descriptions.size());
      if (!i) return argument(1);
      d.push_back(static_cast<std::uint8_t>(*i + 1));
      const auto& f = v.personality_footprints;
      AppendBe16(d, *i < f.size() ? f[*i] : v.footprint);
      AppendText(d, v.personality_descriptions[*i]);
      return Ack(std::move(d));
    }
    case kPidSlotInfo: {
      if (v.slots.empty()) return std::nullopt;
      if (!data.empty()) return Nack(kNrFormatError);
      const std::size_t n = std::min(v.slots.size(), kMaxPdl / kSlotInfoBytes);
      for (std::size_t i = 0; i < n; ++i) {
        AppendBe16(d, static_cast<std::uint16_t>(i));
        d.push_back(v.slots[i].type);
        AppendBe16(d, v.slots[i].label);
      }
      return Ack(std::move(d));
    }
    case kPidSlotDescription: {
      if (v.slots.empty()) return std::nullopt;
      const auto i = index(2, 0, v.slots.size());
      if (!i) return argument(2);
      AppendBe16(d, static_cast<std::uint16_t>(*i));
      AppendText(d, v.slots[*i].description);
      return Ack(std::move(d));
    }
    case kPidSensorDefinition:
    case kPidSensorValue: {
      if (v.sensors.empty()) return std::nullopt;
      const auto i = index(1, 0, v.sensors.size());
      if (!i) return argument(1);
      const SensorDescription& s = v.sensors[*i];
      d.push_back(static_cast<std::uint8_t>(*i));
      if (pid == kPidSensorValue) {
        // No recorded values: lowest, highest and recorded read 0, as E1.20
        // asks of a sensor that keeps none.
        AppendSigned16(d, s.value);
        for (int k = 0; k < 3; ++k) AppendSigned16(d, 0);
        return Ack(std::move(d));
      }
      d.push_back(s.type);
      d.push_back(s.unit);
      d.push_back(s.prefix);
      AppendSigned16(d, s.range_min);
      AppendSigned16(d, s.range_max);
      AppendSigned16(d, s.normal_min);
      AppendSigned16(d, s.normal_max);
      d.push_back(0x00);  // recorded value support: none
      AppendText(d, s.description);
      return Ack(std::move(d));
    }
    default:
      return std::nullopt;
  }
}

}  // namespace korval::sim
