// Discovery of the RDM responders on the line: a binary search over the UID
// space with DISC_UNIQUE_BRANCH, muting each responder found with DISC_MUTE and
// rebuilding the device table from them. It runs to its end on the calling
// thread and writes the device list only through the hooks it is given.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "rdm/device_table.h"
#include "rdm/rdm_controller.h"
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

class Discovery {
 public:
  // A whole discovery sends at most this many DISC_UNIQUE_BRANCH requests,
  // about nine minutes of line time. Twice the worst honest rig measured by the
  // discovery benchmark: 33 responders with serial numbers in a row
  // (4B52:00000001 to 4B52:00000021) need 5142 (268 s); 33 in a row from a
  // random start at most 4577, one bit apart 3110, one manufacturer with random
  // device IDs 1873, random UIDs 626. Responders that cannot be confirmed are
  // left out long before; only a line that garbles every answer gets here.
  static constexpr int kMaxBranchRequests = 10500;
  static constexpr int kSilentFullRangeBranches = 5;
  // Failed confirmations of one UID in a row before it is left out.
  static constexpr int kMaxFailedConfirmations = 3;

  Discovery(RdmTransport& transport, DeviceTable& table);
  // Without a table until Run(table, hooks) gives one.
  explicit Discovery(RdmTransport& transport) : transport_(transport), table_(nullptr) {}

  int SendDiscUniqueBranch(std::uint32_t lowerLow, std::uint32_t lowerHigh, std::uint32_t upperLow,
                           std::uint32_t upperHigh);
  int SendDiscMute(std::uint32_t low, std::uint32_t high);
  void SendDiscUnMute(std::uint32_t low, std::uint32_t high);

  // Un-mutes everyone, re-mutes the known devices and searches for the rest.
  void Run(const DiscoveryHooks& hooks);
  // The same on another table, which the procedure keeps from now on.
  void Run(DeviceTable& table, const DiscoveryHooks& hooks) {
    table_ = &table;
    Run(hooks);
  }

  // The branch requests of the last Run, and whether it ended at the bound or
  // because the operator asked.
  int BranchRequests() const { return branchRequests_; }
  bool StoppedAtBound() const { return stoppedAtBound_; }
  bool StoppedByOperator() const { return stoppedByOperator_; }
  // Branches over one UID, sent when a search ended without confirming anyone.
  int SingleUidProbes() const { return singleUidProbes_; }
  // The UIDs left out of the last Run, lowest first.
  const std::vector<Uid>& GivenUp() const { return givenUp_; }

  // Search state; it survives from one discovery to the next.
  Uid SearchLower = 0;
  Uid SearchUpper = 0;
  Uid SearchMid = 0;
  unsigned SilentBranchCount = 0;

 private:
  struct Segment {
    Uid lower, upper;
  };
  enum class Failure { kNoMuteAck, kNoCheck, kStillAnswers };

  // Sends the next branch of the procedure, or returns false when the search
  // has to end (the bound, or the operator).
  bool Branch(Uid lower, Uid upper, int* result);
  // One round: the first segment that answers is searched. Returns whether any
  // answered; *go is false when the search has to end.
  bool Round(bool* go);
  bool Search(Segment segment);
  // Branches over uid alone until it is silent, confirmed or given up; *ended
  // tells whether that ended the search.
  bool ProbeSingleUid(Uid uid, bool* ended);
  // Counts a failed confirmation; true when uid is given up with it.
  bool Failed(Uid uid, Failure failure);
  std::vector<Segment> Segments() const;
  // Muted and listed (or muted and left out of a full table) in this discovery.
  bool IsConfirmed(Uid uid) const;
  void Confirm(Uid uid);
  void AddListLine(Uid uid);

  RdmTransport& transport_;
  DeviceTable* table_;
  const DiscoveryHooks* hooks_ = nullptr;
  int branchRequests_ = 0;
  int unsentBranches_ = 0;
  int singleUidProbes_ = 0;
  bool stoppedAtBound_ = false;
  bool stoppedByOperator_ = false;
  bool tableFullLogged_ = false;
  std::vector<Uid> unlisted_;
  std::vector<Uid> givenUp_;  // sorted: the search segments are cut between them
  std::vector<Uid> remuted_;
  std::map<Uid, int> failures_;
};

}  // namespace korval
