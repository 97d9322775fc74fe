#include "artnet/dmx_output.h"

#include <array>
#include <cstdint>
#include <optional>

#include "rdm/reply_timing.h"

namespace korval::artnet {

TickResult DmxOutputTick(const DmxOutputTarget& target) {
  if (!target.pageShown.load(std::memory_order_relaxed)) return TickResult::kNotShown;
  const LineHandle handle = target.handle();
  DmxLine& line = target.line;
  std::optional<LineArbiter::Turn> turn;
  if (target.arbiter != nullptr) turn.emplace(target.arbiter->Take());
  const Clock::Duration start = line.GetClock().Now();
  // The break lasts as long as the two calls take; the line needs no more.
  line.SetBreakOn(handle);
  line.SetBreakOff(handle);
  const std::array<std::uint8_t, 1> startCode{0x00};
  std::uint32_t written = 0;
  line.Write(handle, startCode, &written);
  CopySlots(target.artNetInput, target.dmxOutput);
  const std::array<std::uint8_t, kDmxSlots> slots = LoadSlots(target.dmxOutput);
  const bool sent = line.Write(handle, slots, &written) == kLineOk;
  if (turn) {
    const Clock::Duration left = start + kDmxFrameTime - line.GetClock().Now();
    if (sent && left > Clock::Duration::zero()) line.GetClock().SleepFor(left);
    turn.reset();
  }
  if (sent) return TickResult::kSent;
  if (target.onWriteFailed) target.onWriteFailed();
  return TickResult::kWriteFailed;
}

}  // namespace korval::artnet
