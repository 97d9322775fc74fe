// Selecting a device in the list does what the page that is showing needs.
#include <gmock/gmock.h>

#include <QKeyEvent>
#include <QTest>
#include <algorithm>
#include <functional>
#include <iterator>
#include <vector>

#include "app/tests/form_test.h"
#include "app/widgets.h"
#include "rdm/rdm_constants.h"

namespace korval::testing {
namespace {

using rdm::kGetCommand;
using rdm::kPidSupportedParameters;
using ::testing::ElementsAre;
using SelectTest = FormTest;

// The request that opens every page read.
WireRequest PageReadOf(Uid uid) {
  return {uid, kGetCommand, kPidSupportedParameters, {}};
}

constexpr Uid kFirst = 0x4A4C'0000'0012ULL;
constexpr Uid kSecond = 0x4A4C'0000'0013ULL;

TEST_F(SelectTest, OnTheRdmPageTheSerialNumberBoxShowsThePositionBeforeThePageRead) {
  WriteFile(kDeviceNamesFile, "4A4C00000012=a\r\n4A4C00000013=b\r\n");
  Start({Fixture(kFirst), Fixture(kSecond)});
  EXPECT_NE(BoxColour(form->Edit35), QColor(255, 255, 0));
  std::size_t mark = LogMark();
  std::size_t requests = RequestMark();
  SelectListItem(1);
  auto lines = LogSince(mark);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "device:1");  // the nested Edit35Change finds the selection there
  auto sent = RequestsSince(requests);
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent.front(), PageReadOf(kSecond));
  for (const WireRequest& r : sent) EXPECT_EQ(r.destination, kSecond);
  EXPECT_EQ(form->Edit35->text(), "1");
  EXPECT_EQ(BoxColour(form->Edit35), QColor(255, 255, 0));
  EXPECT_EQ(form->SelectedPosition(), 1);
  EXPECT_EQ(form->deviceTable.count, 2);

  // The same position again: the box does not change, so nothing is logged
  // before the page read.
  mark = LogMark();
  requests = RequestMark();
  SelectListItem(1);
  for (const auto& line : LogSince(mark)) EXPECT_FALSE(line.starts_with("device:")) << line;
  EXPECT_THAT(RequestsSince(requests, kGetCommand, kPidSupportedParameters),
              ElementsAre(PageReadOf(kSecond)));
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
  std::size_t requests = RequestMark();
  press(Qt::Key_Down);  // position 0 is selected at start
  auto lines = LogSince(mark);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "device:1");
  EXPECT_EQ(form->Edit35->text(), "1");
  EXPECT_EQ(BoxColour(form->Edit35), QColor(255, 255, 0));
  EXPECT_THAT(RequestsSince(requests, kGetCommand, kPidSupportedParameters),
              ElementsAre(PageReadOf(kSecond)));

  mark = LogMark();
  requests = RequestMark();
  press(Qt::Key_Down);  // already the last: no new selection
  press(Qt::Key_Return);
  EXPECT_TRUE(LogSince(mark).empty());
  EXPECT_THAT(RequestsSince(requests), ElementsAre());
  EXPECT_TRUE(errorBoxes.empty());
}

// The mouse pressed on the first row of `rows`, moved over the others and let go
// on the last one (or below the items), all through the list's viewport.
void Drag(QListWidget& list, const std::vector<int>& rows, bool releaseBelowItems = false) {
  QWidget* viewport = list.viewport();
  auto centre = [&list](int row) { return list.visualItemRect(list.item(row)).center(); };
  QTest::mousePress(viewport, Qt::LeftButton, {}, centre(rows.front()));
  for (int row : rows) QTest::mouseMove(viewport, centre(row));
  QPoint end = centre(rows.back());
  if (releaseBelowItems) {
    end.setY(list.visualItemRect(list.item(list.count() - 1)).bottom() + 40);
    QTest::mouseMove(viewport, end);
  }
  QTest::mouseRelease(viewport, Qt::LeftButton, {}, end);
}

