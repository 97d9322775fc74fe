// What the operator sees of the monitor grid after scrolling it, and of a long
// text in a read-only box.
#include <gmock/gmock.h>

#include <QHeaderView>
#include <QScrollBar>

#include "app/tests/form_test.h"

namespace korval::testing {
namespace {

using GridAndBoxesTest = FormTest;

// The text drawn at a point of the grid (the grid's own coordinates): a fixed
// cell's when a header view shows it there, else the data cell's.
QString TextAt(const CellGrid& grid, QPoint point) {
  const QHeaderView* top = grid.horizontalHeader();
  if (top->isVisible() && top->geometry().contains(point)) {
    return grid.Cell(top->logicalIndexAt(top->mapFrom(&grid, point)), 0);
  }
  const QHeaderView* left = grid.verticalHeader();
  if (left->isVisible() && left->geometry().contains(point)) {
    return grid.Cell(0, left->logicalIndexAt(left->mapFrom(&grid, point)));
  }
  const QPoint inViewport = grid.viewport()->mapFrom(&grid, point);
  const int row = grid.rowAt(inViewport.y());
  const int column = grid.columnAt(inViewport.x());
  return row < 0 || column < 0 ? QString() : grid.Cell(column, row);
}

TEST_F(GridAndBoxesTest, TheGridsHeadersStayInPlaceWhileTheCellsScroll) {
  Start();
  ShowPage(form->TabSheet3);
  form->show();
  CellGrid& grid = *form->StringGrid;
  EXPECT_EQ(grid.geometry(), QRect(280, 8, 385, 273));
  // The middle of the first fixed row's second cell and of the fixed column's
  // second cell, as they were drawn before any scrolling.
  const QPoint topHeader(35 + 17, 9);
  const QPoint leftHeader(17, 18 + 9);
  EXPECT_EQ(TextAt(grid, topHeader), "1");
  EXPECT_EQ(TextAt(grid, leftHeader), "0");
  EXPECT_EQ(TextAt(grid, {35 + 17, 18 + 9}), "0");  // channel 1

  grid.verticalScrollBar()->setValue(grid.verticalScrollBar()->maximum());
  grid.horizontalScrollBar()->setValue(grid.horizontalScrollBar()->maximum());
  ASSERT_GT(grid.verticalScrollBar()->maximum(), 0);
  ASSERT_GT(grid.horizontalScrollBar()->maximum(), 0);

  // Still headers at the same place, now naming the columns and rows scrolled in.
  const int firstColumn = grid.columnAt(0);
  const int firstRow = grid.rowAt(0);
  EXPECT_GT(firstColumn, 1);
  EXPECT_GT(firstRow, 1);
  EXPECT_EQ(TextAt(grid, {35 + 2, 9}), QString::number(firstColumn));
  EXPECT_EQ(TextAt(grid, {17, 18 + 2}), QString::number(16 * (firstRow - 1)));
  EXPECT_EQ(TextAt(grid, {17, 273 - 20}), "496");
  EXPECT_EQ(TextAt(grid, {385 - 40, 9}), "16");
  EXPECT_EQ(grid.horizontalHeader()->geometry().top(), grid.frameWidth());
  EXPECT_EQ(grid.verticalHeader()->geometry().left(), grid.frameWidth());
}

TEST_F(GridAndBoxesTest, EveryReadOnlyBoxShowsTheStartOfALongText) {
  Start();
  form->show();
  const QString text = "Voltage of Phase2 to high, 250V and more text than fits";
  for (QLineEdit* box :
       {form->Edit2, form->Edit8, form->Edit9, form->Edit5, form->Edit33, form->Edit4}) {
    SCOPED_TRACE(box->geometry().topLeft().x());
    ASSERT_TRUE(box->isReadOnly());
    box->setText(text);
    EXPECT_EQ(box->cursorPosition(), 0) << "the view follows the cursor";
  }
  // A box the operator types into keeps Qt's own cursor.
  form->Edit1->setText("Spot");
  EXPECT_EQ(form->Edit1->cursorPosition(), 4);
}

}  // namespace
}  // namespace korval::testing
