// The time model of the virtual line's receive side: when the bytes of the
// responders' answers are on the wire, when an FTDI interface hands them to
// the host, and when a read of them ends. Pure functions over times, so that
// the model can be checked without a line.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <vector>

#include "rdm/dmx_line.h"
#include "rdm/rdm_constants.h"

namespace korval::sim {

using Duration = Clock::Duration;

inline constexpr Duration kByteTime{rdm::kByteMicroseconds};
// What an FTDI chip's receive side does: bytes wait in its buffer until the
// latency timer runs out or a USB packet (62 data bytes) is full.
inline constexpr std::size_t kUsbPacketData = 62;

// One responder's answer, starting on the wire at `start` (its first bit).
struct TimedAnswer {
  Duration start;
  std::vector<std::uint8_t> bytes;
};

struct ArrivingByte {
  std::uint8_t value;
  Duration at;  // when it can be read
};

// The answers as the line carries them: several transmitters at once give the
// AND of the bytes that share a slot; slots count from the earliest start in
// byte times. Each byte's time is the end of its slot; a slot nobody sends in
// brings no byte.
std::vector<ArrivingByte> CarryAnswers(const std::vector<TimedAnswer>& answers);

// Moves each byte's time to when an interface with this latency timer hands it
// on (0: as soon as it is in). The timer runs on a grid from the clock's origin.
void DeliverInPieces(std::vector<ArrivingByte>& bytes, Duration latencyTimer);

// How a read of up to `want` bytes that starts at `start` ends, given the bytes
// waiting or on their way: how many it takes and when it returns. `silenceAt`
// is when nobody answers any more; `quiet` plus `latency` the gap that ends a
// frame; `cap` the read timeout's end. A policy without complete() ends only on
// count, silence or gap.
struct ReadEnd {
  std::size_t taken = 0;
  Duration at{0};
};
ReadEnd EndOfFrameRead(const std::deque<ArrivingByte>& queue, std::size_t want, Duration start,
                       Duration silenceAt, Duration cap, Duration latency,
                       const FrameReadPolicy& policy);

}  // namespace korval::sim
