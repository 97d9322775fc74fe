#include "artnet/controller_packets.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "artnet/art_poll.h"
#include "artnet/tests/packet_builder.h"

namespace korval::artnet {
namespace {

using Bytes = std::vector<std::uint8_t>;

using testing::Golden;
using testing::kId;

Bytes Text(const std::string& text, std::size_t field) {
  Bytes b(text.begin(), text.end());
  b.resize(field, 0);
  return b;
}

TEST(ControllerPackets, GoldenPollTodRequestAndTodControl) {
  Golden poll;
  poll(kId)            // 0  ID
      ({0x00, 0x20})   // 8  OpCode 0x2000 OpPoll, low byte first
      ({0x00, 0x0E})   // 10 ProtVer 14
      ({0x00})         // 12 Flags: no reply on change, no diagnostics, not targeted
      ({0x00})         // 13 DiagPriority
      ({0x00, 0x00})   // 14 TargetPortAddressTop
      ({0x00, 0x00})   // 16 TargetPortAddressBottom
      ({0x7F, 0xF0})   // 18 EstaMan: the prototyping range
      ({0x00, 0xFF});  // 20 Oem: unknown
  EXPECT_EQ(EncodeArtPoll(), poll.bytes);

  Golden request;
  request(kId)                 // 0  ID
      ({0x00, 0x80})           // 8  OpCode 0x8000 OpTodRequest
      ({0x00, 0x0E})           // 10 ProtVer 14
      ({0x00, 0x00})           // 12 filler
      ({0, 0, 0, 0, 0, 0, 0})  // 14 spare
      ({0x01})                 // 21 Net 1
      ({0x00})                 // 22 Command: TodFull
      ({0x01})                 // 23 AddCount 1
      ({0x23})                 // 24 Address[0]: Sub-Net 2, Universe 3
      (Bytes(31, 0x00));       // 25 the rest of the array, unused
  EXPECT_EQ(EncodeArtTodRequest(0x0123), request.bytes);
  EXPECT_EQ(ParseArtTodRequest(request.bytes)->portAddresses, std::vector<std::uint16_t>{0x0123});

  Golden flush;
  flush(kId)                   // 0  ID
      ({0x00, 0x82})           // 8  OpCode 0x8200 OpTodControl
      ({0x00, 0x0E})           // 10 ProtVer 14
      ({0x00, 0x00})           // 12 filler
      ({0, 0, 0, 0, 0, 0, 0})  // 14 spare
      ({0x01})                 // 21 Net 1
      ({0x01})                 // 22 Command: AtcFlush
      ({0x23});                // 23 Address: Sub-Net 2, Universe 3
  EXPECT_EQ(EncodeArtTodControl(0x0123, kAtcFlush), flush.bytes);
}

TEST(ControllerPackets, PortAddressTextBothWays) {
  EXPECT_EQ(PortAddressText(0x0000), "0:0:0");
  EXPECT_EQ(PortAddressText(0x7FFF), "127:15:15");
  EXPECT_EQ(PortAddressText(0x0123), "1:2:3");
  const std::pair<const char*, std::optional<std::uint16_t>> cases[] = {{"0", 0},
                                                                        {"32767", 0x7FFF},
                                                                        {"291", 0x0123},
                                                                        {"1:2:3", 0x0123},
                                                                        {"127:15:15", 0x7FFF},
                                                                        {"32768", std::nullopt},
                                                                        {"128:0:0", std::nullopt},
                                                                        {"0:16:0", std::nullopt},
                                                                        {"0:0", std::nullopt},
                                                                        {"1:2:3:4", std::nullopt},
                                                                        {"", std::nullopt},
                                                                        {"a:b:c", std::nullopt},
                                                                        {"-1", std::nullopt}};
  for (const auto& [text, expected] : cases) EXPECT_EQ(ParsePortAddress(text), expected) << text;
}

// A node of four ports: port 1 outputs Port-Address 0:1:5, ports 2 and 3 are
// outputs left at Universe 0, port 4 is an input.
Bytes FourPortReply() {
  Golden g;
  g(kId)                                      // 0   ID
      ({0x00, 0x21})                          // 8   OpCode 0x2100 OpPollReply
      ({10, 0, 0, 7})                         // 10  IP address 10.0.0.7
      ({0x36, 0x19})                          // 14  port 6454, low byte first
      ({0x01, 0x00})                          // 16  VersInfo
      ({0x00})                                // 18  NetSwitch: Net 0
      ({0x01})                                // 19  SubSwitch: Sub-Net 1
      ({0x00, 0xFF})                          // 20  Oem
      ({0x00})                                // 22  UbeaVersion
      ({0xD2})                                // 23  Status1: indicators normal, RDM capable
      ({0xF0, 0x7F})                          // 24  EstaMan, low byte first
      (Text("Four \xFC", 18))                 // 26  ShortName (Windows-1252 u umlaut)
      (Text("Four-port node", 64))            // 44  LongName
      (Text("#0001 [0001] ok", 64))           // 108 NodeReport
      ({0x00, 0x04})                          // 172 NumPorts 4
      ({0x80, 0x80, 0xC0, 0x40})              // 174 PortTypes: outputs 1 to 3, input 4
      ({0x00, 0x00, 0x00, 0x00})              // 178 GoodInput
      ({0x80, 0x00, 0x00, 0x00})              // 182 GoodOutputA: port 1 outputs data
      ({0x00, 0x00, 0x00, 0x03})              // 186 SwIn
      ({0x05, 0x00, 0x00, 0x00})              // 190 SwOut: Universe 5 on port 1, 0 elsewhere
      ({0x00, 0x00, 0x00})                    // 194 AcnPriority, SwMacro, SwRemote
      ({0x00, 0x00, 0x00})                    // 197 spare
      ({0x00})                                // 200 Style: node
      ({0x02, 0x00, 0x00, 0x00, 0x00, 0x07})  // 201 MAC
      ({10, 0, 0, 7})                         // 207 BindIp
      ({0x01})                                // 211 BindIndex: the root
      ({0x08})                                // 212 Status2: 15-bit Port-Address
      ({0x00, 0x00, 0x80, 0x00})              // 213 GoodOutputB: RDM disabled on port 3
      ({0x00})                                // 217 Status3
      (Bytes(21, 0x00));                      // 218 the rest, zero
  return g.bytes;
}

TEST(ControllerPackets, PollReplyListsTheOutputsThatAreInUse) {
  struct Case {
    const char* name;
    std::function<void(Bytes&)> change;
    // (port, Port-Address, RDM, outputting) of each port listed
    std::vector<std::tuple<int, std::uint16_t, bool, bool>> outputs;
  };
  const Case cases[] = {
      {"as sent: the two idle ports at Universe 0 are fillers",
       [](Bytes&) {},
       {{1, 0x0015, true, true}}},
      {"port 3 at an address of its own",
       [](Bytes& p) { p[192] = 0x07; },
       {{1, 0x0015, true, true}, {2, 0x0010, true, false}, {3, 0x0017, false, false}}},
      {"port 2 outputs too",
       [](Bytes& p) { p[183] = 0x80; },
       {{1, 0x0015, true, true}, {2, 0x0010, true, true}}},
      {"no RDM on the node", [](Bytes& p) { p[23] = 0xD0; }, {{1, 0x0015, false, true}}},
      {"RDM disabled on port 1", [](Bytes& p) { p[213] = 0x80; }, {{1, 0x0015, false, true}}},
      {"Net 0x85 keeps its 7 bits", [](Bytes& p) { p[18] = 0x85; }, {{1, 0x0515, true, true}}},
      {"an Art-Net 3 reply: no GoodOutputB",
       [](Bytes& p) { p.resize(207); },
       {{1, 0x0015, true, true}}},
  };
  for (const Case& c : cases) {
    Bytes packet = FourPortReply();
    c.change(packet);
    const auto reply = ParseArtPollReply(packet);
    ASSERT_TRUE(reply) << c.name;
    std::vector<std::tuple<int, std::uint16_t, bool, bool>> outputs;
    for (const auto& p : reply->outputs)
      outputs.emplace_back(p.port, p.portAddress, p.rdm, p.outputting);
    EXPECT_EQ(outputs, c.outputs) << c.name;
  }
  const auto reply = ParseArtPollReply(FourPortReply());
  EXPECT_EQ(reply->ipAddress, 0x0A000007u);
  EXPECT_EQ(reply->shortName, "Four \xC3\xBC");
  EXPECT_EQ(reply->longName, "Four-port node");
  EXPECT_EQ(reply->bindIndex, 1);

  // Too short, or another OpCode: no reply.
  const Bytes whole = FourPortReply();
  EXPECT_FALSE(ParseArtPollReply(std::span(whole).first(197)));
  Bytes poll = FourPortReply();
  poll[9] = 0x20;
  EXPECT_FALSE(ParseArtPollReply(poll));
  // A name that fills its field has no terminator.
  Bytes full = FourPortReply();
  std::fill_n(full.begin() + 26, 18, 'N');
  EXPECT_EQ(ParseArtPollReply(full)->shortName, std::string(18, 'N'));
}

TEST(ControllerPackets, OurNodesReplyReadsBack) {
  NodeDescription node;
  node.ipAddress = 0xC0A8010A;
  node.portAddress = 0x0123;
  node.shortName = "KORVAL RDM Setup";
  const auto reply = ParseArtPollReply(BuildArtPollReply(node));
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->shortName, "KORVAL RDM Setup");
  ASSERT_EQ(reply->outputs.size(), 1u) << "idle, its one port still counts";
  EXPECT_EQ(reply->outputs[0].portAddress, 0x0123);
  EXPECT_TRUE(reply->outputs[0].rdm);
}

Bytes TodData(std::uint8_t totalLo, std::uint8_t block, std::uint8_t count, std::uint8_t uids) {
  Golden g;
  g(kId)                    // 0  ID
      ({0x00, 0x81})        // 8  OpCode 0x8100 OpTodData
      ({0x00, 0x0E})        // 10 ProtVer 14
      ({0x01})              // 12 RdmVer: E1.20
      ({0x02})              // 13 Port 2
      ({0, 0, 0, 0, 0, 0})  // 14 spare
      ({0x01})              // 20 BindIndex
      ({0x01})              // 21 Net 1
      ({0x00})              // 22 CommandResponse: TodFull
      ({0x23})              // 23 Address: Sub-Net 2, Universe 3
      ({0x00, totalLo})     // 24 UidTotal
      ({block})             // 26 BlockCount
      ({count});            // 27 UidCount
  for (std::uint8_t k = 0; k < uids; ++k) g({0x4B, 0x52, 0x00, 0x00, 0x01, k});  // 28 ToD[k]
  return g.bytes;
}

TEST(ControllerPackets, TodDataIsTakenOnlyWhenItsFieldsAddUp) {
  struct Case {
    const char* name;
    Bytes packet;
    std::optional<std::size_t> uids;  // nothing: rejected
  };
  Bytes nak = TodData(0, 0, 0, 0);
  nak[22] = kTodNak;
  Bytes draft = TodData(2, 0, 2, 2);
  draft[12] = 0x00;
  Bytes unknownResponse = TodData(2, 0, 2, 2);
  unknownResponse[22] = 0x05;
  Bytes trailing = TodData(2, 0, 2, 2);
  trailing.push_back(0xEE);
  Bytes cut = TodData(0, 0, 0, 0);
  cut.pop_back();
  const Case cases[] = {
      {"two UIDs", TodData(2, 0, 2, 2), 2},
      {"the second block of a larger table", TodData(250, 1, 50, 50), 50},
      {"an empty table", TodData(0, 0, 0, 0), 0},
      {"TodNak", nak, 0},
      {"bytes after the UIDs", trailing, 2},
      {"UidCount past the datagram", TodData(3, 0, 3, 2), std::nullopt},
      {"more UIDs than UidTotal", TodData(1, 0, 2, 2), std::nullopt},
      {"more than 200 UIDs", TodData(255, 0, 201, 201), std::nullopt},
      {"draft RDM", draft, std::nullopt},
      {"unknown CommandResponse", unknownResponse, std::nullopt},
      {"header cut short", cut, std::nullopt},
  };
  for (const Case& c : cases) {
    const auto tod = ParseArtTodData(c.packet);
    ASSERT_EQ(tod.has_value(), c.uids.has_value()) << c.name;
    if (!tod) continue;
    EXPECT_EQ(tod->uids.size(), *c.uids) << c.name;
    EXPECT_EQ(tod->header.portAddress, 0x0123) << c.name;
  }
  const auto two = ParseArtTodData(TodData(2, 0, 2, 2));
  EXPECT_EQ(two->uids, (std::vector<Uid>{0x4B5200000100, 0x4B5200000101}));
  EXPECT_EQ(two->header.port, 2);
  EXPECT_EQ(two->header.uidTotal, 2);

  // What the node's encoder sends, the parser reads back.
  const std::vector<Uid> uids = {0x4B5200000001, 0x4B5200000002, 0x4B5200000003};
  const auto packets = EncodeTableOfDevices(0x0123, uids);
  EXPECT_EQ(ParseArtTodData(packets[0])->uids, uids);
}

}  // namespace
}  // namespace korval::artnet
