#include "cli/cli_print.h"

#include <gtest/gtest.h>

#include "rdm/rdm_constants.h"

namespace korval::cli {
namespace {

TEST(CliPrintTest, ListsAsLinesOrOneJsonDocument) {
  const std::vector<Uid> uids = {0x4B52'2C1F0A37ULL, 0x4A4C'00000012ULL};
  EXPECT_EQ(UidListText(uids, false), "4b52:2c1f0a37\n4a4c:00000012\n");
  EXPECT_EQ(nlohmann::json::parse(UidListText(uids, true)),
            nlohmann::json({"4b52:2c1f0a37", "4a4c:00000012"}));
  EXPECT_EQ(UidListText({}, false), "");
  EXPECT_EQ(nlohmann::json::parse(UidListText({}, true)), nlohmann::json::array());

  // The text names the addresses set; the JSON every one with what became of it.
  RdmReply nack;
  nack.status = ReplyStatus::kNack;
  nack.nackReason = rdm::kNrDataOutOfRange;
  const std::vector<AddressSent> sent = {{0x4B52'00000001ULL, 1, {"ACK", {}, {}}},
                                         {0x4B52'00000002ULL, 2, OutcomeOf(nack, 10)},
                                         {kBroadcastUid, 512, {"SENT", {}, {}}}};
  EXPECT_EQ(AddressText(sent, false), "4b52:00000001 1\nffff:ffffffff 512\n");
  EXPECT_EQ(nlohmann::json::parse(AddressText(sent, true)), nlohmann::json::parse(R"json([
      {"uid": "4b52:00000001", "address": 1, "status": "ACK"},
      {"uid": "4b52:00000002", "address": 2, "status": "NACK",
       "nack_reason": "NR_DATA_OUT_OF_RANGE", "nack_text": "data out of range",
       "error": "NR_DATA_OUT_OF_RANGE (data out of range)"
},
      {"uid": "ffff:ffffffff", "address": 512, "status": "SENT"}])json"));

  const std::vector<KnownPid> pids = {{rdm::kPidDeviceLabel, "device_label"}};
  EXPECT_EQ(PidsText(pids, false), "0x0082 device_label\n");
  EXPECT_EQ(nlohmann::json::parse(PidsText(pids, true))[0]["pid"], "0x0082");
}

TEST(CliPrintTest, RepliesDecodeAsLinesAndJsonAlike) {
  const std::vector<std::uint8_t> label = {'S', 'p', 'o', 't'};
  const DecodedData decoded = DecodeReplyData(rdm::kPidDeviceLabel, false, label);
  EXPECT_EQ(LinesText(decoded.lines), "label: Spot\n");
  EXPECT_EQ(decoded.json, nlohmann::ordered_json({{"label", "Spot"}}));
  EXPECT_FALSE(decoded.truncated);

  // DEVICE_INFO cut inside its footprint: what came is decoded, and no more.
  const std::vector<std::uint8_t> cut = {
      0x01, 0x00,              // protocol version 1.0
      0x00, 0x01,              // device model
      0x01, 0x01,              // product category
      0x01, 0x00, 0x00, 0x00,  // software version
      0x00,                    // half of the footprint
  };
  const DecodedData shortInfo = DecodeReplyData(rdm::kPidDeviceInfo, false, cut);
  EXPECT_TRUE(shortInfo.truncated);
  EXPECT_FALSE(shortInfo.json.contains("dmx_footprint"));
  EXPECT_EQ(shortInfo.json["device_model"], 1);

  // A manufacturer's parameter: the bytes as they came.
  const std::vector<std::uint8_t> raw = {0x00, 0x0A, 0xFF};
  EXPECT_EQ(LinesText(DecodeReplyData(rdm::kPidMinLimits, false, raw).lines), "data: 00 0a ff\n");
  EXPECT_EQ(PidName(rdm::kPidMinLimits), "0x0300");
  EXPECT_EQ(PidName(rdm::kPidDeviceLabel), "device_label");
  EXPECT_EQ(LookUpPid("Device_Label"), rdm::kPidDeviceLabel);
  EXPECT_EQ(LookUpPid("0x0300"), rdm::kPidMinLimits);
  EXPECT_FALSE(LookUpPid("device_lable"));
}

TEST(CliPrintTest, AnUnknownNameSuggestsTheNearestNames) {
  struct Case {
    const char* typed;
    std::vector<std::string> nearest;
  };
  const std::vector<Case> cases = {
      {"device_lable", {"device_label"}},                      // two letters swapped
      {"DEVICE_LABLE", {"device_label"}},                      // in any case
      {"dmx_start_adress", {"dmx_start_address"}},             // one left out
      {"lamp", {"lamp_hours", "lamp_state", "lamp_on_mode"}},  // begun: shortest first
      {"version",
       {"software_version_label", "boot_software_version_id",
        "boot_software_version_label"}},  // part of
      {"zzzzzzzz", {}},
      {"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(NearestPidNames(c.typed), c.nearest) << c.typed;
}

}  // namespace
}  // namespace korval::cli
