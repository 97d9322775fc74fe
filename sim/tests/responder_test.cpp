// The responders at the byte level: discovery, mute, GET/SET answers, NACKs,
// addressing and broadcasts, as the line carries them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "sim/tests/line_fixture.h"

namespace korval::sim {
namespace {

using namespace rdm;
using testing::Branch;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using testing::Fixture;
using ::testing::IsEmpty;
using testing::OpenLine;
using testing::Reply;
using testing::Request;

constexpr Uid kSpot = 0x1234'5678'9ABCULL;
constexpr Uid kWash = 0x1234'0000'0001ULL;
constexpr Uid kOther = 0x4A4C'0000'0012ULL;

TEST(DiscoveryTest, UniqueBranchAnswerIsPreambleSeparatorAndEncodedUidWithChecksum) {
  OpenLine t;
  t.line.AddResponder(Fixture(kSpot));
  EXPECT_THAT(
      t.Transact(Branch(0, 0xFFFF'FFFF'FFFEULL)),
      ElementsAreArray({0xFE, 0xFE, 0xFE, 0xFE, 0xFE, 0xFE, 0xFE, 0xAA, 0xBA, 0x57, 0xBE, 0x75,
                        0xFE, 0x57, 0xFA, 0x7D, 0xBA, 0xDF, 0xBE, 0xFD, 0xAA, 0x5D, 0xEE, 0x75}));
  EXPECT_EQ(EncodeDiscoveryResponse(kSpot), t.Transact(Branch(kSpot, kSpot)));
}

TEST(DiscoveryTest, BoundsAreInclusiveAndOutsideStaysSilent) {
  struct Case {
    Uid lower, upper;
    bool answers;
  };
  const Case cases[] = {
      {kSpot, kSpot, true},     {kSpot - 1, kSpot, true},
      {kSpot, kSpot + 1, true}, {kSpot + 1, 0xFFFF'FFFF'FFFEULL, false},
      {0, kSpot - 1, false},    {0x7FFF'FFFF'FFFFULL, 0xFFFF'FFFF'FFFEULL, false},
  };
  for (const Case& c : cases) {
    OpenLine t;
    t.line.AddResponder(Fixture(kSpot));
    EXPECT_EQ(t.Transact(Branch(c.lower, c.upper)).empty(), !c.answers)
        << UidColonText(c.lower) << ".." << UidColonText(c.upper);
  }
}

TEST(DiscoveryTest, TwoAnswersCollideAsTheAndOfTheirBytes) {
  OpenLine t;
  t.line.AddResponder(Fixture(kSpot));
  t.line.AddResponder(Fixture(kWash));
  const auto a = EncodeDiscoveryResponse(kSpot), b = EncodeDiscoveryResponse(kWash);
  std::vector<std::uint8_t> both(a.size());
  for (std::size_t i = 0; i < a.size(); ++i) both[i] = a[i] & b[i];
  const auto line = t.Transact(Branch(0, 0xFFFF'FFFF'FFFEULL));
  EXPECT_EQ(line, both);
  EXPECT_NE(line, a);
  // Narrowing the branch separates them again.
  EXPECT_EQ(t.Transact(Branch(kWash + 1, 0xFFFF'FFFF'FFFEULL)), a);
}

TEST(DiscoveryTest, MuteIsAcknowledgedAndSilencesTheBranchUntilUnMute) {
  OpenLine t;
  Responder& spot = t.line.AddResponder(Fixture(kSpot));
  Reply mute{t.Transact(Request(kSpot, kDiscoveryCommand, kPidDiscMute))};
  EXPECT_EQ(mute.ResponseType(), kResponseAck);
  EXPECT_EQ(mute.CommandClass(), kDiscoveryCommandResponse);
  EXPECT_EQ(mute.Pid(), kPidDiscMute);
  EXPECT_THAT(mute.Data(), ElementsAre(0x00, 0x00));
  EXPECT_TRUE(mute.ChecksumOk());
  EXPECT_TRUE(spot.Muted());
  EXPECT_THAT(t.Transact(Branch(0, 0xFFFF'FFFF'FFFEULL)), IsEmpty());

  // A broadcast un-mute is carried out without an answer.
  EXPECT_THAT(t.Transact(Request(kBroadcastUid, kDiscoveryCommand, kPidDiscUnMute)), IsEmpty());
  EXPECT_FALSE(spot.Muted());
  EXPECT_FALSE(t.Transact(Branch(0, 0xFFFF'FFFF'FFFEULL)).empty());

  Reply unMute{t.Transact(Request(kSpot, kDiscoveryCommand, kPidDiscUnMute))};
  EXPECT_EQ(unMute.Pid(), kPidDiscUnMute);
  EXPECT_THAT(unMute.Data(), ElementsAre(0x00, 0x00));
  // A broadcast mute mutes every responder, again silently.
  t.line.AddResponder(Fixture(kWash));
  EXPECT_THAT(t.Transact(Request(kBroadcastUid, kDiscoveryCommand, kPidDiscMute)), IsEmpty());
  EXPECT_TRUE(spot.Muted());
  EXPECT_TRUE(t.line.FindResponder(kWash)->Muted());
}

TEST(DiscoveryTest, AResponderThatForgetsItsMuteAnswersOnceMoreAfterItsNthRequest) {
  OpenLine t;
  ResponderConfig config = Fixture(kSpot);
  config.faults.unmute_after_requests = 3;
  Responder& spot = t.line.AddResponder(config);
  EXPECT_FALSE(t.Transact(Branch(0, 0xFFFF'FFFF'FFFEULL)).empty());                   // request 1
  EXPECT_FALSE(t.Transact(Request(kSpot, kDiscoveryCommand, kPidDiscMute)).empty());  // 2
  EXPECT_TRUE(spot.Muted());
  // The third request finds it un-muted, as after a power cycle, and it answers.
  EXPECT_FALSE(t.Transact(Branch(0, 0xFFFF'FFFF'FFFEULL)).empty());
  EXPECT_FALSE(spot.Muted());
  // Only once: muted again, it stays muted.
  EXPECT_FALSE(t.Transact(Request(kSpot, kDiscoveryCommand, kPidDiscMute)).empty());
  for (int i = 0; i < 5; ++i) EXPECT_THAT(t.Transact(Branch(0, 0xFFFF'FFFF'FFFEULL)), IsEmpty());
  EXPECT_TRUE(spot.Muted());
}

TEST(ReplyTest, DeviceInfoHasTheE120LayoutAndTheStandardHeader) {
  OpenLine t;
  ResponderConfig c = Fixture(kOther);
  c.model_id = 0x0102;
  c.category = 0x0102;
  c.software_version = 0x01000203;
  c.footprint = 16;
  c.personality = 3;
  c.personality_count = 4;
  c.start_address = 300;
  t.line.AddResponder(c);
  Reply r{t.Transact(Request(kOther, kGetCommand, kPidDeviceInfo))};
  EXPECT_THAT(r.bytes.size(), 24u + 19u + 2u);
  // CC 01 len, destination = controller, source = responder, transaction 7,
  // ACK, message count 0, sub-device 0, GET_COMMAND_RESPONSE, PID, PDL 19.
  EXPECT_THAT(
      std::vector<std::uint8_t>(r.bytes.begin(), r.bytes.begin() + 24),
      ElementsAreArray({0xCC, 0x01, 43,   0x88, 0x88, 0x00, 0x00, 0x00, 0x01, 0x4A, 0x4C, 0x00,
                        0x00, 0x00, 0x12, 7,    0x00, 0x00, 0x00, 0x00, 0x21, 0x00, 0x60, 19}));
  EXPECT_THAT(r.Data(), ElementsAreArray({0x01, 0x00, 0x01, 0x02, 0x01, 0x02, 0x01, 0x00, 0x02,
                                          0x03, 0x00, 16, 3, 4, 0x01, 0x2C, 0x00, 0x00, 0x00}));
  EXPECT_TRUE(r.ChecksumOk());
}

TEST(ReplyTest, StartAddressSetWithinOneTo512ElseNack) {
  struct Case {
    std::vector<std::uint8_t> data;
    std::uint8_t responseType;
    std::uint16_t reason;
    std::uint16_t after;
  };
  const Case cases[] = {
      {{0x00, 0x01}, kResponseAck, 0, 1},
      {{0x02, 0x00}, kResponseAck, 0, 512},
      {{0x00, 0x00}, kResponseNackReason, kNrDataOutOfRange, 100},
      {{0x02, 0x01}, kResponseNackReason, kNrDataOutOfRange, 100},
      {{0xFF, 0xFF}, kResponseNackReason, kNrDataOutOfRange, 100},
      {{0x01}, kResponseNackReason, kNrFormatError, 100},
  };
  for (const Case& c : cases) {
    OpenLine t;
    ResponderConfig config = Fixture(kSpot);
    config.start_address = 100;
    Responder& spot = t.line.AddResponder(config);
    Reply r{t.Transact(Request(kSpot, kSetCommand, kPidDmxStartAddress, c.data))};
    EXPECT_EQ(r.ResponseType(), c.responseType);
    EXPECT_EQ(r.CommandClass(), kSetCommandResponse);
    if (c.responseType == kResponseAck) {
      EXPECT_THAT(r.Data(), IsEmpty());
    } else {
      EXPECT_EQ(r.NackReason(), c.reason);
    }
    EXPECT_EQ(spot.StartAddress(), c.after);
    Reply get{t.Transact(Request(kSpot, kGetCommand, kPidDmxStartAddress))};
    EXPECT_THAT(get.Data(), ElementsAre(c.after >> 8, c.after & 0xFF));
  }
}

// A device without a DMX footprint reports 0xFFFF and has no address to set;
// off-standard one-byte settings go out as they are.
TEST(ReplyTest, ADeviceWithoutFootprintReportsNoAddressAndRefusesOne) {
  OpenLine t;
  ResponderConfig config = Fixture(kSpot);
  config.footprint = 0;
  config.start_address = kNoStartAddress;
  config.pan_invert = 2;
  config.pan_tilt_swap = 255;
  Responder& spot = t.line.AddResponder(config);
  Reply info{t.Transact(Request(kSpot, kGetCommand, kPidDeviceInfo))};
  ASSERT_EQ(info.ResponseType(), kResponseAck);
  const auto d = info.Data();
  EXPECT_EQ(d[10] << 8 | d[11], 0);       // footprint
  EXPECT_EQ(d[14] << 8 | d[15], 0xFFFF);  // start address
  Reply get{t.Transact(Request(kSpot, kGetCommand, kPidDmxStartAddress))};
  EXPECT_THAT(get.Data(), ElementsAre(0xFF, 0xFF));
  for (const std::vector<std::uint8_t>& address :
       {std::vector<std::uint8_t>{0x00, 0x01}, std::vector<std::uint8_t>{0x02, 0x00}}) {
    Reply set{t.Transact(Request(kSpot, kSetCommand, kPidDmxStartAddress, address))};
    EXPECT_EQ(set.ResponseType(), kResponseNackReason);
    EXPECT_EQ(set.NackReason(), kNrDataOutOfRange);
    EXPECT_EQ(spot.StartAddress(), kNoStartAddress);
  }
  Reply pan{t.Transact(Request(kSpot, kGetCommand, kPidPanInvert))};
  EXPECT_THAT(pan.Data(), ElementsAre(2));
  Reply swap{t.Transact(Request(kSpot, kGetCommand, kPidPanTiltSwap))};
  EXPECT_THAT(swap.Data(), ElementsAre(255));
  // A SET still keeps to E1.20's 0 and 1.
  Reply set{t.Transact(Request(kSpot, kSetCommand, kPidPanInvert, {2}))};
  EXPECT_EQ(set.NackReason(), kNrDataOutOfRange);
}

// Whatever address the rig gave it, a personality without channels has none.
TEST(ReplyTest, APersonalityWithoutChannelsReportsNoAddressAndRefusesOne) {
  OpenLine t;
  ResponderConfig config = Fixture(kSpot);
  config.personality_footprints = {0, 8};
  config.personality_count = 2;
  config.start_address = 5;
  Responder& spot = t.line.AddResponder(config);
  Reply info{t.Transact(Request(kSpot, kGetCommand, kPidDeviceInfo))};
  const auto d = info.Data();
  EXPECT_EQ(d[14] << 8 | d[15], 0xFFFF);  // start address
  Reply get{t.Transact(Request(kSpot, kGetCommand, kPidDmxStartAddress))};
  EXPECT_THAT(get.Data(), ElementsAre(0xFF, 0xFF));
  Reply set{t.Transact(Request(kSpot, kSetCommand, kPidDmxStartAddress, {0x00, 0x09}))};
  EXPECT_EQ(set.NackReason(), kNrDataOutOfRange);
  // With channels again, the address it kept is its address.
  t.Transact(Request(kSpot, kSetCommand, kPidDmxPersonality, {2}));
  Reply again{t.Transact(Request(kSpot, kGetCommand, kPidDmxStartAddress))};
  EXPECT_THAT(again.Data(), ElementsAre(0x00, 0x05));
  EXPECT_EQ(spot.StartAddress(), 5);
}

TEST(ReplyTest, APersonalityWithChannelsGivesAnAddresslessDeviceAddressOne) {
  OpenLine t;
  ResponderConfig config = Fixture(kSpot);
  config.personality_footprints = {0, 8};
  config.personality_count = 2;
  config.start_address = kNoStartAddress;
  Responder& spot = t.line.AddResponder(config);
  Reply set{t.Transact(Request(kSpot, kSetCommand, kPidDmxPersonality, {2}))};
  EXPECT_EQ(set.ResponseType(), kResponseAck);
  EXPECT_EQ(spot.Footprint(), 8);
  EXPECT_EQ(spot.StartAddress(), 1);
  Reply address{t.Transact(Request(kSpot, kSetCommand, kPidDmxStartAddress, {0x00, 0x21}))};
  EXPECT_EQ(address.ResponseType(), kResponseAck);
  EXPECT_EQ(spot.StartAddress(), 33);
}

// E1.20's parameter data of every GET and SET the responder carries out: one
// byte short of the shortest or one over the longest is a format error and
// changes nothing. A parameter the responder gains needs a row here.
TEST(ReplyTest, DataTooShortOrTooLongIsAFormatErrorForEveryParameter) {
  struct Case {
    std::uint8_t commandClass;
    std::uint16_t pid;
    std::vector<std::uint8_t> data;  // a request that is carried out
    std::size_t shortest, longest;
  };
  auto fixed = [](std::uint8_t cc, std::uint16_t pid, std::vector<std::uint8_t> data) {
    const std::size_t n = data.size();
    return Case{cc, pid, std::move(data), n, n};
  };
  const auto G = kGetCommand, S = kSetCommand;
  std::vector<Case> cases = {
      fixed(G, kPidStatusMessages, {0x02}),             // the status type asked for
      fixed(G, kPidDmxPersonalityDescription, {0x01}),  // personality
      fixed(G, kPidSlotDescription, {0x00, 0x00}),      // slot number
      fixed(G, kPidSensorDefinition, {0x00}),           // sensor number
      fixed(G, kPidSensorValue, {0x00}),                // sensor number
      {S, kPidDeviceLabel, {'S', 'p', 'o', 't'}, 0, kMaxLabelBytes},
      fixed(S, kPidDmxPersonality, {0x01}),
      fixed(S, kPidDmxStartAddress, {0x00, 0x01}),
      fixed(S, kPidDeviceHours, {0x00, 0x00, 0x00, 0x01}),
      fixed(S, kPidLampHours, {0x00, 0x00, 0x00, 0x01}),
      fixed(S, kPidPanInvert, {0x01}),
      fixed(S, kPidTiltInvert, {0x01}),
      fixed(S, kPidPanTiltSwap, {0x01}),
      fixed(S, kPidIdentifyDevice, {0x01}),
      fixed(S, kPidMinLimits, std::vector<std::uint8_t>(8, 0x01)),
      fixed(S, kPidMaxLimits, std::vector<std::uint8_t>(8, 0x01)),
      fixed(S, kPidErrorScene, std::vector<std::uint8_t>(8, 0x01)),
      fixed(S, kPidDimmSwitch, {0x01}),
  };
  // Every other GET takes no data.
  for (std::uint16_t pid :
       {kPidSupportedParameters, kPidDeviceInfo, kPidSoftwareVersionLabel, kPidManufacturerLabel,
        kPidDeviceLabel, kPidDmxPersonality, kPidDmxStartAddress, kPidDeviceHours, kPidLampHours,
        kPidPanInvert, kPidTiltInvert, kPidPanTiltSwap, kPidIdentifyDevice, kPidMinLimits,
        kPidMaxLimits, kPidErrorScene, kPidDimmSwitch, kPidDeviceModelDescription, kPidSlotInfo}) {
    cases.push_back(fixed(G, pid, {}));
  }
  ResponderConfig config = Fixture(kSpot);
  config.model_description = "Spot 250";
  config.personality_descriptions = {"Standard"};
  config.slots = {SlotDescription{}};
  config.sensors = {SensorDescription{}};

  OpenLine t;
  Responder& spot = t.line.AddResponder(config);
  auto covered = [&](std::uint8_t cc, std::uint16_t pid) {
    return std::any_of(cases.begin(), cases.end(),
                       [&](const Case& c) { return c.commandClass == cc && c.pid == pid; });
  };
  // Every parameter it lists, and the required ones, for each command it carries out.
  Reply list{t.Transact(Request(kSpot, G, kPidSupportedParameters))};
  std::vector<std::uint16_t> pids = {kPidSupportedParameters, kPidDeviceInfo,
                                     kPidSoftwareVersionLabel, kPidDmxStartAddress,
                                     kPidIdentifyDevice};
  for (std::size_t i = 0; i + 1 < list.Data().size(); i += 2) {
    pids.push_back(static_cast<std::uint16_t>(list.Data()[i] << 8 | list.Data()[i + 1]));
  }
  for (std::uint16_t pid : pids) {
    EXPECT_TRUE(covered(G, pid)) << "GET " << pid;
    Reply set{t.Transact(Request(kSpot, S, pid))};
    const bool readOnly =
        set.ResponseType() == kResponseNackReason && set.NackReason() == kNrUnsupportedCommandClass;
    if (!readOnly) {
      EXPECT_TRUE(covered(S, pid)) << "SET " << pid;
    }
  }

  for (const Case& c : cases) {
    const std::string what = (c.commandClass == G ? "GET " : "SET ") + std::to_string(c.pid);
    Reply right{t.Transact(Request(kSpot, c.commandClass, c.pid, c.data))};
    EXPECT_EQ(right.ResponseType(), kResponseAck) << what;
    std::vector<std::vector<std::uint8_t>> wrong;
    if (c.shortest > 0) wrong.emplace_back(c.data.begin(), c.data.begin() + (c.shortest - 1));
    wrong.push_back(c.data);
    wrong.back().resize(c.longest + 1, 'x');
    for (const auto& data : wrong) {
      const ResponderConfig before = spot.Values();
      Reply r{t.Transact(Request(kSpot, c.commandClass, c.pid, data))};
      const bool nack = r.ResponseType() == kResponseNackReason;
      EXPECT_EQ(nack ? r.NackReason() : 0, kNrFormatError) << what << " with " << data.size();
      EXPECT_TRUE(spot.Values() == before) << what << " with " << data.size();
    }
  }
}

TEST(ReplyTest, UnsupportedPidIsNackedUnknownPidButRequiredOnesAlwaysWork) {
  OpenLine t;
  ResponderConfig c = Fixture(kSpot);
  c.supported_parameters = {};
  t.line.AddResponder(c);
  for (std::uint16_t pid : {kPidDeviceLabel, kPidMinLimits, kPidStatusMessages, kPidPanInvert,
                            std::uint16_t{0x0303}, std::uint16_t{0x8123}}) {
    Reply r{t.Transact(Request(kSpot, kGetCommand, pid))};
    EXPECT_EQ(r.ResponseType(), kResponseNackReason) << pid;
    EXPECT_EQ(r.NackReason(), kNrUnknownPid) << pid;
  }
  for (std::uint16_t pid : {kPidSupportedParameters, kPidDeviceInfo, kPidSoftwareVersionLabel,
                            kPidDmxStartAddress, kPidIdentifyDevice}) {
    Reply r{t.Transact(Request(kSpot, kGetCommand, pid))};
    EXPECT_EQ(r.ResponseType(), kResponseAck) << pid;
  }
  Reply list{t.Transact(Request(kSpot, kGetCommand, kPidSupportedParameters))};
  EXPECT_THAT(list.Data(), IsEmpty());
}

TEST(ReplyTest, SupportedParametersComeInTheGivenOrder) {
  OpenLine t;
  ResponderConfig c = Fixture(kSpot);
  c.supported_parameters = {0x0082, 0x0081, 0x0400, 0x0030};
  t.line.AddResponder(c);
  Reply r{t.Transact(Request(kSpot, kGetCommand, kPidSupportedParameters))};
  EXPECT_THAT(r.Data(), ElementsAre(0x00, 0x82, 0x00, 0x81, 0x04, 0x00, 0x00, 0x30));
}

TEST(AddressingTest, BroadcastsAreCarriedOutButNeverAnswered) {
  OpenLine t;
  Responder& spot = t.line.AddResponder(Fixture(kSpot));
  Responder& wash = t.line.AddResponder(Fixture(kWash));
  Responder& other = t.line.AddResponder(Fixture(kOther));
  // All responders.
  EXPECT_THAT(t.Transact(Request(kBroadcastUid, kSetCommand, kPidDmxStartAddress, {0x00, 0x21})),
              IsEmpty());
  EXPECT_EQ(spot.StartAddress(), 33);
  EXPECT_EQ(wash.StartAddress(), 33);
  EXPECT_EQ(other.StartAddress(), 33);
  // Manufacturer 1234 only.
  EXPECT_THAT(
      t.Transact(Request(ManufacturerBroadcast(kSpot), kSetCommand, kPidIdentifyDevice, {0x01})),
      IsEmpty());
  EXPECT_TRUE(spot.Identify());
  EXPECT_TRUE(wash.Identify());
  EXPECT_FALSE(other.Identify());
  // A GET to everyone is not answered either.
  EXPECT_THAT(t.Transact(Request(kBroadcastUid, kGetCommand, kPidDeviceInfo)), IsEmpty());
  // Another UID: nobody answers, nothing changes.
  EXPECT_THAT(t.Transact(Request(kSpot + 1, kSetCommand, kPidDmxStartAddress, {0x00, 0x05})),
              IsEmpty());
  EXPECT_EQ(spot.StartAddress(), 33);
}

TEST(AddressingTest, OnlyWellFormedFramesAfterABreakAreTaken) {
  OpenLine t;
  Responder& spot = t.line.AddResponder(Fixture(kSpot));
  const auto good = EncodeRdmRequest(Request(kSpot, kGetCommand, kPidDeviceInfo));
  auto badChecksum = good;
  badChecksum.back() ^= 1;
  auto badSubStart = good;
  badSubStart[1] = 0x02;
  auto badLength = good;
  badLength[2] = 23;
  for (const auto& frame : {badChecksum, badSubStart, badLength}) {
    t.Send(frame);
    EXPECT_THAT(t.ReadAll(), IsEmpty());
  }
  // Without a break the same bytes are not a request.
  std::uint32_t n = 0;
  t.line.Write(t.handle, good, &n);
  EXPECT_THAT(t.ReadAll(), IsEmpty());
  EXPECT_EQ(spot.RequestsTaken(), 0u);
  // The request may come in two writes after one break.
  t.line.SetBreakOn(t.handle);
  t.line.SetBreakOff(t.handle);
  t.line.Write(t.handle, std::span(good).first(10), &n);
  t.line.Write(t.handle, std::span(good).subspan(10), &n);
  EXPECT_EQ(Reply{t.ReadAll()}.ResponseType(), kResponseAck);
}

TEST(AddressingTest, SubDevicesAreOutOfRange) {
  OpenLine t;
  t.line.AddResponder(Fixture(kSpot));
  auto request = Request(kSpot, kGetCommand, kPidDeviceInfo);
  request.subDevice = 1;
  Reply r{t.Transact(request)};
  EXPECT_EQ(r.ResponseType(), kResponseNackReason);
  EXPECT_EQ(r.NackReason(), kNrSubDeviceOutOfRange);
}

}  // namespace
}  // namespace korval::sim
