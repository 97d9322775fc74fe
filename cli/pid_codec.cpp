#include "cli/pid_codec.h"

#include <array>
#include <cstdio>

#include "base/bytes.h"
#include "cli/cli_args.h"
#include "params/device_info.h"
#include "params/labels.h"
#include "rdm/rdm_constants.h"

namespace korval::cli {

namespace {

using namespace rdm;

enum class Layout { kRaw, kLabel, kPidList, kDeviceInfo };

struct PidEntry {
  std::uint16_t pid;
  const char* name;
  Layout layout;
};

// The replies the window decodes too; each one goes through the window's decoder.
constexpr std::array<PidEntry, 7> kPids = {{
    {kPidSupportedParameters, "supported_parameters", Layout::kPidList},
    {kPidDeviceInfo, "device_info", Layout::kDeviceInfo},
    {kPidDeviceModelDescription, "device_model_description", Layout::kLabel},
    {kPidManufacturerLabel, "manufacturer_label", Layout::kLabel},
    {kPidDeviceLabel, "device_label", Layout::kLabel},
    {kPidSoftwareVersionLabel, "software_version_label", Layout::kLabel},
    {kPidIdentifyDevice, "identify_device", Layout::kRaw},
}};

const PidEntry* Find(std::uint16_t pid) {
  for (const PidEntry& e : kPids) {
    if (e.pid == pid) return &e;
  }
  return nullptr;
}

std::string Hex16(std::uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04x", static_cast<unsigned>(value));
  return text;
}

Fields DeviceInfoFields(std::span<const std::uint8_t> data) {
  const params::DeviceInfo info = params::DecodeDeviceInfo(data);
  Fields f = Fields::object();
  f["rdm_protocol_version"] =
      std::to_string(ReadByte(data, 0)) + "." + std::to_string(ReadByte(data, 1));
  f["device_model_id"] = ReadBe16(data, 2);
  f["product_category"] = Hex16(ReadBe16(data, 4));
  f["product_category_name"] = info.category;
  f["software_version_id"] = info.firmware;
  f["dmx_footprint"] = info.footprint;
  f["dmx_personality"] = info.personality;
  f["dmx_personality_count"] = info.personalityCount;
  f["dmx_start_address"] = info.startAddress;
  f["sub_device_count"] = ReadBe16(data, 16);
  f["sensor_count"] = ReadByte(data, 18);
  return f;
}

}  // namespace

std::optional<std::uint16_t> LookUpPid(const std::string& text) {
  for (const PidEntry& e : kPids) {
    if (text == e.name) return e.pid;
  }
  return ParsePid(text);
}

std::string PidName(std::uint16_t pid) {
  const PidEntry* e = Find(pid);
  return e != nullptr ? e->name : Hex16(pid);
}

std::optional<std::vector<std::uint8_t>> EncodeValues(std::uint16_t pid, bool set,
                                                      const std::vector<std::string>& values,
                                                      std::string* error) {
  const PidEntry* e = Find(pid);
  if (set && e != nullptr && e->layout == Layout::kLabel) {
    std::string text;
    for (const std::string& v : values) text += (text.empty() ? "" : " ") + v;
    return params::EncodeLabel(text);
  }
  std::vector<std::uint8_t> bytes;
  for (const std::string& v : values) {
    const auto byte = ParseNumber(v, 0xFF);
    if (!byte) {
      *error = "not a byte (0 to 255): " + v;
      return std::nullopt;
    }
    bytes.push_back(static_cast<std::uint8_t>(*byte));
  }
  if (bytes.size() > kMaxPdl) {
    *error = "more than " + std::to_string(kMaxPdl) + " bytes of parameter data";
    return std::nullopt;
  }
  return bytes;
}

Fields DecodeReplyData(std::uint16_t pid, std::span<const std::uint8_t> data) {
  const PidEntry* e = Find(pid);
  const Layout layout = e != nullptr ? e->layout : Layout::kRaw;
  Fields f = Fields::object();
  switch (layout) {
    case Layout::kRaw:
      f["data"] = HexBytes(data);
      break;
    case Layout::kLabel:
      f[e->name] = params::DecodeLabel(data);
      break;
    case Layout::kPidList: {
      Fields list = Fields::array();
      for (std::size_t i = 0; i + 1 < data.size(); i += 2)
        list.push_back(PidName(ReadBe16(data, i)));
      f[e->name] = list;
      break;
    }
    case Layout::kDeviceInfo:
      f = DeviceInfoFields(data);
      break;
  }
  return f;
}

std::vector<KnownPid> KnownPids() {
  std::vector<KnownPid> pids;
  for (const PidEntry& e : kPids) pids.push_back({e.pid, e.name});
  return pids;
}

std::string HexBytes(std::span<const std::uint8_t> data) {
  std::string text;
  char byte[4];
  for (std::uint8_t b : data) {
    std::snprintf(byte, sizeof byte, "%02x", static_cast<unsigned>(b));
    if (!text.empty()) text += ' ';
    text += byte;
  }
  return text;
}

}  // namespace korval::cli
