#include "rdm/transport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "rdm/rdm_constants.h"
#include "rdm/tests/reply_frame.h"
#include "rdm/tests/scripted_line.h"

namespace korval {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using testing::ScriptedLine;

// A DEVICE_INFO reply in E1.20 layout from 4A4C:00000012 to the controller,
// checksum included.
std::vector<std::uint8_t> Reply(std::uint8_t responseType, const std::vector<std::uint8_t>& data,
                                bool goodChecksum = true) {
  return testing::ReplyFrame(0x4A4C'00000012ULL, rdm::kPidDeviceInfo, responseType, data,
                             goodChecksum);
}

const RdmRequest kGetDeviceInfo{.destination = 0x4A4C'00000012ULL,
                                .commandClass = rdm::kGetCommand,
                                .pid = rdm::kPidDeviceInfo};

struct TransportTest : ::testing::Test {
  ScriptedLine line;
  std::vector<std::string> log;
  RdmTransport transport{line, [this](const std::string& s) { log.push_back(s); }};

  TransportTest() { transport.SetHandle(7); }
  // The reply as the line delivers it: one byte per start-code read, then the rest.
  void Answer(const std::vector<std::uint8_t>& reply) {
    line.replies.push_back({reply[0]});
    line.replies.push_back({reply.begin() + 1, reply.end()});
  }
};

const RdmRequest kSetStartAddress{.destination = 0x4B52'2C1F0A37ULL,
                                  .commandClass = rdm::kSetCommand,
                                  .pid = rdm::kPidDmxStartAddress,
                                  .subDevice = 0x0003,
                                  .data = {0x01, 0x2C}};

TEST(RequestFrameTest, GetWithDataGoesOutFieldByField) {
  const RdmRequest& request = kSetStartAddress;
  const std::uint8_t kExpected[] = {
      0xCC,                                // start code
      0x01,                                // sub-start code
      0x1A,                                // message length: 24 + PDL 2
      0x4B, 0x52, 0x2C, 0x1F, 0x0A, 0x37,  // destination UID
      0x88, 0x88, 0x00, 0x00, 0x00, 0x01,  // source UID: the controller
      0x05,                                // transaction number
      0x01,                                // port ID
      0x00,                                // message count
      0x00, 0x03,                          // sub-device
      0x30,                                // SET_COMMAND
      0x00, 0xF0,                          // PID: DMX_START_ADDRESS
      0x02,                                // PDL
      0x01, 0x2C,                          // start address 300
      0x04, 0x79,                          // checksum: the sum of the 26 bytes before
  };
  EXPECT_THAT(EncodeRequestFrame(request, kControllerUid, 5, 1), ElementsAreArray(kExpected));
}

TEST(RequestFrameTest, ParameterDataIsCutToTheLargestPdl) {
  RdmRequest request{.destination = 1, .commandClass = rdm::kSetCommand, .pid = 0x8000};
  request.data.assign(300, 0x11);
  const auto frame = EncodeRequestFrame(request, kControllerUid, 1, 1);
  EXPECT_EQ(frame.size(), 24u + 231u + 2u);
  EXPECT_EQ(frame[rdm::kOffsetMessageLength], 24 + 231);
  EXPECT_EQ(frame[rdm::kOffsetPdl], 231);
}

TEST(ReplyFrameTest, AckDecodesFieldByField) {
  const std::uint8_t kReply[] = {
      0xCC,                                // start code
      0x01,                                // sub-start code
      0x1A,                                // message length
      0x88, 0x88, 0x00, 0x00, 0x00, 0x01,  // destination: the controller
      0x4A, 0x4C, 0x00, 0x00, 0x00, 0x12,  // source
      0x09,                                // transaction number
      0x00,                                // response type: ACK
      0x02,                                // message count
      0x00, 0x01,                          // sub-device 1
      0x21,                                // GET_COMMAND_RESPONSE
      0x00, 0xF0,                          // PID: DMX_START_ADDRESS
      0x02,                                // PDL
      0x00, 0x64,                          // start address 100
      0x04, 0x23,                          // checksum
  };
  const RdmReply reply = DecodeReplyFrame(kReply);
  EXPECT_EQ(reply.status, ReplyStatus::kAck);
  EXPECT_EQ(reply.destination, kControllerUid);
  EXPECT_EQ(reply.source, 0x4A4C'00000012ULL);
  EXPECT_EQ(reply.transaction, 9);
  EXPECT_EQ(reply.messageCount, 2);
  EXPECT_EQ(reply.subDevice, 1);
  EXPECT_EQ(reply.commandClass, rdm::kGetCommandResponse);
  EXPECT_EQ(reply.pid, rdm::kPidDmxStartAddress);
  EXPECT_THAT(reply.data, ElementsAre(0x00, 0x64));
  // The responders' encoder writes the same reply back, byte for byte.
  EXPECT_THAT(EncodeReplyFrame(reply), ElementsAreArray(kReply));
}

// The one validator, on a message with its start code (the line) and without
// (Art-Net): what it refuses, and the fields and bytes of what it takes.
TEST(FrameValidatorTest, TakesAWholeMessageAndViewsItsFields) {
  const RdmRequest& request = kSetStartAddress;
  const std::vector<std::uint8_t> frame = EncodeRequestFrame(request, kControllerUid, 5, 1);
  struct Case {
    const char* what;
    std::size_t at;  // the byte changed (of the frame with its start code), or npos
    std::uint8_t value;
    std::size_t size;  // of the frame given, start code included
    bool taken;
    bool checksumOk;
  };
  const std::size_t n = frame.size(), none = std::string::npos;
  const Case cases[] = {
      {"as encoded", none, 0, n, true, true},
      {"bytes after the checksum", none, 0, n + 3, true, true},
      {"another start code", 0, 0xCD, n, false, false},
      {"another sub-start code", 1, 0x02, n, false, false},
      {"a length below the header", 2, 23, n, false, false},
      {"a length past the bytes", 2, 27, n, false, false},
      {"cut inside the checksum", none, 0, n - 1, false, false},
      {"a PDL that disagrees", rdm::kOffsetPdl, 3, n, false, false},
      {"a wrong checksum", n - 1, 0x00, n, true, false},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> bytes = frame;
    bytes.resize(c.size, 0xAA);
    if (c.at != none) bytes[c.at] = c.value;
    for (const StartCode startCode : {StartCode::kIncluded, StartCode::kOmitted}) {
      const bool omitted = startCode == StartCode::kOmitted;
      const auto given = std::span<const std::uint8_t>(bytes).subspan(omitted ? 1 : 0);
      const bool unseen = omitted && c.at == 0;  // a start code Art-Net does not carry
      const auto view = ValidateRdmFrame(given, startCode);
      ASSERT_EQ(view.has_value(), c.taken || unseen) << c.what << omitted;
      if (!view) continue;
      EXPECT_EQ(view->checksumOk, c.checksumOk || unseen) << c.what << omitted;
      EXPECT_EQ(view->message.data(), given.data()) << c.what;
      EXPECT_EQ(view->message.size(), n - (omitted ? 1 : 0)) << c.what;
      EXPECT_THAT(view->data, ElementsAre(0x01, 0x2C)) << c.what;
      const RdmHeader& h = view->header;
      EXPECT_EQ(h.destination, request.destination);
      EXPECT_EQ(h.source, kControllerUid);
      EXPECT_EQ(h.transaction, 5);
      EXPECT_EQ(h.portOrResponseType, 1);
      EXPECT_EQ(h.subDevice, 3);
      EXPECT_EQ(h.commandClass, rdm::kSetCommand);
      EXPECT_EQ(h.pid, rdm::kPidDmxStartAddress);
    }
  }
  EXPECT_FALSE(ValidateRdmFrame({}));
  EXPECT_FALSE(ValidateRdmFrame({}, StartCode::kOmitted));
}

TEST(ReplyFrameTest, ResponseTypesCarryTheirReasonOrDelay) {
  const std::vector<std::uint8_t> kDelay = {
      0x00, 0x0F,  // 15 tenths of a second
  };
  const RdmReply timer = DecodeReplyFrame(Reply(rdm::kResponseAckTimer, kDelay));
  EXPECT_EQ(timer.status, ReplyStatus::kAckTimer);
  EXPECT_EQ(timer.ackTimerDelay, std::chrono::milliseconds(1500));

  const std::vector<std::uint8_t> kReason = {
      0x00, 0x06,  // NR_DATA_OUT_OF_RANGE
  };
  const RdmReply nack = DecodeReplyFrame(Reply(rdm::kResponseNackReason, kReason));
  EXPECT_EQ(nack.status, ReplyStatus::kNack);
  EXPECT_EQ(nack.nackReason, rdm::kNrDataOutOfRange);
  EXPECT_EQ(NackReasonText(nack.nackReason), "data out of range");
  EXPECT_EQ(NackReasonText(0x8001), "reason 0x8001");
  EXPECT_EQ(NackReasonName(nack.nackReason), "NR_DATA_OUT_OF_RANGE");
  EXPECT_EQ(NackReasonName(rdm::kNrUnknownPid), "NR_UNKNOWN_PID");
  EXPECT_EQ(NackReasonName(0x8001), "NR_0x8001");

  EXPECT_EQ(DecodeReplyFrame(Reply(rdm::kResponseAckOverflow, {1})).status,
            ReplyStatus::kAckOverflow);
  EXPECT_EQ(DecodeReplyFrame(Reply(0x07, {})).status, ReplyStatus::kUnknownResponseType);
  EXPECT_EQ(DecodeReplyFrame(Reply(rdm::kResponseAck, {1}, false)).status,
            ReplyStatus::kBadChecksum);
}

TEST(ReplyFrameTest, ShortOrEmptyBytesNeverReadPastTheSpan) {
  EXPECT_EQ(DecodeReplyFrame({}).status, ReplyStatus::kNoReply);
  auto reply = Reply(rdm::kResponseAck, {1, 2, 3});
  for (std::size_t n = 1; n < reply.size(); ++n) {
    const RdmReply cut = DecodeReplyFrame(std::span(reply).first(n));
    EXPECT_FALSE(cut.IsAck()) << n;
  }
  // A PDL of 255 in a 30-byte span: the data that never arrived reads 0xFF.
  std::vector<std::uint8_t> bytes(30, 0xFF);
  bytes[0] = 0xCC;
  bytes[rdm::kOffsetMessageLength] = 0;
  bytes[rdm::kOffsetPdl] = 0xFF;
  // Length 0 sums to 0; the checksum past the span reads FFFF: bad.
  EXPECT_EQ(DecodeReplyFrame(bytes).status, ReplyStatus::kBadChecksum);
}

TEST_F(TransportTest, BroadcastUnMuteGoesOutByteForByteAndDumpsAsOneLine) {
  EXPECT_EQ(transport.SendRdmRequest({.destination = kBroadcastUid,
                                      .commandClass = rdm::kDiscoveryCommand,
                                      .pid = rdm::kPidDiscUnMute},
                                     false),
            kNoReply);

  EXPECT_THAT(line.calls, ElementsAre("purge 1", "purge 2", "break on", "break off", "write 26"));
  EXPECT_THAT(line.written.at(0),
              ElementsAreArray({0xCC, 0x01, 0x18, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                0x88, 0x88, 0x00, 0x00, 0x00, 0x01, 0x01, 0x01, 0x00,
                                0x00, 0x00, 0x10, 0x00, 0x03, 0x00, 0x08, 0x05}));
  EXPECT_THAT(log,
              ElementsAre("Request__:18 FFFFFFFFFFFF 888800000001 01 01 00 0000 10 0003 00 0805"));
}

TEST_F(TransportTest, TransactionNumberCountsFromOneAndWrapsAfter255) {
  for (int i = 1; i <= 257; ++i) {
    transport.SendRdmRequest(kGetDeviceInfo, false);
    EXPECT_EQ(line.written.back()[rdm::kOffsetTransaction], transport.TransactionNumber());
    if (i == 1) {
      EXPECT_EQ(transport.TransactionNumber(), 1);
    } else if (i == 255) {
      EXPECT_EQ(transport.TransactionNumber(), 255);
    } else if (i == 256) {
      EXPECT_EQ(transport.TransactionNumber(), 0);
    }
  }
  EXPECT_EQ(transport.TransactionNumber(), 1);
  transport.ResetTransactionNumber();
  transport.SendRdmRequest(kGetDeviceInfo, false);
  EXPECT_EQ(line.written.back()[rdm::kOffsetTransaction], 1);
}

TEST_F(TransportTest, AcknowledgedReplyIsFoundAfterNoiseAndGives2) {
  line.replies.push_back({0x00});  // noise before the start code
  Answer(Reply(rdm::kResponseAck, {1, 2, 3}));
  const RdmReply reply = transport.Transact(kGetDeviceInfo);
  EXPECT_EQ(TransactionResult(reply), kAck);
  EXPECT_THAT(reply.data, ElementsAre(1, 2, 3));
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[1],
            "Response_:1B 888800000001 4A4C00000012 01 00 00 0000 21 0060 03 01 02 03 032C");
}

TEST_F(TransportTest, StartCodeAsSixthByteIsNoResponse) {
  for (int i = 0; i < 5; ++i) line.replies.push_back({0x55});
  Answer(Reply(rdm::kResponseAck, {}));
  EXPECT_EQ(transport.SendRdmRequest(kGetDeviceInfo, true), kNoReply);
  EXPECT_EQ(log.back(), "no response");
  EXPECT_EQ(log.size(), 2u);  // request dump, then the message: no response dump
}

TEST_F(TransportTest, LongReplyDumpsTwentyNineDataBytesThenIndices53And54) {
  std::vector<std::uint8_t> data(32);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i);
  Answer(Reply(rdm::kResponseAckOverflow, data));
  const RdmReply reply = transport.Transact(kGetDeviceInfo);
  EXPECT_EQ(TransactionResult(reply), kNotAck);
  EXPECT_EQ(reply.data.size(), 32u);
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
  Answer(Reply(rdm::kResponseNackReason, {0x00, 0x00}));
  const RdmReply nack = transport.Transact(kGetDeviceInfo);
  EXPECT_EQ(TransactionResult(nack), kNotAck);
  EXPECT_EQ(nack.status, ReplyStatus::kNack);
  EXPECT_EQ(nack.nackReason, rdm::kNrUnknownPid);
  EXPECT_EQ(log.size(), 2u);

