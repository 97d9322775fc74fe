#include "tests/ft232r/ft232r_chip.h"

#include <algorithm>
#include <cmath>

#include "rdm/rdm_constants.h"
#include "sim/line_timing.h"
#include "sim/rdm_request.h"
#include "sim/virtual_line.h"

namespace korval::ft232r {

namespace {

using namespace rdm;

constexpr Micros kNever{INT64_MAX};
// What a DMX512 receiver still takes as a break and a mark after break.
constexpr Micros kReceiverMinBreak{88};
constexpr Micros kReceiverMinMark{8};
constexpr double kBaudTolerance = 0.02;

// FTDI vendor requests (bRequest).
enum : std::uint8_t {
  kReset = 0x00,
  kModemCtrl = 0x01,
  kSetFlowCtrl = 0x02,
  kSetBaudRate = 0x03,
  kSetData = 0x04,
  kPollModemStatus = 0x05,
  kSetEventChar = 0x06,
  kSetErrorChar = 0x07,
  kSetLatencyTimer = 0x09,
  kGetLatencyTimer = 0x0A,
  kSetBitMode = 0x0B,
  kReadPins = 0x0C,
  kReadEeprom = 0x90,
  kWriteEeprom = 0x91,
};
constexpr std::uint8_t kModemStatus = 0x01;  // the first status byte: no modem lines asserted

std::string Text(std::int64_t value) {
  return std::to_string(value);
}
std::string Us(Micros value) {
  return std::to_string(value.count());
}

std::vector<std::uint8_t> StringBytes(const std::string& text) {
  std::vector<std::uint8_t> out{static_cast<std::uint8_t>(2 + 2 * text.size()), 0x03};
  for (char c : text) {
    out.push_back(static_cast<std::uint8_t>(c));
    out.push_back(0x00);
  }
  return out;
}

}  // namespace

std::vector<std::uint8_t> Descriptors() {
  return {// Device: USB 2.0, vendor class in the interface, EP0 of 8 bytes,
          // 0403:6001, bcdDevice 6.00 (which libftdi reads as an FT232R),
          // strings 1, 2, 3, one configuration.
          0x12, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x08, 0x03, 0x04, 0x01, 0x60, 0x00, 0x06, 0x01,
          0x02, 0x03, 0x01,
          // Configuration 1: 32 bytes in all, one interface, bus powered, 90 mA.
          0x09, 0x02, 0x20, 0x00, 0x01, 0x01, 0x00, 0xA0, 0x2D,
          // Interface 0: two endpoints, vendor specific, string 2.
          0x09, 0x04, 0x00, 0x00, 0x02, 0xFF, 0xFF, 0xFF, 0x02,
          // Bulk IN 0x81 and bulk OUT 0x02, 64 bytes each.
          0x07, 0x05, kInEndpoint, 0x02, 0x40, 0x00, 0x00,  //
          0x07, 0x05, kOutEndpoint, 0x02, 0x40, 0x00, 0x00};
}

std::optional<std::vector<std::uint8_t>> StringDescriptor(std::uint8_t index,
                                                          const std::string& serial) {
  switch (index) {
    case 0:
      return std::vector<std::uint8_t>{0x04, 0x03, 0x09, 0x04};  // English (US)
    case 1:
      return StringBytes("FTDI");
    case 2:
      return StringBytes("FT232R USB UART");
    case 3:
      return StringBytes(serial);
    default:
      return std::nullopt;
  }
}

double DecodeBaudRate(std::uint16_t value, std::uint16_t index) {
  static constexpr std::array<double, 8> kEighths{0, 0.5, 0.25, 0.125, 0.375, 0.625, 0.75, 0.875};
  const int whole = value & 0x3FFF;
  const int fraction = (value >> 14) | ((index & 0x0001) << 2);
  if (whole == 0 && fraction == 0) return 3'000'000.0;
  if (whole == 1 && fraction == 0) return 2'000'000.0;
  return 3'000'000.0 / (whole + kEighths[static_cast<std::size_t>(fraction)]);
}

// ---------------------------------------------------------------- the fixtures

DmxBus::DmxBus(std::vector<sim::ResponderConfig> responders, ModelLog& log) : log_(log) {
  for (auto& config : responders) {
    responders_.push_back(std::make_unique<sim::Responder>(std::move(config)));
  }
}

std::vector<Arrival> DmxBus::Carry(const sim::RdmRequest& request, Micros end, Micros byteTime) {
  ++carried_;
  // DISC_UNIQUE_BRANCH answers alone come without a break, so that several
  // can overlap and reach the controller as the AND of their bytes.
  const bool branch =
      request.commandClass == kDiscoveryCommand && request.pid == kPidDiscUniqueBranch;
  std::vector<sim::TimedAnswer> answers;
  std::vector<Arrival> arrivals;
  for (auto& responder : responders_) {
    auto answer = responder->Receive(request);
    if (!answer) continue;
    const auto& values = responder->Values();
    const Micros breakAt =
        end + (values.faults.late ? sim::kLateTurnaround : Micros(values.turnaround_us));
    const Micros dataAt = branch ? breakAt : breakAt + kResponderBreak + kResponderMark;
    // The receiver takes a break as a 0x00 once the line has been low for a
    // whole character.
    if (!branch) arrivals.push_back({0x00, breakAt + byteTime, kStatusBreak | kStatusFramingError});
    const Micros answerEnd = dataAt + sim::kByteTime * static_cast<int>(answer->size());
    log_.Add(breakAt, "reply",
             {{"from", UidText12(responder->GetUid())},
              {"start", Us(breakAt)},
              {"end", Us(answerEnd)},
              {"bytes", Text(static_cast<std::int64_t>(answer->size()))},
              {"break", branch ? "no" : "yes"}});
    busyUntil_ = std::max(busyUntil_, answerEnd);
    answers.push_back({dataAt, std::move(*answer)});
  }
  for (const sim::ArrivingByte& b : sim::CarryAnswers(answers)) arrivals.push_back({b.value, b.at});
  std::stable_sort(arrivals.begin(), arrivals.end(),
                   [](const Arrival& a, const Arrival& b) { return a.at < b.at; });
  return arrivals;
}

// ---------------------------------------------------------------- the chip

Chip::Chip(DmxBus& bus, ModelLog& log, std::string serial)
    : bus_(bus), log_(log), serial_(std::move(serial)) {
  // An FT232R's EEPROM as FTDI programs it: the identifiers in words 1 and 2.
  eeprom_[1] = kVendorId;
  eeprom_[2] = kProductId;
  eeprom_[3] = 0x0600;
  PowerOn();
}

void Chip::PowerOn() {
  baud_ = 9600;
  baudValue_ = 0x4138;
  baudIndex_ = 0;
  bits_ = 8;
  parity_ = 0;
  stopBits_ = 0;
  breakOn_ = false;
  latencyMs_ = 16;
  txBuffer_.clear();
  rxBuffer_.clear();
  pendingStatus_ = 0;
}

void Chip::Note(Micros at, std::string kind,
                std::vector<std::pair<std::string, std::string>> fields) {
  log_.Add(at, std::move(kind), std::move(fields));
}

Micros Chip::ByteTime() const {
  const double bits = 1 + bits_ + (parity_ != 0 ? 1 : 0) +
                      (stopBits_ == 0   ? 1.0
                       : stopBits_ == 1 ? 1.5
                                        : 2.0);
  return Micros(std::llround(bits * 1e6 / baud_));
}

bool Chip::SettingsOk() const {
  return std::abs(baud_ - kLineBaud) <= kBaudTolerance * kLineBaud && bits_ == 8 && parity_ == 0 &&
         stopBits_ == 2;
}

void Chip::Advance(Micros now) {
  if (now < now_) now = now_;
  RunTx(now);
  RunRx(now);
  now_ = now;
}

// ---------------------------------------------------------------- transmit side

void Chip::RunTx(Micros now) {
  for (;;) {
    Micros acceptAt = kNever;
    Micros startAt = kNever;
    Micros endAt = kNever;
    if (outActive_ && !outDone_) {
      const std::size_t packet = std::min(kPacketBytes, out_.size() - outTaken_);
      if (kTxBufferBytes - txBuffer_.size() >= packet) acceptAt = std::max(outStart_, roomAt_);
    }
    if (shifting_) {
      endAt = shifting_->end;
    } else if (!txBuffer_.empty() && !breakOn_) {
      startAt = std::max(txFreeAt_, txBuffer_.front().at);
    }
    const Micros t = std::min({acceptAt, startAt, endAt});
    if (t > now) return;
    if (t == endAt) {
      const WireByte left = *shifting_;
      shifting_.reset();
      ByteLeft(left);
    } else if (t == acceptAt) {
      const std::size_t packet = std::min(kPacketBytes, out_.size() - outTaken_);
      for (std::size_t i = 0; i < packet; ++i) txBuffer_.push_back({out_[outTaken_ + i], t});
      outTaken_ += packet;
      if (outTaken_ == out_.size()) outDone_ = t;
    } else {
      const TxByte next = txBuffer_.front();
      txBuffer_.pop_front();
      roomAt_ = t;
      shifting_ = WireByte{next.value, t, t + ByteTime()};
      txFreeAt_ = shifting_->end;
      if (!SettingsOk()) frame_.settingsOk = false;
      // The transceiver drives the line now: whatever a responder still sends
      // collides and never reaches the receiver.
      std::erase_if(arriving_, [t](const Arrival& a) { return a.at >= t; });
    }
  }
}

void Chip::ByteLeft(const WireByte& byte) {
  if (frame_.done) return;  // past a complete frame: nobody listens
  if (bus_.BusyUntil() > byte.start) frame_.collided = true;
  frame_.bytes.push_back(byte);
  CheckFrameComplete();
}

void Chip::CheckFrameComplete() {
  const auto& bytes = frame_.bytes;
  if (!frame_.afterBreak || bytes.empty()) return;
  const std::uint8_t startCode = bytes[0].value;
  if (startCode == kStartCode) {
    if (bytes.size() < 3 || bytes.size() < bytes[2].value + 2u) return;
  } else if (startCode == kNullStartCode) {
    if (bytes.size() < 513) return;
  } else {
    return;  // another start code: its frame ends at the next break
  }
  frame_.done = true;
  EndFrame();
}

void Chip::EndFrame() {
  Frame frame = std::move(frame_);
  frame_ = Frame{};
  if (frame.bytes.empty()) return;
  const Micros end = frame.bytes.back().end;
  std::vector<std::pair<std::string, std::string>> fields{
      {"start", Us(frame.bytes.front().start)},
      {"end", Us(end)},
      {"bytes", Text(static_cast<std::int64_t>(frame.bytes.size()))},
      {"sc", Hex(frame.bytes[0].value, 2)}};
  std::string why;
  if (frame.afterBreak) {
    const Micros breakLength = frame.breakEnd - frame.breakStart;
    const Micros mark = frame.bytes.front().start - frame.breakEnd;
    fields.emplace_back("break", Us(breakLength));
    fields.emplace_back("mab", Us(mark));
    if (breakLength < kReceiverMinBreak) why = "short-break";
    if (mark < kReceiverMinMark) why = "short-mab";
  } else {
    why = "no-break";
  }
  if (frame.cut) why = "cut";
  if (frame.collided) why = "collision";
  if (!frame.settingsOk) why = "settings";
  std::vector<std::uint8_t> bytes;
  for (const WireByte& b : frame.bytes) bytes.push_back(b.value);
  std::optional<sim::RdmRequest> request;
  if (bytes[0] == kStartCode) {
    request = sim::ParseRdmRequest(bytes);
    if (request) {
      fields.emplace_back("dst", UidText12(request->destination));
      fields.emplace_back("tn", Hex(request->transaction, 2));
      fields.emplace_back("cc", Hex(request->commandClass, 2));
      fields.emplace_back("pid", Hex(request->pid, 4));
      fields.emplace_back("pdl", Text(request->pdl));
    } else if (why.empty()) {
      why = frame.done ? "invalid" : "incomplete";
    }
  } else if (bytes[0] == kNullStartCode) {
    fields.emplace_back("slots", Text(static_cast<std::int64_t>(bytes.size()) - 1));
    if (!frame.done && why.empty()) why = "short";
  }
  fields.emplace_back("readable", why.empty() ? "yes" : "no");
  if (!why.empty()) fields.emplace_back("why", why);
  std::string hex;
  for (std::uint8_t b : bytes) hex += Hex(b, 2);
  fields.emplace_back("hex", hex);
  Note(end, "frame", std::move(fields));
  if (request && why.empty()) {
    std::vector<Arrival> answers = bus_.Carry(*request, end, ByteTime());
    arriving_.insert(arriving_.end(), answers.begin(), answers.end());
    std::stable_sort(arriving_.begin(), arriving_.end(),
                     [](const Arrival& a, const Arrival& b) { return a.at < b.at; });
  }
}

void Chip::Drop(Micros now, const char* by, bool cutsShifting) {
  std::size_t lost = txBuffer_.size();
  if (cutsShifting && shifting_) {
    ++lost;
    shifting_.reset();
    txFreeAt_ = now;
  }
  txBuffer_.clear();
  roomAt_ = now;
  if (lost == 0) return;
  std::vector<std::pair<std::string, std::string>> fields{
      {"by", by},
      {"bytes", Text(static_cast<std::int64_t>(lost))},
      {"sent", Text(static_cast<std::int64_t>(frame_.bytes.size()))}};
  if (!frame_.bytes.empty()) fields.emplace_back("sc", Hex(frame_.bytes[0].value, 2));
  if (!frame_.done) frame_.cut = true;
  Note(now, "drop", std::move(fields));
}

void Chip::Flush(Micros now) {
  Advance(now);
  if (txBuffer_.empty() && !shifting_ && (!outActive_ || outDone_)) EndFrame();
}

void Chip::PowerOff(Micros now) {
  Advance(now);
  Drop(now, "unplug", true);
  EndFrame();
}

// ---------------------------------------------------------------- receive side

std::uint8_t Chip::LineStatus(Micros at) const {
  std::uint8_t status = 0;
  if (txBuffer_.empty()) {
    status |= kStatusTxHoldingEmpty;
    if (!shifting_ || shifting_->end <= at) status |= kStatusTxEmpty;
  }
  return status;
}

void Chip::RunRx(Micros now) {
  for (;;) {
    const Micros arriveAt = arriving_.empty() ? kNever : arriving_.front().at;
    Micros packetAt = kNever;
    if (inActive_ && !inDone_) {
      packetAt = rxBuffer_.size() >= kPacketData
                     ? std::max(inStart_, fullAt_)
                     : std::max(inStart_, lastPacketAt_ + Micros(latencyMs_ * 1000));
    }
    const Micros t = std::min(arriveAt, packetAt);
    if (t > now) return;
    if (arriveAt <= packetAt) {
      const Arrival a = arriving_.front();
      arriving_.pop_front();
      if (rxBuffer_.size() >= kRxBufferBytes) {
        pendingStatus_ |= kStatusOverrun;
      } else {
        rxBuffer_.push_back(a);
        if (rxBuffer_.size() == kPacketData) fullAt_ = a.at;
      }
      continue;
    }
    SendPacket(t);
  }
}

void Chip::SendPacket(Micros at) {
  const std::size_t n = std::min(kPacketData, rxBuffer_.size());
  std::uint8_t status = pendingStatus_ | LineStatus(at);
  pendingStatus_ = 0;
  std::vector<std::uint8_t> data;
  for (std::size_t i = 0; i < n; ++i) {
    status |= rxBuffer_.front().status;
    data.push_back(rxBuffer_.front().value);
    rxBuffer_.pop_front();
  }
  if (n > 0) status |= 0x01;  // data ready
  in_.push_back(kModemStatus);
  in_.push_back(status);
  in_.insert(in_.end(), data.begin(), data.end());
  lastPacketAt_ = at;
  if (rxBuffer_.size() >= kPacketData) fullAt_ = at;
  if (n > 0) {
    Note(at, "handed",
         {{"bytes", Text(static_cast<std::int64_t>(n))},
          {"status", Hex(kModemStatus, 2) + Hex(status, 2)}});
  }
  if (n < kPacketData || inCapacity_ - in_.size() < kPacketBytes) inDone_ = at;
}

// ---------------------------------------------------------------- transfers

void Chip::StartOut(Micros now, std::span<const std::uint8_t> bytes) {
  Advance(now);
  out_.assign(bytes.begin(), bytes.end());
  outTaken_ = 0;
  outStart_ = now;
  outDone_ = out_.empty() ? std::optional(now) : std::nullopt;
  outActive_ = true;
  Note(now, "out", {{"bytes", Text(static_cast<std::int64_t>(bytes.size()))}});
  RunTx(now);
}

std::optional<Micros> Chip::OutDone() const {
  return outDone_;
}

std::size_t Chip::EndOut() {
  const std::size_t taken = outTaken_;
  out_.clear();
  outTaken_ = 0;
  outDone_.reset();
  outActive_ = false;
  return taken;
}

void Chip::StartIn(Micros now, std::size_t capacity) {
  Advance(now);
  in_.clear();
  inCapacity_ = capacity;
  inStart_ = now;
  inDone_.reset();
  inActive_ = true;
  RunRx(now);
}

std::optional<Micros> Chip::InDone() const {
  return inDone_;
}

std::vector<std::uint8_t> Chip::EndIn() {
  std::vector<std::uint8_t> packets = std::move(in_);
  in_.clear();
  inDone_.reset();
  inActive_ = false;
  return packets;
}

// ---------------------------------------------------------------- control

std::optional<std::vector<std::uint8_t>> Chip::Control(Micros now, const Setup& setup) {
  Advance(now);
  const int type = setup.requestType & 0x60;
  std::optional<std::vector<std::uint8_t>> answer;
  if (type == 0x40) answer = Vendor(now, setup);
  if (type == 0x00) answer = Standard(now, setup);
  if (!answer) {
    Note(now, "ctl",
         {{"req", "stall"},
          {"type", Hex(setup.requestType, 2)},
          {"request", Hex(setup.request, 2)},
          {"value", Hex(setup.value, 4)},
          {"index", Hex(setup.index, 4)}});
  }
  return answer;
}

std::optional<std::vector<std::uint8_t>> Chip::Standard(Micros now, const Setup& setup) {
  constexpr std::uint8_t kGetStatus = 0x00;
  constexpr std::uint8_t kGetDescriptor = 0x06;
  constexpr std::uint8_t kGetConfiguration = 0x08;
  const bool in = (setup.requestType & 0x80) != 0;
  if (in && setup.request == kGetStatus) return std::vector<std::uint8_t>{0x00, 0x00};
  if (in && setup.request == kGetConfiguration) return std::vector<std::uint8_t>{0x01};
  if (!in || setup.request != kGetDescriptor) return std::nullopt;
  const int kind = setup.value >> 8;
  const auto index = static_cast<std::uint8_t>(setup.value & 0xFF);
  std::optional<std::vector<std::uint8_t>> bytes;
  const std::vector<std::uint8_t> all = Descriptors();
  if (kind == 1) bytes = std::vector<std::uint8_t>(all.begin(), all.begin() + 18);
  if (kind == 2 && index == 0) bytes = std::vector<std::uint8_t>(all.begin() + 18, all.end());
  if (kind == 3) bytes = StringDescriptor(index, serial_);
  if (!bytes) return std::nullopt;
  Note(now, "ctl", {{"req", "descriptor"}, {"kind", Text(kind)}, {"index", Text(index)}});
  if (bytes->size() > setup.length) bytes->resize(setup.length);
  return bytes;
}

std::optional<std::vector<std::uint8_t>> Chip::Vendor(Micros now, const Setup& setup) {
  const std::uint16_t v = setup.value;
  switch (setup.request) {
    case kReset:
      if (v == 0) {
        Drop(now, "reset", true);
        EndFrame();
        const std::size_t received = rxBuffer_.size();
        PowerOn();
        Note(now, "ctl", {{"req", "reset"}, {"rx", Text(static_cast<std::int64_t>(received))}});
        return std::vector<std::uint8_t>{};
      }
      if (v == 1) {
        // libftdi 1.5's tcoflush: the bytes from the host not sent yet.
        const std::size_t waiting = txBuffer_.size();
        Drop(now, "purge", false);
        Note(now, "ctl",
             {{"req", "purge"},
              {"which", "tx"},
              {"bytes", Text(static_cast<std::int64_t>(waiting))}});
        return std::vector<std::uint8_t>{};
      }
      if (v == 2) {
        // libftdi 1.5's tciflush: the bytes received, not handed on yet.
        const std::size_t waiting = rxBuffer_.size();
        rxBuffer_.clear();
        pendingStatus_ = 0;
        Note(now, "ctl",
             {{"req", "purge"},
              {"which", "rx"},
              {"bytes", Text(static_cast<std::int64_t>(waiting))}});
        return std::vector<std::uint8_t>{};
      }
      return std::nullopt;
    case kModemCtrl:
      Note(now, "ctl", {{"req", "modem"}, {"value", Hex(v, 4)}});
      return std::vector<std::uint8_t>{};
    case kSetFlowCtrl: {
      const int mode = setup.index >> 8;
      const char* name = mode == 0   ? "none"
                         : mode == 1 ? "rts-cts"
                         : mode == 2 ? "dtr-dsr"
                         : mode == 4 ? "xon-xoff"
                                     : "unknown";
      Note(now, "ctl", {{"req", "flow"}, {"mode", name}});
      return std::vector<std::uint8_t>{};
    }
    case kSetBaudRate:
      baudValue_ = v;
      baudIndex_ = setup.index;
      baud_ = DecodeBaudRate(v, setup.index);
      Note(now, "ctl",
           {{"req", "baud"},
            {"value", "0x" + Hex(v, 4)},
            {"index", "0x" + Hex(setup.index, 4)},
            {"rate", Text(std::llround(baud_))}});
      return std::vector<std::uint8_t>{};
    case kSetData: {
      bits_ = v & 0xFF;
      parity_ = (v >> 8) & 0x7;
      stopBits_ = (v >> 11) & 0x3;
      const bool breakOn = (v & 0x4000) != 0;
      static constexpr std::array<const char*, 5> kParity{"none", "odd", "even", "mark", "space"};
      static constexpr std::array<const char*, 3> kStop{"1", "1.5", "2"};
      Note(now, "ctl",
           {{"req", "data"},
            {"bits", Text(bits_)},
            {"parity", parity_ < 5 ? kParity[static_cast<std::size_t>(parity_)] : "?"},
            {"stop", stopBits_ < 3 ? kStop[static_cast<std::size_t>(stopBits_)] : "?"},
            {"break", breakOn ? "on" : "off"}});
      if (breakOn && !breakOn_) {
        Drop(now, "break", true);
        EndFrame();
        std::erase_if(arriving_, [now](const Arrival& a) { return a.at >= now; });
        breakOn_ = true;
        breakStart_ = now;
      } else if (!breakOn && breakOn_) {
        breakOn_ = false;
        Note(now, "break",
             {{"start", Us(breakStart_)}, {"end", Us(now)}, {"length", Us(now - breakStart_)}});
        frame_ = Frame{};
        frame_.afterBreak = true;
        frame_.breakStart = breakStart_;
        frame_.breakEnd = now;
        txFreeAt_ = std::max(txFreeAt_, now);
      }
      return std::vector<std::uint8_t>{};
    }
    case kPollModemStatus:
      Note(now, "ctl", {{"req", "modem-status"}});
      return std::vector<std::uint8_t>{kModemStatus, LineStatus(now)};
    case kSetEventChar:
    case kSetErrorChar:
    case kSetBitMode:
      Note(now, "ctl", {{"req", Hex(setup.request, 2)}, {"value", Hex(v, 4)}});
      return std::vector<std::uint8_t>{};
    case kSetLatencyTimer:
      latencyMs_ = static_cast<std::uint8_t>(std::max(1, v & 0xFF));
      Note(now, "ctl", {{"req", "latency"}, {"ms", Text(latencyMs_)}});
      return std::vector<std::uint8_t>{};
    case kGetLatencyTimer:
      Note(now, "ctl", {{"req", "get-latency"}});
      return std::vector<std::uint8_t>{latencyMs_};
    case kReadPins:
      Note(now, "ctl", {{"req", "pins"}});
      return std::vector<std::uint8_t>{0xFF};
    case kReadEeprom: {
      const std::uint16_t word = eeprom_[setup.index % eeprom_.size()];
      Note(now, "ctl", {{"req", "eeprom-read"}, {"word", Text(setup.index)}});
      return std::vector<std::uint8_t>{static_cast<std::uint8_t>(word & 0xFF),
                                       static_cast<std::uint8_t>(word >> 8)};
    }
    case kWriteEeprom:
      eeprom_[setup.index % eeprom_.size()] = v;
      Note(now, "ctl", {{"req", "eeprom-write"}, {"word", Text(setup.index)}});
      return std::vector<std::uint8_t>{};
    default:
      return std::nullopt;
  }
}

}  // namespace korval::ft232r
