#include "app/artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace korval::artwork {

namespace {

const QColor kNavy(18, 32, 64);
const QColor kSteel(58, 86, 130);
const QColor kAmber(255, 176, 32);

QPixmap Blank(int w, int h) {
  QPixmap pixmap(w, h);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

QPixmap Gradient(int w, int h, const QColor& from, const QColor& to, bool vertical) {
  QPixmap pixmap(w, h);
  QPainter p(&pixmap);
  QLinearGradient g(0, 0, vertical ? 0 : w, vertical ? h : 0);
  g.setColorAt(0, from);
  g.setColorAt(1, to);
  p.fillRect(pixmap.rect(), g);
  return pixmap;
}

// A small moving-head silhouette: base, yoke and a beam.
void DrawFixture(QPainter& p, QRectF box, const QColor& body) {
  p.setRenderHint(QPainter::Antialiasing);
  const qreal w = box.width(), h = box.height();
  p.setPen(Qt::NoPen);
  QLinearGradient beam(box.center(), QPointF(box.center().x(), box.bottom()));
  beam.setColorAt(0, QColor(255, 230, 150, 200));
  beam.setColorAt(1, QColor(255, 230, 150, 0));
  QPainterPath cone;
  cone.moveTo(box.left() + w * 0.42, box.top() + h * 0.55);
  cone.lineTo(box.left() + w * 0.58, box.top() + h * 0.55);
  cone.lineTo(box.left() + w * 0.85, box.bottom());
  cone.lineTo(box.left() + w * 0.15, box.bottom());
  cone.closeSubpath();
  p.fillPath(cone, beam);
  p.setBrush(body);
  p.drawRoundedRect(QRectF(box.left() + w * 0.25, box.top() + h * 0.05, w * 0.5, h * 0.12), 2, 2);
  p.drawRect(QRectF(box.left() + w * 0.22, box.top() + h * 0.17, w * 0.06, h * 0.3));
  p.drawRect(QRectF(box.left() + w * 0.72, box.top() + h * 0.17, w * 0.06, h * 0.3));
  p.drawEllipse(QRectF(box.left() + w * 0.32, box.top() + h * 0.22, w * 0.36, h * 0.34));
}

QPixmap Glyph(const std::function<void(QPainter&)>& draw) {
  QPixmap pixmap = Blank(24, 24);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(kSteel, 2));
  p.setBrush(Qt::NoBrush);
  draw(p);
  return pixmap;
}

}  // namespace

QPixmap LeftBackground() {
  return Gradient(193, 657, QColor(232, 238, 247), QColor(196, 210, 232), true);
}

QPixmap PageBackground() {
  return Gradient(761, 601, QColor(244, 247, 252), QColor(220, 228, 242), true);
}

QPixmap Banner(const char* webAddress) {
  QPixmap pixmap = Gradient(609, 49, kNavy, kSteel, false);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(kAmber);
  QFont title("Sans Serif");
  title.setPixelSize(26);
  title.setBold(true);
  p.setFont(title);
  p.drawText(QRect(16, 0, 200, 49), Qt::AlignVCenter | Qt::AlignLeft, "KORVAL");
  QFont small("Sans Serif");
  small.setPixelSize(13);
  p.setFont(small);
  p.setPen(Qt::white);
  p.drawText(QRect(160, 0, 430, 49), Qt::AlignVCenter | Qt::AlignRight,
             QString("RDM Setup  \u00B7  %1").arg(webAddress));
  for (int i = 0; i < 5; ++i) {
    p.setPen(QPen(QColor(255, 176, 32, 120 - 20 * i), 2));
    p.drawLine(130 + 6 * i, 40, 150 + 6 * i, 8);
  }
  return pixmap;
}

QPixmap RdmPicture() {
  QPixmap pixmap = Gradient(57, 57, kNavy, kSteel, true);
  QPainter p(&pixmap);
  DrawFixture(p, QRectF(4, 2, 49, 53), QColor(210, 214, 222));
  return pixmap;
}

