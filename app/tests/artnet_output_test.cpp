#include <gtest/gtest.h>

#include <QProperty>

#include "app/tests/artnet_fixture.h"

namespace korval::testing {
namespace {

TEST_F(ArtNetFormTest, OutputOnlyOnTheArtNetPageWithTheLatestDataAfterReturning) {
  Start();
  SetInput(0, 10);
  Ticks(3);  // the RDM page is current
  EXPECT_EQ(line.DmxFrameCount(), 0u);
  EXPECT_EQ(transport->DmxOutput()[0].load(), 0);

  ShowPage(form->TabSheet3);
  Ticks(1);
  ASSERT_EQ(line.DmxFrameCount(), 1u);
  EXPECT_EQ(line.LastDmxFrame()[0], 0x00);
  EXPECT_EQ(line.LastDmxFrame()[1], 10);

  ShowPage(form->TabSheet2);
  SetInput(0, 20);
  SetInput(0, 30);
  Ticks(2);
  EXPECT_EQ(line.DmxFrameCount(), 1u);

  // A page change made by code stops and starts the output just the same.
  form->SetActivePage(form->TabSheet3);
  Ticks(1);
  EXPECT_EQ(line.DmxFrameCount(), 2u);
  EXPECT_EQ(line.LastDmxFrame()[1], 30);
  form->SetActivePage(form->TabSheet1);
  Ticks(1);
  EXPECT_EQ(line.DmxFrameCount(), 2u);
  // The output is DMX512 only: no RDM request frame went out with it.
  EXPECT_TRUE(RequestsSince(0).empty());
}

TEST_F(ArtNetFormTest, AFailedWriteLogsStopsTheMonitorAndRetriesTheStartUp) {
  Start();
  ShowPage(form->TabSheet3);
  ASSERT_TRUE(form->Timer1->isActive());
  ASSERT_FALSE(form->StartUpTimer->isActive());
  SetInput(3, 77);
  Ticks(1);
  for (int k = 0; k < 4; ++k) form->RunHandler([this] { form->Timer1Timer(); });
  ASSERT_EQ(form->StringGrid->Cell(4, 1), "77");

  line.Unplug();
  SetInput(3, 99);
  const auto mark = LogMark();
  Ticks(1);
  EXPECT_EQ(LogSince(mark), std::vector<std::string>{"no KORVAL widget found"});
  EXPECT_FALSE(form->Timer1->isActive());
  EXPECT_TRUE(form->StartUpTimer->isActive());
  // The grid is frozen while Timer1 is off, though the output slots moved on.
  QCoreApplication::processEvents();
  EXPECT_EQ(form->StringGrid->Cell(4, 1), "77");
  EXPECT_EQ(transport->DmxOutput()[3].load(), 99);

  // The output timer keeps running: each further failing tick logs again,
  // but leaves the running retry alone (a restart would postpone it forever).
  int restarts = 0;
  const QPropertyNotifier watch =
      form->StartUpTimer->bindableActive().addNotifier([&restarts] { ++restarts; });
  Ticks(2);
  EXPECT_EQ(CountLog("no KORVAL widget found"), 3u);
  EXPECT_EQ(restarts, 0);
  EXPECT_EQ(Room().OutputTimerId, 1u);
}

TEST_F(ArtNetFormTest, GridStartsAtZeroAndShowsTheLastSlotBottomRight) {
  Start();
  auto& grid = *form->StringGrid;
  EXPECT_EQ(grid.Cell(0, 0), "");
  for (int c = 1; c <= 16; ++c) EXPECT_EQ(grid.Cell(c, 0), QString::number(c));
  for (int r = 1; r <= 32; ++r) EXPECT_EQ(grid.Cell(0, r), QString::number(16 * (r - 1)));
  for (int r = 1; r <= 32; ++r) {
    for (int c = 1; c <= 16; ++c) ASSERT_EQ(grid.Cell(c, r), "0") << c << "," << r;
  }

  ShowPage(form->TabSheet3);
  SetInput(511, 255);
  SetInput(16, 7);
  Ticks(1);
  // Every fourth tick of Timer1 rewrites the grid; after the first the
  // interval is 35 ms.
  for (int k = 0; k < 3; ++k) form->RunHandler([this] { form->Timer1Timer(); });
  EXPECT_EQ(grid.Cell(16, 32), "0");
  EXPECT_EQ(form->Timer1->interval(), 35);
  form->RunHandler([this] { form->Timer1Timer(); });
  EXPECT_EQ(grid.Cell(16, 32), "255");
  EXPECT_EQ(grid.Cell(1, 2), "7");
  EXPECT_EQ(grid.Cell(0, 32), "496");
}

TEST_F(ArtNetFormTest, MonitorTicksWrapAfter255) {
  Start();
  Room().MonitorTicks = 254;
  form->RunHandler([this] { form->Timer1Timer(); });
  EXPECT_EQ(Room().MonitorTicks, 255);
  form->RunHandler([this] { form->Timer1Timer(); });
  EXPECT_EQ(Room().MonitorTicks, 0);
}

TEST_F(ArtNetFormTest, CreateTimerTwiceMakesOneAndDestroyWithNoneDoesNothing) {
  Start({}, /*openLine=*/false);
  EXPECT_EQ(Room().OutputTimerId, 0u);
  form->DestroyTimer();
  EXPECT_EQ(Room().OutputTimerId, 0u);

  EXPECT_TRUE(form->CreateTimer());
  const auto first = clock;
  const std::uint32_t id = Room().OutputTimerId;
  EXPECT_NE(id, 0u);
  EXPECT_TRUE(form->CreateTimer());
  EXPECT_EQ(Room().OutputTimerId, id);
  EXPECT_EQ(clock, first);  // no second ticker

  form->DestroyTimer();
  EXPECT_EQ(Room().OutputTimerId, 0u);
  form->DestroyTimer();
  EXPECT_EQ(Room().OutputTimerId, 0u);
}

TEST_F(ArtNetFormTest, TheStartUpCreatesTheOutputTimerWhenItEnds) {
  Start();
  EXPECT_NE(Room().OutputTimerId, 0u);
  bool canClose = false;
  form->FormCloseQuery(canClose);
  EXPECT_TRUE(canClose);
  EXPECT_EQ(Room().OutputTimerId, 0u);
  EXPECT_FALSE(Room().library.Node().Running());
}

}  // namespace
}  // namespace korval::testing
