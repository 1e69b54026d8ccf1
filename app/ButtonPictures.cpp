#include "app/ButtonPictures.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace tq {

namespace {

// Each command gets its own tint, so the two rows read at a glance.
QColor TintOf(ButtonSymbol symbol) {
  switch (symbol) {
    case ButtonSymbol::Open: return QColor(70, 120, 200);
    case ButtonSymbol::IspOn: return QColor(40, 150, 70);
    case ButtonSymbol::IspOff: return QColor(190, 60, 50);
    case ButtonSymbol::ViewHex: return QColor(110, 90, 170);
    case ButtonSymbol::Auto: return QColor(220, 140, 20);
    case ButtonSymbol::Program: return QColor(30, 130, 150);
    case ButtonSymbol::Erase: return QColor(170, 80, 130);
    case ButtonSymbol::CheckSum: return QColor(90, 110, 60);
  }
  return Qt::gray;
}

// A chip: a dark body with four pins on each long side.
void DrawChip(QPainter& p, const QRectF& r) {
  p.setPen(QPen(QColor(40, 40, 40), 1));
  for (int i = 0; i < 4; ++i) {
    const qreal x = r.left() + 2 + i * (r.width() - 4) / 3.5;
    p.drawLine(QPointF(x, r.top() - 2), QPointF(x, r.top()));
    p.drawLine(QPointF(x, r.bottom()), QPointF(x, r.bottom() + 2));
  }
  p.setBrush(QColor(50, 50, 55));
  p.drawRoundedRect(r, 1.5, 1.5);
}

void DrawSymbol(QPainter& p, ButtonSymbol symbol, const QRectF& box, const QColor& tint) {
  const QPointF c = box.center();
  p.setRenderHint(QPainter::Antialiasing, true);
  switch (symbol) {
    case ButtonSymbol::Open: {  // a folder
      QPainterPath folder;
      folder.moveTo(box.left() + 1, box.top() + 5);
      folder.lineTo(box.left() + 7, box.top() + 5);
      folder.lineTo(box.left() + 9, box.top() + 7);
      folder.lineTo(box.right() - 1, box.top() + 7);
      folder.lineTo(box.right() - 1, box.bottom() - 3);
      folder.lineTo(box.left() + 1, box.bottom() - 3);
      folder.closeSubpath();
      p.setPen(QPen(QColor(120, 90, 20), 1));
      p.setBrush(QColor(245, 200, 80));
      p.drawPath(folder);
      break;
    }
    case ButtonSymbol::IspOn:
    case ButtonSymbol::IspOff: {  // a lamp, lit or dark, with a power mark
      const bool on = symbol == ButtonSymbol::IspOn;
      p.setPen(QPen(QColor(30, 30, 30), 1));
      QRadialGradient glow(c, 9, c - QPointF(3, 3));
      glow.setColorAt(0, on ? QColor(190, 255, 190) : QColor(255, 190, 180));
      glow.setColorAt(1, on ? QColor(20, 160, 40) : QColor(180, 30, 20));
      p.setBrush(glow);
      p.drawEllipse(c, 9, 9);
      p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
      p.drawArc(QRectF(c.x() - 5, c.y() - 4, 10, 10), 120 * 16, 300 * 16);
      p.drawLine(QPointF(c.x(), c.y() - 6), QPointF(c.x(), c.y() - 1));
      break;
    }
    case ButtonSymbol::ViewHex: {  // a magnifier over a page
      p.setPen(QPen(QColor(90, 90, 90), 1));
      p.setBrush(Qt::white);
      p.drawRect(QRectF(box.left() + 2, box.top() + 3, 12, 16));
      p.setPen(QPen(QColor(150, 150, 150), 1));
      for (int i = 0; i < 4; ++i)
        p.drawLine(QPointF(box.left() + 4, box.top() + 7 + i * 3),
                   QPointF(box.left() + 12, box.top() + 7 + i * 3));
      p.setPen(QPen(tint.darker(150), 2));
      p.setBrush(QColor(255, 255, 255, 120));
      p.drawEllipse(QPointF(c.x() + 2, c.y() - 1), 5, 5);
      p.setPen(QPen(tint.darker(170), 3, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(c.x() + 6, c.y() + 3), QPointF(c.x() + 10, c.y() + 7));
      break;
    }
    case ButtonSymbol::Auto: {  // run everything: two arrow heads
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(230, 120, 0));
      for (int i = 0; i < 2; ++i) {
        const qreal x = box.left() + 2 + i * 9;
        QPolygonF head;
        head << QPointF(x, c.y() - 8) << QPointF(x + 10, c.y()) << QPointF(x, c.y() + 8);
        p.drawPolygon(head);
      }
      break;
    }
    case ButtonSymbol::Program: {  // an arrow into a chip
      DrawChip(p, QRectF(box.left() + 3, c.y() + 1, 16, 8));
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(20, 140, 60));
      QPolygonF arrow;
      arrow << QPointF(c.x() - 3, box.top() + 1) << QPointF(c.x() + 3, box.top() + 1)
            << QPointF(c.x() + 3, box.top() + 6) << QPointF(c.x() + 6, box.top() + 6)
            << QPointF(c.x(), box.top() + 11) << QPointF(c.x() - 6, box.top() + 6)
            << QPointF(c.x() - 3, box.top() + 6);
      p.drawPolygon(arrow);
      break;
    }
    case ButtonSymbol::Erase: {  // an eraser on its side
      p.save();
      p.translate(c);
      p.rotate(-30);
      p.setPen(QPen(QColor(60, 60, 60), 1));
      p.setBrush(QColor(250, 130, 150));
      p.drawRect(QRectF(-9, -4, 11, 8));
      p.setBrush(QColor(90, 140, 230));
      p.drawRect(QRectF(2, -4, 7, 8));
      p.restore();
      break;
    }
    case ButtonSymbol::CheckSum: {  // a chip read back: the sum sign over it
      DrawChip(p, QRectF(box.left() + 3, c.y() + 2, 16, 7));
      QFont f = p.font();
      f.setPixelSize(14);
      f.setBold(true);
      p.setFont(f);
      p.setPen(QColor(30, 90, 30));
      p.drawText(QRectF(box.left(), box.top() - 3, box.width(), 16), Qt::AlignCenter,
                 QString(QChar(0x03A3)));
      break;
    }
  }
}

}  // namespace

