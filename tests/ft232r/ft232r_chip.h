// An FT232R as the host sees it over USB, and the DMX line behind its UART.
//
// The chip answers the FTDI vendor requests (reset, the two purges, baud rate,
// data characteristics with the break bit, flow control, modem control,
// latency timer, EEPROM) and the standard ones libusb sends (descriptors,
// status, configuration); anything else is stalled, as the chip does.
//
// Its UART, in model time (microseconds, supplied by the caller, so the model
// runs on a real or a simulated clock alike):
// - Bulk OUT bytes enter a 128-byte transmit buffer one 64-byte packet at a
//   time, when there is room, and leave it at the configured rate (11 bit
//   times a byte at 250000 baud 8N2: 44 us). A transfer completes once its
//   last packet is in the buffer, while the chip still sends.
// - A TX purge throws away what has not started yet; a break (the break bit of
//   SET_DATA) throws away the buffer and cuts the byte on the wire. Each such
//   loss is logged as a "drop".
// - Received bytes wait in a 256-byte buffer and go to the host in bulk IN
//   packets of at most 64 bytes, each led by the modem-status and line-status
//   bytes: as soon as 62 data bytes wait, or when the latency timer runs out
//   (then also with no data). A transfer ends with its first short packet.
//
// The wire: what the UART sends after a break is one frame for the fixtures
// (sim::Responder, from a rig), readable only when the break and mark after
// break are long enough for a receiver, nothing cut it, no responder was
// talking at the same time, and the line ran at 250000 baud (within 2 %) 8N2.
// Responders answer after their turnaround; every answer but a
// DISC_UNIQUE_BRANCH one starts with a break, which the chip's receiver hands
// on as a 0x00 with the break and framing-error bits. The receiver hears the
// responders only: an RS-485 interface switches its receiver off while it
// drives the line.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "rdm/rdm_constants.h"
#include "sim/responder.h"
#include "tests/ft232r/model_log.h"

namespace korval::ft232r {

inline constexpr std::uint16_t kVendorId = 0x0403;
inline constexpr std::uint16_t kProductId = 0x6001;
inline constexpr std::size_t kPacketBytes = 64;
inline constexpr std::size_t kPacketData = 62;
inline constexpr std::size_t kTxBufferBytes = 128;
inline constexpr std::size_t kRxBufferBytes = 256;
inline constexpr std::uint8_t kInEndpoint = 0x81;
inline constexpr std::uint8_t kOutEndpoint = 0x02;

// Line-status bits of the second status byte of every IN packet.
inline constexpr std::uint8_t kStatusOverrun = 0x02;
inline constexpr std::uint8_t kStatusFramingError = 0x08;
inline constexpr std::uint8_t kStatusBreak = 0x10;
inline constexpr std::uint8_t kStatusTxHoldingEmpty = 0x20;
inline constexpr std::uint8_t kStatusTxEmpty = 0x40;

// The device and configuration descriptors (as sysfs "descriptors" holds
// them) and the string descriptors of an FT232R with this serial number.
std::vector<std::uint8_t> Descriptors();
std::optional<std::vector<std::uint8_t>> StringDescriptor(std::uint8_t index,
                                                          const std::string& serial);

// The baud rate an FT232R makes of a SET_BAUD_RATE divisor (wValue, wIndex):
// 3 MHz over a divisor with a fraction of eighths.
double DecodeBaudRate(std::uint16_t value, std::uint16_t index);

struct Setup {
  std::uint8_t requestType = 0;
  std::uint8_t request = 0;
  std::uint16_t value = 0;
  std::uint16_t index = 0;
  std::uint16_t length = 0;
};

// A byte as the chip's receiver takes it, with its line-status bits.
struct Arrival {
  std::uint8_t value = 0;
  Micros at{0};
  std::uint8_t status = 0;
};

// The fixtures on the DMX line. They outlive a chip unplugged and plugged in
// again, as fixtures do.
class DmxBus {
 public:
  // Before its data, a responder's answer has a break and a mark after break.
  static constexpr Micros kResponderBreak{rdm::kBreakMinUs};
  static constexpr Micros kResponderMark{rdm::kMarkAfterBreakMinUs};

  DmxBus(std::vector<sim::ResponderConfig> responders, ModelLog& log);

  // A readable RDM request whose last slot ended at `end`: the responders
  // carry it out; their answers, as the receiver will take them.
  std::vector<Arrival> Carry(const sim::RdmRequest& request, Micros end, Micros byteTime);
  // Until when a responder drives the line.
  Micros BusyUntil() const { return busyUntil_; }
  std::size_t RequestsCarried() const { return carried_; }

