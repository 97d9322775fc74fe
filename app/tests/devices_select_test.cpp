// Selecting a device in the list does what the page that is showing needs.
#include <gmock/gmock.h>

#include <QKeyEvent>

#include "app/tests/form_test.h"
#include "app/widgets.h"

namespace korval::testing {
namespace {

using SelectTest = FormTest;

constexpr Uid kFirst = 0x4A4C'0000'0012ULL;
constexpr Uid kSecond = 0x4A4C'0000'0013ULL;

TEST_F(SelectTest, OnTheRdmPageTheSerialNumberBoxShowsThePositionBeforeThePageRead) {
  WriteFile(kDeviceNamesFile, "4A4C00000012=a\r\n4A4C00000013=b\r\n");
  Start({Fixture(kFirst), Fixture(kSecond)});
  EXPECT_NE(BoxColour(form->Edit35), QColor(255, 255, 0));
  std::size_t mark = LogMark();
  SelectListItem(1);
  auto lines = LogSince(mark);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "device:1");  // the nested Edit35Change finds the selection there
  EXPECT_EQ(form->Edit35->text(), "1");
  EXPECT_EQ(BoxColour(form->Edit35), QColor(255, 255, 0));
  EXPECT_EQ(form->SelectedPosition(), 1);
  EXPECT_EQ(form->deviceTable.count, 2);

  // The same position again: the box does not change, so nothing is logged
  // before the page read.
  mark = LogMark();
  SelectListItem(1);
  for (const auto& line : LogSince(mark)) EXPECT_FALSE(line.starts_with("device:")) << line;
  EXPECT_TRUE(errorBoxes.empty());
}

TEST_F(SelectTest, TheArrowKeysSelectLikeAClickAndEnterReadsNothing) {
  WriteFile(kDeviceNamesFile, "4A4C00000012=a\r\n4A4C00000013=b\r\n");
  Start({Fixture(kFirst), Fixture(kSecond)});
  auto press = [this](Qt::Key key) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(form->ListBox1, &event);
  };
  std::size_t mark = LogMark();
  press(Qt::Key_Down);  // position 0 is selected at start
  auto lines = LogSince(mark);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "device:1");
  EXPECT_EQ(form->Edit35->text(), "1");
  EXPECT_EQ(BoxColour(form->Edit35), QColor(255, 255, 0));

  mark = LogMark();
  press(Qt::Key_Down);  // already the last: no new selection
  press(Qt::Key_Return);
  EXPECT_TRUE(LogSince(mark).empty());
  EXPECT_TRUE(errorBoxes.empty());
}

TEST_F(SelectTest, OnTheIapPageTheCursorTakesTheStartOfTheSelectedPosition) {
  WriteFile(kDeviceNamesFile, "4A4C00000012=a\r\n4A4C00000013=b\r\n");
  Start({}, false);
  ShowPage(form->TabSheet2);
  form->PatchStart[0] = 0;
  form->PatchStart[1] = 100;
  const std::size_t mark = LogMark();
  SelectListItem(1);
  EXPECT_EQ(form->PatchCursor, 100);
  SelectListItem(0);
  EXPECT_EQ(form->PatchCursor, 0);
  form->PatchCursor = 77;
  SelectListItem(-1);  // nothing selected: nothing to take, nothing changes
  EXPECT_EQ(form->PatchCursor, 77);
  EXPECT_TRUE(LogSince(mark).empty());
  EXPECT_EQ(form->Edit35->text(), "0");
}

TEST_F(SelectTest, OnTheArtNetPageSelectingDoesNothing) {
  WriteFile(kDeviceNamesFile, "4A4C00000012=a\r\n4A4C00000013=b\r\n");
  Start({}, false);
  ShowPage(form->TabSheet3);
  form->PatchStart[1] = 100;
  const std::size_t mark = LogMark();
  SelectListItem(1);
  EXPECT_EQ(form->PatchCursor, 0);
  EXPECT_EQ(form->Edit35->text(), "0");
  EXPECT_TRUE(LogSince(mark).empty());
}

}  // namespace
}  // namespace korval::testing