QPixmap ButtonPicture(ButtonSymbol symbol, const QString& caption) {
  QPixmap picture(kButtonPictureWidth, kButtonPictureHeight);
  picture.fill(Qt::transparent);
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing, true);
  const QColor tint = TintOf(symbol);

  // The plate: a light shade of the tint, darker at the foot.
  const QRectF plate(0.5, 0.5, kButtonPictureWidth - 1, kButtonPictureHeight - 1);
  QLinearGradient shade(plate.topLeft(), plate.bottomLeft());
  shade.setColorAt(0, tint.lighter(185));
  shade.setColorAt(1, tint.lighter(135));
  p.setPen(QPen(tint.darker(120), 1));
  p.setBrush(shade);
  p.drawRoundedRect(plate, 4, 4);

  DrawSymbol(p, symbol, QRectF(5, 4, 22, 20), tint);

  // The caption over the plate, right of the symbol.
  // 13 pixels where the caption fits, smaller for the long ones.
  const QRectF room(28, 0, kButtonPictureWidth - 31, kButtonPictureHeight);
  QFont f = p.font();
  f.setBold(true);
  for (int pixels = 13; pixels >= 8; --pixels) {
    f.setPixelSize(pixels);
    const QRect need = QFontMetrics(f).boundingRect(QRect(), Qt::TextShowMnemonic, caption);
    if (need.width() <= room.width()) break;
  }
  p.setFont(f);
  p.setPen(QColor(20, 20, 30));
  p.drawText(room, Qt::AlignCenter | Qt::TextShowMnemonic, caption);
  return picture;
}

QPixmap WindowPicture(int size) {
  QPixmap picture(size, size);
  picture.fill(Qt::transparent);
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.scale(size / 32.0, size / 32.0);
  DrawChip(p, QRectF(4, 10, 24, 14));
  p.setPen(QPen(QColor(220, 140, 20), 3, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(24, 4), QPointF(14, 15));
  return picture;
}

}  // namespace tq
