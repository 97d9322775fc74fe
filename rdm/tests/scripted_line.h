// A DmxLine for transport tests: it records every call in order, answers reads
// from a script of byte chunks, and can be told to fail any operation.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "rdm/dmx_line.h"

namespace korval::testing {

class ScriptedLine : public DmxLine {
 public:
  // Each Read takes the next chunk (at most the count asked for); an empty
  // script makes a read deliver nothing, as a silent line does after its timeout.
  std::deque<std::vector<std::uint8_t>> replies;
  std::vector<std::string> calls;
  std::vector<std::vector<std::uint8_t>> written;
  bool failOpen = false, failRead = false, failWrite = false;

  LineStatus Open(int, LineHandle* h) override {
    calls.push_back("open");
    if (failOpen) return kLineDeviceNotFound;
    *h = 7;
    return kLineOk;
  }
  LineStatus Close(LineHandle) override { return Note("close"); }
  LineStatus Read(LineHandle, std::span<std::uint8_t> buf, std::uint32_t* got) override {
    calls.push_back("read " + std::to_string(buf.size()));
    *got = 0;
    if (failRead) return kLineIoError;
    clock.SleepMs(replies.empty() ? 50 : 0);
    if (replies.empty()) return kLineOk;
    auto chunk = std::move(replies.front());
    replies.pop_front();
    std::size_t n = std::min(chunk.size(), buf.size());
    std::copy_n(chunk.begin(), n, buf.begin());
    if (n < chunk.size()) replies.emplace_front(chunk.begin() + n, chunk.end());
    *got = static_cast<std::uint32_t>(n);
    return kLineOk;
  }
  LineStatus Write(LineHandle, std::span<const std::uint8_t> bytes, std::uint32_t* n) override {
    calls.push_back("write " + std::to_string(bytes.size()));
    written.emplace_back(bytes.begin(), bytes.end());
    *n = failWrite ? 0 : static_cast<std::uint32_t>(bytes.size());
    return failWrite ? kLineIoError : kLineOk;
  }
  LineStatus ResetDevice(LineHandle) override { return Note("reset"); }
  LineStatus SetBaudRate(LineHandle, std::uint32_t b) override {
    return Note("baud " + std::to_string(b));
  }
  LineStatus SetDataCharacteristics(LineHandle, std::uint8_t w, std::uint8_t s,
                                    std::uint8_t p) override {
    return Note("data " + std::to_string(w) + " " + std::to_string(s) + " " + std::to_string(p));
  }
  LineStatus SetFlowControl(LineHandle, std::uint16_t f, std::uint8_t a, std::uint8_t b) override {
    return Note("flow " + std::to_string(f) + " " + std::to_string(a) + " " + std::to_string(b));
  }
  LineStatus Purge(LineHandle, std::uint32_t m) override {
    return Note("purge " + std::to_string(m));
  }
  LineStatus SetTimeouts(LineHandle, std::uint32_t r, std::uint32_t w) override {
    return Note("timeouts " + std::to_string(r) + " " + std::to_string(w));
  }
  LineStatus SetBreakOn(LineHandle) override { return Note("break on"); }
  LineStatus SetBreakOff(LineHandle) override { return Note("break off"); }
  Clock& GetClock() override { return clock; }

  SimulatedClock clock;

 private:
  LineStatus Note(std::string call) {
    calls.push_back(std::move(call));
    return kLineOk;
  }
};

}  // namespace korval::testing
