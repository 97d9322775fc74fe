#include "rdm/discovery.h"

#include <algorithm>

#include "base/bytes.h"
#include "rdm/rdm_message.h"

namespace korval {

using namespace rdm;

namespace {

constexpr std::size_t kSeparatorSearch = 15;  // the separator counts only at indices 0..14
constexpr std::size_t kEncodedUidBytes = 2 * kUidBytes;
constexpr std::size_t kBranchReadBytes = 100;

const std::string kTableFullLine = "Device table full: 33 devices, further devices are not listed";

}  // namespace

DiscoveryResponse DecodeDiscoveryResponse(std::span<const std::uint8_t> bytes, Uid lower,
                                          Uid upper) {
  std::size_t separator = kSeparatorSearch;
  for (std::size_t i = 0; i < kSeparatorSearch; ++i) {
    if (ReadByte(bytes, i) == kDiscSeparator) {
      separator = i;
      break;
    }
  }
  if (separator == kSeparatorSearch) {
    for (std::size_t i = 0; i <= kSeparatorSearch; ++i) {
      if (ReadByte(bytes, i) != kAbsentByte) return {kBranchCollision, 0};
    }
    return {kBranchSilent, 0};
  }

  const std::size_t first = separator + 1;
  Uid uid = 0;
  unsigned sum = 0;
  for (std::size_t k = 0; k < kUidBytes; ++k)
    uid = (uid << 8) | DecodeDiscByte(bytes, first + 2 * k);
  for (std::size_t k = 0; k < kEncodedUidBytes; ++k) sum += ReadByte(bytes, first + k);
  if (uid < lower || uid > upper) return {kBranchCollision, 0};
  const std::size_t check = first + kEncodedUidBytes;
  const unsigned expected = DecodeDiscByte(bytes, check) * 256u + DecodeDiscByte(bytes, check + 2);
  if (sum != expected) return {kBranchCollision, 0};
  return {kBranchValid, uid};
}

Discovery::Discovery(RdmTransport& transport, DeviceTable& table)
    : transport_(transport), table_(&table) {}

int Discovery::SendDiscUniqueBranch(std::uint32_t lowerLow, std::uint32_t lowerHigh,
                                    std::uint32_t upperLow, std::uint32_t upperHigh) {
  const Uid lower = MakeUid(lowerLow, lowerHigh);
  const Uid upper = MakeUid(upperLow, upperHigh);
  RdmRequest request{
      .destination = kBroadcastUid, .commandClass = kDiscoveryCommand, .pid = kPidDiscUniqueBranch};
  AppendBe48(request.data, lower);
  AppendBe48(request.data, upper);

  const BranchAnswer answer = transport_.Branch(request, kBranchReadBytes);
  if (!answer.sent) {
    transport_.Log("Discovery msg was not sent");
    ++unsentBranches_;
  }
  if (!answer.read) return kBranchSilent;

  const DiscoveryResponse response = DecodeDiscoveryResponse(answer.bytes, lower, upper);
  if (response.result == kBranchValid) table_->slots[0] = response.uid;
  transport_.Log(FormatRdmPacket("Response_:", answer.bytes));
  if (response.result == kBranchValid) transport_.Log("valid Discovery Response received");
  if (response.result == kBranchCollision) transport_.Log("Collision detected");
  return response.result;
}

int Discovery::SendDiscMute(std::uint32_t low, std::uint32_t high) {
  const Uid uid = MakeUid(low, high);
  transport_.Log("Mute 0x" + UidText(uid));
  return transport_.Request(uid, kDiscoveryCommand, kPidDiscMute, {}, true);
}

void Discovery::SendDiscUnMute(std::uint32_t low, std::uint32_t high) {
  const Uid uid = MakeUid(low, high);
  transport_.Log("UnMute 0x" + UidText(uid));
  transport_.Request(uid, kDiscoveryCommand, kPidDiscUnMute, {}, false);
}

bool Discovery::Branch(Uid lower, Uid upper, int* result) {
  if (hooks_ != nullptr && hooks_->stopRequested && hooks_->stopRequested()) {
    if (!stoppedByOperator_) transport_.Log("Discovery stopped by the operator.");
    stoppedByOperator_ = true;
    return false;
  }
  if (branchRequests_ >= kMaxBranchRequests) {
    if (!stoppedAtBound_) {
      transport_.Log("Discovery stopped after " + std::to_string(branchRequests_) +
                     " branch requests: a responder answers but cannot be confirmed");
    }
    stoppedAtBound_ = true;
    return false;
  }
  ++branchRequests_;
  *result = SendDiscUniqueBranch(UidLow(lower), UidHigh(lower), UidLow(upper), UidHigh(upper));
  return true;
}

void Discovery::AddListLine(Uid uid) {
  if (hooks_->addListLine) hooks_->addListLine(DeviceListLine(table_->count, UidText12(uid)));
}

bool Discovery::IsConfirmed(Uid uid) const {
  const auto listed = std::span(table_->slots).subspan(1, table_->count);
  return std::find(listed.begin(), listed.end(), uid) != listed.end() ||
         std::find(unlisted_.begin(), unlisted_.end(), uid) != unlisted_.end();
}

void Discovery::Confirm(Uid uid) {
  if (hooks_->found) hooks_->found(uid);
  // The device is muted either way, so a full table cannot keep the search going.
  if (table_->count >= DeviceTable::kCapacity) {
    if (!tableFullLogged_) transport_.Log(kTableFullLine);
    tableFullLogged_ = true;
    unlisted_.push_back(uid);
    return;
  }
  AddListLine(uid);
  table_->slots[table_->count + 1] = uid;
  ++table_->count;
}

std::vector<Discovery::Segment> Discovery::Segments() const {
  // The given-up UIDs cut the range into the parts still searched; without
  // them this is the one full range.
  std::vector<Segment> segments;
  Uid lower = 0;
  for (Uid uid : givenUp_) {
    if (uid > lower) segments.push_back({lower, uid - 1});
    lower = uid + 1;
  }
  if (lower <= kFullRangeUpper) segments.push_back({lower, kFullRangeUpper});
  return segments;
}

bool Discovery::Failed(Uid uid, Failure failure) {
  if (++failures_[uid] < kMaxFailedConfirmations) return false;
  // Left out, so that one responder that cannot be confirmed neither keeps the
  // search going nor hides the UIDs below it.
  const char* why = " answers but cannot be confirmed";
  if (failure == Failure::kNoMuteAck) why = " does not acknowledge mute";
  if (failure == Failure::kStillAnswers) why = " still answers after acknowledging mute";
  // A listed one stays listed; it is only searched for no longer.
  const char* what = IsConfirmed(uid) ? ": no longer searched for" : ": left out of this discovery";
  transport_.Log("Discovery: 0x" + UidText(uid) + why + what);
  if (hooks_->leftOut) hooks_->leftOut(uid);
  givenUp_.insert(std::lower_bound(givenUp_.begin(), givenUp_.end(), uid), uid);
  return true;
}

bool Discovery::ProbeSingleUid(Uid uid, bool* ended) {
  while (!std::binary_search(givenUp_.begin(), givenUp_.end(), uid)) {
    int r = kBranchSilent;
    if (!Branch(uid, uid, &r)) return false;
    ++singleUidProbes_;
    if (r == kBranchSilent) return true;
    // Only uid can answer a branch over uid alone: an answer that does not
    // check still names it, and a valid one is no overlap of several answers.
    Failure failure = Failure::kNoCheck;
    if (r == kBranchValid) {
      failure = Failure::kNoMuteAck;
      if (SendDiscMute(UidLow(uid), UidHigh(uid)) == kAck) {
        failure = Failure::kStillAnswers;
        if (!IsConfirmed(uid)) {
          Confirm(uid);
          *ended = true;
          return true;
        }
        // Confirmed earlier in this discovery, then it lost its mute, as a
        // power-cycled fixture does: muted again, not listed again.
        if (std::find(remuted_.begin(), remuted_.end(), uid) == remuted_.end()) {
          remuted_.push_back(uid);
          *ended = true;
          return true;
        }
      }
    }
    if (Failed(uid, failure)) {
      *ended = true;
      return true;
    }
  }
  return true;
}

bool Discovery::Search(Segment segment) {
  SearchLower = segment.lower;
  SearchUpper = segment.upper;
  SearchMid = segment.lower + (segment.upper - segment.lower) / 2;
  bool ended = false;
  int r = kBranchSilent;
  while (SearchUpper - SearchLower > 1) {
    // Always the upper half: the search closes in on the highest UID present.
    if (!Branch(SearchMid, SearchUpper, &r)) return false;
    if (r == kBranchSilent) {
      // A silent branch is asked again, up to three times in a row; the count
      // is shared with earlier branches until one stays silent for good.
      if (SilentBranchCount++ < 3) continue;
      SearchUpper = SearchMid;
      SilentBranchCount = 0;
    } else {
      SearchLower = SearchMid;
    }
    SearchMid = SearchLower + (SearchUpper - SearchLower) / 2;
    // Answers of several responders overlap on the line, and the overlap can
    // read as a valid answer from one of them. When that one is already muted
    // the answer is a collision: muting and listing it again would fill the
    // table with copies while the responders that collided are never found.
    if (r == kBranchValid && !IsConfirmed(table_->slots[0])) {
      const Uid found = table_->slots[0];
      if (SendDiscMute(UidLow(found), UidHigh(found)) == kAck) {
        Confirm(found);
        SearchLower = found;
        SearchUpper = found;
        ended = true;
      }
    }
  }
  if (ended) return true;
  // Nobody confirmed: the responder that answered is one of the one or two UIDs
  // left. The lowest UID of a segment is never inside an upper half, and a
  // responder whose answers never check is never isolated by them.
  const Uid upper = SearchUpper, lower = SearchLower;
  if (!ProbeSingleUid(upper, &ended)) return false;
  if (ended || lower == upper) return true;
  return ProbeSingleUid(lower, &ended);
}

bool Discovery::Round(bool* go) {
  for (const Segment& segment : Segments()) {
    int r = kBranchSilent;
    *go = Branch(segment.lower, segment.upper, &r);
    if (!*go) return false;
    if (r == kBranchSilent) continue;
    *go = Search(segment);
    return true;
  }
  return false;
}

void Discovery::Run(const DiscoveryHooks& hooks) {
  hooks_ = &hooks;
  branchRequests_ = 0;
  unsentBranches_ = 0;
  singleUidProbes_ = 0;
  stoppedAtBound_ = false;
  stoppedByOperator_ = false;
  tableFullLogged_ = false;
  unlisted_.clear();
  givenUp_.clear();
  remuted_.clear();
  failures_.clear();

  SendDiscUnMute(UidLow(kBroadcastUid), UidHigh(kBroadcastUid));
  SendDiscUnMute(UidLow(kBroadcastUid), UidHigh(kBroadcastUid));
  if (hooks.clearList) hooks.clearList();
  transport_.Log("Discovery started.");

  // An entry that does not answer is tried again in the following passes; the
  // devices behind it stay un-muted and the search finds them.
  const int known = std::min<int>(table_->count, DeviceTable::kCapacity);
  table_->count = 0;
  for (int pass = 0; pass < known; ++pass) {
    const Uid uid = table_->slots[table_->count + 1];
    if (SendDiscMute(UidLow(uid), UidHigh(uid)) == kAck) {
      if (hooks.found) hooks.found(uid);
      AddListLine(uid);
      ++table_->count;
    }
  }

  // A round in which every segment stays silent counts as one silent
  // full-range branch.
  int silentRounds = 0;
  bool go = true;
  while (silentRounds < kSilentFullRangeBranches) {
    if (!Round(&go)) ++silentRounds;
    if (!go) break;
  }
  // Requests that never reached the line leave a list that says nothing about
  // the fixtures; the window's log has said so per request already.
  if (unsentBranches_ > 0 && hooks.unanswered) {
    hooks.unanswered("the line failed: " + std::to_string(unsentBranches_) + " of " +
                     std::to_string(branchRequests_) + " discovery requests were not sent");
  }
  hooks_ = nullptr;
}

}  // namespace korval
