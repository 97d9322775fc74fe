// The line of a tool that reaches its fixtures some other way (through an
// Art-Net node): nothing opens, nothing is sent. The window keeps its line
// buffer and its arbiter on it, and drives no DMX512 output.
#pragma once

#include "rdm/dmx_line.h"

namespace korval {

class NoLine final : public DmxLine {
 public:
  LineStatus Open(int, LineHandle*) override { return kLineDeviceNotFound; }
  LineStatus Close(LineHandle) override { return kLineInvalidHandle; }
  LineStatus Read(LineHandle, std::span<std::uint8_t>, std::uint32_t* bytesRead) override {
    if (bytesRead != nullptr) *bytesRead = 0;
    return kLineInvalidHandle;
  }
  LineStatus Write(LineHandle, std::span<const std::uint8_t>,
                   std::uint32_t* bytesWritten) override {
    if (bytesWritten != nullptr) *bytesWritten = 0;
    return kLineInvalidHandle;
  }
  LineStatus ResetDevice(LineHandle) override { return kLineInvalidHandle; }
  LineStatus SetBaudRate(LineHandle, std::uint32_t) override { return kLineInvalidHandle; }
  LineStatus SetDataCharacteristics(LineHandle, std::uint8_t, std::uint8_t, std::uint8_t) override {
    return kLineInvalidHandle;
  }
  LineStatus SetFlowControl(LineHandle, std::uint16_t, std::uint8_t, std::uint8_t) override {
    return kLineInvalidHandle;
  }
  LineStatus Purge(LineHandle, std::uint32_t) override { return kLineInvalidHandle; }
  LineStatus SetTimeouts(LineHandle, std::uint32_t, std::uint32_t) override {
    return kLineInvalidHandle;
  }
  LineStatus SetBreakOn(LineHandle) override { return kLineInvalidHandle; }
  LineStatus SetBreakOff(LineHandle) override { return kLineInvalidHandle; }
  Clock& GetClock() override { return clock_; }

 private:
  RealClock clock_;
};

}  // namespace korval
