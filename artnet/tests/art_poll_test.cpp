#include "artnet/art_poll.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

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
  EXPECT_EQ(p[reply::kStatus1], 0xD2);
  EXPECT_EQ(p[reply::kEstaMan], 0xF0);
  EXPECT_EQ(p[reply::kEstaMan + 1], 0x7F);
  EXPECT_EQ(p[reply::kStyle], 0x00);
  EXPECT_EQ(p[reply::kMac], 0x02);
  EXPECT_EQ(p[reply::kMac + 5], 0x55);
  EXPECT_EQ(p[reply::kBindIp], 192);
  EXPECT_EQ(p[reply::kBindIp + 3], 10);
  EXPECT_EQ(p[reply::kBindIndex], 1);
  EXPECT_EQ(p[reply::kStatus2], 0x08);
  EXPECT_EQ(p[reply::kGoodOutputB], 0x70);
  for (std::size_t k = reply::kGoodOutputB + 1; k < kArtPollReplyBytes; ++k) {
    EXPECT_EQ(p[k], 0) << "filler byte " << k;
  }
}

// The whole reply, byte for byte, as a controller (or a dissector) reads it.
// The node takes RDM over Art-Net: Status1 says RDM capable and GoodOutputB
// leaves its "RDM disabled" bit clear, or controllers would never send the
// node an ArtTodRequest or an ArtRdm.
// Only GoodOutputA differs between "nothing going out" and "data being output",
// and only GoodOutputB's bit 5 between an idle line and a discovery running.
std::vector<std::uint8_t> GoldenReply(std::uint8_t goodOutputA, std::uint8_t goodOutputB = 0x70) {
  std::vector<std::uint8_t> g;
  auto put = [&g](std::initializer_list<std::uint8_t> bytes) {
    g.insert(g.end(), bytes.begin(), bytes.end());
  };
  auto text = [&g](const std::string& t, std::size_t size) {
    const std::size_t start = g.size();
    g.insert(g.end(), t.begin(), t.end());
    g.resize(start + size, 0);
  };
  text("Art-Net", 8);                 // 0   ID, zero-terminated
  put({0x00, 0x21});                  // 8   OpCode 0x2100 OpPollReply, low byte first
  put({10, 0, 0, 7});                 // 10  IP address
  put({0x36, 0x19});                  // 14  port 6454, low byte first
  put({0x01, 0x02});                  // 16  VersInfo (firmware 1.2), high byte first
  put({0x00});                        // 18  NetSwitch: Net 0
  put({0x00});                        // 19  SubSwitch: Sub-Net 0
  put({0x00, 0xFF});                  // 20  OEM: unknown
  put({0x00});                        // 22  UBEA version: none
  put({0xD2});                        // 23  Status1: indicators normal, addresses set
                                      //     locally, RDM capable (bit 1), booted normally
  put({0xF0, 0x7F});                  // 24  ESTA manufacturer 0x7FF0, low byte first
  text("KORVAL RDM Setup", 18);       // 26  short name
  text("KORVAL RDM Setup node", 64);  // 44  long name
  text("#0001 [0003] Power On Tests successful", 64);  // 108 node report
  put({0x00, 0x01});                                   // 172 NumPorts: one
  put({0x80, 0x00, 0x00, 0x00});              // 174 PortTypes: port 1 outputs DMX512 from Art-Net
  put({0x00, 0x00, 0x00, 0x00});              // 178 GoodInput: no inputs
  put({goodOutputA, 0x00, 0x00, 0x00});       // 182 GoodOutputA: bit 7 data being output
  put({0x00, 0x00, 0x00, 0x00});              // 186 SwIn
  put({0x00, 0x00, 0x00, 0x00});              // 190 SwOut: universe 0
  put({0x00});                                // 194 AcnPriority
  put({0x00});                                // 195 SwMacro
  put({0x00});                                // 196 SwRemote
  put({0x00, 0x00, 0x00});                    // 197 spare
  put({0x00});                                // 200 Style: StNode
  put({0x02, 0x00, 0x00, 0x00, 0x00, 0x07});  // 201 MAC
  put({10, 0, 0, 7});                         // 207 BindIp: the root node itself
  put({0x01});                                // 211 BindIndex
  put({0x08});                                // 212 Status2: 15-bit Port-Address
  put({goodOutputB, 0x00, 0x00, 0x00});       // 213 GoodOutputB: RDM enabled (bit 7 clear),
                                              //     continuous output (bit 6), discovery idle
                                              //     (bit 5), no background discovery (bit 4)
  put({0x00});                                // 217 Status3
  put({0, 0, 0, 0, 0, 0});                    // 218 DefaultResponder UID: none
  put({0x00, 0x00});                          // 224 User
  put({0x00, 0x00});                          // 226 RefreshRate: not given
  g.resize(kArtPollReplyBytes, 0);            // 228 filler
  return g;
}

TEST(ArtPollReply, GoldenBytesWithAndWithoutDataBeingOutputOrADiscoveryRunning) {
  NodeDescription node;
  node.ipAddress = 0x0A000007;  // 10.0.0.7
  node.shortName = "KORVAL RDM Setup";
  node.longName = "KORVAL RDM Setup node";
  node.replyCount = 3;
  node.mac = {0x02, 0x00, 0x00, 0x00, 0x00, 0x07};
  for (const bool transmitting : {false, true}) {
    for (const bool discovering : {false, true}) {
      SCOPED_TRACE(transmitting ? "data being output" : "nothing going out");
      SCOPED_TRACE(discovering ? "discovery running" : "line idle");
      node.transmitting = transmitting;
      node.discovering = discovering;
      const auto bytes = BuildArtPollReply(node);
      EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.end()),
                GoldenReply(transmitting ? 0x80 : 0x00, discovering ? 0x50 : 0x70));
    }
  }
}

TEST(ArtPoll, FlagsAreByteTwelveWhenThePollHasThem) {
  auto poll = testing::ArtPollPacket();
  poll[12] = 0x06;
  EXPECT_EQ(ArtPollFlags(poll), 0x06);
  EXPECT_EQ(ArtPollFlags(std::span(poll).first(13)), 0x06);
  EXPECT_EQ(ArtPollFlags(std::span(poll).first(12)), 0x00);  // Art-Net 1: no flags
}

}  // namespace
}  // namespace korval::artnet
