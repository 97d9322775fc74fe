// A line whose replies are a fuzzer's bytes, for running transactions and whole
// discoveries on arbitrary input in simulated time.
//
// Each read takes one byte of the input as the number of bytes that arrive (at
// most what was asked for; 0xFF makes the read itself fail), then that many
// bytes. Once the input has run out every read is silence, and after a bounded
// number of silent reads the line throws InputExhausted, so that no input keeps
// a discovery going for thousands of requests. Every frame the tool writes must
// be a well-formed RDM request; anything else aborts.
#pragma once

#include <cstdint>
#include <span>

#include "rdm/clock.h"
#include "rdm/dmx_line.h"

namespace korval::fuzz {

struct InputExhausted {};

class FuzzLine final : public DmxLine {
 public:
  FuzzLine(std::span<const std::uint8_t> input, int silentReadLimit);

  LineStatus Open(int deviceIndex, LineHandle* handle) override;
  LineStatus Close(LineHandle) override { return kLineOk; }
  LineStatus Read(LineHandle handle, std::span<std::uint8_t> buffer,
                  std::uint32_t* bytesRead) override;
  LineStatus Write(LineHandle handle, std::span<const std::uint8_t> bytes,
                   std::uint32_t* bytesWritten) override;
  LineStatus ResetDevice(LineHandle) override { return kLineOk; }
  LineStatus SetBaudRate(LineHandle, std::uint32_t) override { return kLineOk; }
  LineStatus SetDataCharacteristics(LineHandle, std::uint8_t, std::uint8_t, std::uint8_t) override {
    return kLineOk;
  }
  LineStatus SetFlowControl(LineHandle, std::uint16_t, std::uint8_t, std::uint8_t) override {
    return kLineOk;
  }
  LineStatus Purge(LineHandle, std::uint32_t) override { return kLineOk; }
  LineStatus SetTimeouts(LineHandle, std::uint32_t, std::uint32_t) override { return kLineOk; }
  LineStatus SetBreakOn(LineHandle) override { return kLineOk; }
  LineStatus SetBreakOff(LineHandle) override { return kLineOk; }
  Clock& GetClock() override { return clock_; }

  // Reply bytes handed to the tool so far; a caller compares two counts to learn
  // whether anything arrived in between.
  std::size_t Delivered() const { return delivered_; }
  int Writes() const { return writes_; }

 private:
  std::span<const std::uint8_t> input_;
  std::size_t next_ = 0;
  std::size_t delivered_ = 0;
  int silentReads_ = 0;
  int silentReadLimit_;
  int writes_ = 0;
  SimulatedClock clock_;
};

// Stops the run with a report that libFuzzer keeps as a crash.
[[noreturn]] void PropertyFailed(const char* what);

}  // namespace korval::fuzz
