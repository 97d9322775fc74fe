#include "params/supported_pids.h"

#include <gtest/gtest.h>

#include <vector>

#include "rdm/rdm_constants.h"

namespace korval::params {
namespace {

std::vector<std::uint8_t> PidBytes(const std::vector<std::uint16_t>& pids) {
  std::vector<std::uint8_t> bytes;
  for (std::uint16_t pid : pids) {
    bytes.push_back(static_cast<std::uint8_t>(pid >> 8));
    bytes.push_back(static_cast<std::uint8_t>(pid));
  }
  return bytes;
}

TEST(SupportedPids, TwelveListedOnlyTheFirstNineCount) {
  std::vector<std::uint16_t> twelve;
  for (std::uint16_t pid = 0x0301; pid <= 0x030C; ++pid) twelve.push_back(pid);
  PidList list{};
  StoreSupportedPids(list, PidBytes(twelve));
  for (std::size_t i = 0; i < 9; ++i) {
    EXPECT_EQ(list[i], twelve[i]);
    EXPECT_TRUE(IsPidSupported(list, twelve[i]));
  }
  EXPECT_EQ(list[9], 0);
  for (std::size_t i = 9; i < 12; ++i) EXPECT_FALSE(IsPidSupported(list, twelve[i]));
}

TEST(SupportedPids, AStoreReplacesTheWholeListInReplyOrder) {
  PidList list{};
  StoreSupportedPids(list, PidBytes({0x0082, 0x0600, 0x0030}));
  StoreSupportedPids(list, PidBytes({0x0401, 0x0400}));
  EXPECT_EQ(list, (PidList{0x0401, 0x0400}));
  EXPECT_FALSE(IsPidSupported(list, 0x0082));

  // A trailing odd byte is not half a PID.
  StoreSupportedPids(list, std::vector<std::uint8_t>{0x00, 0x82, 0x06});
  EXPECT_EQ(list, (PidList{0x0082}));
  StoreSupportedPids(list, {});
  EXPECT_EQ(list, PidList{});
}

TEST(SupportedPids, AReplyIsTwoBytesAPidHighByteFirst) {
  const std::uint8_t kReply[] = {
      0x00, 0x82,  // DEVICE_LABEL
      0x03, 0x00,  // MIN_LIMITS
      0x04, 0x00,  // DEVICE_HOURS
      0x06, 0x00,  // PAN_INVERT
      0x00,        // a trailing odd byte: dropped
  };
  PidList list{};
  StoreSupportedPids(list, kReply);
  EXPECT_EQ(list, (PidList{rdm::kPidDeviceLabel, rdm::kPidMinLimits, rdm::kPidDeviceHours,
                           rdm::kPidPanInvert}));
  EXPECT_TRUE(IsPidSupported(list, rdm::kPidMinLimits));
  EXPECT_FALSE(IsPidSupported(list, 0x0003));  // the bytes read the other way round
  EXPECT_FALSE(IsPidSupported(list, 0x8200));
}

TEST(SupportedPids, FourPidsPassWithAnEmptyListAndPidZeroNeverDoes) {
  const PidList empty{};
  for (std::uint16_t pid : {rdm::kPidIdentifyDevice, rdm::kPidDeviceInfo,
                            rdm::kPidSoftwareVersionLabel, rdm::kPidDmxStartAddress}) {
    EXPECT_TRUE(IsPidSupported(empty, pid)) << pid;
  }
  for (std::uint16_t pid : {rdm::kPidSupportedParameters, rdm::kPidStatusMessages,
                            rdm::kPidDeviceLabel, rdm::kPidDmxPersonality, std::uint16_t{0}}) {
    EXPECT_FALSE(IsPidSupported(empty, pid)) << pid;
  }
}

}  // namespace
}  // namespace korval::params
