#include "app/widgets.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <utility>

namespace korval {

void ClickableImage::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
    Q_EMIT clicked();
  }
  QLabel::mouseReleaseEvent(event);
}

void ListBox::keyPressEvent(QKeyEvent* event) {
  const int before = currentRow();
  QListWidget::keyPressEvent(event);
  if (currentRow() != before && currentRow() >= 0) Q_EMIT selectedByKey();
}

void ListBox::mousePressEvent(QMouseEvent* event) {
  pressSeen_ = true;
  rowBeforePress_ = currentRow();
  pressedRow_ = row(itemAt(event->position().toPoint()));
  QListWidget::mousePressEvent(event);
}

void ListBox::mouseReleaseEvent(QMouseEvent* event) {
  const int releasedRow = row(itemAt(event->position().toPoint()));
  QListWidget::mouseReleaseEvent(event);
  // A release whose press was held off by a running handler selects nothing.
  if (!std::exchange(pressSeen_, false)) return;
  // Press and release on the same item is a click, reported by itemClicked.
  const bool click = releasedRow >= 0 && releasedRow == pressedRow_;
  if (!click && currentRow() >= 0 && currentRow() != rowBeforePress_) Q_EMIT selectedByDrag();
}

void PaintBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (onPaint) onPaint(painter);
}

void PaintBox::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  if (onMouseMove) onMouseMove(event->buttons(), event->modifiers(), p.x(), p.y());
}

void PaintBox::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  if (onMouseUp) onMouseUp(event->button(), event->modifiers(), p.x(), p.y());
}

UpDown::UpDown(QLineEdit* associate, QWidget* parent)
    : QWidget(parent),
      associate_(associate),
      up_(new QToolButton(this)),
      down_(new QToolButton(this)) {
  up_->setArrowType(Qt::UpArrow);
  down_->setArrowType(Qt::DownArrow);
  connect(up_, &QToolButton::clicked, this, [this] { SetPosition(position_ + 1); });
  connect(down_, &QToolButton::clicked, this, [this] { SetPosition(position_ - 1); });
  Show();
}

void UpDown::SetMin(int min) {
  min_ = min;
  Show();
}

void UpDown::SetMax(int max) {
  max_ = max;
  Show();
}

void UpDown::SetPosition(int position) {
  // An inverted range (maximum below minimum) pins the position to the minimum.
  position_ = std::max(min_, std::min(position, std::max(min_, max_)));
  Show();
}

void UpDown::Show() {
  const int half = height() / 2;
  up_->setGeometry(0, 0, width(), half);
  down_->setGeometry(0, half, width(), height() - half);
  if (associate_) associate_->setText(QString::number(position_));
}

CellGrid::CellGrid(int columns, int rows, QWidget* parent) : QTableWidget(rows, columns, parent) {
  // Row 0 and column 0 are the fixed cells. The view's own headers show them, so
  // they stay in place while the data cells scroll; the model keeps the hidden
  // row and column so that Cells(column, row) counts as the grid does.
  setRowHidden(0, true);
  setColumnHidden(0, true);
  for (QHeaderView* header : {horizontalHeader(), verticalHeader()}) {
    header->setSectionsClickable(false);
    header->setHighlightSections(false);
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setMinimumSectionSize(0);
  }
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  for (int c = 0; c < columns; ++c) setHorizontalHeaderItem(c, new QTableWidgetItem());
  for (int r = 0; r < rows; ++r) setVerticalHeaderItem(r, new QTableWidgetItem());
  for (int r = 1; r < rows; ++r) {
    for (int c = 1; c < columns; ++c) setItem(r, c, new QTableWidgetItem());
  }
}

void CellGrid::SetFixedCellSize(int width, int height) {
  horizontalHeader()->setDefaultSectionSize(width);
  verticalHeader()->setDefaultSectionSize(height);
  horizontalHeader()->setFixedHeight(height);
  verticalHeader()->setFixedWidth(width);
}

QTableWidgetItem* CellGrid::CellItem(int column, int row) const {
  if (row == 0 && column == 0) return nullptr;  // the corner shows nothing
  if (row == 0) return horizontalHeaderItem(column);
  if (column == 0) return verticalHeaderItem(row);
  return item(row, column);
}

QString CellGrid::Cell(int column, int row) const {
  const QTableWidgetItem* it = CellItem(column, row);
  return it ? it->text() : QString();
}

void CellGrid::SetCell(int column, int row, const QString& text) {
  if (QTableWidgetItem* it = CellItem(column, row); it && it->text() != text) it->setText(text);
}

void SetBoxColour(QWidget* box, const QColor& colour) {
  QPalette p = box->palette();
  p.setColor(QPalette::Base, colour);
  box->setPalette(p);
  box->setAutoFillBackground(true);
}

QColor BoxColour(const QWidget* box) {
  return box->palette().color(QPalette::Base);
}

}  // namespace korval
