// The room's mapping between the page's widgets and the catalogue's values:
// each group goes to its widgets only when named, and comes back as it went.
#include "app/tests/params_fixture.h"

namespace korval::testing {
namespace {

using params::PageField;

const QColor kGrey(128, 128, 128);
const QColor kWhite(255, 255, 255);

constexpr PageField kEveryField =
    PageField::kName | PageField::kManufacturer | PageField::kDeviceInfo | PageField::kStatusText |
    PageField::kStatusColour | PageField::kDeviceHours | PageField::kLampHours |
    PageField::kPanTilt | PageField::kMinLimits | PageField::kMaxLimits | PageField::kErrorScene |
    PageField::kDimmSwitch;

using ParamsMappingTest = ParamsTest;

TEST_F(ParamsMappingTest, ShowWritesTheNamedGroupsAndReadValuesGivesThemBack) {
  StartListed({});
  params::PageValues v = Room().ReadValues();
  v.name = "B\xC3\xBChne links";
  v.manufacturer = "KORVAL \xC2\xA9";
  v.category = "Switch";
  v.firmware = "1.2.3.4";
  v.footprint = "16";
  v.personalityCount = 5;
  v.personality = 4;
  v.startAddress = "37";
  v.status =
      "Hot, 80\xC2\xB0"
      "C";
  v.statusColour = params::kRed;
  v.deviceHours = "12";
  v.lampHours = "3";
  v.panTilt = {true, false, true};
  for (std::size_t k = 0; k < 8; ++k) {
    v.minLimits.texts[k] = std::to_string(k);
    v.minLimits.white[k] = true;
    v.maxLimits.texts[k] = "new";
    v.maxLimits.white[k] = false;
    v.errorScene.texts[k] = std::to_string(100 + k);
    v.errorScene.white[k] = k % 2 == 0;
    v.dimmSwitch[k] = k % 2 == 1;
    Put(form->MaxLimitBoxes[k], "kept");
    Put(form->ErrorSceneBoxes[k], "kept");
  }

  const QString manufacturer = form->Edit2->text();
  auto mark = LogMark();
  Room().Show(v, PageField::kName);
  EXPECT_EQ(form->Edit1->text(), "Bühne links");
  EXPECT_EQ(form->Edit2->text(), manufacturer);
  EXPECT_EQ(form->EditAddr->text(), "1");
  EXPECT_TRUE(LogSince(mark).empty());

  // The address box's change handler runs, as for any text put there by code.
  mark = LogMark();
  Room().Show(v, kEveryField);
  EXPECT_EQ(LogSince(mark), (std::vector<std::string>{"DMX Address:37"}));
  EXPECT_EQ(form->Edit2->text(), "KORVAL ©");
  EXPECT_EQ(form->Edit8->text(), "Switch");
  EXPECT_EQ(form->Edit9->text(), "1.2.3.4");
  EXPECT_EQ(form->Edit10->text(), "16");
  // The range is set before the position, or the position would be cut to 1.
  EXPECT_EQ(form->UpDown1->Max(), 5);
  EXPECT_EQ(form->UpDown1->Position(), 4);
  EXPECT_EQ(form->Edit4->text(), "4");
  EXPECT_EQ(form->EditAddr->text(), "37");
  EXPECT_EQ(form->Edit5->text(), "Hot, 80°C");
  EXPECT_EQ(BoxColour(form->Edit5), QColor(255, 0, 0));
  EXPECT_EQ(form->Edit33->text(), "12");
  EXPECT_EQ(form->Edit34->text(), "3");
  EXPECT_TRUE(form->CheckBox1->isChecked());
  EXPECT_FALSE(form->CheckBox2->isChecked());
  EXPECT_TRUE(form->CheckBox3->isChecked());
  for (std::size_t k = 0; k < 8; ++k) {
    EXPECT_EQ(form->MinLimitBoxes[k]->text(), QString::number(k));
    EXPECT_EQ(BoxColour(form->MinLimitBoxes[k]), kWhite);
    // A grey box keeps the text it had.
    EXPECT_EQ(form->MaxLimitBoxes[k]->text(), "kept");
    EXPECT_EQ(BoxColour(form->MaxLimitBoxes[k]), kGrey);
    EXPECT_EQ(form->ErrorSceneBoxes[k]->text(), k % 2 == 0 ? QString::number(100 + k) : "kept");
    EXPECT_EQ(BoxColour(form->ErrorSceneBoxes[k]), k % 2 == 0 ? kWhite : kGrey);
    EXPECT_EQ(form->DimmSwitchBoxes[k]->isChecked(), k % 2 == 1);
  }

  const params::PageValues back = Room().ReadValues();
  EXPECT_EQ(back.name, v.name);
  EXPECT_EQ(back.manufacturer, v.manufacturer);
  EXPECT_EQ(back.category, v.category);
  EXPECT_EQ(back.firmware, v.firmware);
  EXPECT_EQ(back.footprint, v.footprint);
  EXPECT_EQ(back.personality, 4);
  EXPECT_EQ(back.personalityCount, 5);
  EXPECT_EQ(back.startAddress, "37");
  EXPECT_EQ(back.status, v.status);
  EXPECT_EQ(back.statusColour, params::kRed);
  EXPECT_EQ(back.deviceHours, "12");
  EXPECT_EQ(back.lampHours, "3");
  EXPECT_EQ(back.panTilt, v.panTilt);
  EXPECT_EQ(back.minLimits.texts, v.minLimits.texts);
  EXPECT_EQ(back.minLimits.white, v.minLimits.white);
  EXPECT_EQ(back.maxLimits.texts, (std::array<std::string, 8>{"kept", "kept", "kept", "kept",
                                                              "kept", "kept", "kept", "kept"}));
  EXPECT_EQ(back.maxLimits.white, v.maxLimits.white);
  EXPECT_EQ(back.errorScene.white, v.errorScene.white);
  EXPECT_EQ(back.dimmSwitch, v.dimmSwitch);
}

TEST_F(ParamsMappingTest, TheNameBoxGrowsForALongerNameAndTheAddressKeepsWithinRange) {
  StartListed({});
  params::PageValues v = Room().ReadValues();
  v.name = std::string(40, 'n');
  Room().Show(v, PageField::kName);
  EXPECT_EQ(form->Edit1->maxLength(), 40);
  EXPECT_EQ(form->Edit1->text().toStdString(), v.name);
  v.name = "short";
  Room().Show(v, PageField::kName);
  EXPECT_EQ(form->Edit1->maxLength(), 32);

  v.startAddress = "600";
  const auto mark = LogMark();
  Room().Show(v, PageField::kDeviceInfo);
  EXPECT_EQ(form->EditAddr->text(), "512");
  EXPECT_EQ(LogSince(mark).back(), "DMX Address:512");
}

}  // namespace
}  // namespace korval::testing
