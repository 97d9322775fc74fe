#include "rdm/ftdi_line.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "rdm/rdm_constants.h"
#include "rdm/reply_timing.h"

namespace korval {

namespace {

constexpr std::uint16_t kFlowRtsCts = 0x0100;
constexpr std::uint16_t kFlowDtrDsr = 0x0200;
constexpr Clock::Duration kWireByteTime{rdm::kByteMicroseconds};

}  // namespace

FtdiLine::FtdiLine()
    : api_(MakeLibFtdiApi()), ownClock_(std::make_unique<RealClock>()), clock_(ownClock_.get()) {}

FtdiLine::FtdiLine(std::unique_ptr<FtdiApi> api, Clock& clock)
    : api_(std::move(api)), clock_(&clock) {}

FtdiLine::~FtdiLine() {
  std::lock_guard lock(mutex_);
  if (handle_ != 0) api_->Close();
}

LineStatus FtdiLine::Open(int deviceIndex, LineHandle* handle) {
  std::lock_guard lock(mutex_);
  if (handle == nullptr) return kLineInvalidParameter;
  if (deviceIndex != 0) return kLineDeviceNotFound;
  if (handle_ != 0) return kLineDeviceNotOpened;  // already in use by this line
  openFailureCause_.reset();
  if (api_->OpenFirstDevice() < 0) {
    NoteOpenFailure();
    return kLineDeviceNotFound;
  }
  // The chip holds received bytes up to 16 ms by default before sending them to
  // the host; a reply must be seen well inside the 50 ms read timeout.
  if (api_->SetLatencyTimer(kLatencyTimerMs) < 0) {
    NoteOpenFailure();
    api_->Close();
    return kLineDeviceNotOpened;
  }
  property_ = FtdiLineProperty{};
  spacing_ = Clock::Duration(0);  // nothing sent on this chip yet
  readTimeoutMs_ = kDefaultTimeoutMs;
  api_->SetUsbTimeouts(kDefaultTimeoutMs, kDefaultTimeoutMs);
  handle_ = ++lastHandle_;
  if (handle_ == 0) handle_ = ++lastHandle_;
  *handle = handle_;
  return kLineOk;
}

LineStatus FtdiLine::Close(LineHandle handle) {
  std::lock_guard lock(mutex_);
  if (!IsCurrent(handle)) return kLineInvalidHandle;
  api_->Close();
  handle_ = 0;
  return kLineOk;
}

LineStatus FtdiLine::Read(LineHandle handle, std::span<std::uint8_t> buffer,
                          std::uint32_t* bytesRead) {
  std::lock_guard lock(mutex_);
  return PollRead(handle, buffer, bytesRead, nullptr);
}

LineStatus FtdiLine::ReadFrame(LineHandle handle, std::span<std::uint8_t> buffer,
                               std::uint32_t* bytesRead, const FrameReadPolicy& policy) {
  std::lock_guard lock(mutex_);
  return PollRead(handle, buffer, bytesRead, &policy);
}

LineStatus FtdiLine::PollRead(LineHandle handle, std::span<std::uint8_t> buffer,
                              std::uint32_t* bytesRead, const FrameReadPolicy* policy) {
  std::uint32_t got = 0;
  if (bytesRead != nullptr) *bytesRead = 0;
  if (!IsCurrent(handle)) return kLineInvalidHandle;
  const Clock::Duration start = clock_->Now();
  const Clock::Duration timeout = start + std::chrono::milliseconds(readTimeoutMs_);
  const Clock::Duration silence =
      policy != nullptr ? std::max(start, wireEndsAt_) + policy->silence + kInterfaceLatency
                        : timeout;
  std::optional<Clock::Duration> lastByte;
  LineStatus status = kLineOk;
  // libftdi returns as soon as a USB packet came in, often one with no data, so
  // keep asking until the count is complete, the frame is, or the end has come.
  while (got < buffer.size()) {
    const Clock::Duration asked = clock_->Now();
    const int n = api_->ReadData(buffer.subspan(got));
    if (n < 0) {
      status = kLineIoError;
      break;
    }
    got += static_cast<std::uint32_t>(std::min<std::size_t>(n, buffer.size() - got));
    const Clock::Duration now = clock_->Now();
    if (n > 0) {
      lastByte = now;
      lastReceivedAt_ = now;
      if (got == buffer.size()) break;
      if (policy != nullptr && policy->complete && policy->complete(buffer.first(got))) break;
    }
    // Without a policy only the read timeout ends the wait.
    const Clock::Duration end =
        policy == nullptr
            ? timeout
            : std::min(timeout, lastByte ? *lastByte + policy->quiet + kInterfaceLatency : silence);
    if (now >= end) {
      // A frame read makes one more read if the last one began before the
      // deadline: what arrived while the host was elsewhere still counts.
      if (policy == nullptr || asked >= end) break;
      continue;
    }
    if (n == 0) clock_->SleepFor(std::min(kPollInterval, end - now));
  }
  if (bytesRead != nullptr) *bytesRead = got;
  return status;
}

LineStatus FtdiLine::Write(LineHandle handle, std::span<const std::uint8_t> bytes,
                           std::uint32_t* bytesWritten) {
  std::lock_guard lock(mutex_);
  if (bytesWritten != nullptr) *bytesWritten = 0;
  if (!IsCurrent(handle)) return kLineInvalidHandle;
  if (bytes.empty()) return kLineOk;
  const int n = api_->WriteData(bytes);
  if (n < 0) return kLineIoError;
  if (bytesWritten != nullptr) *bytesWritten = static_cast<std::uint32_t>(n);
  // Bytes queue behind those of the same frame the chip is still sending.
  wireEndsAt_ = std::max(clock_->Now(), wireEndsAt_) + kWireByteTime * n;
  spacing_ = FrameSpacing(FrameEnd::kNotAwaited);
  // A short write lost part of a frame: the caller must not think it was sent.
  return static_cast<std::size_t>(n) == bytes.size() ? kLineOk : kLineIoError;
}

void FtdiLine::SpaceNextFrame(Clock::Duration spacing) {
  std::lock_guard lock(mutex_);
  spacing_ = spacing;
}

void FtdiLine::AwaitFrameSpacing() {
  const Clock::Duration free = std::max(wireEndsAt_, lastReceivedAt_) + spacing_;
  const Clock::Duration now = clock_->Now();
  if (now < free) clock_->SleepFor(free - now);
}

LineStatus FtdiLine::ResetDevice(LineHandle handle) {
  std::lock_guard lock(mutex_);
  if (!IsCurrent(handle)) return kLineInvalidHandle;
  if (api_->Reset() < 0) return kLineIoError;
  // Whatever the reset did to the chip's settings, replies must stay prompt.
  return StatusOf(api_->SetLatencyTimer(kLatencyTimerMs));
}

LineStatus FtdiLine::SetBaudRate(LineHandle handle, std::uint32_t baud) {
  std::lock_guard lock(mutex_);
  if (!IsCurrent(handle)) return kLineInvalidHandle;
  if (baud == 0 || baud > 12'000'000) return kLineInvalidParameter;
  return StatusOf(api_->SetBaudRate(static_cast<int>(baud)));
}

LineStatus FtdiLine::SetDataCharacteristics(LineHandle handle, std::uint8_t wordLength,
                                            std::uint8_t stopBits, std::uint8_t parity) {
  std::lock_guard lock(mutex_);
  if (!IsCurrent(handle)) return kLineInvalidHandle;
  // D2XX numbers stop bits 0 (one) and 2 (two), parity 0..4 none, odd, even,
  // mark, space: the same as libftdi's enums.
  if ((wordLength != kFtdiBits7 && wordLength != kFtdiBits8) ||
      (stopBits != kFtdiStopBit1 && stopBits != kFtdiStopBit2) || parity > kFtdiParitySpace) {
    return kLineInvalidParameter;
  }
  const FtdiLineProperty property{wordLength, stopBits, parity};
  const int result = api_->SetLineProperty(property, false);
  // Break on and off send the same framing with the break flag, so keep it.
  if (result >= 0) property_ = property;
  return StatusOf(result);
}

LineStatus FtdiLine::SetFlowControl(LineHandle handle, std::uint16_t flow, std::uint8_t,
                                    std::uint8_t) {
  std::lock_guard lock(mutex_);
  if (!IsCurrent(handle)) return kLineInvalidHandle;
  // D2XX and libftdi share the values for none, RTS/CTS and DTR/DSR; the DMX
  // line uses none, and XON/XOFF would make data bytes act as flow control.
  if (flow != kFlowNone && flow != kFlowRtsCts && flow != kFlowDtrDsr) {
    return kLineInvalidParameter;
  }
  return StatusOf(api_->SetFlowControl(flow));
}

LineStatus FtdiLine::Purge(LineHandle handle, std::uint32_t mask) {
  std::lock_guard lock(mutex_);
  if (!IsCurrent(handle)) return kLineInvalidHandle;
  if ((mask & (kPurgeRx | kPurgeTx)) == 0 || (mask & ~(kPurgeRx | kPurgeTx)) != 0) {
    return kLineInvalidParameter;
  }
  AwaitFrameSpacing();
  int result = 0;
  if ((mask & kPurgeRx) != 0) result = api_->PurgeReceive();
  if ((mask & kPurgeTx) != 0 && result >= 0) result = api_->PurgeTransmit();
  return StatusOf(result);
}

LineStatus FtdiLine::SetTimeouts(LineHandle handle, std::uint32_t readMs, std::uint32_t writeMs) {
  std::lock_guard lock(mutex_);
  if (!IsCurrent(handle)) return kLineInvalidHandle;
  constexpr std::uint32_t kMaxMs = 60'000;
  if (readMs > kMaxMs || writeMs > kMaxMs) return kLineInvalidParameter;
  readTimeoutMs_ = static_cast<int>(readMs);
  // libusb takes 0 as "wait for ever"; a zero timeout here means "do not wait".
  api_->SetUsbTimeouts(static_cast<int>(std::max<std::uint32_t>(readMs, 1)),
                       static_cast<int>(std::max<std::uint32_t>(writeMs, 1)));
  return kLineOk;
}

LineStatus FtdiLine::SetBreakOn(LineHandle handle) {
  std::lock_guard lock(mutex_);
  if (!IsCurrent(handle)) return kLineInvalidHandle;
  AwaitFrameSpacing();
  return StatusOf(api_->SetLineProperty(property_, true));
}

LineStatus FtdiLine::SetBreakOff(LineHandle handle) {
  std::lock_guard lock(mutex_);
  if (!IsCurrent(handle)) return kLineInvalidHandle;
  return StatusOf(api_->SetLineProperty(property_, false));
}

void FtdiLine::NoteOpenFailure() {
  const std::optional<FtdiDeviceFound> found = api_->DeviceFound();
  if (!found) return;  // nothing on the bus: the caller's own line says enough
  std::array<char, 10> ids{};
  std::snprintf(ids.data(), ids.size(), "%04X:%04X", found->vendor, found->product);
  std::string cause = "FTDI device " + std::string(ids.data());
  cause += found->serial.empty() ? " (serial unreadable)" : " serial " + found->serial;
  cause += " found but not opened: " + api_->ErrorString();
  openFailureCause_ = std::move(cause);
}

std::optional<std::string> FtdiLine::OpenFailureCause() const {
  std::lock_guard lock(mutex_);
  return openFailureCause_;
}

std::string FtdiLine::LastError() const {
  std::lock_guard lock(mutex_);
  return api_->ErrorString();
}

}  // namespace korval
