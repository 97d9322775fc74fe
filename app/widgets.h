// Small widgets the window needs that Qt has no exact match for: a picture that
// can be clicked, a list that reports keyboard selection, a paint box that hands painting and mouse
// events to the window, an up-down bound to a read-only box, and a string grid addressed as
// Cells(column, row) whose fixed row and column stay in place while the data scrolls.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTableWidget>
#include <QWidget>
#include <functional>

class QPainter;
class QToolButton;

namespace korval {

class ClickableImage : public QLabel {
  Q_OBJECT
 public:
  using QLabel::QLabel;
 Q_SIGNALS:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

// A list whose selection by the arrow, page and home/end keys is reported like
// a click: the operator picks an item with the keyboard as with the mouse. So is
// a press on one item and a release on another that moved the selection, which
// Qt does not count as a click.
class ListBox : public QListWidget {
  Q_OBJECT
 public:
  using QListWidget::QListWidget;
 Q_SIGNALS:
  void selectedByKey();
  void selectedByDrag();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool pressSeen_ = false;
  int rowBeforePress_ = -1;
  int pressedRow_ = -1;
};

class PaintBox : public QWidget {
  Q_OBJECT
 public:
  using QWidget::QWidget;
  std::function<void(QPainter&)> onPaint;
  std::function<void(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int x, int y)>
      onMouseMove;
  std::function<void(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)> onMouseUp;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
};

// The position is shown in the associated box; the arrows step it within
// [Min, Max] without wrapping.
class UpDown : public QWidget {
  Q_OBJECT
 public:
  UpDown(QLineEdit* associate, QWidget* parent);
  int Min() const { return min_; }
  int Max() const { return max_; }
  int Position() const { return position_; }
  void SetMin(int min);
  void SetMax(int max);
  void SetPosition(int position);

 private:
  void Show();
  QLineEdit* associate_;
  QToolButton* up_;
  QToolButton* down_;
  int min_ = 1;
  int max_ = 1;
  int position_ = 1;
};

class CellGrid : public QTableWidget {
  Q_OBJECT
 public:
  CellGrid(int columns, int rows, QWidget* parent);
  // Every cell, the fixed ones included, is this wide and high.
  void SetFixedCellSize(int width, int height);
  QString Cell(int column, int row) const;
  void SetCell(int column, int row, const QString& text);

 private:
  QTableWidgetItem* CellItem(int column, int row) const;
};

// Box colours carry state on the RDM page (grey = not read, yellow = selected).
void SetBoxColour(QWidget* box, const QColor& colour);
QColor BoxColour(const QWidget* box);

}  // namespace korval
