// What the virtual line records of the requests written to it.
#include <gtest/gtest.h>

#include <vector>

#include "sim/tests/line_fixture.h"

namespace korval::sim {
namespace {

using namespace rdm;
using testing::OpenLine;

// DEVICE_LABEL SET to a 32-character label, longer than a packet dump shows.
const std::vector<std::uint8_t> kLabelSet = {
    0xCC,                                // START code
    0x01,                                // sub-START code
    0x38,                                // message length: 24 + 32
    0x4B, 0x52, 0x00, 0x00, 0x01, 0x01,  // destination UID 4B52:00000101
    0x88, 0x88, 0x00, 0x00, 0x00, 0x01,  // source UID 8888:00000001
    0x05,                                // transaction number
    0x01,                                // port ID
    0x00,                                // message count
    0x00, 0x00,                          // sub-device: root
    0x30,                                // command class: SET_COMMAND
    0x00, 0x82,                          // PID: DEVICE_LABEL
    0x20,                                // PDL: 32
    'A',  'B',  'C',  'D',  'E',  'F',  'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N', 'O', 'P', 'Q',
    'R',  'S',  'T',  'U',  'V',  'W',  'X', 'Y', 'Z', '0', '1', '2', '3', '4', '5',  // the label
    0x0C, 0x9B,                                                                       // checksum
};

TEST(RecordedRequests, LongRequestIsRecordedWhole) {
  OpenLine raw;
  raw.Send(kLabelSet);
  const auto requests = raw.line.Requests();
  ASSERT_EQ(requests.size(), 1u);
  const auto& r = requests[0];
  EXPECT_TRUE(r.checksumOk);
  EXPECT_TRUE(r.afterBreak);
  EXPECT_EQ(r.request.destination, 0x4B52'0000'0101ULL);
  EXPECT_EQ(r.request.source, kControllerUid);
  EXPECT_EQ(r.request.transaction, 5);
  EXPECT_EQ(r.request.portOrResponseType, 1);
  EXPECT_EQ(r.request.messageCount, 0);
  EXPECT_EQ(r.request.subDevice, 0);
  EXPECT_EQ(r.request.commandClass, kSetCommand);
  EXPECT_EQ(r.request.pid, kPidDeviceLabel);
  const auto data = r.request.Data();
  EXPECT_EQ(std::string(data.begin(), data.end()), "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345");
  EXPECT_EQ(EncodeRdmRequest(r.request), kLabelSet);
}

TEST(RecordedRequests, BadChecksumMissingBreakAndDmxFrames) {
  OpenLine raw;
  std::vector<std::uint8_t> bad = kLabelSet;
  bad.back() ^= 0x01;  // checksum low byte off by one
  raw.Send(bad);
  std::uint32_t written = 0;
  raw.line.Write(raw.handle, kLabelSet, &written);  // no break before it
  std::vector<std::uint8_t> dmx(513, 0x10);
  dmx[0] = 0x00;  // null start code
  raw.Send(dmx);
  raw.line.SetBreakOn(raw.handle);
  EXPECT_EQ(raw.line.DmxFrameCount(), 1u);
  const auto requests = raw.line.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_FALSE(requests[0].checksumOk);
  EXPECT_TRUE(requests[0].afterBreak);
  EXPECT_EQ(requests[0].request.pid, kPidDeviceLabel);
  EXPECT_TRUE(requests[1].checksumOk);
  EXPECT_FALSE(requests[1].afterBreak);
  EXPECT_EQ(raw.line.RdmRequestCount(), 0u);  // neither was carried to a responder
  raw.line.ClearRequests();
  EXPECT_TRUE(raw.line.Requests().empty());
}

TEST(RecordedRequests, KeepsOnlyTheLastOnes) {
  OpenLine raw;
  RdmRequest r = testing::Request(kBroadcastUid, kDiscoveryCommand, kPidDiscUnMute);
  const std::size_t total = VirtualLine::kRecordedRequestLimit + 3;
  for (std::size_t i = 0; i < total; ++i) {
    r.transaction = static_cast<std::uint8_t>(i);
    raw.Send(EncodeRdmRequest(r));
  }
  const auto requests = raw.line.Requests();
  ASSERT_EQ(requests.size(), VirtualLine::kRecordedRequestLimit);
  EXPECT_EQ(requests.front().request.transaction, 3);  // the first three are gone
  EXPECT_EQ(requests.back().request.transaction, static_cast<std::uint8_t>(total - 1));
}

}  // namespace
}  // namespace korval::sim
