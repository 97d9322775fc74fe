#include "params/parameter_page.h"

#include <algorithm>
#include <array>
#include <limits>
#include <string>
#include <utility>

#include "base/conversion.h"
#include "params/channel_values.h"
#include "params/device_info.h"
#include "params/labels.h"
#include "rdm/rdm_constants.h"

namespace korval::params {

using namespace rdm;

namespace {

constexpr int kSetPauseMs = 100;
constexpr int kPauseBeforeReReadMs = 200;
constexpr const char* kUnknown = "unknown";

struct AxisSetting {
  std::uint16_t pid;
  const char* getLiteral;
  const char* setLiteral;
};

// In the order of PageValues::panTilt.
constexpr std::array<AxisSetting, 3> kAxisSettings = {{
    {kPidPanInvert, "Get pan inversion of 0x", "Set pan inversion of 0x"},
    {kPidTiltInvert, "Get tilt inversion of 0x", "Set tilt inversion of 0x"},
    {kPidPanTiltSwap, "Get axis swap of 0x", "Set axis swap of 0x"},
}};

}  // namespace

ParameterPage::ParameterPage(RdmController& controller, LogSink log, NamesList& names,
                             SaveNames saveNames, Show show)
    : controller_(controller),
      log_(std::move(log)),
      names_(names),
      saveNames_(std::move(saveNames)),
      show_(std::move(show)) {}

bool ParameterPage::IsPidSupported(std::uint16_t pid) const {
  return params::IsPidSupported(SupportedPids, pid);
}

std::optional<std::vector<std::uint8_t>> ParameterPage::Get(Uid uid, std::uint16_t pid,
                                                            std::span<const std::uint8_t> data) {
  // One exchange, as the page has always made it: an ACK_OVERFLOW reply is no ACK.
  RdmReply reply = controller_.Send({.destination = uid,
                                     .commandClass = kGetCommand,
                                     .pid = pid,
                                     .data = {data.begin(), data.end()}});
  if (!reply.IsAck()) return std::nullopt;
  return std::move(reply.data);
}

void ParameterPage::Set(Uid uid, std::uint16_t pid, std::span<const std::uint8_t> data) {
  // Waited for even when sent to all: the page has always read the line after
  // every request, and logs what it found there.
  controller_.Send({.destination = uid,
                    .commandClass = kSetCommand,
                    .pid = pid,
                    .data = {data.begin(), data.end()}});
}

void ParameterPage::Log(const std::string& line) const {
  if (log_) log_(line);
}

void ParameterPage::LogFor(const char* literal, Uid uid) {
  Log(literal + UidText(uid));
}

void ParameterPage::Pause(int ms) {
  controller_.GetClock().SleepMs(ms);
}

void ParameterPage::GetSupportedParameters(Uid uid) {
  // Cleared before the request, so that a failed request leaves only the
  // always-supported PIDs passing the gate.
  SupportedPids.fill(0);
  LogFor("Getting parameters of 0x", uid);
  const auto reply = Get(uid, kPidSupportedParameters);
  if (!reply) return;
  StoreSupportedPids(SupportedPids, *reply);
}

void ParameterPage::GetDeviceInfo(Uid uid, PageValues& values) {
  const auto reply = Get(uid, kPidDeviceInfo);
  if (!reply) return;
  LogFor("Getting device info of 0x", uid);
  const DeviceInfo info = DecodeDeviceInfo(*reply);
  values.category = info.category;
  values.firmware = info.firmware;
  values.footprint = std::to_string(info.footprint);
  values.personality = info.personality;
  values.personalityCount = info.personalityCount;
  values.startAddress = std::to_string(info.startAddress);
  show_(values, PageField::kDeviceInfo);
}

std::optional<std::string> ParameterPage::GetLabel(Uid uid, std::uint16_t pid,
                                                   const char* literal) {
  LogFor(literal, uid);
  const auto reply = Get(uid, pid);
  if (!reply) return std::nullopt;
  return DecodeLabel(*reply);
}

void ParameterPage::GetDeviceLabel(Uid uid, PageValues& values) {
  if (!IsPidSupported(kPidDeviceLabel)) {
    // Devices without a label of their own keep their name in the names list.
    values.name = names_.GetName(UidText(uid));
    show_(values, PageField::kName);
    return;
  }
  if (auto label = GetLabel(uid, kPidDeviceLabel, "Getting device name of 0x")) {
    values.name = std::move(*label);
    show_(values, PageField::kName);
  }
}

void ParameterPage::SetDeviceLabel(Uid uid, const PageValues& values) {
  if (!IsPidSupported(kPidDeviceLabel)) {
    names_.SetName(UidText(uid), OneLineName(values.name));
    saveNames_(names_);
    return;
  }
  LogFor("Setting device name of 0x", uid);
  Set(uid, kPidDeviceLabel, EncodeLabel(values.name));
}

void ParameterPage::GetManufacturerLabel(Uid uid, PageValues& values) {
  values.manufacturer = kUnknown;
  show_(values, PageField::kManufacturer);
  if (!IsPidSupported(kPidManufacturerLabel)) return;
  if (auto label = GetLabel(uid, kPidManufacturerLabel, "Getting manufacturer of 0x")) {
    values.manufacturer = std::move(*label);
    show_(values, PageField::kManufacturer);
  }
}

void ParameterPage::GetHours(Uid uid, std::uint16_t pid, std::string& text, PageField field,
                             PageValues& values, const char* literal) {
  text = kUnknown;
  show_(values, field);
  if (!IsPidSupported(pid)) return;
  LogFor(literal, uid);
  const auto reply = Get(uid, pid);
  if (!reply) return;
  text = std::to_string(DecodeHours(*reply));
  show_(values, field);
}

void ParameterPage::GetDeviceHours(Uid uid, PageValues& values) {
  GetHours(uid, kPidDeviceHours, values.deviceHours, PageField::kDeviceHours, values,
           "Getting dev hours of 0x");
}

void ParameterPage::GetLampHours(Uid uid, PageValues& values) {
  GetHours(uid, kPidLampHours, values.lampHours, PageField::kLampHours, values,
           "Getting lamp hours of 0x");
}

void ParameterPage::SetStartAddress(Uid uid, const PageValues& values, int offset) {
  if (!IsPidSupported(kPidDmxStartAddress)) return;
  LogFor("Setting start address of 0x", uid);
  const std::optional<std::int64_t> typed =
      ParseInteger(values.startAddress, std::numeric_limits<std::int32_t>::min(),
                   std::numeric_limits<std::int32_t>::max());
  if (!typed) return;
  // In 64 bits, so that a huge typed value plus an offset cannot overflow.
  const std::int64_t address =
      std::clamp<std::int64_t>(*typed + offset, kMinDmxAddress, kMaxDmxAddress);
  Set(uid, kPidDmxStartAddress, EncodeStartAddress(static_cast<std::uint16_t>(address)));
  Pause(kSetPauseMs);
}

void ParameterPage::SetPersonality(Uid uid, const PageValues& values) {
  if (!IsPidSupported(kPidDmxPersonality)) return;
  LogFor("Setting personality of 0x", uid);
  const std::array<std::uint8_t, 1> data = {static_cast<std::uint8_t>(values.personality & 0xFF)};
  Set(uid, kPidDmxPersonality, data);
  Pause(kSetPauseMs);
}

void ParameterPage::GetPanTiltSettings(Uid uid, PageValues& values) {
  values.panTilt.fill(false);
  show_(values, PageField::kPanTilt);
  for (std::size_t k = 0; k < kAxisSettings.size(); ++k) {
    const AxisSetting& axis = kAxisSettings[k];
    if (!IsPidSupported(axis.pid)) continue;
    LogFor(axis.getLiteral, uid);
    const auto reply = Get(uid, axis.pid);
    if (!reply) continue;
    values.panTilt[k] = DecodeFlag(*reply);
    show_(values, PageField::kPanTilt);
  }
}

void ParameterPage::SetPanTiltSettings(Uid uid, const PageValues& values) {
  for (std::size_t k = 0; k < kAxisSettings.size(); ++k) {
    const AxisSetting& axis = kAxisSettings[k];
    if (!IsPidSupported(axis.pid)) continue;
    LogFor(axis.setLiteral, uid);
    const std::array<std::uint8_t, 1> data = {static_cast<std::uint8_t>(values.panTilt[k] ? 1 : 0)};
    Set(uid, axis.pid, data);
  }
}

void ParameterPage::GetRow(Uid uid, std::uint16_t pid, RowValues& row, PageField field,
                           PageValues& values, const char* literal) {
  // Grey until read; the old texts stay, and a later write sends them as they are.
  row.white.fill(false);
  show_(values, field);
  if (!IsPidSupported(pid)) return;
  LogFor(literal, uid);
  const auto reply = Get(uid, pid);
  if (!reply) return;
  const ReceivedRow received = DecodeRow(*reply);
  for (std::size_t k = 0; k < received.size(); ++k) {
    if (!received[k]) continue;
    row.texts[k] = std::to_string(static_cast<int>(*received[k]));
    row.white[k] = true;
  }
  show_(values, field);
}

void ParameterPage::SetRow(Uid uid, std::uint16_t pid, const RowValues& row, const char* literal) {
  if (!IsPidSupported(pid)) return;
  LogFor(literal, uid);
  // A text that is not an integer throws here, before anything is sent, and so
  // ends the whole page write.
  std::array<int, kRowChannels> channels{};
  for (std::size_t k = 0; k < channels.size(); ++k) channels[k] = StrToInt(row.texts[k]);
  Set(uid, pid, EncodeRow(channels));
}

void ParameterPage::GetMinLimits(Uid uid, PageValues& values) {
  GetRow(uid, kPidMinLimits, values.minLimits, PageField::kMinLimits, values,
         "Get min limits of 0x");
}
void ParameterPage::SetMinLimits(Uid uid, const PageValues& values) {
  SetRow(uid, kPidMinLimits, values.minLimits, "Set min limits of 0x");
}
void ParameterPage::GetMaxLimits(Uid uid, PageValues& values) {
  GetRow(uid, kPidMaxLimits, values.maxLimits, PageField::kMaxLimits, values,
         "Get max limits of 0x");
}
void ParameterPage::SetMaxLimits(Uid uid, const PageValues& values) {
  SetRow(uid, kPidMaxLimits, values.maxLimits, "Set max limits of 0x");
}
void ParameterPage::GetErrorScene(Uid uid, PageValues& values) {
  GetRow(uid, kPidErrorScene, values.errorScene, PageField::kErrorScene, values,
         "Get error scene of 0x");
}
void ParameterPage::SetErrorScene(Uid uid, const PageValues& values) {
  SetRow(uid, kPidErrorScene, values.errorScene, "Set error scene of 0x");
}

void ParameterPage::GetDimmSwitch(Uid uid, PageValues& values) {
  values.dimmSwitch.fill(false);
  show_(values, PageField::kDimmSwitch);
  if (!IsPidSupported(kPidDimmSwitch)) return;
  LogFor("Get Dimm/Switch of 0x", uid);
  const auto reply = Get(uid, kPidDimmSwitch);
  if (!reply) return;
  values.dimmSwitch = DecodeMask(*reply);
  show_(values, PageField::kDimmSwitch);
}

void ParameterPage::SetDimmSwitch(Uid uid, const PageValues& values) {
  if (!IsPidSupported(kPidDimmSwitch)) return;
  LogFor("Set Dimm/Switch of 0x", uid);
  const std::array<std::uint8_t, 1> data = {EncodeMask(values.dimmSwitch)};
  Set(uid, kPidDimmSwitch, data);
}

void ParameterPage::GetStatusMessages(Uid uid, PageValues& values) {
  // The colour stays as it was until a reply says otherwise.
  values.status = kUnknown;
  show_(values, PageField::kStatusText);
  if (!IsPidSupported(kPidStatusMessages)) return;
  LogFor("Getting status of 0x", uid);
  // Advisory asks for advisories, warnings and errors alike.
  const std::array<std::uint8_t, 1> advisory = {0x02};
  const auto reply = Get(uid, kPidStatusMessages, advisory);
  if (!reply) return;
  const StatusMessage first = DecodeFirstStatus(*reply);
  values.statusColour = StatusColour(first.type);
  values.status = StatusText(first);
  show_(values, PageField::kStatusColour | PageField::kStatusText);
}

void ParameterPage::ReadPage(Uid uid, PageValues& values) {
  // From its first step on, the page shows this device's values.
  readFrom_ = uid;
  // Every step runs whatever the steps before it gave; the first refreshes the
  // gate for all the others.
  GetSupportedParameters(uid);
  GetDeviceInfo(uid, values);
  GetStatusMessages(uid, values);
  GetDeviceLabel(uid, values);
  GetManufacturerLabel(uid, values);
  GetPanTiltSettings(uid, values);
  GetDeviceHours(uid, values);
  GetLampHours(uid, values);
  GetMinLimits(uid, values);
  GetMaxLimits(uid, values);
  GetErrorScene(uid, values);
  GetDimmSwitch(uid, values);
}

bool ParameterPage::WritePage(Uid uid, PageValues& values) {
  if (readFrom_ != uid) {
    const std::string selected = "the selected device 0x" + UidText(uid);
    Log(readFrom_ ? "Nothing written: the page shows 0x" + UidText(*readFrom_) + ", not " +
                        selected + "; read it first"
                  : "Nothing written: the page was not read from " + selected + "; read it first");
    return false;
  }
  GetSupportedParameters(uid);
  SetPersonality(uid, values);
  SetDeviceLabel(uid, values);
  SetPanTiltSettings(uid, values);
  SetStartAddress(uid, values, 0);
  SetMinLimits(uid, values);
  SetMaxLimits(uid, values);
  SetErrorScene(uid, values);
  SetDimmSwitch(uid, values);
  Pause(kPauseBeforeReReadMs);
  // The device's own answer shows what it made of the values it was sent.
  GetDeviceInfo(uid, values);
  return true;
}

void ParameterPage::Identify(Uid uid) {
  IdentifyState = IdentifyState == 0 ? 1 : 0;
  const std::array<std::uint8_t, 1> data = {IdentifyState};
  Set(uid, kPidIdentifyDevice, data);
}

}  // namespace korval::params
