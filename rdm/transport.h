// One RDM request/response transaction over the line, with its packet log.
//
// RdmTransport owns the process-wide RDM state: the request frame, the line
// buffer and the handle of the opened interface. Operations fill the command
// class, PID, PDL and data of the frame and call SendRdmRequest; the transaction
// completes, sends, reads, checks and dumps. It logs through the sink and never
// touches a widget.
#pragma once

#include <atomic>
#include <cstdint>
#include <span>
#include <string>

#include "rdm/dmx_line.h"
#include "rdm/line_buffer.h"
#include "rdm/log_sink.h"
#include "rdm/uid.h"

namespace korval {

// Transaction results.
inline constexpr int kNoReply = 0;
inline constexpr int kNotAck = 1;
inline constexpr int kAck = 2;

// The packet-dump line of a frame: prefix, then the fields in hexadecimal. At
// most 29 parameter-data bytes are shown; bytes past the span read as 0xFF.
std::string FormatRdmPacket(std::string_view prefix, std::span<const std::uint8_t> frame);

class RdmTransport {
 public:
  RdmTransport(DmxLine& line, LogSink log);

  RdmTransport(const RdmTransport&) = delete;
  RdmTransport& operator=(const RdmTransport&) = delete;

  RequestFrame& Frame() { return frame_; }
  LineBuffer& Buffer() { return buffer_; }
  DmxLine& Line() { return line_; }
  Clock& GetClock() { return line_.GetClock(); }
  LineHandle Handle() const { return handle_.load(std::memory_order_relaxed); }
  void SetHandle(LineHandle handle) { handle_.store(handle, std::memory_order_relaxed); }

  void Log(const std::string& line) const;
  void SetLogSink(LogSink log) { log_ = std::move(log); }
  // A fixed wait of the tool, on the line's clock.
  void Pause(int ms) { GetClock().SleepMs(ms); }

  // Completes and sends the frame; with wait != 0 reads and checks the reply.
  // Returns kNoReply, kNotAck or kAck.
  int SendRdmRequest(std::uint32_t uidLow, std::uint32_t uidHigh, int wait);
  // Fills the frame's command and sends it to uid, waiting for the reply.
  int Request(Uid uid, std::uint8_t commandClass, std::uint16_t pid,
              std::span<const std::uint8_t> data = {}, bool wait = true);
  // Non-zero: dumps the request frame; zero: dumps the reply in the buffer.
  void LogRdmPacket(int request) const;

  // Purge, break and the frame itself: the send half shared with discovery.
  LineStatus SendFrame(std::span<const std::uint8_t> bytes);
  // The reply region of the line buffer, with its PDL and data.
  std::span<const std::uint8_t> Reply() const { return buffer_.reply; }
  std::uint8_t ReplyPdl() const { return buffer_.reply[rdm::kOffsetPdl]; }
  std::span<const std::uint8_t> ReplyData() const;

 private:
  DmxLine& line_;
  LogSink log_;
  RequestFrame frame_;
  LineBuffer buffer_;
  std::atomic<LineHandle> handle_{0};
};

}  // namespace korval