TEST_F(SelectTest, EveryChangeOfTheSelectionByTheMouseReadsTheDeviceOnce) {
  WriteFile(kDeviceNamesFile,
            "4A4C00000010=a\r\n4A4C00000011=b\r\n4A4C00000012=c\r\n4A4C00000013=d\r\n");
  Start({Fixture(0x4A4C'0000'0010ULL), Fixture(0x4A4C'0000'0011ULL), Fixture(kFirst),
         Fixture(kSecond)});
  form->show();
  const struct {
    const char* gesture;
    std::function<void()> act;
    int reads;     // page reads that follow
    int selected;  // and the selection afterwards
  } cases[] = {
      {"press on 0, release on 3",
       [this] {
         Drag(*form->ListBox1, {0, 1, 2, 3});
       },
       1, 3},
      {"press on 3, release below the items",
       [this] {
         Drag(*form->ListBox1, {3, 2, 1}, true);
       },
       1, 1},
      {"press on 2, back to 1 where it was",
       [this] {
         Drag(*form->ListBox1, {2, 1});
       },
       0, 1},
      {"click on 2", [this] { Drag(*form->ListBox1, {2}); }, 1, 2},
      {"click on the selected 2", [this] { Drag(*form->ListBox1, {2}); }, 1, 2},
      {"selection by code", [this] { form->SelectPosition(0); }, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.gesture);
    const std::size_t mark = LogMark();
    const std::size_t requests = RequestMark();
    c.act();
    // Every page read opens with its own SUPPORTED_PARAMETERS request.
    const auto opened = RequestsSince(requests, kGetCommand, kPidSupportedParameters);
    EXPECT_EQ(opened.size(), static_cast<std::size_t>(c.reads));
    for (const WireRequest& r : opened) {
      EXPECT_EQ(r, PageReadOf(0x4A4C'0000'0010ULL + static_cast<Uid>(c.selected)));
    }
    const auto lines = LogSince(mark);
    std::vector<std::string> reads;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(reads),
                 [](const std::string& line) { return line.starts_with("Getting parameters"); });
    EXPECT_EQ(reads.size(), static_cast<std::size_t>(c.reads));
    EXPECT_EQ(form->SelectedPosition(), c.selected);
    if (c.reads > 0 && !reads.empty()) {
      EXPECT_EQ(reads.front(), "Getting parameters of 0x4A4C0000001" + std::to_string(c.selected));
      EXPECT_EQ(form->Edit35->text(), QString::number(c.selected));
      EXPECT_TRUE(form->BitBtnWrite->isEnabled()) << "the page read ran to its end";
    }
  }
  EXPECT_TRUE(errorBoxes.empty());
}

TEST_F(SelectTest, OnTheIapPageTheCursorTakesTheStartOfTheSelectedPosition) {
  WriteFile(kDeviceNamesFile, "4A4C00000012=a\r\n4A4C00000013=b\r\n");
  Start({}, false);
  ShowPage(form->TabSheet2);
  form->PatchStart[0] = 0;
  form->PatchStart[1] = 100;
  const std::size_t mark = LogMark();
  const std::size_t requests = RequestMark();
  SelectListItem(1);
  EXPECT_EQ(form->PatchCursor, 100);
  SelectListItem(0);
  EXPECT_EQ(form->PatchCursor, 0);
  form->PatchCursor = 77;
  SelectListItem(-1);  // nothing selected: nothing to take, nothing changes
  EXPECT_EQ(form->PatchCursor, 77);
  EXPECT_TRUE(LogSince(mark).empty());
  EXPECT_THAT(RequestsSince(requests), ElementsAre());
  EXPECT_EQ(form->Edit35->text(), "0");
}

TEST_F(SelectTest, OnTheArtNetPageSelectingDoesNothing) {
  WriteFile(kDeviceNamesFile, "4A4C00000012=a\r\n4A4C00000013=b\r\n");
  Start({}, false);
  ShowPage(form->TabSheet3);
  form->PatchStart[1] = 100;
  const std::size_t mark = LogMark();
  const std::size_t requests = RequestMark();
  SelectListItem(1);
  EXPECT_EQ(form->PatchCursor, 0);
  EXPECT_EQ(form->Edit35->text(), "0");
  EXPECT_TRUE(LogSince(mark).empty());
  EXPECT_THAT(RequestsSince(requests), ElementsAre());
}

}  // namespace
}  // namespace korval::testing
