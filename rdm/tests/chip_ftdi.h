// An FTDI chip behind libftdi, on a simulated clock, as the FTDI line's tests
// meet it through the FtdiApi seam.
//
// Transmit side: the bytes of a write queue in the chip and leave it 44 us
// apart; a TX purge or a break drops what has not left yet, as the chip does,
// and the frame is then lost to the fixtures. A frame that left whole is handed
// to the responder behind the chip, if there is one.
//
// Receive side: each write may be answered, by a scripted answer or by the
// responder: an answer starts on the wire its turnaround after the request's
// last byte has left, and its bytes reach the chip 44 us apart (bytes of
// answers sharing a slot arrive ANDed). The chip sends the host a packet of 62
// bytes as soon as they are in, otherwise whatever has come each time its
// latency timer runs out, an empty packet when nothing has.
#pragma once

#include <algorithm>
#include <chrono>
#include <deque>
#include <string>
#include <vector>

#include "rdm/clock.h"
#include "rdm/ftdi_api.h"
#include "rdm/rdm_constants.h"
#include "sim/line_timing.h"
#include "sim/rdm_request.h"
#include "sim/responder.h"

namespace korval::testing {

// How libftdi's read returns: ftdi_read_data keeps collecting packets until one
// comes without data; a plainer driver hands on each packet as it comes.
enum class Delivery { kUntilAnEmptyPacket, kOnePacketACall };

class ChipFtdi final : public FtdiApi {
 public:
  using Duration = Clock::Duration;
  static constexpr Duration kByte = sim::kByteTime;

  struct Answer {
    Duration turnaround;
    std::vector<std::uint8_t> bytes;
  };
  // A frame as it went out: the bytes written after a break, and whether a
  // purge or the next break cut it short.
  struct Frame {
    std::vector<std::uint8_t> bytes;
    std::size_t dropped = 0;
  };
  struct Shared {
    Delivery delivery = Delivery::kUntilAnEmptyPacket;
    // One entry per write, taken in order; an empty entry: nobody answers.
    std::deque<std::vector<Answer>> answers;
    // Answers every frame that reaches it whole, after the scripted answers.
    sim::Responder* responder = nullptr;
    std::vector<std::string> calls;  // a run of reads shows as one "read"
    std::vector<Frame> frames;       // every frame, once it has ended
    // From the end of the line's last activity (a frame's last byte, or an
    // answer's) to each break: E1.20's controller spacing as the wire sees it.
    std::vector<Duration> quietBeforeBreak;
    Duration wireEnd{0};      // when the last write's bytes had left
    Duration lastArrival{0};  // when the last answer byte reached the chip
    Duration stall{0};        // the host is away this long after the next empty read
  };

  ChipFtdi(Shared& shared, SimulatedClock& clock) : s_(shared), clock_(clock) {}

  int OpenFirstDevice() override { return Note("open"); }
  void Close() override { Note("close"); }
  int Reset() override { return Note("reset"); }
  int SetLatencyTimer(std::uint8_t ms) override {
    timer_ = std::chrono::milliseconds(ms);
    return Note("latency " + std::to_string(ms));
  }
  int SetBaudRate(int baud) override { return Note("baud " + std::to_string(baud)); }
  int SetLineProperty(const FtdiLineProperty& p, bool breakOn) override {
    if (breakOn) {
      EndFrame();
      s_.quietBeforeBreak.push_back(clock_.Now() - std::max(s_.wireEnd, s_.lastArrival));
    }
    return Note("line " + std::to_string(p.bits) + " " + std::to_string(p.stopBits) + " " +
                std::to_string(p.parity) + (breakOn ? " break" : ""));
  }
  int SetFlowControl(int flow) override { return Note("flow " + std::to_string(flow)); }
  int PurgeReceive() override {
    chip_.clear();
    host_.clear();
    return Note("purge rx");
  }
  int PurgeTransmit() override {
    EndFrame();
    return Note("purge tx");
  }
  void SetUsbTimeouts(int r, int w) override {
    Note("usb timeouts " + std::to_string(r) + " " + std::to_string(w));
  }
  int ReadData(std::span<std::uint8_t> buffer) override {
    if (s_.calls.empty() || s_.calls.back() != "read") Note("read");
    std::size_t got = Hand(buffer);
    while (got < buffer.size()) {
      const std::vector<std::uint8_t> packet = NextPacket();
      if (packet.empty()) break;
      host_.insert(host_.end(), packet.begin(), packet.end());
      got += Hand(buffer.subspan(got));
      if (s_.delivery == Delivery::kOnePacketACall) break;
    }
    if (got == 0 && s_.stall > Duration::zero()) {
      clock_.Advance(s_.stall);
      s_.stall = Duration::zero();
    }
    return static_cast<int>(got);
  }
  int WriteData(std::span<const std::uint8_t> bytes) override {
    Note("write " + std::to_string(bytes.size()));
    // Queued behind what the chip still sends; the write itself returns at once.
    s_.wireEnd = std::max(clock_.Now(), s_.wireEnd) + kByte * static_cast<int>(bytes.size());
    frame_.insert(frame_.end(), bytes.begin(), bytes.end());
    if (!s_.answers.empty()) {
      for (const Answer& a : s_.answers.front()) Arrive(a);
      s_.answers.pop_front();
    }
    return static_cast<int>(bytes.size());
  }
  std::string ErrorString() const override { return ""; }

