#include "rdm/ftdi_line.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <deque>
#include <optional>
#include <thread>
#include <vector>

namespace korval {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

// A stand-in for libftdi: records calls, answers reads from a script of
// chunks (each chunk takes simulated time, as a USB round trip does).
class FakeFtdi final : public FtdiApi {
 public:
  struct Chunk {
    std::vector<std::uint8_t> bytes;
    int result = 0;  // negative: the library reports an error
  };
  struct Shared {
    std::vector<std::string> calls;
    std::deque<Chunk> reads;
    int openResult = 0;
    int latencyResult = 0;
    int writeResult = -2;                  // -2: write everything
    std::optional<FtdiDeviceFound> found;  // what the bus showed at the last open
    std::string error = "fake error";
    std::atomic<int> inside{0};
    std::atomic<int> mostInside{0};
  };

  FakeFtdi(Shared& shared, SimulatedClock& clock) : s_(shared), clock_(clock) {}

  int OpenFirstDevice() override { return Note("open", s_.openResult); }
  void Close() override { Note("close", 0); }
  int Reset() override { return Note("reset", 0); }
  int SetLatencyTimer(std::uint8_t ms) override {
    return Note("latency " + std::to_string(ms), s_.latencyResult);
  }
  int SetBaudRate(int baud) override { return Note("baud " + std::to_string(baud), 0); }
  int SetLineProperty(const FtdiLineProperty& p, bool breakOn) override {
    return Note("line " + std::to_string(p.bits) + " " + std::to_string(p.stopBits) + " " +
                    std::to_string(p.parity) + (breakOn ? " break" : ""),
                0);
  }
  int SetFlowControl(int flow) override { return Note("flow " + std::to_string(flow), 0); }
  int PurgeReceive() override { return Note("purge rx", 0); }
  int PurgeTransmit() override { return Note("purge tx", 0); }
  void SetUsbTimeouts(int r, int w) override {
    Note("usb timeouts " + std::to_string(r) + " " + std::to_string(w), 0);
  }
  int ReadData(std::span<std::uint8_t> buffer) override {
    Enter();
    clock_.Advance(std::chrono::milliseconds(1));
    int result = 0;
    if (!s_.reads.empty()) {
      Chunk chunk = std::move(s_.reads.front());
      s_.reads.pop_front();
      const std::size_t n = std::min(chunk.bytes.size(), buffer.size());
      std::copy_n(chunk.bytes.begin(), n, buffer.begin());
      if (n < chunk.bytes.size()) {
        s_.reads.push_front({{chunk.bytes.begin() + n, chunk.bytes.end()}, 0});
      }
      result = chunk.result < 0 ? chunk.result : static_cast<int>(n);
    }
    Leave();
    return result;
  }
  int WriteData(std::span<const std::uint8_t> bytes) override {
    const int result = s_.writeResult == -2 ? static_cast<int>(bytes.size()) : s_.writeResult;
    return Note("write " + std::to_string(bytes.size()), result);
  }
  std::string ErrorString() const override { return s_.error; }
  std::optional<FtdiDeviceFound> DeviceFound() const override { return s_.found; }

 private:
  int Note(std::string call, int result) {
    Enter();
    s_.calls.push_back(std::move(call));
    Leave();
    return result;
  }
  void Enter() {
    const int now = ++s_.inside;
    int most = s_.mostInside.load();
    while (now > most && !s_.mostInside.compare_exchange_weak(most, now)) {
    }
  }
  void Leave() { --s_.inside; }

  Shared& s_;
  SimulatedClock& clock_;
};

struct FtdiLineTest : ::testing::Test {
  SimulatedClock clock;
  FakeFtdi::Shared ftdi;
  FtdiLine line{std::make_unique<FakeFtdi>(ftdi, clock), clock};
  LineHandle h = 0;

