#include "cli/cli_print.h"

#include <gtest/gtest.h>

#include "rdm/rdm_constants.h"

namespace korval::cli {
namespace {

TEST(CliPrintTest, FieldsAreNameValueLinesInTheirOrder) {
  Fields f = Fields::object();
  f["device_label"] = "Spot 1";
  f["dmx_footprint"] = 16;
  f["supported_parameters"] = {"device_label", "0x0300"};
  f["slots"] = Fields::array({{{"type", 0}, {"label", "dimmer"}}, {{"type", 1}, {"label", "pan"}}});
  f["sensor"] = {{"value", 42}, {"unit", "C"}};
  f["on"] = true;
  EXPECT_EQ(FieldsText(f),
            "device_label: Spot 1\n"
            "dmx_footprint: 16\n"
            "supported_parameters: device_label 0x0300\n"
            "slots[0].type: 0\n"
            "slots[0].label: dimmer\n"
            "slots[1].type: 1\n"
            "slots[1].label: pan\n"
            "sensor.value: 42\n"
            "sensor.unit: C\n"
            "on: on\n");
}

TEST(CliPrintTest, ListsAsLinesOrOneJsonDocument) {
  const std::vector<Uid> uids = {0x4B52'2C1F0A37ULL, 0x4A4C'00000012ULL};
  EXPECT_EQ(UidListText(uids, false), "4b52:2c1f0a37\n4a4c:00000012\n");
  EXPECT_EQ(nlohmann::json::parse(UidListText(uids, true)),
            nlohmann::json({"4b52:2c1f0a37", "4a4c:00000012"}));
  EXPECT_EQ(UidListText({}, false), "");
  EXPECT_EQ(nlohmann::json::parse(UidListText({}, true)), nlohmann::json::array());

  const std::vector<AddressSent> sent = {{0x4B52'00000001ULL, 1}, {kBroadcastUid, 512}};
  EXPECT_EQ(AddressText(sent, false), "4b52:00000001 1\nffff:ffffffff 512\n");
  const auto json = nlohmann::json::parse(AddressText(sent, true));
  EXPECT_EQ(json[1]["uid"], "ffff:ffffffff");
  EXPECT_EQ(json[1]["address"], 512);

  const std::vector<KnownPid> pids = {{rdm::kPidDeviceLabel, "device_label"}};
  EXPECT_EQ(PidsText(pids, false), "0x0082 device_label\n");
  EXPECT_EQ(nlohmann::json::parse(PidsText(pids, true))[0]["pid"], "0x0082");
}

TEST(CliPrintTest, UnknownDataIsHexAndKnownRepliesAreDecoded) {
  const std::vector<std::uint8_t> raw = {0x00, 0x0A, 0xFF};
  EXPECT_EQ(FieldsText(DecodeReplyData(0x0300, raw)), "data: 00 0a ff\n");
  EXPECT_EQ(FieldsText(DecodeReplyData(0x0300, {})), "data: \n");
  const std::vector<std::uint8_t> pids = {
      0x00, 0x82,  // DEVICE_LABEL
      0x03, 0x00,  // a PID without a name
      0x01,        // half a PID: left out
  };
  EXPECT_EQ(FieldsText(DecodeReplyData(rdm::kPidSupportedParameters, pids)),
            "supported_parameters: device_label 0x0300\n");
}

}  // namespace
}  // namespace korval::cli
