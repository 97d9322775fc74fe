#include "artnet/udp_node.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "artnet/art_poll.h"
#include "artnet/library.h"
#include "artnet/tests/packet_builder.h"
#include "artnet/tests/udp_socket.h"

namespace korval::artnet {
namespace {

constexpr std::uint32_t kLoopback = 0x7F000001;

// Collects the records the node hands over on its receive thread.
class RecordInbox {
 public:
  ArtNetNode::Receiver Receiver() {
    return [this](std::span<const std::uint8_t> record) {
      std::lock_guard lock(mutex_);
      records_.emplace_back(record.begin(), record.end());
      arrived_.notify_all();
    };
  }
  // Waits, at most a few seconds, until count records have come.
  std::vector<std::vector<std::uint8_t>> WaitFor(std::size_t count) {
    std::unique_lock lock(mutex_);
    arrived_.wait_for(lock, std::chrono::seconds(5), [&] { return records_.size() >= count; });
    return records_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<std::vector<std::uint8_t>> records_;
};

TEST(ArtNetNode, HandsEveryDatagramOverAsARecordAndCountsIt) {
  RecordInbox inbox;
  ArtNetNode node;
  node.SetReceiver(inbox.Receiver());
  ASSERT_TRUE(node.Start(kLoopback, 0)) << node.Error();
  ASSERT_NE(node.BoundPort(), 0);
  testing::LoopbackSocket controller;

  const auto dmx = testing::ArtDmxPacket(40);
  const std::vector<std::uint8_t> junk = {1, 2, 3};
  controller.SendTo(node.BoundPort(), dmx);
  controller.SendTo(node.BoundPort(), junk);
  const auto records = inbox.WaitFor(2);
  ASSERT_EQ(records.size(), 2u);

  const auto header = DecodeRecordHeader(records[0]);
  ASSERT_TRUE(header);
  EXPECT_EQ(header->senderAddress, kLoopback);
  EXPECT_EQ(header->senderPort, controller.Port());
  EXPECT_EQ(header->length, dmx.size());
  EXPECT_TRUE(std::equal(dmx.begin(), dmx.end(), records[0].begin() + kRecordHeaderBytes));
  EXPECT_EQ(records[1].size(), kRecordHeaderBytes + junk.size());

  const NodeStatistics& s = node.Statistics();
  EXPECT_EQ(s.datagrams.load(), 2u);
  EXPECT_EQ(s.accepted.load(), 1u);
  EXPECT_EQ(s.ignored.load(), 1u);
  EXPECT_EQ(s.lastSenderPort.load(), controller.Port());
  EXPECT_EQ(node.Universe0()[0].load(), 40);
  EXPECT_EQ(node.Universe0()[511].load(), static_cast<std::uint8_t>(40 + 511));
  node.ClearUniverse0();
  EXPECT_EQ(node.Universe0()[0].load(), 0);
}

TEST(ArtNetNode, AnswersAPollWithAnArtPollReply) {
  ArtNetNode node;
  node.SetPortAddress(0);
  ASSERT_TRUE(node.Start(kLoopback, 0)) << node.Error();
  testing::LoopbackSocket controller;
  controller.SendTo(node.BoundPort(), testing::ArtPollPacket());
  const auto answer = controller.Receive();
  ASSERT_TRUE(answer) << "no ArtPollReply came";
  const std::vector<std::uint8_t>& p = *answer;
  ASSERT_EQ(p.size(), kArtPollReplyBytes);
  EXPECT_EQ(std::string(p.begin(), p.begin() + 8), std::string("Art-Net\0", 8));
  EXPECT_EQ(p[8], 0x00);
  EXPECT_EQ(p[9], 0x21);
  EXPECT_EQ((std::vector<std::uint8_t>(p.begin() + 10, p.begin() + 14)),
            (std::vector<std::uint8_t>{127, 0, 0, 1}));
  EXPECT_EQ(p[14], 0x36);  // 6454, low byte first
  EXPECT_EQ(p[15], 0x19);
  EXPECT_EQ(p[reply::kNetSwitch], 0);
  EXPECT_EQ(p[reply::kSubSwitch], 0);
  EXPECT_EQ(p[reply::kSwOut], 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&p[reply::kShortName])), "KORVAL RDM Setup");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&p[reply::kNodeReport])),
            "#0001 [0001] Power On Tests successful");
  EXPECT_EQ(p[reply::kNumPorts + 1], 1);
  EXPECT_EQ(p[reply::kPortTypes], kPortTypeDmxOutput);
  EXPECT_EQ(p[reply::kGoodOutputA], 0);  // nothing received yet
  EXPECT_EQ(p[reply::kBindIp], 127);
  EXPECT_EQ(p[reply::kBindIp + 3], 1);
  EXPECT_EQ(p[reply::kStatus2], kStatus2PortAddress15);
  EXPECT_EQ(node.Statistics().pollsAnswered.load(), 1u);
  EXPECT_EQ(node.Statistics().ignored.load(), 0u);
}