QPixmap IapPicture() {
  QPixmap pixmap = Gradient(225, 241, QColor(250, 251, 253), QColor(226, 232, 244), true);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  // A legend of the map's colours, drawn as the map draws them.
  const std::pair<QColor, const char*> legend[] = {{Qt::white, "free"},
                                                   {QColor(0, 255, 0), "one device"},
                                                   {QColor(128, 0, 128), "selected / overlap"},
                                                   {QColor(255, 0, 0), "overlap with selected"}};
  QFont font("Sans Serif");
  font.setPixelSize(12);
  p.setFont(font);
  int y = 130;
  for (const auto& [colour, text] : legend) {
    p.setPen(Qt::black);
    p.setBrush(colour);
    p.drawRect(16, y, 13, 13);
    p.drawText(38, y + 11, text);
    y += 24;
  }
  DrawFixture(p, QRectF(62, 8, 100, 110), kSteel);
  return pixmap;
}

QPixmap ArrowGlyph(bool up) {
  QPixmap pixmap = Blank(17, 40);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(kSteel);
  QPolygonF arrow;
  if (up) {
    arrow << QPointF(8.5, 6) << QPointF(16, 18) << QPointF(11, 18) << QPointF(11, 34)
          << QPointF(6, 34) << QPointF(6, 18) << QPointF(1, 18);
  } else {
    arrow << QPointF(8.5, 34) << QPointF(16, 22) << QPointF(11, 22) << QPointF(11, 6)
          << QPointF(6, 6) << QPointF(6, 22) << QPointF(1, 22);
  }
  p.drawPolygon(arrow);
  return pixmap;
}

QPixmap DiscoverGlyph() {
  return Glyph([](QPainter& p) {
    p.drawEllipse(QRectF(3, 3, 13, 13));
    p.drawLine(QPointF(14, 14), QPointF(21, 21));
  });
}

QPixmap IdentifyGlyph() {
  return Glyph([](QPainter& p) {
    p.setBrush(kAmber);
    p.drawEllipse(QRectF(7, 7, 10, 10));
    for (int i = 0; i < 8; ++i) {
      const double a = i * 3.14159265 / 4;
      p.drawLine(QPointF(12 + 7 * std::cos(a), 12 + 7 * std::sin(a)),
                 QPointF(12 + 11 * std::cos(a), 12 + 11 * std::sin(a)));
    }
  });
}

namespace {

// A page with an arrow: into the window (read) or out to the fixture (write).
QPixmap PageArrowGlyph(bool down) {
  return Glyph([down](QPainter& p) {
    const qreal tip = down ? 17 : 7;
    const qreal tail = down ? 7 : 17;
    const qreal barbs = down ? 13 : 11;
    p.drawRect(QRectF(4, 3, 16, 18));
    p.drawLine(QPointF(12, tail), QPointF(12, tip));
    p.drawLine(QPointF(8, barbs), QPointF(12, tip));
    p.drawLine(QPointF(16, barbs), QPointF(12, tip));
  });
}

}  // namespace

QPixmap ReadGlyph() {
  return PageArrowGlyph(true);
}

QPixmap WriteGlyph() {
  return PageArrowGlyph(false);
}

QPixmap AddressGlyph() {
  return Glyph([](QPainter& p) {
    for (int i = 0; i < 3; ++i) p.drawRect(QRectF(2 + 7 * i, 8, 6, 8));
  });
}

QPixmap NetworkGlyph() {
  return Glyph([](QPainter& p) {
    p.drawRect(QRectF(9, 2, 6, 5));
    p.drawRect(QRectF(2, 17, 6, 5));
    p.drawRect(QRectF(16, 17, 6, 5));
    p.drawLine(QPointF(12, 7), QPointF(12, 12));
    p.drawLine(QPointF(5, 12), QPointF(19, 12));
    p.drawLine(QPointF(5, 12), QPointF(5, 17));
    p.drawLine(QPointF(19, 12), QPointF(19, 17));
  });
}

QPixmap StatusGlyph() {
  return Glyph([](QPainter& p) {
    p.drawPolyline(QPolygonF() << QPointF(2, 14) << QPointF(7, 14) << QPointF(10, 5)
                               << QPointF(14, 20) << QPointF(17, 12) << QPointF(22, 12));
  });
}

QPixmap DataGlyph() {
  return Glyph([](QPainter& p) {
    p.setBrush(kSteel);
    const int heights[] = {8, 14, 5, 18, 11};
    for (int i = 0; i < 5; ++i) p.drawRect(QRectF(2 + 4.4 * i, 22 - heights[i], 2.5, heights[i]));
  });
}

QPixmap MinimizeGlyph() {
  return Glyph([](QPainter& p) {
    p.drawRect(QRectF(3, 3, 18, 18));
    p.drawLine(QPointF(7, 16), QPointF(17, 16));
  });
}

}  // namespace korval::artwork
