// The USB-DMX line on FTDI hardware through libftdi1. Interface 0 is the first
// FTDI device found. Opening sets the chip's latency timer low so that replies
// reach the host promptly; read loops over libftdi until the count has arrived
// or the read timeout has run out, waiting on the line's clock.
//
// Every call is serialised by a mutex: the window thread and the DMX output
// ticker share the line.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "rdm/dmx_line.h"
#include "rdm/ftdi_api.h"

namespace korval {

class FtdiLine final : public DmxLine {
 public:
  static constexpr std::uint8_t kLatencyTimerMs = 1;
  static constexpr Clock::Duration kLatencyTimer = std::chrono::milliseconds(kLatencyTimerMs);
  static constexpr int kDefaultTimeoutMs = 50;
  // How long a read waits before asking libftdi again after it delivered nothing.
  static constexpr Clock::Duration kPollInterval{500};
  // How much later than on the wire a received byte can reach the read loop:
  // the chip hands bytes to USB when its latency timer (kLatencyTimerMs) runs
  // out, the host collects them in the next 1 ms USB frame, and the loop asks
  // libftdi every kPollInterval: 2.5 ms. A host that is busy for longer does
  // not lose a reply by it: a frame read ends on its deadline only after a
  // read that began at or after that deadline found nothing, so the bytes that
  // came in meanwhile are still taken. A reply that starts 2.0 ms after the
  // request is seen by about 4.6 ms, inside the 2.8 ms + 2.5 ms after which a
  // frame read declares silence.
  static constexpr Clock::Duration kInterfaceLatency{2500};

  // Real hardware on the real clock.
  FtdiLine();
  // Any seam and clock (tests use a fake seam and a SimulatedClock).
  FtdiLine(std::unique_ptr<FtdiApi> api, Clock& clock);
  ~FtdiLine() override;

  FtdiLine(const FtdiLine&) = delete;
  FtdiLine& operator=(const FtdiLine&) = delete;

  LineStatus Open(int deviceIndex, LineHandle* handle) override;
  LineStatus Close(LineHandle handle) override;
  LineStatus Read(LineHandle handle, std::span<std::uint8_t> buffer,
                  std::uint32_t* bytesRead) override;
  LineStatus Write(LineHandle handle, std::span<const std::uint8_t> bytes,
                   std::uint32_t* bytesWritten) override;
  // The read loop of Read that also ends once the frame is complete, on
  // silence counted from when the last write's bytes have left the wire, or
  // when a frame in progress has gone quiet.
  LineStatus ReadFrame(LineHandle handle, std::span<std::uint8_t> buffer, std::uint32_t* bytesRead,
                       const FrameReadPolicy& policy) override;
  void SpaceNextFrame(Clock::Duration spacing) override;
  LineStatus ResetDevice(LineHandle handle) override;
  LineStatus SetBaudRate(LineHandle handle, std::uint32_t baud) override;
  LineStatus SetDataCharacteristics(LineHandle handle, std::uint8_t wordLength,
                                    std::uint8_t stopBits, std::uint8_t parity) override;
  LineStatus SetFlowControl(LineHandle handle, std::uint16_t flow, std::uint8_t xon,
                            std::uint8_t xoff) override;
  LineStatus Purge(LineHandle handle, std::uint32_t mask) override;
  LineStatus SetTimeouts(LineHandle handle, std::uint32_t readMs, std::uint32_t writeMs) override;
  LineStatus SetBreakOn(LineHandle handle) override;
  LineStatus SetBreakOff(LineHandle handle) override;
  Clock& GetClock() override { return *clock_; }

  // For a device found but not opened: "FTDI device 0403:6001 serial AB0CDEF
  // found but not opened: <libftdi's reason>".
  std::optional<std::string> OpenFailureCause() const override;

  // libftdi's text for the last failure (for example why the open failed).
  std::string LastError() const;

 private:
  // The read loop of both reads, with the line's mutex held; without a policy
  // it ends only at the count or the read timeout.
  LineStatus PollRead(LineHandle handle, std::span<std::uint8_t> buffer, std::uint32_t* bytesRead,
                      const FrameReadPolicy* policy);
  bool IsCurrent(LineHandle handle) const { return handle != 0 && handle == handle_; }
  static LineStatus StatusOf(int result) { return result < 0 ? kLineIoError : kLineOk; }
  void NoteOpenFailure();
  // A new frame (purge or break) waits here, mutex held, until the last one
  // and its spacing are over: the chip drops what it still has to send on
  // either, so a frame cut short never reaches the fixtures.
  void AwaitFrameSpacing();

  mutable std::mutex mutex_;
  std::unique_ptr<FtdiApi> api_;
  std::unique_ptr<Clock> ownClock_;
  Clock* clock_;
  LineHandle handle_ = 0;      // 0 while closed
  LineHandle lastHandle_ = 0;  // each open hands out a new one, so stale handles fail
  FtdiLineProperty property_;
  std::optional<std::string> openFailureCause_;
  int readTimeoutMs_ = kDefaultTimeoutMs;
  // A write returns once libftdi has handed the bytes to the chip, before they
  // are on the wire: when the last of them will have left, 44 us a byte later.
  Clock::Duration wireEndsAt_{0};
  Clock::Duration lastReceivedAt_{0};  // when the read loop last got a byte
  Clock::Duration spacing_{0};         // after the later of the two
};

}  // namespace korval