  void OpenAndConfigure() {
    ASSERT_EQ(line.Open(0, &h), kLineOk);
    line.ResetDevice(h);
    line.SetBaudRate(h, 250000);
    line.SetDataCharacteristics(h, kBits8, kStopBits2, kParityNone);
    line.SetFlowControl(h, kFlowNone, 0, 0);
    line.Purge(h, kPurgeRx);
    line.Purge(h, kPurgeTx);
    line.SetTimeouts(h, 50, 50);
  }
};

TEST_F(FtdiLineTest, OpenAndConfigureReachLibftdiInOrder) {
  OpenAndConfigure();
  EXPECT_NE(h, 0u);
  EXPECT_THAT(ftdi.calls, ElementsAre("open", "latency 1", "usb timeouts 50 50", "reset",
                                      "latency 1", "baud 250000", "line 8 2 0", "flow 0",
                                      "purge rx", "purge tx", "usb timeouts 50 50"));
  EXPECT_EQ(line.Close(h), kLineOk);
  EXPECT_EQ(ftdi.calls.back(), "close");
}

TEST_F(FtdiLineTest, FailedOpenLeavesTheLineClosed) {
  ftdi.openResult = -3;
  LineHandle handle = 99;
  EXPECT_NE(line.Open(0, &handle), kLineOk);
  EXPECT_EQ(handle, 99u);
  EXPECT_NE(line.Open(1, &handle), kLineOk);  // only interface 0 exists
  EXPECT_THAT(ftdi.calls, ElementsAre("open"));
  EXPECT_NE(line.ResetDevice(0), kLineOk);
  EXPECT_THAT(ftdi.calls, ElementsAre("open"));

  ftdi.openResult = 0;  // plugged in later: the next try opens it
  EXPECT_EQ(line.Open(0, &handle), kLineOk);
  EXPECT_NE(handle, 0u);
}

// A device that is on the bus but refused says which one and why; an empty bus
// has nothing to add. Each open replaces what the one before found out.
TEST_F(FtdiLineTest, AFailedOpenTellsWhichDeviceWasRefusedAndWhy) {
  struct Case {
    const char* name;
    int openResult;
    int latencyResult;
    std::optional<FtdiDeviceFound> found;
    std::string error;
    std::optional<std::string> cause;
  };
  const std::vector<Case> cases = {
      {"no device on the bus", -1, 0, std::nullopt, "no FTDI device found", std::nullopt},
      {"no permission, serial unreadable", -4, 0, FtdiDeviceFound{0x0403, 0x6001, ""},
       "usb_open() failed",
       "FTDI device 0403:6001 (serial unreadable) found but not opened: usb_open() failed"},
      {"held by another program", -5, 0, FtdiDeviceFound{0x0403, 0x6014, "AB0CDEF"},
       "unable to claim usb device. Make sure the default FTDI driver is not in use",
       "FTDI device 0403:6014 serial AB0CDEF found but not opened: unable to claim usb device. "
       "Make sure the default FTDI driver is not in use"},
      {"opened, but the chip refuses its latency timer", 0, -1,
       FtdiDeviceFound{0x0403, 0x6010, "FT1"}, "unable to set latency timer",
       "FTDI device 0403:6010 serial FT1 found but not opened: unable to set latency timer"},
      {"opened", 0, 0, FtdiDeviceFound{0x0403, 0x6001, "AB0CDEF"}, "", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ftdi.openResult = c.openResult;
    ftdi.latencyResult = c.latencyResult;
    ftdi.found = c.found;
    ftdi.error = c.error;
    LineHandle handle = 0;
    const bool opened = line.Open(0, &handle) == kLineOk;
    EXPECT_EQ(opened, !c.cause && c.found.has_value());
    EXPECT_EQ(line.OpenFailureCause(), c.cause);
    if (opened) line.Close(handle);
  }
}

TEST_F(FtdiLineTest, OnlyTheCurrentHandleReachesTheDevice) {
  ASSERT_EQ(line.Open(0, &h), kLineOk);
  LineHandle again = 0;
  EXPECT_NE(line.Open(0, &again), kLineOk);  // already open
  ASSERT_EQ(line.Close(h), kLineOk);
  LineHandle next = 0;
  ASSERT_EQ(line.Open(0, &next), kLineOk);
  EXPECT_NE(next, h);
  ftdi.calls.clear();

  std::uint8_t b[4] = {};
  std::uint32_t n = 0;
  for (LineHandle stale : {LineHandle{0}, h, next + 1}) {
    EXPECT_EQ(line.Close(stale), kLineInvalidHandle);
    EXPECT_EQ(line.Read(stale, b, &n), kLineInvalidHandle);
    EXPECT_EQ(line.Write(stale, b, &n), kLineInvalidHandle);
    EXPECT_EQ(line.ResetDevice(stale), kLineInvalidHandle);
    EXPECT_EQ(line.SetBaudRate(stale, 250000), kLineInvalidHandle);
    EXPECT_EQ(line.SetDataCharacteristics(stale, 8, 2, 0), kLineInvalidHandle);
    EXPECT_EQ(line.SetFlowControl(stale, 0, 0, 0), kLineInvalidHandle);
    EXPECT_EQ(line.Purge(stale, kPurgeRx), kLineInvalidHandle);
    EXPECT_EQ(line.SetTimeouts(stale, 50, 50), kLineInvalidHandle);
    EXPECT_EQ(line.SetBreakOn(stale), kLineInvalidHandle);
    EXPECT_EQ(line.SetBreakOff(stale), kLineInvalidHandle);
  }
  EXPECT_TRUE(ftdi.calls.empty());
  EXPECT_EQ(line.SetBaudRate(next, 250000), kLineOk);  // the stale close left it open
}

TEST_F(FtdiLineTest, ReadLoopsUntilTheCountOrTheTimeout) {
  using Chunk = FakeFtdi::Chunk;
  struct Case {
    const char* name;
    std::vector<Chunk> chunks;
    LineStatus status;
    std::vector<std::uint8_t> buffer;  // 6 bytes, pre-filled with 0xFF
  };
  const std::vector<Case> cases = {
      {"whole count at once", {{{1, 2, 3, 4, 5, 6}}}, kLineOk, {1, 2, 3, 4, 5, 6}},
      {"partial chunks", {{{1, 2}}, {{3}}, {{4, 5, 6, 7}}}, kLineOk, {1, 2, 3, 4, 5, 6}},
      {"nothing, then data", {{}, {}, {}, {{1, 2, 3, 4, 5, 6}}}, kLineOk, {1, 2, 3, 4, 5, 6}},
      {"deadline with a partial count", {{{9, 8}}}, kLineOk, {9, 8, 0xFF, 0xFF, 0xFF, 0xFF}},
      {"silence", {}, kLineOk, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
      {"library error after some bytes",
       {{{7}}, {{}, -4}},
       kLineIoError,
       {7, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
  };
  OpenAndConfigure();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ftdi.reads.assign(c.chunks.begin(), c.chunks.end());
    std::vector<std::uint8_t> buffer(6, 0xFF);
    std::uint32_t got = 99;
    const auto start = clock.Now();
    EXPECT_EQ(line.Read(h, buffer, &got), c.status);
    EXPECT_EQ(buffer, c.buffer);
    const auto expected =
        std::count_if(c.buffer.begin(), c.buffer.end(), [](std::uint8_t b) { return b != 0xFF; });
    EXPECT_EQ(got, static_cast<std::uint32_t>(expected));
    // Never past the 50 ms read timeout by more than one library call.
    EXPECT_LE(clock.Now() - start, std::chrono::milliseconds(51));
    if (c.chunks.empty() || c.name == std::string("deadline with a partial count")) {
      EXPECT_GE(clock.Now() - start, std::chrono::milliseconds(50));
    }
  }
}

TEST_F(FtdiLineTest, ShortOrFailedWriteIsReportedAsFailure) {
  OpenAndConfigure();
  const std::vector<std::uint8_t> frame(26, 0xCC);
  std::uint32_t written = 0;
  EXPECT_EQ(line.Write(h, frame, &written), kLineOk);
  EXPECT_EQ(written, 26u);
  ftdi.writeResult = 10;
  EXPECT_EQ(line.Write(h, frame, &written), kLineIoError);
  EXPECT_EQ(written, 10u);
  ftdi.writeResult = -666;
  EXPECT_EQ(line.Write(h, frame, &written), kLineIoError);
  EXPECT_EQ(written, 0u);
}

TEST_F(FtdiLineTest, BreakKeepsTheFramingAndPurgeMapsItsMask) {
  OpenAndConfigure();
  ftdi.calls.clear();
  EXPECT_EQ(line.SetBreakOn(h), kLineOk);
  EXPECT_EQ(line.SetBreakOff(h), kLineOk);
  EXPECT_EQ(line.Purge(h, kPurgeRx | kPurgeTx), kLineOk);
  EXPECT_EQ(line.Purge(h, 0), kLineInvalidParameter);
  EXPECT_EQ(line.Purge(h, 4), kLineInvalidParameter);
  EXPECT_EQ(line.SetDataCharacteristics(h, 8, 1, 0), kLineInvalidParameter);
  EXPECT_EQ(line.SetFlowControl(h, 0x0400, 0x11, 0x13), kLineInvalidParameter);
  EXPECT_THAT(ftdi.calls,
              ElementsAreArray({"line 8 2 0 break", "line 8 2 0", "purge rx", "purge tx"}));
}

TEST_F(FtdiLineTest, TwoThreadsNeverMeetInsideTheLibrary) {
  OpenAndConfigure();
  const std::vector<std::uint8_t> slots(513, 0);
  std::thread ticker([&] {
    std::uint32_t n = 0;
    for (int i = 0; i < 300; ++i) {
      line.SetBreakOn(h);
      line.SetBreakOff(h);
      line.Write(h, slots, &n);
    }
  });
  std::uint8_t reply[4];
  std::uint32_t n = 0;
  for (int i = 0; i < 300; ++i) {
    line.Purge(h, kPurgeRx);
    line.Read(h, reply, &n);
  }
  ticker.join();
  EXPECT_EQ(ftdi.mostInside.load(), 1);
}

}  // namespace
}  // namespace korval
