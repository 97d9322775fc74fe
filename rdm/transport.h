// One RDM request/response transaction over the line, with its packet log.
//
// RdmTransport owns the process-wide RDM state: the transaction number, the
// line buffer and the handle of the opened interface. Every caller hands it an
// RdmRequest: Transact sends the frame, reads the reply, checks it and dumps
// both to the log, and returns the judged RdmReply. It logs through the sink and
// never touches a widget.
#pragma once

#include <atomic>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "rdm/dmx_line.h"
#include "rdm/line_arbiter.h"
#include "rdm/line_buffer.h"
#include "rdm/log_sink.h"
#include "rdm/rdm_message.h"
#include "rdm/reply_timing.h"
#include "rdm/uid.h"

namespace korval {

// Results of SendRdmRequest.
inline constexpr int kNoReply = 0;
inline constexpr int kNotAck = 1;
inline constexpr int kAck = 2;

// The packet-dump line of a frame: prefix, then the fields in hexadecimal. At
// most 29 parameter-data bytes are shown; bytes past the span read as 0xFF.
std::string FormatRdmPacket(std::string_view prefix, std::span<const std::uint8_t> frame);

// The window's three results of a single exchange: kAck, kNotAck (a checked
// reply that is no ACK) or kNoReply (nothing, no start code, a bad checksum, a
// failed read).
int TransactionResult(const RdmReply& reply);

// What the line delivered after a DISC_UNIQUE_BRANCH: not a frame but the raw
// answer bytes, 0xFF where nothing arrived.
struct BranchAnswer {
  bool sent = false;
  bool read = false;  // false: the interface refused the read
  std::span<const std::uint8_t> bytes;
};

class RdmTransport {
 public:
  RdmTransport(DmxLine& line, LogSink log);

  RdmTransport(const RdmTransport&) = delete;
  RdmTransport& operator=(const RdmTransport&) = delete;

  DmxLine& Line() { return line_; }
  // Every exchange below takes the line's turn; so must every other user.
  LineArbiter& Arbiter() { return arbiter_; }
  Clock& GetClock() { return line_.GetClock(); }
  LineHandle Handle() const { return handle_.load(std::memory_order_relaxed); }
  void SetHandle(LineHandle handle) { handle_.store(handle, std::memory_order_relaxed); }

  // The DMX regions of the line buffer, shared with the output ticker and the
  // Art-Net receiver.
  DmxSlots& DmxOutput() { return buffer_.dmxOutput; }
  DmxSlots& ArtNetInput() { return buffer_.artNetInput; }

  void Log(const std::string& line) const;
  void SetLogSink(LogSink log) { log_ = std::move(log); }

  // How the reads of a reply end (classic unless set).
  void SetTiming(RdmTiming timing) { timing_ = timing; }
  RdmTiming Timing() const { return timing_; }

  // Start-up: the transaction numbers count from 1 again.
  void ResetTransactionNumber() { transaction_ = 0; }
  // The number of the last frame sent.
  std::uint8_t TransactionNumber() const { return transaction_; }

  // The one exchange every request of the line goes through: one frame out,
  // one reply in (the follow-up of ACK_TIMER and ACK_OVERFLOW is the caller's).
  // awaitReply false for requests nobody answers (broadcasts, DISC_UN_MUTE to
  // all): the frame goes out and the line is not read.
  RdmReply Transact(const RdmRequest& request, bool awaitReply = true);
  // A single exchange, judged as TransactionResult does.
  int SendRdmRequest(const RdmRequest& request, bool wait);
  int Request(Uid uid, std::uint8_t commandClass, std::uint16_t pid,
              std::span<const std::uint8_t> data = {}, bool wait = true);

  // DISC_UNIQUE_BRANCH to everyone: the request is dumped before it goes out,
  // and the answer comes back as the line delivered it.
  BranchAnswer Branch(const RdmRequest& request, std::size_t answerBytes);

  // A request that a controller elsewhere made (over Art-Net), sent as it came:
  // its source UID, transaction number and checksum are the controller's. Read
  // in E1.20 timing whatever Timing() says, since such a controller gives up
  // soon after the line would; dumped to `log` as the window's requests are.
  ForwardedReply Forward(std::span<const std::uint8_t> frame, bool awaitReply, const LogSink& log);

 private:
  std::vector<std::uint8_t> NextFrame(const RdmRequest& request);
  // Purge, break and the frame itself.
  LineStatus SendFrame(std::span<const std::uint8_t> bytes);
  // One frame out and its reply in, with the turn already held.
  // The reply is read into `r` (at least 201 bytes).
  RdmReply ExchangeFrame(std::span<const std::uint8_t> frame, bool awaitReply, RdmTiming timing,
                         const LogSink& log, std::span<std::uint8_t> r);
  // Fills the reply region as the start-code reads and the 200-byte read do;
  // the status is that of the 200-byte read. *received counts every byte the
  // line delivered, noise included.
  LineStatus ReadReply(std::span<std::uint8_t> reply, RdmTiming timing, std::size_t* received);

  DmxLine& line_;
  LogSink log_;
  std::uint8_t transaction_ = 0;
  RdmTiming timing_ = RdmTiming::kClassic;
  LineBuffer buffer_;  // its reply region belongs to the window's requests
  std::atomic<LineHandle> handle_{0};
  LineArbiter arbiter_;
};

}  // namespace korval
