// The progress gauge of the main window and of the speed dialog: a plain
// horizontal bar with the percentage in bold in its middle. Painted by hand
// so the bar colour a command sets is exactly the colour on screen, under
// any style.
#pragma once

#include <QColor>
#include <QWidget>

namespace tq {

class TCGauge : public QWidget {
  Q_OBJECT
 public:
  explicit TCGauge(QWidget* parent = nullptr);

  void SetMinValue(int value);
  void SetMaxValue(int value);
  void SetProgress(int value);
  void SetForeColor(const QColor& color);

  int MinValue() const { return min_; }
  int MaxValue() const { return max_; }
  int Progress() const { return progress_; }
  QColor ForeColor() const { return fore_; }
  // Whole percent of the way from the minimum to the maximum, 0..100.
  int PercentDone() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int min_ = 0;
  int max_ = 100;
  int progress_ = 0;
  QColor fore_{0, 0, 255};
};

}  // namespace tq
