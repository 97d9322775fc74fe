#include <gtest/gtest.h>

#include <QListWidget>
#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

#include "app/tests/artnet_fixture.h"
#include "artnet/art_poll.h"
#include "artnet/art_rdm.h"
#include "artnet/controller_packets.h"
#include "artnet/dialogs.h"
#include "artnet/interfaces.h"
#include "artnet/tests/packet_builder.h"
#include "artnet/tests/udp_socket.h"

namespace korval::testing {
namespace {

// Waits for the receive thread, at most a few seconds, to show `value` in slot 0.
bool InputArrives(RdmTransport& transport, std::uint8_t value) {
  for (int k = 0; k < 5000; ++k) {
    if (transport.ArtNetInput()[0].load() == value) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

TEST_F(ArtNetFormTest, ArtDmxOnLoopbackGoesOutAsDmxFrames) {
  Start();
  artnet::ArtNetNode& node = Room().library.Node();
  ASSERT_TRUE(node.Running()) << node.Error();
  ASSERT_EQ(node.BoundAddress(), kLoopback);
  ShowPage(form->TabSheet3);
  artnet::testing::LoopbackSocket controller;

  const auto first = artnet::testing::ArtDmxPacket(50);
  controller.SendTo(node.BoundPort(), first);
  ASSERT_TRUE(InputArrives(*transport, 50));
  Ticks(1);
  auto frame = line.LastDmxFrame();
  EXPECT_TRUE(std::equal(frame.begin() + 1, frame.end(), first.begin() + 18));

  // Universe 1 is not ours; the next universe 0 packet is.
  controller.SendTo(node.BoundPort(), artnet::testing::ArtDmxPacket(90, /*subUni=*/1));
  controller.SendTo(node.BoundPort(), artnet::testing::ArtDmxPacket(60));
  ASSERT_TRUE(InputArrives(*transport, 60));
  Ticks(1);
  EXPECT_EQ(line.LastDmxFrame()[1], 60);
  EXPECT_EQ(line.LastDmxFrame()[512], static_cast<std::uint8_t>(60 + 511));
  EXPECT_EQ(node.Statistics().accepted.load(), 2u);
  EXPECT_EQ(node.Statistics().ignored.load(), 1u);
}

TEST_F(ArtNetFormTest, ANodeThatCannotBindIsLoggedAndChoosingAnInterfaceTriesAgain) {
  artnet::ArtNetNode holder;
  ASSERT_TRUE(holder.Start(kLoopback, 0));
  artNetOptions.nodeSettings = {kLoopback, holder.BoundPort()};
  Start();
  const std::string failure =
      "Art-Net: cannot listen on UDP 127.0.0.1:" + std::to_string(holder.BoundPort()) +
      ": Address already in use";
  EXPECT_EQ(CountLog(failure), 1u);
  EXPECT_FALSE(Room().library.Node().Running());
  // The rest of the tool goes on: the line opened and the output timer exists.
  EXPECT_EQ(CountLog(std::string("KORVAL interface initialized ") + kMakerWebAddress), 1u);
  EXPECT_NE(Room().OutputTimerId, 0u);

  holder.Stop();
  form->BitBtnNetworkInterfaceClick();
  auto* nic = qobject_cast<artnet::NicDialog*>(Room().nicForm.data());
  ASSERT_NE(nic, nullptr);
  int loopbackRow = -1;
  for (int row = 0; row < nic->list->count(); ++row) {
    if (nic->list->item(row)->text().endsWith(" 127.0.0.1")) loopbackRow = row;
  }
  ASSERT_GE(loopbackRow, 0);
  nic->Choose(loopbackRow);
  EXPECT_TRUE(Room().library.Node().Running());
  EXPECT_EQ(Room().library.Node().BoundAddress(), kLoopback);
  EXPECT_TRUE(nic->state->text().startsWith("Listening on 127.0.0.1:"));
}

TEST_F(ArtNetFormTest, ThePageButtonsOpenOneOfEachDialogAndMinimize) {
  Start();
  form->show();
  Click(form->BitBtnNetworkStatus);
  Click(form->BitBtnNetworkStatus);
  Click(form->BitBtnbShowData);
  Click(form->BitBtnNetworkInterface);
  EXPECT_EQ(form->findChildren<artnet::NetworkStatusDialog*>().size(), 1);
  EXPECT_EQ(form->findChildren<artnet::DataMonitorDialog*>().size(), 1);
  EXPECT_EQ(form->findChildren<artnet::NicDialog*>().size(), 1);

  auto* status = qobject_cast<artnet::NetworkStatusDialog*>(Room().statusForm.data());
  ASSERT_NE(status, nullptr);
  EXPECT_TRUE(status->text->text().startsWith("Bound to 127.0.0.1:"));
  EXPECT_TRUE(status->text->text().contains("Last sender: none"));

  Click(form->BitBtnMIN);
  EXPECT_TRUE(form->windowState() & Qt::WindowMinimized);
}

// What the node's ArtPollReply says at each moment, and the replies a
// TalkToMe controller gets when the output starts and stops with the page.
TEST_F(ArtNetFormTest, TheReplyTellsWhetherDataGoesOutAndTalkToMeHearsOfChanges) {
  Start();
  artnet::ArtNetNode& node = Room().library.Node();
  ASSERT_TRUE(node.Running()) << node.Error();
  artnet::testing::LoopbackSocket controller;
  const auto talkToMe = artnet::testing::ArtPollPacket(artnet::kPollFlagReplyOnChange);
  struct Reply {
    int goodOutputA = -1, goodOutputB = -1, status1 = -1;
  };
  auto fields = [](const std::optional<std::vector<std::uint8_t>>& bytes) {
    if (!bytes || bytes->size() != artnet::kArtPollReplyBytes) return Reply{};
    const auto& p = *bytes;
    return Reply{p[artnet::reply::kGoodOutputA], p[artnet::reply::kGoodOutputB],
                 p[artnet::reply::kStatus1]};
  };
  auto poll = [&] {
    controller.SendTo(node.BoundPort(), talkToMe);
    return fields(controller.Receive());
  };

  // No data yet, on the Art-Net page: frames of zeros go out, no ArtDmx data.
  ShowPage(form->TabSheet3);
  Ticks(1);
  Reply r = poll();
  EXPECT_EQ(r.goodOutputA, 0x00);
  // RDM enabled, continuous output, no discovery running, none in the background.
  EXPECT_EQ(r.goodOutputB, 0x70);
  EXPECT_EQ(r.status1, 0xD2);  // RDM capable

  // Data being output: the first tick after the ArtDmx sends it, and says so.
  controller.SendTo(node.BoundPort(), artnet::testing::ArtDmxPacket(70));
  ASSERT_TRUE(InputArrives(*transport, 70));
  Ticks(1);
  r = fields(controller.Receive());
  EXPECT_EQ(r.goodOutputA, 0x80) << "no reply when output started";
  EXPECT_EQ(poll().goodOutputA, 0x80);

  // Another page: nothing goes out, although the data keeps coming.
  ShowPage(form->TabSheet1);
  Ticks(1);
  r = fields(controller.Receive());
  EXPECT_EQ(r.goodOutputA, 0x00) << "no reply when output stopped";
  EXPECT_EQ(r.goodOutputB, 0x70);
  controller.SendTo(node.BoundPort(), artnet::testing::ArtDmxPacket(71));
  ASSERT_TRUE(InputArrives(*transport, 71));
  Ticks(2);
  EXPECT_EQ(poll().goodOutputA, 0x00);

  // Back on the Art-Net page the output, and the word of it, return.
  ShowPage(form->TabSheet3);
  Ticks(1);
  EXPECT_EQ(fields(controller.Receive()).goodOutputA, 0x80);
}

// A controller asks for a new table while a show runs through the node: the
// node discovers between its frames and stays on the Art-Net page, so every
// tick sends its frame of the controller's data, and the table comes back.
TEST_F(ArtNetFormTest, ANetworkDiscoveryKeepsThePageAndEveryFrame) {
  const std::vector<Uid> rig = {0x4B52'00000101, 0x4B52'00000202, 0x4B52'00000303};
  Start({Fixture(rig[0]), Fixture(rig[1]), Fixture(rig[2])});
  artnet::ArtNetNode& node = Room().library.Node();
  ASSERT_TRUE(node.Running()) << node.Error();
  ShowPage(form->TabSheet3);
  artnet::testing::LoopbackSocket controller;
  controller.SendTo(node.BoundPort(), artnet::testing::ArtDmxPacket(50));
  ASSERT_TRUE(InputArrives(*transport, 50));
  Ticks(1);
  const std::size_t frames = line.DmxFrameCount();

  controller.SendTo(node.BoundPort(), artnet::EncodeArtTodControl(0, artnet::kAtcFlush));
  // The output thread ticks on while the window thread discovers.
  std::atomic<bool> done{false};
  std::atomic<int> ticks{0};
  std::thread output([&] {
    while (!done && clock->RunTicks(1)) ++ticks;
  });
  std::vector<Uid> table;
  for (int wait = 0; wait < 500 && table.size() < rig.size(); ++wait) {
    QCoreApplication::processEvents();
    if (const auto datagram = controller.Receive(10)) {
      if (const auto tod = artnet::ParseArtTodData(*datagram)) table = tod->uids;
    }
  }
  done = true;
  output.join();
  QCoreApplication::processEvents();

  std::sort(table.begin(), table.end());
  EXPECT_EQ(table, rig);
  EXPECT_EQ(form->PageControl1->currentWidget(), form->TabSheet3);
  EXPECT_GT(ticks.load(), 0);
  EXPECT_EQ(line.DmxFrameCount(), frames + static_cast<std::size_t>(ticks.load()));
  EXPECT_EQ(line.LastDmxFrame()[1], 50);
  EXPECT_EQ(CountLog("Discovery started."), 1u);
  EXPECT_EQ(CountLog("Discovery finished."), 1u);
  EXPECT_EQ(form->ListBox1->count(), 3);
  EXPECT_TRUE(Exists(kDeviceNamesFile));
}

}  // namespace
}  // namespace korval::testing
