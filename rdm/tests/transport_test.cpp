#include "rdm/transport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "rdm/tests/scripted_line.h"

namespace korval {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using testing::ScriptedLine;

// A reply in E1.20 layout from a responder to the controller, checksum included.
std::vector<std::uint8_t> Reply(std::uint8_t responseType, std::vector<std::uint8_t> data,
                                bool goodChecksum = true) {
  std::vector<std::uint8_t> r = {0xCC, 0x01,         static_cast<std::uint8_t>(24 + data.size()),
                                 0x88, 0x88,         0x00,
                                 0x00, 0x00,         0x01,
                                 0x4A, 0x4C,         0x00,
                                 0x00, 0x00,         0x12,
                                 0x01, responseType, 0x00,
                                 0x00, 0x00,         0x21,
                                 0x00, 0x60,         static_cast<std::uint8_t>(data.size())};
  for (std::uint8_t b : data) r.push_back(b);
  std::uint16_t sum = RdmChecksum(r);
  if (!goodChecksum) ++sum;
  r.push_back(static_cast<std::uint8_t>(sum >> 8));
  r.push_back(static_cast<std::uint8_t>(sum));
  return r;
}

struct TransportTest : ::testing::Test {
  ScriptedLine line;
  std::vector<std::string> log;
  RdmTransport transport{line, [this](const std::string& s) { log.push_back(s); }};

  TransportTest() {
    transport.Frame().FillFixedFields();
    transport.SetHandle(7);
  }
  // The reply as the line delivers it: one byte per start-code read, then the rest.
  void Answer(const std::vector<std::uint8_t>& reply) {
    line.replies.push_back({reply[0]});
    line.replies.push_back({reply.begin() + 1, reply.end()});
  }
};

TEST_F(TransportTest, BroadcastUnMuteGoesOutByteForByteAndDumpsAsOneLine) {
  transport.Frame().SetCommand(rdm::kDiscoveryCommand, rdm::kPidDiscUnMute, {});
  EXPECT_EQ(transport.SendRdmRequest(0xFFFFFFFF, 0xFFFF, 0), kNoReply);

  EXPECT_THAT(line.calls, ElementsAre("purge 1", "purge 2", "break on", "break off", "write 26"));
  EXPECT_THAT(line.written.at(0),
              ElementsAreArray({0xCC, 0x01, 0x18, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                0x88, 0x88, 0x00, 0x00, 0x00, 0x01, 0x01, 0x01, 0x00,
                                0x00, 0x00, 0x10, 0x00, 0x03, 0x00, 0x08, 0x05}));
  EXPECT_THAT(log,
              ElementsAre("Request__:18 FFFFFFFFFFFF 888800000001 01 01 00 0000 10 0003 00 0805"));
}

TEST_F(TransportTest, TransactionNumberCountsFromOneAndWrapsAfter255) {
  transport.Frame().SetCommand(rdm::kGetCommand, rdm::kPidDeviceInfo, {});
  for (int i = 1; i <= 257; ++i) {
    transport.SendRdmRequest(1, 0, 0);
    if (i == 1) {
      EXPECT_EQ(transport.Frame().TransactionNumber(), 1);
    } else if (i == 255) {
      EXPECT_EQ(transport.Frame().TransactionNumber(), 255);
    } else if (i == 256) {
      EXPECT_EQ(transport.Frame().TransactionNumber(), 0);
    }
  }
  EXPECT_EQ(transport.Frame().TransactionNumber(), 1);
}

TEST_F(TransportTest, AcknowledgedReplyIsFoundAfterNoiseAndGives2) {
  transport.Frame().SetCommand(rdm::kGetCommand, rdm::kPidDeviceInfo, {});
  line.replies.push_back({0x00});  // noise before the start code
  Answer(Reply(rdm::kResponseAck, {1, 2, 3}));
  EXPECT_EQ(transport.SendRdmRequest(0x12, 0x4A4C, 1), kAck);
  EXPECT_EQ(transport.ReplyPdl(), 3);
  EXPECT_THAT(transport.ReplyData(), ElementsAre(1, 2, 3));
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[1],
            "Response_:1B 888800000001 4A4C00000012 01 00 00 0000 21 0060 03 01 02 03 032C");
  // Bytes the responder did not send read 0xFF.
  EXPECT_EQ(transport.Buffer().reply[200], 0xFF);
  EXPECT_EQ(transport.Buffer().reply[201], 0xFF);
}

