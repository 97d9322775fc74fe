#include "sim/virtual_line.h"

#include <algorithm>
#include <cstdio>

#include "rdm/ftdi_line.h"
#include "rdm/rdm_constants.h"
#include "rdm/reply_timing.h"

namespace korval::sim {

namespace {

std::unique_ptr<Clock> MakeClock(Timing timing) {
  if (timing == Timing::kInstant) return std::make_unique<SimulatedClock>();
  return std::make_unique<RealClock>();
}

}  // namespace

VirtualLine::VirtualLine(Timing timing)
    : timing_(timing),
      clock_(MakeClock(timing)),
      simulated_(timing == Timing::kInstant ? static_cast<SimulatedClock*>(clock_.get()) : nullptr),
      origin_(clock_->Now()),
      latencyTimer_(timing == Timing::kReal ? FtdiLine::kLatencyTimer : Duration(0)) {}

VirtualLine::VirtualLine(Rig rig) : VirtualLine(rig.timing) {
  Adopt(std::move(rig));
}

VirtualLine::VirtualLine(Rig rig, Timing timing) : VirtualLine(timing) {
  Adopt(std::move(rig));
}

void VirtualLine::Adopt(Rig rig) {
  for (auto& config : rig.responders) {
    responders_.push_back(std::make_unique<Responder>(std::move(config)));
  }
  if (!rig.dmx_record.empty()) dmxRecord_.open(rig.dmx_record, std::ios::app);
}

VirtualLine::~VirtualLine() = default;

LineStatus VirtualLine::Check(LineHandle handle) const {
  if (!plugged_) return kLineIoError;
  if (!open_) return kLineDeviceNotOpened;
  if (handle != handle_) return kLineInvalidHandle;
  return kLineOk;
}

VirtualLine::Duration VirtualLine::WireFree() {
  wireFreeAt_ = std::max(wireFreeAt_, clock_->Now());
  return wireFreeAt_;
}

LineStatus VirtualLine::Open(int deviceIndex, LineHandle* handle) {
  std::lock_guard lock(mutex_);
  if (!plugged_ || deviceIndex != 0) return kLineDeviceNotFound;
  if (open_) return kLineDeviceNotOpened;  // D2XX: already opened elsewhere
  open_ = true;
  handle_ = nextHandle_++;
  readTimeout_ = std::chrono::milliseconds(rdm::kLineTimeoutMs);
  received_.clear();
  frameOpen_ = false;
  spacing_ = Duration(0);
  if (handle != nullptr) *handle = handle_;
  return kLineOk;
}

LineStatus VirtualLine::Close(LineHandle handle) {
  std::lock_guard lock(mutex_);
  if (const LineStatus s = Check(handle); s != kLineOk) return s;
  open_ = false;
  handle_ = 0;
  received_.clear();
  frameOpen_ = false;
  return kLineOk;
}

LineStatus VirtualLine::Read(LineHandle handle, std::span<std::uint8_t> buffer,
                             std::uint32_t* bytesRead) {
  if (bytesRead != nullptr) *bytesRead = 0;
  std::unique_lock lock(mutex_);
  if (const LineStatus s = Check(handle); s != kLineOk) return s;
  const std::size_t want = buffer.size();
  const Duration start = clock_->Now();
  // Wait for the byte that completes the count, or the timeout if it never comes.
  Duration until = start + readTimeout_;
  if (want == 0) until = start;
  if (want > 0 && received_.size() >= want) until = std::min(until, received_[want - 1].at);
  if (!WaitUntil(lock, handle, until)) return Check(handle);
  const Duration now = clock_->Now();
  std::size_t n = 0;
  while (n < want && !received_.empty() && received_.front().at <= now) {
    buffer[n++] = received_.front().value;
    received_.pop_front();
  }
  if (bytesRead != nullptr) *bytesRead = static_cast<std::uint32_t>(n);
  return kLineOk;
}

LineStatus VirtualLine::ReadFrame(LineHandle handle, std::span<std::uint8_t> buffer,
                                  std::uint32_t* bytesRead, const FrameReadPolicy& policy) {
  if (bytesRead != nullptr) *bytesRead = 0;
  std::unique_lock lock(mutex_);
  if (const LineStatus s = Check(handle); s != kLineOk) return s;
  const Duration start = clock_->Now();
  // The line stands for an FTDI interface: it is given the same latency.
  const Duration silenceAt =
      std::max(start, requestLeftAt_) + policy.silence + FtdiLine::kInterfaceLatency;
  const ReadEnd end = EndOfFrameRead(received_, buffer.size(), start, silenceAt,
                                     start + readTimeout_, FtdiLine::kInterfaceLatency, policy);
  if (!WaitUntil(lock, handle, end.at)) return Check(handle);
  std::size_t n = 0;
  while (n < end.taken && !received_.empty()) {
    buffer[n++] = received_.front().value;
    received_.pop_front();
  }
  if (bytesRead != nullptr) *bytesRead = static_cast<std::uint32_t>(n);
  return kLineOk;
}

bool VirtualLine::WaitUntil(std::unique_lock<std::mutex>& lock, LineHandle handle, Duration until) {
  const Duration now = clock_->Now();
  if (until <= now) return true;
  if (simulated_ != nullptr) {
    simulated_->Advance(until - now);
    return true;
  }
  lock.unlock();
  clock_->SleepFor(until - now);
  lock.lock();
  return Check(handle) == kLineOk;
}

void VirtualLine::SetLatencyTimer(Clock::Duration timer) {
  std::lock_guard lock(mutex_);
  latencyTimer_ = timer;
}

LineStatus VirtualLine::Write(LineHandle handle, std::span<const std::uint8_t> bytes,
                              std::uint32_t* bytesWritten) {
  if (bytesWritten != nullptr) *bytesWritten = 0;
  std::unique_lock lock(mutex_);
  if (const LineStatus s = Check(handle); s != kLineOk) return s;
  wireFreeAt_ = WireFree() + kByteTime * static_cast<int>(bytes.size());
  spacing_ = FrameSpacing(FrameEnd::kNotAwaited);
  const Duration sent = wireFreeAt_;
  requestLeftAt_ = sent;
  if (bytesWritten != nullptr) *bytesWritten = static_cast<std::uint32_t>(bytes.size());
  TakeFrameBytes(bytes);
  // Like a D2XX write, return once the bytes have left: so writes never run
  // ahead of the clock, and answers are due right after their request.
  const Duration now = clock_->Now();
  if (sent > now) {
    if (simulated_ != nullptr) {
      simulated_->Advance(sent - now);
    } else {
      lock.unlock();
      clock_->SleepFor(sent - now);
    }
  }
  return kLineOk;
}

void VirtualLine::TakeFrameBytes(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return;
  if (!frameOpen_ || frameDone_) {  // no break before them: nobody listens, but it is seen
    if (bytes[0] == rdm::kStartCode) Record(bytes, false);
    return;
  }

  // An RDM frame is at most 257 bytes and a DMX frame 513: nothing longer is kept.
  const std::size_t room = kDmxFrameBytes - std::min(frame_.size(), kDmxFrameBytes);
  frame_.insert(frame_.end(), bytes.begin(), bytes.begin() + std::min(room, bytes.size()));
  if (frame_[0] == rdm::kStartCode) {
    if (frame_.size() >= 3 && frame_.size() >= frame_[2] + 2u) {
      CarryRdmFrame();
      frameDone_ = true;
    }
  } else if (frame_[0] == rdm::kNullStartCode) {
    if (frame_.size() >= kDmxFrameBytes) {
      KeepDmxFrame();
      frameDone_ = true;
    }
  } else {
    frameDone_ = true;  // an alternate start code nobody here listens to
  }
}

void VirtualLine::Record(std::span<const std::uint8_t> frame, bool afterBreak) {
  const auto view = ValidateRdmFrame(frame);
  if (!view) return;
  recorded_.push_back({{view->message.begin(), view->message.end()}, afterBreak});
  if (recorded_.size() > kRecordedRequestLimit) recorded_.pop_front();
}

void VirtualLine::CarryRdmFrame() {
  Record(frame_, true);
  const auto request = ParseRdmRequest(frame_);
  if (!request) return;
  ++rdmRequests_;
  const Duration left = WireFree();
  std::vector<TimedAnswer> answers;
  for (auto& responder : responders_) {
    auto answer = responder->Receive(*request);
    if (!answer) continue;
    const ResponderConfig& values = responder->Values();
    const Duration turnaround =
        values.faults.late ? kLateTurnaround : Duration(values.turnaround_us);
    answers.push_back({left + turnaround, std::move(*answer)});
  }
  if (answers.empty()) return;
  std::vector<ArrivingByte> bytes = CarryAnswers(answers);
  wireFreeAt_ = bytes.back().at;
  DeliverInPieces(bytes, latencyTimer_);
  received_.insert(received_.end(), bytes.begin(), bytes.end());
}

void VirtualLine::KeepDmxFrame() {
  std::array<std::uint8_t, kDmxFrameBytes> frame{};
  std::copy_n(frame_.begin(), std::min<std::size_t>(frame_.size(), frame.size()), frame.begin());
  const bool changed = dmxFrames_ == 0 || frame != lastDmx_;
  lastDmx_ = frame;
  ++dmxFrames_;
  if (!changed || !dmxRecord_.is_open()) return;
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(clock_->Now() - origin_);
  std::string line = std::to_string(ms.count()) + ' ';
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (std::uint8_t b : frame) {
    line += kHex[b >> 4];
    line += kHex[b & 0x0F];
  }
  line += '\n';
  dmxRecord_ << line;
  dmxRecord_.flush();
}

void VirtualLine::FrameEnded() {
  const bool shortDmx =
      frameOpen_ && !frameDone_ && !frame_.empty() && frame_[0] == rdm::kNullStartCode;
  if (shortDmx) KeepDmxFrame();
  frame_.clear();
  frameOpen_ = false;
  frameDone_ = false;
}

LineStatus VirtualLine::ResetDevice(LineHandle handle) {
  std::lock_guard lock(mutex_);
  if (const LineStatus s = Check(handle); s != kLineOk) return s;
  received_.clear();
  frame_.clear();
  frameOpen_ = false;
  return kLineOk;
}

LineStatus VirtualLine::SetBaudRate(LineHandle handle, std::uint32_t) {
  std::lock_guard lock(mutex_);
  return Check(handle);
}

LineStatus VirtualLine::SetDataCharacteristics(LineHandle handle, std::uint8_t, std::uint8_t,
                                               std::uint8_t) {
  std::lock_guard lock(mutex_);
  return Check(handle);
}

LineStatus VirtualLine::SetFlowControl(LineHandle handle, std::uint16_t, std::uint8_t,
                                       std::uint8_t) {
  std::lock_guard lock(mutex_);
  return Check(handle);
}

LineStatus VirtualLine::Purge(LineHandle handle, std::uint32_t mask) {
  std::lock_guard lock(mutex_);
  if (const LineStatus s = Check(handle); s != kLineOk) return s;
  if ((mask & kPurgeRx) != 0) received_.clear();
  return kLineOk;  // written bytes are carried at once: nothing waits to be purged
}

LineStatus VirtualLine::SetTimeouts(LineHandle handle, std::uint32_t readMs, std::uint32_t) {
  std::lock_guard lock(mutex_);
  if (const LineStatus s = Check(handle); s != kLineOk) return s;
  readTimeout_ = std::chrono::milliseconds(readMs);
  return kLineOk;
}

LineStatus VirtualLine::SetBreakOn(LineHandle handle) {
  std::lock_guard lock(mutex_);
  if (const LineStatus s = Check(handle); s != kLineOk) return s;
  FrameEnded();
  frameOpen_ = true;
  // The break waits out the spacing after the last frame or its answers; the
  // write that follows then takes the clock past it.
  wireFreeAt_ = std::max(clock_->Now(), wireFreeAt_ + spacing_) + kBreakAndMab;
  return kLineOk;
}

void VirtualLine::SpaceNextFrame(Clock::Duration spacing) {
  std::lock_guard lock(mutex_);
  spacing_ = spacing;
}

LineStatus VirtualLine::SetBreakOff(LineHandle handle) {
  std::lock_guard lock(mutex_);
  return Check(handle);
}

void VirtualLine::Unplug() {
  std::lock_guard lock(mutex_);
  plugged_ = false;
  received_.clear();
  frame_.clear();
  frameOpen_ = false;
}

void VirtualLine::Plug() {
  std::lock_guard lock(mutex_);
  plugged_ = true;
}

bool VirtualLine::IsPlugged() const {
  std::lock_guard lock(mutex_);
  return plugged_;
}

Responder& VirtualLine::AddResponder(ResponderConfig config) {
  std::lock_guard lock(mutex_);
  responders_.push_back(std::make_unique<Responder>(std::move(config)));
  return *responders_.back();
}

bool VirtualLine::RemoveResponder(Uid uid) {
  std::lock_guard lock(mutex_);
  const auto it = std::find_if(responders_.begin(), responders_.end(),
                               [uid](const auto& r) { return r->GetUid() == uid; });
  if (it == responders_.end()) return false;
  responders_.erase(it);
  return true;
}

Responder* VirtualLine::FindResponder(Uid uid) {
  std::lock_guard lock(mutex_);
  for (auto& r : responders_) {
    if (r->GetUid() == uid) return r.get();
  }
  return nullptr;
}

std::vector<Uid> VirtualLine::ResponderUids() const {
  std::lock_guard lock(mutex_);
  std::vector<Uid> uids;
  for (const auto& r : responders_) uids.push_back(r->GetUid());
  return uids;
}

std::array<std::uint8_t, kDmxFrameBytes> VirtualLine::LastDmxFrame() const {
  std::lock_guard lock(mutex_);
  return lastDmx_;
}

std::size_t VirtualLine::DmxFrameCount() const {
  std::lock_guard lock(mutex_);
  return dmxFrames_;
}

std::vector<VirtualLine::RecordedRequest> VirtualLine::Requests() const {
  std::lock_guard lock(mutex_);
  std::vector<RecordedRequest> requests;
  requests.reserve(recorded_.size());
  for (const RawRequest& raw : recorded_) {
    const auto parsed = ParseRdmFrame(raw.bytes);
    requests.push_back({parsed->request, parsed->checksumOk, raw.afterBreak});
  }
  return requests;
}

void VirtualLine::ClearRequests() {
  std::lock_guard lock(mutex_);
  recorded_.clear();
}

std::size_t VirtualLine::RdmRequestCount() const {
  std::lock_guard lock(mutex_);
  return rdmRequests_;
}

}  // namespace korval::sim
