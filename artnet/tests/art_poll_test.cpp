#include "artnet/art_poll.h"

#include <gtest/gtest.h>

#include <string>

#include "artnet/tests/packet_builder.h"

namespace korval::artnet {
namespace {

std::string Field(std::span<const std::uint8_t> p, std::size_t at, std::size_t size) {
  const auto f = p.subspan(at, size);
  return std::string(f.begin(), std::find(f.begin(), f.end(), 0));
}

TEST(ArtPoll, RecognisedByIdAndOpCode) {
  const auto poll = testing::ArtPollPacket();
  EXPECT_TRUE(IsArtPoll(poll));
  EXPECT_TRUE(IsArtPoll(std::span(poll).first(12)));  // Art-Net 1 polls end after ProtVer
  EXPECT_FALSE(IsArtPoll(std::span(poll).first(11)));
  auto dmx = testing::ArtDmxPacket(0);
  EXPECT_FALSE(IsArtPoll(dmx));
  auto reply = poll;
  reply[9] = 0x21;
  EXPECT_FALSE(IsArtPoll(reply));
}

TEST(ArtPollReply, AdvertisesOneDmxOutputPortForItsUniverse) {
  NodeDescription node;
  node.ipAddress = 0xC0A8010A;  // 192.168.1.10
  node.portAddress = 0x0123;    // Net 1, Sub-Net 2, Universe 3
  node.shortName = "KORVAL RDM Setup";
  node.longName = std::string(80, 'L');  // cut to fit with its terminating zero
  node.replyCount = 7;
  node.transmitting = true;
  node.mac = {0x02, 0x11, 0x22, 0x33, 0x44, 0x55};
  const auto bytes = BuildArtPollReply(node);
  const std::span<const std::uint8_t> p(bytes);

  EXPECT_EQ(Field(p, 0, 8), "Art-Net");
  EXPECT_EQ(p[7], 0);
  EXPECT_EQ(p[8], 0x00);
  EXPECT_EQ(p[9], 0x21);
  EXPECT_EQ((std::vector<std::uint8_t>(p.begin() + 10, p.begin() + 14)),
            (std::vector<std::uint8_t>{192, 168, 1, 10}));
  EXPECT_EQ(p[14], 0x36);
  EXPECT_EQ(p[15], 0x19);
  EXPECT_EQ(p[reply::kNetSwitch], 0x01);
  EXPECT_EQ(p[reply::kSubSwitch], 0x02);
  EXPECT_EQ(p[reply::kSwOut], 0x03);
  EXPECT_EQ(p[reply::kShortName + reply::kShortNameBytes - 1], 0);
  EXPECT_EQ(Field(p, reply::kShortName, 18), "KORVAL RDM Setup");
  EXPECT_EQ(Field(p, reply::kLongName, 64), std::string(63, 'L'));
  EXPECT_EQ(Field(p, reply::kNodeReport, 64), "#0001 [0007] Power On Tests successful");
  EXPECT_EQ(p[reply::kNumPorts], 0);
  EXPECT_EQ(p[reply::kNumPorts + 1], 1);
  EXPECT_EQ(p[reply::kPortTypes], 0x80);
  EXPECT_EQ(p[reply::kPortTypes + 1], 0);
  EXPECT_EQ(p[reply::kGoodOutputA], 0x80);
  EXPECT_EQ(p[reply::kStatus1], 0xD0);
  EXPECT_EQ(p[reply::kEstaMan], 0xF0);
  EXPECT_EQ(p[reply::kEstaMan + 1], 0x7F);
  EXPECT_EQ(p[reply::kStyle], 0x00);
  EXPECT_EQ(p[reply::kMac], 0x02);
  EXPECT_EQ(p[reply::kMac + 5], 0x55);
  EXPECT_EQ(p[reply::kBindIp], 192);
  EXPECT_EQ(p[reply::kBindIp + 3], 10);
  EXPECT_EQ(p[reply::kBindIndex], 1);
  EXPECT_EQ(p[reply::kStatus2], 0x08);
  for (std::size_t k = reply::kStatus2 + 1; k < kArtPollReplyBytes; ++k) {
    EXPECT_EQ(p[k], 0) << "filler byte " << k;
  }
}

}  // namespace
}  // namespace korval::artnet
