#include "rdm/reply_timing.h"

#include <algorithm>
#include <chrono>

#include "rdm/ftdi_line.h"
#include "rdm/rdm_constants.h"
#include "rdm/uid.h"

namespace korval {

using namespace rdm;

namespace {

constexpr std::size_t kMaxDumpedData = 29;  // as the packet dump shows them
constexpr std::size_t kLastDumpedOffset = 53;

FrameReadPolicy E120Policy(bool (*complete)(std::span<const std::uint8_t>)) {
  return {.silence = std::chrono::microseconds(kResponseLostUs),
          .quiet = std::chrono::microseconds(kMaxInterSlotUs),
          .complete = complete};
}

// Index of the start code among the first five bytes, or none.
std::optional<std::size_t> StartCodeAt(std::span<const std::uint8_t> received) {
  const std::size_t n = std::min(received.size(), kStartCodeSearch);
  for (std::size_t i = 0; i < n; ++i) {
    if (received[i] == kStartCode) return i;
  }
  return std::nullopt;
}

}  // namespace

std::optional<RdmTiming> ParseRdmTiming(std::string_view name) {
  if (name == "classic") return RdmTiming::kClassic;
  if (name == "e120") return RdmTiming::kE120;
  return std::nullopt;
}

std::string_view RdmTimingName(RdmTiming timing) {
  return timing == RdmTiming::kE120 ? "e120" : "classic";
}

FrameReadPolicy ReplyReadPolicy() {
  return E120Policy(&ReplyComplete);
}

bool ReplyComplete(std::span<const std::uint8_t> received) {
  const std::optional<std::size_t> start = StartCodeAt(received);
  // Five bytes without a start code: "no response", whatever follows.
  if (!start) return received.size() >= kStartCodeSearch;
  const std::span<const std::uint8_t> r = received.subspan(*start);
  const std::size_t whole = 1 + kReplyBytes;
  if (r.size() >= whole) return true;
  if (r.size() < kHeaderBytes) return false;
  // A well-formed frame ends with its checksum after message length bytes. The
  // other terms count only for a frame whose length and PDL disagree: they are
  // the bytes the checksum test and the dump read then.
  const std::size_t length = r[kOffsetMessageLength];
  const std::size_t pdl = r[kOffsetPdl];
  const std::size_t need = std::max({length + kChecksumBytes, kOffsetParameterData + pdl + 2,
                                     std::min(length, kLastDumpedOffset) + 2,
                                     kOffsetParameterData + std::min(pdl, kMaxDumpedData)});
  return r.size() >= std::min(need, whole);
}

void LayOutReply(std::span<const std::uint8_t> received, std::span<std::uint8_t> reply) {
  const std::optional<std::size_t> start = StartCodeAt(received);
  std::size_t from = kStartCodeSearch;
  if (start) {
    reply[0] = kStartCode;
    from = *start + 1;
  }
  if (from >= received.size()) return;
  const std::size_t n = std::min(received.size() - from, reply.size() - 1);
  std::copy_n(received.begin() + static_cast<std::ptrdiff_t>(from), n, reply.begin() + 1);
}

FrameReadPolicy BranchReadPolicy() {
  return E120Policy(&BranchAnswerComplete);
}

bool BranchAnswerComplete(std::span<const std::uint8_t> received) {
  if (received.size() < kDiscAnswerMaxBytes) return false;
  // Noise in front of an answer shows in its preamble: then more may follow,
  // and only the quiet line ends the read.
  for (std::size_t i = 0; i <= kDiscMaxPreamble; ++i) {
    if (received[i] == kDiscSeparator) return true;
    if (received[i] != kDiscPreamble) return false;
  }
  return false;
}

Clock::Duration FrameSpacing(FrameEnd end) {
  switch (end) {
    case FrameEnd::kReplyLost:
      return std::chrono::microseconds(kSpacingAfterLostReplyUs);
    case FrameEnd::kBranchUnanswered:
      return std::chrono::microseconds(kSpacingAfterSilentBranchUs);
    case FrameEnd::kAnswered:
    case FrameEnd::kNotAwaited:
      break;
  }
  return std::chrono::microseconds(kMinFrameSpacingUs);
}

namespace {

using std::chrono::microseconds;

microseconds Slots(std::size_t n) {
  return microseconds(kByteMicroseconds * static_cast<std::int64_t>(n));
}

// From the end of the request to the end of the spacing after the answer, or
// after the read that found none.
microseconds AfterRequest(std::size_t longestAnswer, microseconds silentSpacing) {
  const microseconds answered = microseconds(kResponderTurnaroundMaxUs) + Slots(longestAnswer) +
                                FtdiLine::kLatencyTimer + microseconds(kMinFrameSpacingUs);
  const microseconds silent = std::max(
      microseconds(kResponseLostUs) + FtdiLine::kInterfaceLatency + FtdiLine::kLatencyTimer,
      silentSpacing);
  return std::max(answered, silent);
}

}  // namespace

microseconds ExchangeBudget(std::size_t requestBytes, RdmTiming timing, bool awaitReply,
                            std::uint8_t commandClass) {
  const microseconds request = microseconds(kBreakAndMarkUs) + Slots(requestBytes);
  if (!awaitReply) return request + microseconds(kMinFrameSpacingUs);
  if (timing == RdmTiming::kClassic) {
    return request + std::chrono::milliseconds(kLineTimeoutMs) * (kStartCodeSearch + 1);
  }
  // A DISC_MUTE or DISC_UN_MUTE answer carries its control field and, at
  // most, a binding UID; anything else may carry the largest parameter data.
  constexpr std::size_t kLongestMuteReply = kHeaderBytes + 2 + kUidBytes + kChecksumBytes;
  constexpr std::size_t kLongestReply = kHeaderBytes + kMaxPdl + kChecksumBytes;
  const std::size_t longest = commandClass == kDiscoveryCommand ? kLongestMuteReply : kLongestReply;
  return request + AfterRequest(longest, microseconds(kSpacingAfterLostReplyUs));
}

microseconds BranchBudget(std::size_t requestBytes, RdmTiming timing) {
  const microseconds request = microseconds(kBreakAndMarkUs) + Slots(requestBytes);
  if (timing == RdmTiming::kClassic) return request + std::chrono::milliseconds(kLineTimeoutMs);
  return request + AfterRequest(kDiscAnswerMaxBytes, microseconds(kSpacingAfterSilentBranchUs));
}

}  // namespace korval
