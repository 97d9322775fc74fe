// When a read of the line may end. Classic timing waits out the interface's
// read timeout on every read, as the tool always has. E1.20 timing ends each
// read as soon as its outcome is certain: the reply is complete, or the line
// has been silent for longer than a responder may take. Both hand the same
// bytes to the judgement of a reply; only the waiting differs.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "rdm/dmx_line.h"
#include "rdm/line_buffer.h"
#include "rdm/rdm_constants.h"

namespace korval {

enum class RdmTiming { kClassic, kE120 };

// "classic" or "e120".
std::optional<RdmTiming> ParseRdmTiming(std::string_view name);
std::string_view RdmTimingName(RdmTiming timing);

// A reply as the line delivers it, read in one go: the start code among its
// first five bytes (noise may come before it), then the frame. The read is
// complete once every byte the judgement and the packet dump look at is in.
inline constexpr std::size_t kStartCodeSearch = 5;
inline constexpr std::size_t kReplyBytes = 200;  // read after the start code
FrameReadPolicy ReplyReadPolicy();
// Whether the reply delivered so far is complete.
bool ReplyComplete(std::span<const std::uint8_t> received);
// Lays the delivered bytes out as five single-byte reads and one read of 200
// bytes would have: the start code at reply[0] (when it came), then the 200
// bytes after it. reply holds 201 bytes, pre-filled with 0xFF.
void LayOutReply(std::span<const std::uint8_t> received, std::span<std::uint8_t> reply);

// A DISC_UNIQUE_BRANCH answer: complete after its 24 bytes when it starts as
// one (preamble bytes, then the separator within the first eight); anything
// else ends only when the line goes quiet.
FrameReadPolicy BranchReadPolicy();
bool BranchAnswerComplete(std::span<const std::uint8_t> received);

// How a frame on the line ended, for the spacing before the next one.
enum class FrameEnd {
  kAnswered,          // bytes came back (a reply, or any answer to a branch)
  kNotAwaited,        // nobody answers it: a broadcast, a DMX512 frame
  kReplyLost,         // a request that should have been answered was not
  kBranchUnanswered,  // a DISC_UNIQUE_BRANCH that nobody answered
};
// E1.20's controller spacing: how long after the frame (or the answer, when
// one came) the line stays quiet before the controller's next break. Both
// lines keep it: neither purges, breaks nor writes a new frame sooner.
Clock::Duration FrameSpacing(FrameEnd end);

// Line time, for fitting exchanges between DMX512 frames. A frame: break and
// mark after break, the null start code and 512 slots.
inline constexpr std::chrono::microseconds kDmxFrameTime{rdm::kBreakAndMarkUs +
                                                         kDmxFrameBytes * rdm::kByteMicroseconds};
// The longest line time one exchange can take, from its break to the end of
// the spacing the line keeps after it: what the DMX output's gaps are measured
// against. In E1.20 timing: break and mark, the request, then the longest
// turnaround, the longest reply (257 slots) and one latency timer of the
// interface for its last bytes, or the silence limit when nobody answers; in
// classic timing the read timeouts. A request nobody is to answer takes its
// own slots and the least spacing; a discovery command's answer is short.
std::chrono::microseconds ExchangeBudget(std::size_t requestBytes,
                                         RdmTiming timing = RdmTiming::kE120,
                                         bool awaitReply = true,
                                         std::uint8_t commandClass = rdm::kGetCommand);
// The same for a DISC_UNIQUE_BRANCH, whose answers are at most 24 slots and
// after which silence costs E1.20's longer spacing.
std::chrono::microseconds BranchBudget(std::size_t requestBytes, RdmTiming timing);

}  // namespace korval
