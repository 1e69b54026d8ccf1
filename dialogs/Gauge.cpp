#include "dialogs/Gauge.h"

#include <QPainter>
#include <QStyleOptionFrame>

#include <algorithm>

namespace tq {

TCGauge::TCGauge(QWidget* parent) : QWidget(parent) {
  QFont bold = font();
  bold.setBold(true);
  setFont(bold);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TCGauge::SetMinValue(int value) {
  min_ = value;
  update();
}

void TCGauge::SetMaxValue(int value) {
  max_ = value;
  update();
}

void TCGauge::SetProgress(int value) {
  progress_ = value;
  update();
}

void TCGauge::SetForeColor(const QColor& color) {
  fore_ = color;
  update();
}

int TCGauge::PercentDone() const {
  const long long span = static_cast<long long>(max_) - min_;
  if (span <= 0) return 0;
  const long long done = std::clamp<long long>(static_cast<long long>(progress_) - min_, 0, span);
  return static_cast<int>(done * 100 / span);
}

void TCGauge::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect outer = rect();
  // A sunken single border, white inside.
  p.fillRect(outer, Qt::white);
  p.setPen(palette().color(QPalette::Dark));
  p.drawLine(outer.topLeft(), outer.topRight());
  p.drawLine(outer.topLeft(), outer.bottomLeft());
  p.setPen(palette().color(QPalette::Light));
  p.drawLine(outer.bottomLeft(), outer.bottomRight());
  p.drawLine(outer.topRight(), outer.bottomRight());

  const QRect inner = outer.adjusted(1, 1, -1, -1);
  const int percent = PercentDone();
  const int filled = inner.width() * percent / 100;
  const QRect bar(inner.left(), inner.top(), filled, inner.height());
  p.fillRect(bar, fore_);

  // The text is white where it lies over the bar and black elsewhere, so it
  // stays readable whatever colour a command chose.
  const QString text = QString::number(percent) + QLatin1Char('%');
  p.setFont(font());
  p.save();
  p.setClipRect(inner.adjusted(filled, 0, 0, 0));
  p.setPen(Qt::black);
  p.drawText(inner, Qt::AlignCenter, text);
  p.restore();
  if (filled > 0) {
    p.setClipRect(bar);
    p.setPen(Qt::white);
    p.drawText(inner, Qt::AlignCenter, text);
  }
}

}  // namespace tq
