// The window thread's RDM transactions and the output ticker's DMX frames on one
// line at once: every call is serialised inside the line.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "rdm/transport.h"
#include "sim/tests/line_fixture.h"

namespace korval::sim {
namespace {

TEST(LineThreadsTest, TickerFramesAndTransactionsShareTheLine) {
  VirtualLine line(Timing::kInstant);
  line.AddResponder(testing::Fixture(0x4B52'0000'0001ULL));
  LineHandle h = 0;
  ASSERT_EQ(line.Open(0, &h), kLineOk);
  RdmTransport transport(line, nullptr);
  transport.SetHandle(h);

  std::atomic<bool> stop{false};
  std::atomic<std::size_t> sent{0};
  std::thread ticker([&] {
    std::vector<std::uint8_t> slots(512, 0x10);
    const std::uint8_t start = 0x00;
    while (!stop.load()) {
      std::uint32_t n = 0;
      line.SetBreakOn(h);
      line.SetBreakOff(h);
      line.Write(h, std::span(&start, 1), &n);
      line.Write(h, slots, &n);
      ++sent;
      std::this_thread::yield();
    }
  });
  // Frames may garble a request now and then, as on a real line with no page
  // rule; the test is that nothing races or crashes.
  for (int i = 0; i < 200 || sent.load() < 50; ++i) {
    transport.Request(0x4B52'0000'0001ULL, rdm::kGetCommand, rdm::kPidDeviceInfo);
    (void)line.LastDmxFrame();
    (void)line.DmxFrameCount();
  }
  stop = true;
  ticker.join();
  EXPECT_GT(sent, 0u);
  EXPECT_LE(line.DmxFrameCount(), sent.load());
}

}  // namespace
}  // namespace korval::sim
