#include "params/status_text.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace korval::params {
namespace {

TEST(StatusText, EveryMessageIdInTheTable) {
  struct Case {
    std::uint16_t id, v1, v2;
    const char* text;
  };
  const std::vector<Case> table = {
      {0x0001, 3, 0, "Calibration 3 failed"},
      {0x0002, 2, 0, "Sensor 2 not found"},
      {0x0003, 1, 0, "Sensor 1 always on"},
      {0x0011, 9, 9, "Lamp doused"},
      {0x0012, 9, 9, "Lamp strike"},
      {0x0021, 7, 0x0150,
       "Hot, 80\xC2\xB0"
       "C"},
      {0x0022, 4, 65535, "Temperature 4 too low, 65535"},
      {0x0023, 12, 0, "Sensor 12 out of range"},
      {0x0031, 2, 250, "Voltage of Phase2 to high, 250V"},
      {0x0032, 3, 180, "Voltage of Phase3 too low, 180V"},
      {0x0033, 1, 16, "Current of Phase1 to high, 16A"},
      {0x0036, 2, 0, "Error of Phase 2"},
      {0x0042, 5, 0, "Breaker 5 tripped"},
      {0x0044, 0, 0, "Dimming Failure"},
      {0x0050, 0, 0x1234,
       "OK; Temp. 52\xC2\xB0"
       "C"},
      {0x0051, 0, 0, "Not Ready"},
      {0x0052, 0, 0, "Low Fluid"},
      {0x0034, 1, 1, "unknown"},
      {0x0053, 1, 1, "unknown"},
      {0x0000, 0, 0, "unknown"},
      {0xFFFF, 0, 0, "unknown"},
  };
  for (const Case& c : table) {
    EXPECT_EQ(StatusText({.type = 2, .id = c.id, .value1 = c.v1, .value2 = c.v2}), c.text) << c.id;
  }
}

TEST(StatusText, ColourByType) {
  EXPECT_EQ(StatusColour(0x02), kYellow);
  EXPECT_EQ(StatusColour(0x03), kOlive);
  EXPECT_EQ(StatusColour(0x04), kRed);
  for (std::uint8_t other : {0x00, 0x01, 0x05, 0x12, 0x13, 0x14, 0xFF}) {
    EXPECT_EQ(StatusColour(other), kLime) << int{other};
  }
}

TEST(StatusText, OnlyTheFirstMessageIsDecoded) {
  const std::uint8_t kReply[] = {
      // First message
      0x00, 0x00,  // sub-device 0: the root device
      0x04,        // status type: error
      0x00, 0x21,  // status message ID 0x0021: over temperature
      0x00, 0x01,  // data value 1: sensor 1
      0x01, 0x50,  // data value 2: 0x0150
      // Second message
      0x00, 0x00,  // sub-device 0
      0x02,        // status type: advisory
      0x00, 0x51,  // status message ID 0x0051: not ready
      0x00, 0x00,  // data value 1
      0x00, 0x00,  // data value 2
  };
  const StatusMessage first = DecodeFirstStatus(kReply);
  EXPECT_EQ(first.type, 0x04);
  EXPECT_EQ(first.id, 0x0021);
  EXPECT_EQ(first.value1, 1);
  EXPECT_EQ(first.value2, 0x0150);
  EXPECT_EQ(StatusText(first),
            "Hot, 80\xC2\xB0"
            "C");
}

TEST(StatusText, EachFieldOfTheFirstMessageComesFromItsOwnBytes) {
  const std::uint8_t kReply[] = {
      0x00, 0x01,  // sub-device 1: not shown
      0x03,        // status type: warning
      0x00, 0x31,  // status message ID 0x0031: over voltage
      0x00, 0x02,  // data value 1: phase 2
      0x00, 0xFA,  // data value 2: 250 V
  };
  const StatusMessage message = DecodeFirstStatus(kReply);
  EXPECT_EQ(message.type, 0x03);
  EXPECT_EQ(message.id, 0x0031);
  EXPECT_EQ(message.value1, 2);
  EXPECT_EQ(message.value2, 250);
  EXPECT_EQ(StatusText(message), "Voltage of Phase2 to high, 250V");
  EXPECT_EQ(StatusColour(message.type), kOlive);
  // The responders' encoder writes each field back to its own bytes.
  EXPECT_EQ(EncodeStatusMessage(message), std::to_array(kReply));
}

TEST(StatusText, NoQueuedMessageReadsAsUnknownInLime) {
  const StatusMessage none = DecodeFirstStatus({});
  EXPECT_EQ(StatusText(none), "unknown");
  EXPECT_EQ(StatusColour(none.type), kLime);
  // Half a message: what is missing reads as fill.
  const std::uint8_t kHalf[] = {
      0x00, 0x00,  // sub-device 0
      0x02,        // status type: advisory
      0x00, 0x50,  // status message ID 0x0050; both data values missing
  };
  EXPECT_EQ(StatusText(DecodeFirstStatus(kHalf)),
            "OK; Temp. 255\xC2\xB0"
            "C");
}

}  // namespace
}  // namespace korval::params
