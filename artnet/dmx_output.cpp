#include "artnet/dmx_output.h"

#include <array>
#include <cstdint>

namespace korval::artnet {

TickResult DmxOutputTick(const DmxOutputTarget& target) {
  if (!target.pageShown.load(std::memory_order_relaxed)) return TickResult::kNotShown;
  const LineHandle handle = target.handle();
  DmxLine& line = target.line;
  // The break lasts as long as the two calls take; the line needs no more.
  line.SetBreakOn(handle);
  line.SetBreakOff(handle);
  const std::array<std::uint8_t, 1> startCode{0x00};
  std::uint32_t written = 0;
  line.Write(handle, startCode, &written);
  CopySlots(target.artNetInput, target.dmxOutput);
  const std::array<std::uint8_t, kDmxSlots> slots = LoadSlots(target.dmxOutput);
  if (line.Write(handle, slots, &written) == kLineOk) return TickResult::kSent;
  if (target.onWriteFailed) target.onWriteFailed();
  return TickResult::kWriteFailed;
}

}  // namespace korval::artnet