 private:
  struct Arriving {
    std::uint8_t value;
    Duration at;
  };

  int Note(std::string call) {
    s_.calls.push_back(std::move(call));
    return 0;
  }
  // A purge or a break: what has not left the chip yet is gone.
  void EndFrame() {
    Settle(clock_.Now());
    if (frame_.empty()) return;
    const Duration now = clock_.Now();
    const std::size_t unsent =
        now < s_.wireEnd
            ? static_cast<std::size_t>((s_.wireEnd - now + kByte - Duration(1)) / kByte)
            : 0;
    s_.frames.push_back({frame_, std::min(unsent, frame_.size())});
    if (unsent > 0) s_.wireEnd = now;
    frame_.clear();
    handedOn_ = false;
  }
  // A frame that has left whole by `at` reaches the responder.
  void Settle(Duration at) {
    if (s_.responder == nullptr || frame_.empty() || handedOn_ || at < s_.wireEnd) return;
    handedOn_ = true;
    const auto request = sim::ParseRdmRequest(frame_);
    if (!request) return;
    if (auto answer = s_.responder->Receive(*request)) Arrive({Duration(200), std::move(*answer)});
  }
  void Arrive(const Answer& a) {
    for (std::size_t i = 0; i < a.bytes.size(); ++i) {
      const Duration at = s_.wireEnd + a.turnaround + kByte * static_cast<int>(i + 1);
      const auto slot =
          std::find_if(chip_.begin(), chip_.end(), [&](auto& b) { return b.at == at; });
      if (slot != chip_.end()) {
        slot->value &= a.bytes[i];
      } else {
        chip_.insert(std::upper_bound(chip_.begin(), chip_.end(), at,
                                      [](Duration t, const Arriving& b) { return t < b.at; }),
                     {a.bytes[i], at});
      }
      s_.lastArrival = std::max(s_.lastArrival, at);
    }
  }
  // Waits for the chip's next packet.
  std::vector<std::uint8_t> NextPacket() {
    constexpr std::size_t kPacketData = sim::kUsbPacketData;
    const Duration now = clock_.Now();
    Duration at = std::max(now, lastPacket_ + timer_);
    Settle(at);
    if (chip_.size() >= kPacketData) at = std::min(at, std::max(now, chip_[kPacketData - 1].at));
    clock_.Advance(at - now);
    lastPacket_ = at;
    std::vector<std::uint8_t> packet;
    while (!chip_.empty() && packet.size() < kPacketData && chip_.front().at <= at) {
      packet.push_back(chip_.front().value);
      chip_.pop_front();
    }
    return packet;
  }
  // What the host holds already goes first.
  std::size_t Hand(std::span<std::uint8_t> buffer) {
    const std::size_t n = std::min(buffer.size(), host_.size());
    std::copy_n(host_.begin(), n, buffer.begin());
    host_.erase(host_.begin(), host_.begin() + static_cast<std::ptrdiff_t>(n));
    return n;
  }

  Shared& s_;
  SimulatedClock& clock_;
  Duration timer_{std::chrono::milliseconds(16)};  // the chip's own default
  Duration lastPacket_{0};
  std::deque<Arriving> chip_;
  std::deque<std::uint8_t> host_;    // received by libftdi, not yet read
  std::vector<std::uint8_t> frame_;  // written since the last break or purge
  bool handedOn_ = false;            // frame_ has reached the responder
};

}  // namespace korval::testing
