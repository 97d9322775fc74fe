// The device-state box: the first status message as text and colour.
#include "app/tests/params_fixture.h"
#include "rdm/rdm_constants.h"

namespace korval::testing {
namespace {

using namespace rdm;

constexpr Uid kSpot = 0x0001'00000002;
constexpr Uid kHazer = 0x0001'00000003;

using ParamsStatusTest = ParamsTest;

TEST_F(ParamsStatusTest, NoAnswerOrNoSupportKeepsTheColourAndShowsUnknown) {
  auto hazer = Supporting(kHazer, {kPidDeviceLabel});
  StartListed({Fixture(kSpot), hazer});
  Device(kSpot).Values().status_messages = {{0x03, 0x0052, 0, 0}};
  Page().GetSupportedParameters(kSpot);
  OnPage(&ParameterPage::GetStatusMessages, kSpot);
  ASSERT_EQ(form->Edit5->text(), "Low Fluid");

  Device(kSpot).Faults().nack_all = true;
  OnPage(&ParameterPage::GetStatusMessages, kSpot);
  EXPECT_EQ(form->Edit5->text(), "unknown");
  EXPECT_EQ(BoxColour(form->Edit5), QColor(128, 128, 0));

  Page().GetSupportedParameters(kHazer);
  SetBoxColour(form->Edit5, QColor(255, 0, 0));
  form->Edit5->setText("Not Ready");
  const auto mark = LogMark();
  OnPage(&ParameterPage::GetStatusMessages, kHazer);
  EXPECT_TRUE(LogSince(mark).empty());
  EXPECT_EQ(form->Edit5->text(), "unknown");
  EXPECT_EQ(BoxColour(form->Edit5), QColor(255, 0, 0));
}

}  // namespace
}  // namespace korval::testing
