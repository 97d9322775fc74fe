#include "artnet/art_rdm.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "artnet/tests/packet_builder.h"
#include "base/bytes.h"
#include "rdm/rdm_constants.h"
#include "rdm/rdm_message.h"

namespace korval::artnet {
namespace {

using Bytes = std::vector<std::uint8_t>;

using testing::Golden;
using testing::kId;

constexpr Uid kController = 0x7A70'0000'0001ULL;
constexpr Uid kFixture = 0x4B52'0000'0101ULL;

// The RDM messages as Art-Net carries them: no 0xCC start code, checksum
// included (and taken over the start code as on the line).
const Bytes kGetDeviceInfo = {
    0x01,                                // sub-start code
    0x18,                                // message length 24: header only
    0x4B, 0x52, 0x00, 0x00, 0x01, 0x01,  // destination 4B52:00000101
    0x7A, 0x70, 0x00, 0x00, 0x00, 0x01,  // source 7A70:00000001, the controller
    0x05,                                // transaction number
    0x01,                                // port ID
    0x00,                                // message count
    0x00, 0x00,                          // sub-device: root
    0x20,                                // GET_COMMAND
    0x00, 0x60,                          // DEVICE_INFO
    0x00,                                // PDL
    0x02, 0xF5,                          // checksum, 0xCC counted
};
const Bytes kSetStartAddress100 = {
    0x01,                                // sub-start code
    0x1A,                                // message length 26
    0x4B, 0x52, 0x00, 0x00, 0x01, 0x01,  // destination
    0x7A, 0x70, 0x00, 0x00, 0x00, 0x01,  // source
    0x06,                                // transaction number
    0x01,                                // port ID
    0x00,                                // message count
    0x00, 0x00,                          // sub-device
    0x30,                                // SET_COMMAND
    0x00, 0xF0,                          // DMX_START_ADDRESS
    0x02,                                // PDL
    0x00, 0x64,                          // start address 100
    0x03, 0xFE,                          // checksum
};
const Bytes kBroadcastIdentify = {
    0x01,                                // sub-start code
    0x19,                                // message length 25
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,  // destination: every device
    0x7A, 0x70, 0x00, 0x00, 0x00, 0x01,  // source
    0x07,                                // transaction number
    0x01,                                // port ID
    0x00,                                // message count
    0x00, 0x00,                          // sub-device
    0x30,                                // SET_COMMAND
    0x10, 0x00,                          // IDENTIFY_DEVICE
    0x01,                                // PDL
    0x01,                                // identify on
    0x08, 0x15,                          // checksum
};
const Bytes kSetStartAddressAck = {
    0x01,                                // sub-start code
    0x18,                                // message length 24
    0x7A, 0x70, 0x00, 0x00, 0x00, 0x01,  // destination: the controller
    0x4B, 0x52, 0x00, 0x00, 0x01, 0x01,  // source: the fixture
    0x06,                                // transaction number of the request
    0x00,                                // response type ACK
    0x00,                                // message count
    0x00, 0x00,                          // sub-device
    0x31,                                // SET_COMMAND_RESPONSE
    0x00, 0xF0,                          // DMX_START_ADDRESS
    0x00,                                // PDL
    0x03, 0x96,                          // checksum
};

Bytes ArtRdmDatagram(const Bytes& rdm, std::uint8_t net = 0x00, std::uint8_t address = 0x00) {
  Golden g;
  g(kId)                                // 0  ID
      ({0x00, 0x83})                    // 8  OpCode 0x8300 OpRdm, low byte first
      ({0x00, 0x0E})                    // 10 ProtVer 14, high byte first
      ({0x01})                          // 12 RdmVer: E1.20
      ({0x00})                          // 13 filler
      ({0x00, 0x00, 0x00, 0x00, 0x00})  // 14 spare
      ({0x00, 0x00})                    // 19 FifoAvail, FifoMax: not given
      ({net})                           // 21 Net
      ({0x00})                          // 22 Command: ArProcess
      ({address})                       // 23 Address: Sub-Net and Universe
      (rdm);                            // 24 the RDM message
  return g.bytes;
}

TEST(ArtTodRequest, GoldenDatagramsGiveThePortAddressesAskedFor) {
  // As OLA sends it: the whole 32-byte array, AddCount 1.
  Golden ola;
  ola(kId)                     // 0  ID
      ({0x00, 0x80})           // 8  OpCode 0x8000 OpTodRequest
      ({0x00, 0x0E})           // 10 ProtVer 14
      ({0x00, 0x00})           // 12 filler
      ({0, 0, 0, 0, 0, 0, 0})  // 14 spare
      ({0x00})                 // 21 Net 0
      ({0x00})                 // 22 Command: TodFull
      ({0x01})                 // 23 AddCount
      ({0x00})                 // 24 Address[0]: Sub-Net 0, Universe 0
      (Bytes(31, 0x00));       // 25 the rest of the array, unused
  auto request = ParseArtTodRequest(ola.bytes);
  ASSERT_TRUE(request);
  EXPECT_EQ(request->net, 0x00);
  EXPECT_EQ(request->command, kTodFull);
  EXPECT_EQ(request->portAddresses, std::vector<std::uint16_t>{0x0000});
  EXPECT_TRUE(request->Asks(0x0000));
  EXPECT_FALSE(request->Asks(0x0001));

  // Only AddCount bytes of the array, in another Net.
  Golden shortForm;
  shortForm(kId)               // 0  ID
      ({0x00, 0x80})           // 8  OpCode
      ({0x00, 0x0E})           // 10 ProtVer
      ({0x00, 0x00})           // 12 filler
      ({0, 0, 0, 0, 0, 0, 0})  // 14 spare
      ({0x01})                 // 21 Net 1
      ({0x00})                 // 22 Command
      ({0x03})                 // 23 AddCount 3
      ({0x00, 0x12, 0xFF});    // 24 Address[3]
  request = ParseArtTodRequest(shortForm.bytes);
  ASSERT_TRUE(request);
  EXPECT_EQ(request->portAddresses, (std::vector<std::uint16_t>{0x0100, 0x0112, 0x01FF}));
  EXPECT_FALSE(request->Asks(0x0000)) << "Net 1, Universe 0 is not Port-Address 0";

  // Any Command is handed over, for the node to judge.
  shortForm.bytes[22] = 0x05;
  EXPECT_EQ(ParseArtTodRequest(shortForm.bytes)->command, 0x05);
}

TEST(ArtTodRequest, AddressesAreBoundedByTheDatagramAndByThirtyTwo) {
  auto packet = kId;
  packet.insert(packet.end(), {0x00, 0x80, 0x00, 0x0E, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x00});
  packet.push_back(40);  // AddCount 40
  for (std::uint8_t k = 0; k < 40; ++k) packet.push_back(k);
  auto request = ParseArtTodRequest(packet);
  ASSERT_TRUE(request);
  ASSERT_EQ(request->portAddresses.size(), 32u);
  EXPECT_EQ(request->portAddresses.back(), 31);

  // AddCount beyond the datagram: the addresses that are there, nothing past.
  packet.resize(24 + 5);
  request = ParseArtTodRequest(packet);
  ASSERT_TRUE(request);
  EXPECT_EQ(request->portAddresses, (std::vector<std::uint16_t>{0, 1, 2, 3, 4}));
  packet.resize(24);
  request = ParseArtTodRequest(packet);
  ASSERT_TRUE(request);
  EXPECT_TRUE(request->portAddresses.empty());
}

TEST(ArtTodControl, GoldenDatagramGivesItsCommandAndPortAddress) {
  Golden flush;
  flush(kId)                   // 0  ID
      ({0x00, 0x82})           // 8  OpCode 0x8200 OpTodControl
      ({0x00, 0x0E})           // 10 ProtVer 14
      ({0x00, 0x00})           // 12 filler
      ({0, 0, 0, 0, 0, 0, 0})  // 14 spare
      ({0x00})                 // 21 Net 0
      ({0x01})                 // 22 Command: AtcFlush
      ({0x00});                // 23 Address: Sub-Net 0, Universe 0
  auto control = ParseArtTodControl(flush.bytes);
  ASSERT_TRUE(control);
  EXPECT_EQ(control->net, 0);
  EXPECT_EQ(control->command, kAtcFlush);
  EXPECT_EQ(control->portAddress, 0x0000);

  for (const std::uint8_t command : {kAtcNone, kAtcEnd, kAtcIncOn, kAtcIncOff, std::uint8_t{9}}) {
    auto packet = flush.bytes;
    packet[21] = 0x7F;
    packet[22] = command;
    packet[23] = 0x34;
    control = ParseArtTodControl(packet);
    ASSERT_TRUE(control);
    EXPECT_EQ(control->command, command);
    EXPECT_EQ(control->portAddress, 0x7F34);
  }
}

// The ArtTodData header before the UIDs; the rest is the 6-byte UIDs.
Bytes TodDataHeaderBytes(std::uint8_t uidTotalHi, std::uint8_t uidTotalLo, std::uint8_t block,
                         std::uint8_t uidCount) {
  Golden g;
  g(kId)                          // 0  ID
      ({0x00, 0x81})              // 8  OpCode 0x8100 OpTodData
      ({0x00, 0x0E})              // 10 ProtVer 14
      ({0x01})                    // 12 RdmVer: E1.20
      ({0x01})                    // 13 Port: the first (and only) port
      ({0, 0, 0, 0, 0, 0})        // 14 spare
      ({0x01})                    // 20 BindIndex: the root node
      ({0x00})                    // 21 Net 0
      ({0x00})                    // 22 CommandResponse: TodFull
      ({0x00})                    // 23 Address: Sub-Net 0, Universe 0
      ({uidTotalHi, uidTotalLo})  // 24 UidTotal, high byte first
      ({block})                   // 26 BlockCount
      ({uidCount});               // 27 UidCount
  return g.bytes;
}

std::vector<Uid> Uids(std::size_t count) {
  std::vector<Uid> uids;
  for (std::size_t k = 0; k < count; ++k) uids.push_back(0x4B52'0000'0100ULL + k);
  return uids;
}

TEST(ArtTodData, GoldenTablesOfNoneOneAndThirtyThreeDevices) {
  const auto none = EncodeTableOfDevices(0x0000, {});
  ASSERT_EQ(none.size(), 1u);
  EXPECT_EQ(none[0], TodDataHeaderBytes(0x00, 0x00, 0x00, 0x00));

  const Uid one[] = {kFixture};
  const auto single = EncodeTableOfDevices(0x0000, one);
  ASSERT_EQ(single.size(), 1u);
  Golden g;
  g(TodDataHeaderBytes(0x00, 0x01, 0x00, 0x01))  // UidTotal 1, block 0, one UID
      ({0x4B, 0x52, 0x00, 0x00, 0x01, 0x01});    // 28 ToD[0]: 4B52:00000101
  EXPECT_EQ(single[0], g.bytes);

  const auto rig = Uids(33);
  const auto full = EncodeTableOfDevices(0x0000, rig);
  ASSERT_EQ(full.size(), 1u);
  Golden g33;
  g33(TodDataHeaderBytes(0x00, 0x21, 0x00, 0x21));  // UidTotal 33, block 0, 33 UIDs
  for (std::uint8_t k = 0; k < 33; ++k) {
    g33({0x4B, 0x52, 0x00, 0x00, 0x01, k});  // ToD[k]: 4B52:000001kk
  }
  EXPECT_EQ(full[0], g33.bytes);
  EXPECT_EQ(full[0].size(), 28u + 33u * 6u);
}

TEST(ArtTodData, LargeTablesAreSplitIntoBlocksOfTwoHundred) {
  const auto table = Uids(401);
  const auto packets = EncodeTableOfDevices(0x0000, table);
  ASSERT_EQ(packets.size(), 3u);
  const std::size_t counts[] = {200, 200, 1};
  for (std::size_t block = 0; block < 3; ++block) {
    SCOPED_TRACE("block " + std::to_string(block));
    const auto& p = packets[block];
    ASSERT_EQ(p.size(), 28 + counts[block] * 6);
    EXPECT_EQ(Bytes(p.begin(), p.begin() + 28),
              TodDataHeaderBytes(0x01, 0x91, static_cast<std::uint8_t>(block),
                                 static_cast<std::uint8_t>(counts[block])));  // UidTotal 401
    for (std::size_t k = 0; k < counts[block]; ++k) {
      const auto at = std::span(p).subspan(28 + 6 * k).first<6>();
      ASSERT_EQ(UidFromBytes(at), table[200 * block + k]);
    }
  }
  // Exactly 200: one full packet, no empty one after it.
  EXPECT_EQ(EncodeTableOfDevices(0x0000, std::span(table).first(200)).size(), 1u);
}

TEST(ArtTodData, HeaderFieldsGoWhereTheyBelong) {
  const TodDataHeader header{.portAddress = 0x0123,
                             .port = 1,
                             .bindIndex = 2,
                             .commandResponse = kTodNak,
                             .uidTotal = 0x0203,
                             .blockCount = 4};
  const auto p = EncodeArtTodData(header, Uids(201));
  ASSERT_EQ(p.size(), 28u + 200u * 6u) << "at most 200 UIDs a packet";
  EXPECT_EQ(p[20], 2);     // BindIndex
  EXPECT_EQ(p[21], 0x01);  // Net
  EXPECT_EQ(p[22], 0xFF);  // CommandResponse: TodNak
  EXPECT_EQ(p[23], 0x23);  // Address
  EXPECT_EQ(p[24], 0x02);  // UidTotal as given
  EXPECT_EQ(p[25], 0x03);
  EXPECT_EQ(p[26], 4);    // BlockCount
  EXPECT_EQ(p[27], 200);  // UidCount
  // A Port-Address past 15 bits keeps Net to its 7 bits.
  EXPECT_EQ(EncodeArtTodData({.portAddress = 0xFF00}, {})[21], 0x7F);
}

TEST(ArtRdm, GoldenGetSetAndBroadcastGiveTheRdmMessageInsideTheDatagram) {
  struct Case {
    std::string what;
    Bytes rdm;
  };
  const std::vector<Case> cases = {
      {"GET DEVICE_INFO", kGetDeviceInfo},
      {"SET DMX_START_ADDRESS", kSetStartAddress100},
      {"broadcast SET IDENTIFY_DEVICE", kBroadcastIdentify},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto datagram = ArtRdmDatagram(c.rdm);
    const auto message = ParseArtRdm(datagram);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->net, 0);
    EXPECT_EQ(message->command, kArProcess);
    EXPECT_EQ(message->portAddress, 0x0000);
    EXPECT_EQ(Bytes(message->rdm.begin(), message->rdm.end()), c.rdm);
    EXPECT_EQ(message->rdm.data(), datagram.data() + 24) << "not a span inside the datagram";
  }
  // The message put back on the line form reads as the request it is.
  // The span lives as long as the datagram does.
  const auto setDatagram = ArtRdmDatagram(kSetStartAddress100);
  const auto set = ParseArtRdm(setDatagram);
  ASSERT_TRUE(set);
  const auto frame = RdmFrameWithStartCode(set->rdm);
  ASSERT_EQ(frame.size(), 28u);
  EXPECT_EQ(frame[0], rdm::kStartCode);
  EXPECT_EQ(ReadBe48(frame, rdm::kOffsetDestination), kFixture);
  EXPECT_EQ(ReadBe48(frame, rdm::kOffsetSource), kController);
  EXPECT_EQ(ReadBe16(frame, rdm::kOffsetPid), rdm::kPidDmxStartAddress);
}

TEST(ArtRdm, PortAddressAndCommandAreHandedOver) {
  auto datagram = ArtRdmDatagram(kGetDeviceInfo, 0x02, 0x15);
  datagram[22] = 0x01;  // not ArProcess: the node decides
  const auto message = ParseArtRdm(datagram);
  ASSERT_TRUE(message);
  EXPECT_EQ(message->portAddress, 0x0215);
  EXPECT_EQ(message->command, 0x01);
  datagram[21] = 0x80;  // a Net of 8 bits names no 15-bit Port-Address
  EXPECT_EQ(ParseArtRdm(datagram)->portAddress, 0x8015);
}

TEST(ArtRdm, BytesAfterTheChecksumAreToleratedAndLeftOut) {
  auto datagram = ArtRdmDatagram(kGetDeviceInfo);
  datagram.insert(datagram.end(), {0x00, 0xEE, 0xEE});
  const auto message = ParseArtRdm(datagram);
  ASSERT_TRUE(message);
  EXPECT_EQ(Bytes(message->rdm.begin(), message->rdm.end()), kGetDeviceInfo);
}

// After a spoilt field, the checksum made right again over the message length
// byte's count, so that the field alone is what is refused.
void Resum(Bytes& p) {
  const std::size_t length = p[24 + 1];
  std::uint16_t sum = rdm::kStartCode;
  for (std::size_t i = 0; i + 1 < length; ++i) sum = static_cast<std::uint16_t>(sum + p[24 + i]);
  WriteBe16(p, 24 + length - 1, sum);
}

TEST(ArtRdm, MalformedDatagramsAreRefusedWithoutReadingPastThem) {
  struct Case {
    std::string what;
    std::function<void(Bytes&)> spoil;
  };
  const std::vector<Case> cases = {
      {"empty", [](Bytes& p) { p.clear(); }},
      {"short header: ID only", [](Bytes& p) { p.resize(8); }},
      {"short header: up to Address", [](Bytes& p) { p.resize(24); }},
      {"short header: sub-start code only", [](Bytes& p) { p.resize(25); }},
      {"wrong ID byte 0", [](Bytes& p) { p[0] = 'a'; }},
      {"wrong ID byte 4", [](Bytes& p) { p[4] = 'n'; }},
      {"ID not terminated", [](Bytes& p) { p[7] = ' '; }},
      {"OpCode ArtTodData", [](Bytes& p) { p[9] = 0x81; }},
      {"OpCode ArtDmx", [](Bytes& p) { p[8] = 0x00, p[9] = 0x50; }},
      {"OpCode high byte first", [](Bytes& p) { p[8] = 0x83, p[9] = 0x00; }},
      {"ProtVer 13", [](Bytes& p) { p[11] = 13; }},
      {"RdmVer 0, the draft", [](Bytes& p) { p[12] = 0x00; }},
      {"RdmVer 2", [](Bytes& p) { p[12] = 0x02; }},
      {"sub-start code 0x02", [](Bytes& p) { p[24] = 0x02, Resum(p); }},
      {"start code carried", [](Bytes& p) { p.insert(p.begin() + 24, 0xCC); }},
      {"truncated: no checksum", [](Bytes& p) { p.resize(p.size() - 2); }},
      {"truncated: half a checksum", [](Bytes& p) { p.resize(p.size() - 1); }},
      {"truncated: data cut", [](Bytes& p) { p.resize(24 + 20); }},
      {"bad checksum high byte", [](Bytes& p) { p[p.size() - 2] ^= 0x01; }},
      {"bad checksum low byte", [](Bytes& p) { p[p.size() - 1] ^= 0x80; }},
      {"checksum without the start code",
       [](Bytes& p) {
         const auto sum = static_cast<std::uint16_t>(ReadBe16(p, p.size() - 2) - rdm::kStartCode);
         WriteBe16(p, p.size() - 2, sum);
       }},
      {"a data byte changed", [](Bytes& p) { p[24 + 24] ^= 0x10; }},
      {"message length beyond the datagram", [](Bytes& p) { p[25] = 0x40; }},
      {"message length 255", [](Bytes& p) { p[25] = 0xFF; }},
      {"message length shorter than the header", [](Bytes& p) { p[25] = 0x17; }},
      {"message length 0", [](Bytes& p) { p[25] = 0x00; }},
      {"PDL disagrees with the message length", [](Bytes& p) { p[24 + 22] = 0x01, Resum(p); }},
  };
  for (const auto& c : cases) {
    auto datagram = ArtRdmDatagram(kSetStartAddress100);
    ASSERT_TRUE(ParseArtRdm(datagram));
    c.spoil(datagram);
    // An exact heap block: a byte read past it is a fault the sanitizers see.
    const std::vector<std::uint8_t> exact(datagram.begin(), datagram.end());
    EXPECT_FALSE(ParseArtRdm(exact)) << c.what;
  }
}

TEST(ArtTodRequestAndControl, MalformedDatagramsAreRefused) {
  const Bytes request = {'A', 'r', 't', '-', 'N', 'e', 't', 0, 0x00, 0x80, 0x00, 0x0E, 0,
                         0,   0,   0,   0,   0,   0,   0,   0, 0x00, 0x00, 0x01, 0x00};
  Bytes control = request;
  control[9] = 0x82;
  control.resize(24);
  ASSERT_TRUE(ParseArtTodRequest(request));
  ASSERT_TRUE(ParseArtTodControl(control));
  struct Case {
    std::string what;
    std::function<void(Bytes&)> spoil;
  };
  const std::vector<Case> cases = {
      {"empty", [](Bytes& p) { p.clear(); }},
      {"short header: ends before Net", [](Bytes& p) { p.resize(21); }},
      {"short header: ends before the last fixed field", [](Bytes& p) { p.resize(23); }},
      {"wrong ID", [](Bytes& p) { p[1] = 'R'; }},
      {"wrong OpCode: ArtRdm", [](Bytes& p) { p[9] = 0x83; }},
      {"wrong OpCode: ArtPoll", [](Bytes& p) { p[9] = 0x20; }},
      {"ProtVer 0", [](Bytes& p) { p[11] = 0; }},
  };
  for (const auto& c : cases) {
    Bytes r = request, t = control;
    c.spoil(r);
    c.spoil(t);
    const Bytes exactRequest(r.begin(), r.end()), exactControl(t.begin(), t.end());
    EXPECT_FALSE(ParseArtTodRequest(exactRequest)) << c.what;
    EXPECT_FALSE(ParseArtTodControl(exactControl)) << c.what;
  }
  EXPECT_FALSE(ParseArtTodRequest(control)) << "an ArtTodControl is no ArtTodRequest";
  EXPECT_FALSE(ParseArtTodControl(request)) << "an ArtTodRequest is no ArtTodControl";
}

TEST(ArtRdm, GoldenReplyCarriesTheResponderMessage) {
  Golden g;
  g(kId)                                // 0  ID
      ({0x00, 0x83})                    // 8  OpCode 0x8300 OpRdm
      ({0x00, 0x0E})                    // 10 ProtVer 14
      ({0x01})                          // 12 RdmVer: E1.20
      ({0x00})                          // 13 filler
      ({0x00, 0x00, 0x00, 0x00, 0x00})  // 14 spare
      ({0x00, 0x00})                    // 19 FifoAvail, FifoMax: no queue
      ({0x00})                          // 21 Net 0
      ({0x00})                          // 22 Command: ArProcess
      ({0x00})                          // 23 Address
      (kSetStartAddressAck);            // 24 the responder's message
  // The reply as the line delivered it, start code first.
  Bytes frame = {rdm::kStartCode};
  frame.insert(frame.end(), kSetStartAddressAck.begin(), kSetStartAddressAck.end());
  const auto datagram = EncodeArtRdm(0x0000, RdmWithoutStartCode(frame));
  EXPECT_EQ(datagram, g.bytes);
  EXPECT_EQ(DecodeReplyFrame(frame).status, ReplyStatus::kAck);
  // And it reads back as the controller will read it.
  const auto back = ParseArtRdm(datagram);
  ASSERT_TRUE(back);
  EXPECT_EQ(Bytes(back->rdm.begin(), back->rdm.end()), kSetStartAddressAck);
  EXPECT_EQ(RdmFrameWithStartCode(back->rdm), frame);
  EXPECT_TRUE(RdmWithoutStartCode({}).empty());
}

// The frames our own encoder puts on the line travel through ArtRdm both ways:
// the checksum conventions of the two agree.
TEST(ArtRdm, FramesOfTheLineEncoderRoundTrip) {
  const RdmRequest requests[] = {
      {.destination = kFixture, .commandClass = rdm::kGetCommand, .pid = rdm::kPidDeviceInfo},
      {.destination = kFixture,
       .commandClass = rdm::kSetCommand,
       .pid = rdm::kPidDeviceLabel,
       .data = Bytes(32, 'x')},
      {.destination = kBroadcastUid,
       .commandClass = rdm::kSetCommand,
       .pid = rdm::kPidIdentifyDevice,
       .data = {1}},
      {.destination = kFixture,
       .commandClass = rdm::kSetCommand,
       .pid = 0x8000,
       .data = Bytes(rdm::kMaxPdl, 0xFF)},
  };
  for (const auto& request : requests) {
    const auto frame = EncodeRequestFrame(request, kController, 0xFE, 1);
    const auto datagram = EncodeArtRdm(0x0000, RdmWithoutStartCode(frame));
    const auto message = ParseArtRdm(datagram);
    ASSERT_TRUE(message) << "PID " << request.pid;
    EXPECT_EQ(RdmFrameWithStartCode(message->rdm), frame);
  }
}

}  // namespace
}  // namespace korval::artnet
