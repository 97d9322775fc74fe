// A rig file that models fixtures outside E1.20, read and written through the
// page as the operator would.
#include <algorithm>
#include <string_view>

#include "app/tests/params_fixture.h"
#include "rdm/rdm_constants.h"
#include "sim/rig.h"

namespace korval::testing {
namespace {

using namespace rdm;

constexpr Uid kSpot = 0x4A4C'00000012;

std::vector<sim::ResponderConfig> RigResponders(std::string_view text) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  sim::RigLoadResult loaded = sim::ParseRig(std::span(bytes, text.size()), "rig.json");
  EXPECT_TRUE(loaded.rig) << loaded.error;
  return loaded.rig ? loaded.rig->responders : std::vector<sim::ResponderConfig>{};
}

using ParamsRigFileTest = ParamsTest;

TEST_F(ParamsRigFileTest, AnAddresslessFixtureWithOddFlagsReadsAndRefusesItsAddress) {
  StartListed(RigResponders(R"({"responders": [{"uid": "4A4C:00000012",
      "supported_parameters": ["0x0600", "0x0601", "0x0602"],
      "footprint": 0, "start_address": 65535,
      "pan_invert": 2, "tilt_invert": 1, "pan_tilt_swap": 255}]})"));
  form->SelectPosition(0);
  form->CheckBox1->setChecked(true);
  form->CheckBox3->setChecked(true);
  auto mark = LogMark();
  Click(form->BitBtnRead);
  EXPECT_EQ(form->Edit10->text(), "0");
  EXPECT_EQ(form->EditAddr->text(), "512");    // the address box keeps itself within 1 to 512
  EXPECT_FALSE(form->CheckBox1->isChecked());  // only 1 checks a box
  EXPECT_TRUE(form->CheckBox2->isChecked());
  EXPECT_FALSE(form->CheckBox3->isChecked());
  const auto read = LogSince(mark);
  EXPECT_NE(std::find(read.begin(), read.end(), "DMX Address:512"), read.end());

  // The write sends 512; the fixture has no address to change and says so.
  mark = LogMark();
  line.ClearRequests();
  Click(form->BitBtnWrite);
  const auto lines = LogSince(mark);
  const auto sent = LineRequests();
  const auto address = std::find_if(
      sent.begin(), sent.end(), [](const SentRequest& r) { return r.pid == kPidDmxStartAddress; });
  ASSERT_NE(address, sent.end());
  EXPECT_EQ(address->data, (std::vector<std::uint8_t>{0x02, 0x00}));
  EXPECT_EQ(Device(kSpot).StartAddress(), 0xFFFF);
  // The reply to that SET: NACK_REASON, SET_COMMAND_RESPONSE, PDL 2, NR_DATA_OUT_OF_RANGE.
  const auto request =
      std::find(lines.begin(), lines.end(), "Setting start address of 0x4A4C00000012");
  ASSERT_NE(request, lines.end());
  const auto reply = std::find_if(request, lines.end(),
                                  [](const std::string& s) { return s.starts_with("Response_:"); });
  ASSERT_NE(reply, lines.end());
  EXPECT_NE(reply->find(" 02 00 0000 31 00F0 02 00 06 "), std::string::npos) << *reply;
}

}  // namespace
}  // namespace korval::testing