TEST_F(TransportTest, StartCodeAsSixthByteIsNoResponse) {
  transport.Frame().SetCommand(rdm::kGetCommand, rdm::kPidDeviceInfo, {});
  for (int i = 0; i < 5; ++i) line.replies.push_back({0x55});
  Answer(Reply(rdm::kResponseAck, {}));
  EXPECT_EQ(transport.SendRdmRequest(0x12, 0x4A4C, 1), kNoReply);
  EXPECT_EQ(log.back(), "no response");
  EXPECT_EQ(log.size(), 2u);  // request dump, then the message: no response dump
}

TEST_F(TransportTest, LongReplyDumpsTwentyNineDataBytesThenIndices53And54) {
  std::vector<std::uint8_t> data(32);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i);
  transport.Frame().SetCommand(rdm::kGetCommand, rdm::kPidDeviceInfo, {});
  Answer(Reply(rdm::kResponseAckOverflow, data));
  EXPECT_EQ(transport.SendRdmRequest(0x12, 0x4A4C, 1), kNotAck);
  EXPECT_EQ(transport.ReplyPdl(), 32);
  std::string expected = "Response_:38 888800000001 4A4C00000012 01 03 00 0000 21 0060 20 ";
  for (int i = 0; i < 29; ++i) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02X ", i);
    expected += hex;
  }
  expected += "1D1E";  // data bytes 29 and 30 sit at indices 53 and 54
  EXPECT_EQ(log.back(), expected);
}

TEST_F(TransportTest, NackWithGoodChecksumGives1AndBadChecksumGives0WithoutMessage) {
  transport.Frame().SetCommand(rdm::kGetCommand, rdm::kPidDeviceInfo, {});
  Answer(Reply(rdm::kResponseNackReason, {0x00, 0x00}));
  EXPECT_EQ(transport.SendRdmRequest(0x12, 0x4A4C, 1), kNotAck);
  EXPECT_EQ(log.size(), 2u);

  Answer(Reply(rdm::kResponseAck, {7}, /*goodChecksum=*/false));
  EXPECT_EQ(transport.SendRdmRequest(0x12, 0x4A4C, 1), kNoReply);
  EXPECT_EQ(log.size(), 4u);  // both dumps, no message
  EXPECT_EQ(log[3].rfind("Response_:", 0), 0u);
}

TEST_F(TransportTest, FailedWriteStillDumpsAndReads) {
  line.failWrite = true;
  transport.Frame().SetCommand(rdm::kGetCommand, rdm::kPidDeviceInfo, {});
  Answer(Reply(rdm::kResponseAck, {}));
  EXPECT_EQ(transport.SendRdmRequest(0x12, 0x4A4C, 1), kAck);
  EXPECT_EQ(log.at(0), "message cannot be sent");
  EXPECT_EQ(log.at(1).rfind("Request__:", 0), 0u);
  EXPECT_EQ(log.at(2).rfind("Response_:", 0), 0u);
}

TEST_F(TransportTest, FailedReadReportsNoWidgetWithoutResponseDump) {
  line.failRead = true;
  transport.Frame().SetCommand(rdm::kGetCommand, rdm::kPidDeviceInfo, {});
  EXPECT_EQ(transport.SendRdmRequest(0x12, 0x4A4C, 1), kNoReply);
  EXPECT_EQ(log.size(), 2u);
  EXPECT_EQ(log[1], "no KORVAL widget found");
  EXPECT_THAT(line.calls, ::testing::Contains("read 200"));
}

TEST_F(TransportTest, SilentLineWaitsFiveStartCodeReadsAndOneBlockRead) {
  transport.Frame().SetCommand(rdm::kGetCommand, rdm::kPidDeviceInfo, {});
  EXPECT_EQ(transport.SendRdmRequest(0x12, 0x4A4C, 1), kNoReply);
  EXPECT_EQ(std::count(line.calls.begin(), line.calls.end(), "read 1"), 5);
  EXPECT_EQ(line.clock.Now(), std::chrono::milliseconds(300));
  EXPECT_EQ(log.back(), "no response");
}

TEST(FormatRdmPacket, ReadsNothingPastAShortSpan) {
  const std::uint8_t bytes[] = {0xCC, 0x01, 0x18};
  const std::string line = FormatRdmPacket("Response_:", bytes);
  EXPECT_EQ(line,
            "Response_:18 FFFFFFFFFFFF FFFFFFFFFFFF FF FF FF FFFF FF FFFF FF "
            "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF "
            "FF FF FF FFFF");
}

}  // namespace
}  // namespace korval