std::string NodeReport(const std::vector<std::uint8_t>& reply) {
  return std::string(reinterpret_cast<const char*>(&reply[reply::kNodeReport]));
}

// Data being output: only after ArtDmx has come and while frames go out; the
// word of the ticker alone, without data, changes nothing.
TEST(ArtNetNode, GoodOutputATellsWhetherReceivedDataGoesOutNow) {
  ArtNetNode node;
  ASSERT_TRUE(node.Start(kLoopback, 0)) << node.Error();
  testing::LoopbackSocket controller;
  auto poll = [&] {
    controller.SendTo(node.BoundPort(), testing::ArtPollPacket());
    const auto reply = controller.Receive();
    return reply && reply->size() == kArtPollReplyBytes ? (*reply)[reply::kGoodOutputA] : -1;
  };
  node.ReportOutput(true);  // frames, but no ArtDmx yet: the line sends zeros
  EXPECT_EQ(poll(), 0x00);
  controller.SendTo(node.BoundPort(), testing::ArtDmxPacket(5));
  EXPECT_EQ(poll(), 0x00);  // received, not yet sent
  node.ReportOutput(true);
  EXPECT_TRUE(node.Outputting());
  EXPECT_EQ(poll(), 0x80);
  node.ReportOutput(false);  // another page is shown, or the write failed
  EXPECT_EQ(poll(), 0x00);
}

// Controllers that set TalkToMe in their last poll get a reply when output
// starts and when it stops, without polling; the others only when they poll.
TEST(ArtNetNode, TalkToMePollersHearOfEveryChangeOfOutput) {
  ArtNetNode node;
  ASSERT_TRUE(node.Start(kLoopback, 0)) << node.Error();
  testing::LoopbackSocket talker, quiet;
  talker.SendTo(node.BoundPort(), testing::ArtDmxPacket(1));
  // The node has the data once a poll sent after it is answered.
  talker.SendTo(node.BoundPort(), testing::ArtPollPacket(kPollFlagReplyOnChange));
  ASSERT_TRUE(talker.Receive());
  // The quiet one polls last, so a reply on change to it would go out first.
  quiet.SendTo(node.BoundPort(), testing::ArtPollPacket(0x00));
  ASSERT_TRUE(quiet.Receive());

  node.ReportOutput(true);
  auto started = talker.Receive();
  ASSERT_TRUE(started) << "no reply when output started";
  EXPECT_EQ((*started)[reply::kGoodOutputA], 0x80);
  EXPECT_EQ((*started)[reply::kGoodOutputB], 0x70);
  EXPECT_EQ(quiet.Receive(0), std::nullopt);

  node.ReportOutput(true);  // no change, no reply: the next datagram answers a poll
  talker.SendTo(node.BoundPort(), testing::ArtPollPacket(kPollFlagReplyOnChange));
  auto answer = talker.Receive();
  ASSERT_TRUE(answer);
  EXPECT_EQ(NodeReport(*answer), "#0001 [0004] Power On Tests successful");

  node.ReportOutput(false);
  auto stopped = talker.Receive();
  ASSERT_TRUE(stopped) << "no reply when output stopped";
  EXPECT_EQ((*stopped)[reply::kGoodOutputA], 0x00);
  EXPECT_EQ(NodeReport(*stopped), "#0001 [0005] Power On Tests successful");

  // A poll without TalkToMe withdraws the wish.
  talker.SendTo(node.BoundPort(), testing::ArtPollPacket(0x00));
  ASSERT_TRUE(talker.Receive());
  node.ReportOutput(true);
  talker.SendTo(node.BoundPort(), testing::ArtPollPacket(0x00));
  answer = talker.Receive();
  ASSERT_TRUE(answer);
  EXPECT_EQ((*answer)[reply::kGoodOutputA], 0x80);
  EXPECT_EQ(NodeReport(*answer), "#0001 [0007] Power On Tests successful");
}

