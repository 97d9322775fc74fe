// Discovery of the RDM responders on the line: a binary search over the UID
// space with DISC_UNIQUE_BRANCH, muting each responder found with DISC_MUTE and
// rebuilding the device table from them. It runs to its end on the calling
// thread and writes the device list only through the hooks it is given.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "rdm/device_table.h"
#include "rdm/transport.h"
#include "rdm/uid.h"

namespace korval {

// Branch results.
inline constexpr int kBranchSilent = 0;
inline constexpr int kBranchCollision = 1;  // also any reply that does not check
inline constexpr int kBranchValid = 2;

inline constexpr Uid kFullRangeUpper = 0xFFFF'FFFF'FFFEULL;

struct DiscoveryResponse {
  int result = kBranchSilent;
  Uid uid = 0;  // meaningful when result is kBranchValid
};

// Decodes what the line delivered after a DISC_UNIQUE_BRANCH for [lower, upper]:
// up to seven preamble bytes, the 0xAA separator at index 0..14, the UID encoded
// in 12 bytes and its checksum in 4. Bytes past the end of the span read as
// 0xFF, the value of a byte that never arrived.
DiscoveryResponse DecodeDiscoveryResponse(std::span<const std::uint8_t> bytes, Uid lower,
                                          Uid upper);

struct DiscoveryHooks {
  std::function<void()> clearList;
  std::function<void(const std::string& line)> addListLine;
  std::function<bool()> stopRequested{};  // polled before each request; true ends the search
};

class Discovery {
 public:
  // A whole discovery sends at most this many DISC_UNIQUE_BRANCH requests, about
  // six minutes on a real line. 33 honest responders cannot reach it: each search
  // takes at most 1 + 48 levels x 4 probes = 193, so 33 take at most 6374 with
  // the five silent full-range branches (the discovery benchmark measures about
  // 550 on average). Only a responder that answers but can never be confirmed
  // gets there.
  static constexpr int kMaxBranchRequests = 7000;
  static constexpr int kSilentFullRangeBranches = 5;

  Discovery(RdmTransport& transport, DeviceTable& table);

  int SendDiscUniqueBranch(std::uint32_t lowerLow, std::uint32_t lowerHigh, std::uint32_t upperLow,
                           std::uint32_t upperHigh);
  int SendDiscMute(std::uint32_t low, std::uint32_t high);
  void SendDiscUnMute(std::uint32_t low, std::uint32_t high);

  // Un-mutes everyone, re-mutes the known devices and searches for the rest.
  void Run(const DiscoveryHooks& hooks);

  // The branch requests of the last Run, and whether it ended at the bound.
  int BranchRequests() const { return branchRequests_; }
  bool StoppedAtBound() const { return stoppedAtBound_; }

  // Search state; it survives from one discovery to the next.
  Uid SearchLower = 0;
  Uid SearchUpper = 0;
  Uid SearchMid = 0;
  unsigned SilentBranchCount = 0;

 private:
  // Sends the next branch of the procedure, or returns false at the bound.
  bool Branch(Uid lower, Uid upper, int* result);
  // Muted and listed (or muted and left out of a full table) in this discovery.
  bool IsConfirmed(Uid uid) const;
  void Confirm(Uid uid, const DiscoveryHooks& hooks);
  void AddListLine(Uid uid, const DiscoveryHooks& hooks);

  RdmTransport& transport_;
  DeviceTable& table_;
  int branchRequests_ = 0;
  bool stoppedAtBound_ = false;
  bool tableFullLogged_ = false;
  std::vector<Uid> unlisted_;
  const DiscoveryHooks* hooks_ = nullptr;  // those of the running Run
};

}  // namespace korval
