// Receive, output tick and grid refresh at once, each on its own thread, as in
// the running program: the ThreadSanitizer build runs this one.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "artnet/dmx_output.h"
#include "artnet/library.h"
#include "artnet/monitor_grid.h"
#include "artnet/output_ticker.h"
#include "artnet/tests/packet_builder.h"
#include "artnet/tests/udp_socket.h"
#include "sim/virtual_line.h"

namespace korval::artnet {
namespace {

TEST(ArtNetBridge, ReceiveTickAndGridRefreshRunTogether) {
  sim::VirtualLine line(sim::Timing::kInstant);
  LineHandle handle = 0;
  ASSERT_EQ(line.Open(0, &handle), kLineOk);
  auto input = std::make_unique<DmxSlots>();
  auto output = std::make_unique<DmxSlots>();
  std::atomic<bool> pageShown{true};
  std::atomic<int> failures{0};

  ArtNetLibrary library({0x7F000001, 0});
  library.ArtNetInit(0);
  library.ArtNetReadWrite(0);
  library.ArtNetSetCallBackUdpReceivePost(
      [&input](std::span<const std::uint8_t> record) { ArtDmxReceived(record, *input); });
  ASSERT_TRUE(library.Node().Running());
  const std::uint16_t port = library.Node().BoundPort();

  auto clock = std::make_shared<ManualTickClock>();
  const DmxOutputTarget target{pageShown, line,    [handle] { return handle; },
                               *input,    *output, [&failures] { ++failures; }};
  OutputTicker ticker([&target] { DmxOutputTick(target); }, clock);

  constexpr int kRounds = 300;
  std::atomic<int> running{2};
  std::thread sender([&] {
    testing::LoopbackSocket controller;
    for (int k = 0; k < kRounds; ++k) {
      controller.SendTo(port, testing::ArtDmxPacket(static_cast<std::uint8_t>(k)));
    }
    --running;
  });
  std::thread driver([&] {
    for (int k = 0; k < kRounds; ++k) {
      if (k % 50 == 25) pageShown = !pageShown;  // the window switching pages
      clock->RunTicks(1);
    }
    pageShown = true;
    --running;
  });
  // The window thread's part: the grid texts, over and over.
  std::size_t refreshes = 0;
  while (running.load() > 0) {
    const auto texts = MonitorCellTexts(*output);
    ASSERT_FALSE(texts[511].empty());
    ++refreshes;
  }
  sender.join();
  driver.join();
  EXPECT_GT(refreshes, 0u);

  // A last packet, sent until the receive thread has it, then one more tick.
  testing::LoopbackSocket controller;
  bool arrived = false;
  for (int attempt = 0; attempt < 500 && !arrived; ++attempt) {
    controller.SendTo(port, testing::ArtDmxPacket(200));
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    arrived = (*input)[0].load() == 200;
  }
  ASSERT_TRUE(arrived);
  ASSERT_TRUE(clock->RunTicks(1));
  EXPECT_EQ(line.LastDmxFrame()[1], 200);
  EXPECT_EQ(MonitorCellTexts(*output)[0], "200");
  EXPECT_EQ(failures.load(), 0);
  ticker.Stop();
  library.ArtNetEnd();
}

}  // namespace
}  // namespace korval::artnet
