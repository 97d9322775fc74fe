// One simulated E1.20 responder: it takes the valid requests the line hands it,
// carries them out on its live values and says which bytes it puts on the line
// in answer. Addressing, discovery, mute, the broadcast rule and the faults are
// here; the GET and SET of each parameter are in responder_parameters.cpp.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "rdm/rdm_constants.h"
#include "sim/rdm_request.h"
#include "sim/rig_description.h"

namespace korval::sim {

// The E1.20 values the responders share with the controller side.
using rdm::kMaxLabelBytes;
using rdm::kMaxStatusMessages;
using rdm::kMaxSupportedParameters;
using rdm::kNoStartAddress;
using rdm::kNrHardwareFault;
using rdm::kNrSubDeviceOutOfRange;

inline constexpr std::uint8_t kNoiseByte = 0x00;

// The PIDs E1.20 requires of every responder, supported whatever its list says.
bool IsRequiredPid(std::uint16_t pid);

// The responders answer DISC_UNIQUE_BRANCH with the codec's 24 bytes.
using korval::EncodeDiscoveryResponse;

class Responder {
 public:
  explicit Responder(ResponderConfig config);

  Uid GetUid() const { return values_.uid; }

  // A valid request seen on the line. Returns the bytes this responder sends in
  // answer (noise included, no break), or nothing when it stays silent.
  std::optional<std::vector<std::uint8_t>> Receive(const RdmRequest& request);

  // The live values: those of the rig, changed by every SET carried out. Tests
  // may change them too (not synchronised with the line: use while it is idle).
  const ResponderConfig& Values() const { return values_; }
  ResponderConfig& Values() { return values_; }
  ResponderFaults& Faults() { return values_.faults; }

  bool Muted() const { return muted_; }
  void SetMuted(bool muted) { muted_ = muted; }
  bool Identify() const { return values_.identify != 0; }
  std::uint16_t StartAddress() const { return values_.start_address; }
  const std::string& Label() const { return values_.label; }
  std::uint8_t Personality() const { return values_.personality; }
  std::uint16_t Footprint() const;
  // E1.20: a device without a DMX footprint reports 0xFFFF, whatever the rig
  // gave it to start from.
  std::uint16_t ReportedStartAddress() const {
    return Footprint() == 0 ? kNoStartAddress : values_.start_address;
  }
  // Requests addressed to it (its UID or a broadcast) that it took.
  std::size_t RequestsTaken() const { return requestsTaken_; }

  bool Supports(std::uint16_t pid) const;
  // The PIDs of the described parameters whose fields are set, in PID order.
  std::vector<std::uint16_t> DescribedPids() const;

 private:
  struct Answer {
    std::uint8_t responseType;
    std::vector<std::uint8_t> data;
  };
  static Answer Ack(std::vector<std::uint8_t> data = {});
  static Answer Nack(std::uint16_t reason);

  bool IsAddressedBy(Uid destination) const;
  std::optional<std::vector<std::uint8_t>> Discovery(const RdmRequest& request, bool broadcast);
  Answer GetOrSet(const RdmRequest& request);
  Answer Get(std::uint16_t pid, std::span<const std::uint8_t> data) const;
  Answer Set(std::uint16_t pid, std::span<const std::uint8_t> data);
  // The GET of a described parameter; nothing for any other PID.
  std::optional<Answer> GetDescribed(std::uint16_t pid, std::span<const std::uint8_t> data) const;
  std::vector<std::uint8_t> SupportedParameters() const;
  std::vector<std::uint8_t> DeviceInfo() const;
  std::vector<std::uint8_t> StatusMessages(std::uint8_t typeAsked) const;
  std::vector<std::uint8_t> Reply(const RdmRequest& request, std::uint8_t commandClass,
                                  const Answer& answer) const;
  std::vector<std::uint8_t> WithNoise(std::vector<std::uint8_t> bytes) const;

  ResponderConfig values_;
  bool muted_ = false;
  std::size_t requestsTaken_ = 0;
};

}  // namespace korval::sim