  Answer(Reply(rdm::kResponseAck, {7}, /*goodChecksum=*/false));
  const RdmReply spoilt = transport.Transact(kGetDeviceInfo);
  EXPECT_EQ(TransactionResult(spoilt), kNoReply);
  EXPECT_EQ(spoilt.status, ReplyStatus::kBadChecksum);
  EXPECT_EQ(log.size(), 4u);  // both dumps, no message
  EXPECT_EQ(log[3].rfind("Response_:", 0), 0u);
}

TEST_F(TransportTest, FailedWriteStillDumpsAndReads) {
  line.failWrite = true;
  Answer(Reply(rdm::kResponseAck, {}));
  EXPECT_EQ(transport.SendRdmRequest(kGetDeviceInfo, true), kAck);
  EXPECT_EQ(log.at(0), "message cannot be sent");
  EXPECT_EQ(log.at(1).rfind("Request__:", 0), 0u);
  EXPECT_EQ(log.at(2).rfind("Response_:", 0), 0u);
  // Nothing came back from a frame that did not go out: the line failed.
  EXPECT_EQ(transport.Transact(kGetDeviceInfo).status, ReplyStatus::kLineFailure);
}

TEST_F(TransportTest, FailedReadReportsNoWidgetWithoutResponseDump) {
  line.failRead = true;
  const RdmReply reply = transport.Transact(kGetDeviceInfo);
  EXPECT_EQ(TransactionResult(reply), kNoReply);
  EXPECT_EQ(reply.status, ReplyStatus::kLineFailure);
  EXPECT_EQ(log.size(), 2u);
  EXPECT_EQ(log[1], "no KORVAL widget found");
  EXPECT_THAT(line.calls, ::testing::Contains("read 200"));
}

