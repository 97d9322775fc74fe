#include "sim/responder.h"

#include <algorithm>

#include "base/bytes.h"
#include "rdm/rdm_constants.h"
#include "rdm/rdm_message.h"

namespace korval::sim {

using namespace rdm;

std::vector<std::uint16_t> AllOptionalParameters() {
  return {kPidDeviceLabel, kPidManufacturerLabel, kPidDmxPersonality, kPidStatusMessages,
          kPidDeviceHours, kPidLampHours,         kPidPanInvert,      kPidTiltInvert,
          kPidPanTiltSwap, kPidMinLimits,         kPidMaxLimits,      kPidErrorScene,
          kPidDimmSwitch};
}

bool IsRequiredPid(std::uint16_t pid) {
  switch (pid) {
    case kPidDiscUniqueBranch:
    case kPidDiscMute:
    case kPidDiscUnMute:
    case kPidSupportedParameters:
    case kPidDeviceInfo:
    case kPidSoftwareVersionLabel:
    case kPidDmxStartAddress:
    case kPidIdentifyDevice:
      return true;
    default:
      return false;
  }
}

Responder::Responder(ResponderConfig config) : values_(std::move(config)) {}

std::uint16_t Responder::Footprint() const {
  const auto& f = values_.personality_footprints;
  const std::size_t index = values_.personality - 1u;
  if (!f.empty() && values_.personality >= 1 && index < f.size()) return f[index];
  return values_.footprint;
}

bool Responder::Supports(std::uint16_t pid) const {
  if (IsRequiredPid(pid)) return true;
  const auto& list = values_.supported_parameters;
  if (std::find(list.begin(), list.end(), pid) != list.end()) return true;
  const auto described = DescribedPids();
  return std::find(described.begin(), described.end(), pid) != described.end();
}

bool Responder::IsAddressedBy(Uid destination) const {
  return destination == values_.uid || destination == kBroadcastUid ||
         destination == ManufacturerBroadcast(values_.uid);
}

Responder::Answer Responder::Ack(std::vector<std::uint8_t> data) {
  return {kResponseAck, std::move(data)};
}

Responder::Answer Responder::Nack(std::uint16_t reason) {
  std::vector<std::uint8_t> data;
  AppendBe16(data, reason);
  return {kResponseNackReason, std::move(data)};
}

std::optional<std::vector<std::uint8_t>> Responder::Receive(const RdmRequest& request) {
  if (values_.faults.silent || !IsAddressedBy(request.destination)) return std::nullopt;
  ++requestsTaken_;
  const int unmuteAt = values_.faults.unmute_after_requests;
  if (unmuteAt > 0 && requestsTaken_ == static_cast<std::size_t>(unmuteAt)) muted_ = false;
  const bool broadcast = request.destination != values_.uid;
  if (request.commandClass == kDiscoveryCommand) return Discovery(request, broadcast);
  if (request.commandClass != kGetCommand && request.commandClass != kSetCommand) {
    return std::nullopt;
  }
  if (broadcast && (request.commandClass == kGetCommand || values_.faults.nack_all)) {
    return std::nullopt;
  }
  const Answer answer = GetOrSet(request);
  if (broadcast) return std::nullopt;  // carried out, never answered
  return WithNoise(Reply(request, request.commandClass + 1, answer));
}

std::optional<std::vector<std::uint8_t>> Responder::Discovery(const RdmRequest& request,
                                                              bool broadcast) {
  const auto& faults = values_.faults;
  switch (request.pid) {
    case kPidDiscUniqueBranch: {
      if (request.pdl != 2 * kUidBytes || (muted_ && !faults.ignores_mute)) return std::nullopt;
      const auto data = request.Data();
      const Uid lower = UidFromBytes(data.first<kUidBytes>());
      const Uid upper = UidFromBytes(data.subspan<kUidBytes, kUidBytes>());
      if (values_.uid < lower || values_.uid > upper) return std::nullopt;
      return WithNoise(EncodeDiscoveryResponse(values_.uid, faults.bad_checksum));
    }
    case kPidDiscMute:
    case kPidDiscUnMute: {
      const bool mute = request.pid == kPidDiscMute;
      if (mute && faults.ignores_mute) return std::nullopt;
      muted_ = mute;
      if (broadcast) return std::nullopt;
      // Control field 0: no managed proxy, no sub-devices, no boot loader.
      return WithNoise(Reply(request, kDiscoveryCommandResponse, Ack({0x00, 0x00})));
    }
    default:
      return std::nullopt;
  }
}

Responder::Answer Responder::GetOrSet(const RdmRequest& request) {
  if (values_.faults.nack_all) return Nack(kNrHardwareFault);
  if (request.subDevice != 0) return Nack(kNrSubDeviceOutOfRange);
  if (!Supports(request.pid)) return Nack(kNrUnknownPid);
  switch (request.pid) {
    case kPidDiscUniqueBranch:
    case kPidDiscMute:
    case kPidDiscUnMute:
      return Nack(kNrUnsupportedCommandClass);
    default:
      break;
  }
  return request.commandClass == kGetCommand ? Get(request.pid, request.Data())
                                             : Set(request.pid, request.Data());
}

std::vector<std::uint8_t> Responder::Reply(const RdmRequest& request, std::uint8_t commandClass,
                                           const Answer& answer) const {
  std::vector<std::uint8_t> frame = EncodeReplyFrame({.destination = request.source,
                                                      .source = values_.uid,
                                                      .transaction = request.transaction,
                                                      .responseType = answer.responseType,
                                                      .commandClass = commandClass,
                                                      .pid = request.pid,
                                                      .data = answer.data});
  if (values_.faults.bad_checksum) {
    const std::size_t at = frame.size() - kChecksumBytes;
    WriteBe16(frame, at, static_cast<std::uint16_t>(ReadBe16(frame, at) + 1));
  }
  return frame;
}

std::vector<std::uint8_t> Responder::WithNoise(std::vector<std::uint8_t> bytes) const {
  const int noise = values_.faults.noise_before_reply;
  if (noise > 0) bytes.insert(bytes.begin(), static_cast<std::size_t>(noise), kNoiseByte);
  return bytes;
}

}  // namespace korval::sim