 private:
  std::vector<std::unique_ptr<sim::Responder>> responders_;
  ModelLog& log_;
  Micros busyUntil_{0};
  std::size_t carried_ = 0;
};

class Chip {
 public:
  Chip(DmxBus& bus, ModelLog& log, std::string serial);

  // Runs the UART and the wire up to `now`. Every other call does this first.
  void Advance(Micros now);

  // A control transfer: the bytes to return for an IN request (empty for OUT),
  // or nothing for a stall.
  std::optional<std::vector<std::uint8_t>> Control(Micros now, const Setup& setup);

  // One bulk OUT transfer at a time: the chip takes its bytes as its transmit
  // buffer has room. OutDone says when the last packet was taken.
  void StartOut(Micros now, std::span<const std::uint8_t> bytes);
  std::optional<Micros> OutDone() const;
  // Ends the transfer (done or cancelled): how many bytes the chip took.
  std::size_t EndOut();

  // One bulk IN transfer at a time, of up to `capacity` bytes; InDone says
  // when it ended (a short packet or a full buffer).
  void StartIn(Micros now, std::size_t capacity);
  std::optional<Micros> InDone() const;
  // Ends the transfer (done or cancelled): the packets, status bytes included.
  std::vector<std::uint8_t> EndIn();

  // Runs up to `now` and ends the frame on the wire, if its bytes have all
  // left: nothing more comes (the program has ended).
  void Flush(Micros now);
  // Pulled out of the bus: what it had not sent yet is lost.
  void PowerOff(Micros now);

  std::uint8_t LatencyMs() const { return latencyMs_; }
  double BaudRate() const { return baud_; }

 private:
  struct TxByte {
    std::uint8_t value;
    Micros at;  // when it entered the buffer
  };
  struct WireByte {
    std::uint8_t value;
    Micros start;
    Micros end;
  };
  // What the wire has carried since the last break.
  struct Frame {
    bool afterBreak = false;
    Micros breakStart{0};
    Micros breakEnd{0};
    std::vector<WireByte> bytes;
    bool cut = false;
    bool collided = false;
    bool settingsOk = true;
    bool done = false;  // a complete RDM or DMX512 frame: later bytes are strays
  };

  void PowerOn();
  Micros ByteTime() const;
  bool SettingsOk() const;
  void RunTx(Micros now);
  void ByteLeft(const WireByte& byte);
  void EndFrame();
  void CheckFrameComplete();
  void Drop(Micros now, const char* by, bool cutsShifting);
  void RunRx(Micros now);
  void SendPacket(Micros at);
  std::uint8_t LineStatus(Micros at) const;
  std::optional<std::vector<std::uint8_t>> Vendor(Micros now, const Setup& setup);
  std::optional<std::vector<std::uint8_t>> Standard(Micros now, const Setup& setup);
  void Note(Micros at, std::string kind, std::vector<std::pair<std::string, std::string>> fields);

  DmxBus& bus_;
  ModelLog& log_;
  std::string serial_;
  Micros now_{0};

  // Settings.
  double baud_ = 9600;
  std::uint16_t baudValue_ = 0;
  std::uint16_t baudIndex_ = 0;
  int bits_ = 8;
  int parity_ = 0;
  int stopBits_ = 0;  // 0: one, 1: one and a half, 2: two
  bool breakOn_ = false;
  Micros breakStart_{0};
  std::uint8_t latencyMs_ = 16;
  std::array<std::uint16_t, 64> eeprom_{};

  // Transmit side.
  std::deque<TxByte> txBuffer_;
  std::optional<WireByte> shifting_;  // the byte on the wire now
  Micros txFreeAt_{0};                // when the wire is free for the next byte
  Micros roomAt_{0};                  // when the buffer last gained room
  std::vector<std::uint8_t> out_;     // the OUT transfer's bytes
  std::size_t outTaken_ = 0;
  Micros outStart_{0};
  std::optional<Micros> outDone_;
  bool outActive_ = false;
  Frame frame_;

  // Receive side.
  std::deque<Arrival> arriving_;  // on the wire, not yet in the buffer
  std::deque<Arrival> rxBuffer_;
  std::uint8_t pendingStatus_ = 0;  // errors to report with the next packet
  Micros fullAt_{0};                // when the buffer last reached a packet's worth
  Micros lastPacketAt_{0};
  bool inActive_ = false;
  std::size_t inCapacity_ = 0;
  Micros inStart_{0};
  std::vector<std::uint8_t> in_;
  std::optional<Micros> inDone_;
};

}  // namespace korval::ft232r
