// One DMX512 frame per tick of the output ticker, only while the Art-Net page
// is shown: break, the null start code, then the latest Art-Net input slots,
// which become the output slots the monitor shows.
#pragma once

#include <atomic>
#include <functional>

#include "artnet/output_ticker.h"
#include "rdm/dmx_line.h"
#include "rdm/line_arbiter.h"
#include "rdm/line_buffer.h"
#include "rdm/reply_timing.h"

namespace korval::artnet {

enum class TickResult { kNotShown, kSent, kWriteFailed };

// The line's time between two frames of the 40 ms output: what RDM exchanges
// fit into without delaying the next frame.
inline constexpr std::chrono::microseconds kGapBetweenFrames =
    std::chrono::duration_cast<std::chrono::microseconds>(kOutputPeriod) - kDmxFrameTime -
    std::chrono::microseconds(rdm::kMinFrameSpacingUs);

struct DmxOutputTarget {
  const std::atomic<bool>& pageShown;  // set by the window thread
  DmxLine& line;
  std::function<LineHandle()> handle;
  const DmxSlots& artNetInput;
  DmxSlots& dmxOutput;
  // Runs on the ticker thread when the slots could not be written.
  std::function<void()> onWriteFailed;
  // The line's turn, held from the break until the frame has left the wire
  // (an interface's write returns while its chip still sends).
  LineArbiter* arbiter = nullptr;
};

// Allocates nothing: fixed 512-byte copies on the stack.
TickResult DmxOutputTick(const DmxOutputTarget& target);

}  // namespace korval::artnet
