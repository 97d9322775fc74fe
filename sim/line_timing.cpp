#include "sim/line_timing.h"

#include <algorithm>
#include <optional>

namespace korval::sim {

std::vector<ArrivingByte> CarryAnswers(const std::vector<TimedAnswer>& answers) {
  if (answers.empty()) return {};
  Duration earliest = answers.front().start;
  for (const TimedAnswer& a : answers) earliest = std::min(earliest, a.start);
  // A 0 bit wins on the bus: bytes that share a slot reach the tool ANDed.
  std::vector<std::optional<std::uint8_t>> slots;
  for (const TimedAnswer& a : answers) {
    const auto offset = static_cast<std::size_t>((a.start - earliest) / kByteTime);
    if (slots.size() < offset + a.bytes.size()) slots.resize(offset + a.bytes.size());
    for (std::size_t i = 0; i < a.bytes.size(); ++i) {
      auto& slot = slots[offset + i];
      slot = slot ? static_cast<std::uint8_t>(*slot & a.bytes[i]) : a.bytes[i];
    }
  }
  std::vector<ArrivingByte> bytes;
  for (std::size_t i = 0; i < slots.size(); ++i) {
    if (slots[i]) bytes.push_back({*slots[i], earliest + kByteTime * static_cast<int>(i + 1)});
  }
  return bytes;
}

void DeliverInPieces(std::vector<ArrivingByte>& bytes, Duration latencyTimer) {
  if (latencyTimer <= Duration(0)) return;
  std::size_t i = 0;
  while (i < bytes.size()) {
    // The timer tick after the first byte of the piece hands on all that came
    // by then, unless a full packet goes earlier.
    const Duration tick = (bytes[i].at / latencyTimer + 1) * latencyTimer;
    std::size_t j = i;
    while (j < bytes.size() && j - i < kUsbPacketData && bytes[j].at <= tick) ++j;
    const Duration handedOn = j - i == kUsbPacketData ? bytes[j - 1].at : tick;
    for (std::size_t k = i; k < j; ++k) bytes[k].at = handedOn;
    i = j;
  }
}

ReadEnd EndOfFrameRead(const std::deque<ArrivingByte>& queue, std::size_t want, Duration start,
                       Duration silenceAt, Duration cap, Duration latency,
                       const FrameReadPolicy& policy) {
  std::vector<std::uint8_t> received;
  std::optional<Duration> last;
  auto limit = [&] {
    const Duration end = last ? std::max(*last, start) + policy.quiet + latency : silenceAt;
    return std::min(end, cap);
  };
  for (const ArrivingByte& b : queue) {
    if (received.size() >= want) break;
    const Duration at = std::max(b.at, start);
    if (at > limit()) break;
    received.push_back(b.value);
    last = at;
    if (received.size() == want || (policy.complete && policy.complete(received))) {
      return {received.size(), at};
    }
  }
  return {received.size(), std::max(limit(), start)};
}

}  // namespace korval::sim
