// The device-state box: the first status message as text and colour.
#include "app/tests/params_fixture.h"
#include "rdm/rdm_constants.h"

namespace korval::testing {
namespace {

using namespace rdm;

constexpr Uid kSpot = 0x0001'00000002;
constexpr Uid kHazer = 0x0001'00000003;

using ParamsStatusTest = ParamsTest;

TEST_F(ParamsStatusTest, FirstMessageGivesTextAndColour) {
  StartListed({Fixture(kSpot)});
  Page().GetSupportedParameters(kSpot);
  struct Case {
    std::vector<sim::StatusMessage> queued;
    QString text;
    QColor colour;
  };
  const std::vector<Case> table = {
      {{{0x04, 0x0021, 1, 0x0150}}, "Hot, 80°C", QColor(255, 0, 0)},
      {{{0x03, 0x0031, 2, 250}}, "Voltage of Phase2 to high, 250V", QColor(128, 128, 0)},
      {{{0x02, 0x0050, 0, 0x0119}, {0x04, 0x0044, 0, 0}}, "OK; Temp. 25°C", QColor(255, 255, 0)},
      {{{0x02, 0x0034, 1, 1}}, "unknown", QColor(255, 255, 0)},
      {{{0x04, 0x0053, 1, 1}}, "unknown", QColor(255, 0, 0)},
      // No queued message: PDL 0, read as type 0xFF and ID 0xFFFF.
      {{}, "unknown", QColor(0, 255, 0)},
  };
  for (const Case& c : table) {
    Device(kSpot).Values().status_messages = c.queued;
    const auto mark = LogMark();
    line.ClearRequests();
    OnPage(&ParameterPage::GetStatusMessages, kSpot);
    EXPECT_EQ(form->Edit5->text(), c.text);
    EXPECT_EQ(BoxColour(form->Edit5), c.colour) << c.text.toStdString();
    const auto sent = LineRequests();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].commandClass, kGetCommand);
    EXPECT_EQ(sent[0].pid, kPidStatusMessages);
    EXPECT_EQ(sent[0].data, std::vector<std::uint8_t>{0x02});
    EXPECT_EQ(LogSince(mark)[0], "Getting status of 0x100000002");
  }
}

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