TEST_F(TransportTest, SilentLineWaitsFiveStartCodeReadsAndOneBlockRead) {
  EXPECT_EQ(transport.Transact(kGetDeviceInfo).status, ReplyStatus::kNoReply);
  EXPECT_EQ(std::count(line.calls.begin(), line.calls.end(), "read 1"), 5);
  EXPECT_EQ(line.clock.Now(), std::chrono::milliseconds(300));
  EXPECT_EQ(log.back(), "no response");
}

TEST_F(TransportTest, ReplyBytesOfAnEarlierReplyNeverFillALaterShortOne) {
  Answer(Reply(rdm::kResponseAck, std::vector<std::uint8_t>(40, 0x5A)));
  ASSERT_TRUE(transport.Transact(kGetDeviceInfo).IsAck());
  // The next reply claims 40 bytes but brings none of them.
  auto cut = Reply(rdm::kResponseAck, std::vector<std::uint8_t>(40, 0x5A));
  cut.resize(24);
  Answer(cut);
  const RdmReply reply = transport.Transact(kGetDeviceInfo);
  EXPECT_EQ(reply.status, ReplyStatus::kBadChecksum);
}

TEST_F(TransportTest, BranchDumpsBeforeSendingAndHandsBackTheRawAnswer) {
  line.replies.push_back({0xFE, 0xFE, 0xAA, 0x01});
  RdmRequest branch{.destination = kBroadcastUid,
                    .commandClass = rdm::kDiscoveryCommand,
                    .pid = rdm::kPidDiscUniqueBranch,
                    .data = std::vector<std::uint8_t>(12, 0x00)};
  const BranchAnswer answer = transport.Branch(branch, 100);
  EXPECT_TRUE(answer.sent);
  EXPECT_TRUE(answer.read);
  ASSERT_EQ(answer.bytes.size(), 100u);
  EXPECT_THAT(answer.bytes.first(5), ElementsAre(0xFE, 0xFE, 0xAA, 0x01, 0xFF));
  EXPECT_THAT(line.calls,
              ElementsAre("purge 1", "purge 2", "break on", "break off", "write 38", "read 100"));
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].rfind("Request__:24 FFFFFFFFFFFF 888800000001 01 01 00 0000 10 0001 0C ", 0),
            0u);
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
