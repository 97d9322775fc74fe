// The virtual line: a simulated USB-DMX interface with E1.20 responders behind
// it. It carries what the tool writes to them and what they answer, byte for
// byte, with the timing of a 250000 baud 8N2 line: on a RealClock in real
// timing, on a SimulatedClock that only advances in instant timing.
//
// What goes out: the bytes written after a break form one frame. A frame that
// starts with 0xCC is handed to the responders once it is complete (message
// length + 2 bytes); their answers, ANDed together when several answer at once,
// start on the wire each responder's turnaround after the request has left
// (200 us unless its rig says otherwise; 10 ms for a late one), 44 us a byte.
// With a latency timer set (in real timing 1 ms unless changed), they become
// readable in pieces, as an FTDI chip hands them to the host.
// A write returns when its bytes have left (the clock runs on meanwhile).
// A frame that starts with 0x00 is a DMX512 frame: it is complete after 513
// bytes (or at the next break when shorter) and is kept as the last frame.
//
// All calls are serialised by one mutex; reads and writes in real timing sleep
// without holding it.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <fstream>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "rdm/dmx_line.h"
#include "rdm/line_buffer.h"
#include "rdm/rdm_constants.h"
#include "sim/line_timing.h"
#include "sim/rdm_request.h"
#include "sim/responder.h"
#include "sim/rig_description.h"

namespace korval::sim {

inline constexpr std::chrono::microseconds kBreakAndMab{rdm::kBreakAndMarkUs};
inline constexpr std::chrono::microseconds kTurnaround{200};  // responder's reply delay
// A late responder answers well after E1.20's 2.0 ms and well inside a 50 ms
// read timeout.
inline constexpr std::chrono::microseconds kLateTurnaround{10'000};

class VirtualLine final : public DmxLine {
 public:
  explicit VirtualLine(Timing timing = Timing::kInstant);
  explicit VirtualLine(Rig rig);
  // The rig's responders and record file, with the timing given here.
  VirtualLine(Rig rig, Timing timing);
  ~VirtualLine() override;

  VirtualLine(const VirtualLine&) = delete;
  VirtualLine& operator=(const VirtualLine&) = delete;

  // DmxLine
  LineStatus Open(int deviceIndex, LineHandle* handle) override;
  LineStatus Close(LineHandle handle) override;
  LineStatus Read(LineHandle handle, std::span<std::uint8_t> buffer,
                  std::uint32_t* bytesRead) override;
  LineStatus Write(LineHandle handle, std::span<const std::uint8_t> bytes,
                   std::uint32_t* bytesWritten) override;
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

  Timing GetTiming() const { return timing_; }
  // How answers become readable: 0 byte by byte as they arrive, else in the
  // pieces an FTDI chip with this latency timer hands on.
  void SetLatencyTimer(Clock::Duration timer);

  // Pulling the interface out: every call fails (Open too) until Plug. An open
  // handle stays valid across the two; bytes in flight are lost.
  void Unplug();
  void Plug();
  bool IsPlugged() const;

  // The responders. Pointers stay valid until the responder is removed or the
  // line destroyed; their values are not locked (change them while idle).
  Responder& AddResponder(ResponderConfig config);
  bool RemoveResponder(Uid uid);
  Responder* FindResponder(Uid uid);
  std::vector<Uid> ResponderUids() const;

  // The last complete DMX512 frame (start code + 512 slots, zeros before the
  // first) and how many have been sent.
  std::array<std::uint8_t, kDmxFrameBytes> LastDmxFrame() const;
  std::size_t DmxFrameCount() const;
  // Every RDM request frame written, parsed, oldest first: the last
  // kRecordedRequestLimit of them, so a long run stays bounded. DMX512 frames
  // are not among them.
  struct RecordedRequest {
    RdmRequest request;
    bool checksumOk = false;
    bool afterBreak = false;  // false: written without a break before it
  };
  static constexpr std::size_t kRecordedRequestLimit = 100'000;
  std::vector<RecordedRequest> Requests() const;
  void ClearRequests();
  // Valid RDM requests carried (broadcasts and unanswered ones included).
  std::size_t RdmRequestCount() const;

 private:
  using Duration = Clock::Duration;

  void Adopt(Rig rig);
  LineStatus Check(LineHandle handle) const;
  void TakeFrameBytes(std::span<const std::uint8_t> bytes);
  void FrameEnded();  // the break that starts the next frame, or a full DMX frame
  void CarryRdmFrame();
  void KeepDmxFrame();
  void Record(std::span<const std::uint8_t> frame, bool afterBreak);
  // Sleeps (or advances the simulated clock) from now until `until`; false
  // when the handle went bad meanwhile.
  bool WaitUntil(std::unique_lock<std::mutex>& lock, LineHandle handle, Duration until);
  Duration WireFree();  // when the transmitter is free to send again

  const Timing timing_;
  std::unique_ptr<Clock> clock_;
  SimulatedClock* simulated_ = nullptr;  // clock_ in instant timing
  const Duration origin_;

  mutable std::mutex mutex_;
  bool plugged_ = true;
  bool open_ = false;
  LineHandle handle_ = 0;
  LineHandle nextHandle_ = 0x4B52'0001;
  Duration readTimeout_{std::chrono::milliseconds(rdm::kLineTimeoutMs)};

  std::vector<std::unique_ptr<Responder>> responders_;
  std::deque<ArrivingByte> received_;
  Duration wireFreeAt_{0};
  Duration requestLeftAt_{0};  // when the last write's bytes had left
  Duration latencyTimer_{0};
  // Kept after the last frame (or its answers) before the next break.
  Duration spacing_{0};  // none before the first frame

  bool frameOpen_ = false;  // bytes written now belong to a frame (a break came)
  bool frameDone_ = false;  // that frame has been carried; more bytes are dropped
  std::vector<std::uint8_t> frame_;

  std::array<std::uint8_t, kDmxFrameBytes> lastDmx_{};
  std::size_t dmxFrames_ = 0;
  std::size_t rdmRequests_ = 0;
  // Raw frames, parsed only when asked for: a few dozen bytes each.
  struct RawRequest {
    std::vector<std::uint8_t> bytes;
    bool afterBreak;
  };
  std::deque<RawRequest> recorded_;
  std::ofstream dmxRecord_;
};

}  // namespace korval::sim
