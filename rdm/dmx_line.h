// The USB-DMX line: the twelve operations of a D2XX-style interface driver.
// Every operation returns a status, kLineOk on success. Callers test only the
// status of open, read and write; the byte counts are reported but callers judge
// the buffer contents instead (they pre-fill it with 0xFF).
//
// Implementations: FtdiLine (libftdi1, real hardware) and VirtualLine (simulated
// responders). Both are safe to call from the window thread and the output
// ticker thread at once: each call is serialised inside the line.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "rdm/clock.h"

namespace korval {

using LineStatus = std::uint32_t;
using LineHandle = std::uintptr_t;

inline constexpr LineStatus kLineOk = 0;
inline constexpr LineStatus kLineInvalidHandle = 1;
inline constexpr LineStatus kLineDeviceNotFound = 2;
inline constexpr LineStatus kLineDeviceNotOpened = 3;
inline constexpr LineStatus kLineIoError = 4;
inline constexpr LineStatus kLineInvalidParameter = 6;

inline constexpr std::uint32_t kPurgeRx = 1;
inline constexpr std::uint32_t kPurgeTx = 2;

inline constexpr std::uint8_t kBits8 = 8;
inline constexpr std::uint8_t kStopBits2 = 2;
inline constexpr std::uint8_t kParityNone = 0;
inline constexpr std::uint16_t kFlowNone = 0;

// How a read may end before its count has arrived: when the bytes so far are a
// whole frame, or when the line has been silent too long. The times are the
// line's own (E1.20's); each line adds the latency of its interface on top.
struct FrameReadPolicy {
  // No byte by this long after the last write's bytes have left the wire:
  // nobody answers.
  Clock::Duration silence{0};
  // Once bytes have come, no further byte for this long ends the frame.
  Clock::Duration quiet{0};
  // True once the bytes received (all of them, from the first) are complete.
  std::function<bool(std::span<const std::uint8_t>)> complete;
};

class DmxLine {
 public:
  virtual ~DmxLine() = default;

  virtual LineStatus Open(int deviceIndex, LineHandle* handle) = 0;
  virtual LineStatus Close(LineHandle handle) = 0;
  // Returns when buffer.size() bytes have arrived or the read timeout has run out;
  // bytes of the buffer that were not received stay untouched.
  virtual LineStatus Read(LineHandle handle, std::span<std::uint8_t> buffer,
                          std::uint32_t* bytesRead) = 0;
  virtual LineStatus Write(LineHandle handle, std::span<const std::uint8_t> bytes,
                           std::uint32_t* bytesWritten) = 0;
  // A read that also ends as the policy says, never later than Read would. A
  // line that cannot tell when bytes arrive just reads.
  virtual LineStatus ReadFrame(LineHandle handle, std::span<std::uint8_t> buffer,
                               std::uint32_t* bytesRead, const FrameReadPolicy& policy) {
    (void)policy;
    return Read(handle, buffer, bytesRead);
  }
  // The line starts no new frame (its purge or its break) sooner than this
  // after the last frame written has left the wire, or after the last byte
  // received when that came later. Every frame written sets it back to E1.20's
  // least spacing; the transport lengthens it when nobody answered. A line that
  // writes only once the wire is free has nothing to do.
  virtual void SpaceNextFrame(Clock::Duration spacing) { (void)spacing; }
  virtual LineStatus ResetDevice(LineHandle handle) = 0;
  virtual LineStatus SetBaudRate(LineHandle handle, std::uint32_t baud) = 0;
  virtual LineStatus SetDataCharacteristics(LineHandle handle, std::uint8_t wordLength,
                                            std::uint8_t stopBits, std::uint8_t parity) = 0;
  virtual LineStatus SetFlowControl(LineHandle handle, std::uint16_t flow, std::uint8_t xon,
                                    std::uint8_t xoff) = 0;
  virtual LineStatus Purge(LineHandle handle, std::uint32_t mask) = 0;
  virtual LineStatus SetTimeouts(LineHandle handle, std::uint32_t readMs,
                                 std::uint32_t writeMs) = 0;
  virtual LineStatus SetBreakOn(LineHandle handle) = 0;
  virtual LineStatus SetBreakOff(LineHandle handle) = 0;

  // The clock every wait of the tool goes through while this line is in use.
  virtual Clock& GetClock() = 0;

  // Why the last Open failed, when the line knows more than "nothing there":
  // a device that is present but could not be opened, and the driver's reason.
  virtual std::optional<std::string> OpenFailureCause() const { return std::nullopt; }
};

}  // namespace korval
