#include "fuzz/fuzz_line.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "rdm/rdm_constants.h"
#include "sim/rdm_request.h"

namespace korval::fuzz {

namespace {
constexpr std::uint8_t kFailingRead = 0xFF;
constexpr LineHandle kHandle = 1;
}  // namespace

void PropertyFailed(const char* what) {
  std::fprintf(stderr, "property failed: %s\n", what);
  std::abort();
}

FuzzLine::FuzzLine(std::span<const std::uint8_t> input, int silentReadLimit)
    : input_(input), silentReadLimit_(silentReadLimit) {}

LineStatus FuzzLine::Open(int, LineHandle* handle) {
  *handle = kHandle;
  return kLineOk;
}

LineStatus FuzzLine::Read(LineHandle, std::span<std::uint8_t> buffer, std::uint32_t* bytesRead) {
  *bytesRead = 0;
  if (next_ >= input_.size()) {
    if (++silentReads_ > silentReadLimit_) throw InputExhausted{};
    clock_.SleepMs(rdm::kLineTimeoutMs);
    return kLineOk;
  }
  const std::uint8_t piece = input_[next_++];
  if (piece == kFailingRead) return kLineIoError;
  const std::size_t n = std::min({std::size_t{piece}, buffer.size(), input_.size() - next_});
  std::copy_n(input_.begin() + static_cast<std::ptrdiff_t>(next_), n, buffer.begin());
  next_ += n;
  delivered_ += n;
  *bytesRead = static_cast<std::uint32_t>(n);
  // A short read waits for its whole timeout, as the real interface does.
  if (n < buffer.size()) {
    clock_.SleepMs(rdm::kLineTimeoutMs);
  } else {
    clock_.SleepFor(std::chrono::microseconds(rdm::kByteMicroseconds * n));
  }
  return kLineOk;
}

LineStatus FuzzLine::Write(LineHandle, std::span<const std::uint8_t> bytes,
                           std::uint32_t* bytesWritten) {
  ++writes_;
  // Whatever the replies were, the tool's own frames stay well-formed: the
  // right start codes, a length that matches the data and a correct checksum.
  const auto request = sim::ParseRdmRequest(bytes);
  if (!request) PropertyFailed("the tool wrote a malformed RDM request");
  if (bytes.size() != std::size_t{rdm::kHeaderBytes} + request->pdl + 2) {
    PropertyFailed("the tool wrote bytes after the checksum");
  }
  *bytesWritten = static_cast<std::uint32_t>(bytes.size());
  clock_.SleepFor(std::chrono::microseconds(rdm::kByteMicroseconds * bytes.size()));
  return kLineOk;
}

}  // namespace korval::fuzz