// The node remembers the last eight pollers: a ninth pushes the oldest out.
TEST(ArtNetNode, OnlyTheLastEightPollersAreRemembered) {
  ArtNetNode node;
  ASSERT_TRUE(node.Start(kLoopback, 0)) << node.Error();
  std::vector<std::unique_ptr<testing::LoopbackSocket>> controllers;
  for (int i = 0; i < 9; ++i) {
    controllers.push_back(std::make_unique<testing::LoopbackSocket>());
    controllers.back()->SendTo(node.BoundPort(), testing::ArtPollPacket(kPollFlagReplyOnChange));
    ASSERT_TRUE(controllers.back()->Receive());
  }
  controllers[0]->SendTo(node.BoundPort(), testing::ArtDmxPacket(1));
  controllers[1]->SendTo(node.BoundPort(), testing::ArtPollPacket(kPollFlagReplyOnChange));
  ASSERT_TRUE(controllers[1]->Receive());  // the data has arrived; controller 1 is newest now
  node.ReportOutput(true);
  for (int i = 1; i < 9; ++i) EXPECT_TRUE(controllers[i]->Receive()) << "controller " << i;
  EXPECT_EQ(controllers[0]->Receive(0), std::nullopt);
}

TEST(ArtNetLibrary, APortInUseIsLoggedWithItsReasonAndTheRestGoesOn) {
  ArtNetNode holder;
  ASSERT_TRUE(holder.Start(kLoopback, 0));
  std::vector<std::string> log;
  ArtNetLibrary library({kLoopback, holder.BoundPort()},
                        [&log](const std::string& line) { log.push_back(line); });
  library.ArtNetInit(0);
  library.ArtNetClearDataBuffer(0);
  library.ArtNetSetTxPipeUniverse(0, 0);
  library.ArtNetSetRxPipeRequestUniverse(0, 0);
  library.ArtNetReadWrite(0);
  library.ArtNetSetCallBackUdpReceivePost([](std::span<const std::uint8_t>) {});
  EXPECT_FALSE(library.Node().Running());
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0], "Art-Net: cannot listen on UDP 127.0.0.1:" +
                        std::to_string(holder.BoundPort()) + ": Address already in use");

  // Once the port is free, choosing the interface again binds it.
  holder.Stop();
  EXPECT_TRUE(library.Rebind(kLoopback));
  EXPECT_TRUE(library.Node().Running());
  library.ArtNetEnd();
  EXPECT_FALSE(library.Node().Running());
}

TEST(ArtNetLibrary, NoCallbackAfterTheEnd) {
  RecordInbox inbox;
  ArtNetLibrary library({kLoopback, 0});
  library.ArtNetInit(0);
  library.ArtNetReadWrite(0);
  library.ArtNetSetCallBackUdpReceivePost(inbox.Receiver());
  const std::uint16_t port = library.Node().BoundPort();
  testing::LoopbackSocket controller;
  controller.SendTo(port, testing::ArtDmxPacket(1));
  EXPECT_EQ(inbox.WaitFor(1).size(), 1u);
  library.ArtNetEnd();
  // The port is closed: a datagram sent now has no one to go to.
  ArtNetNode probe;
  EXPECT_TRUE(probe.Start(kLoopback, port)) << probe.Error();
}

}  // namespace
}  // namespace korval::artnet
