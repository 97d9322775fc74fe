#include "app/widgets.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>

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
  horizontalHeader()->hide();
  verticalHeader()->hide();
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      auto* item = new QTableWidgetItem();
      if (r == 0 || c == 0) {
        item->setBackground(palette().button());
        item->setFlags(Qt::ItemIsEnabled);
      }
      setItem(r, c, item);
    }
  }
}

QString CellGrid::Cell(int column, int row) const {
  const QTableWidgetItem* it = item(row, column);
  return it ? it->text() : QString();
}

void CellGrid::SetCell(int column, int row, const QString& text) {
  if (QTableWidgetItem* it = item(row, column); it && it->text() != text) it->setText(text);
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
