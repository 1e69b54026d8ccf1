#include "dialogs/Setup.h"

#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

#include <exception>
#include <utility>

#include "dialogs/Gauge.h"

namespace tq {

namespace {
QString Q(const char* text) { return QString::fromUtf8(text); }
}  // namespace

TSetupForm::TSetupForm(Session& session, ConfigFile& config, TIspDevice& isp, Clock& clock,
                       std::function<void(const std::string&)> showUnhandled, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      showUnhandled_(std::move(showUnhandled)),
      logic_(session, config, isp, clock, *this) {
  setObjectName("SetupForm");
  setWindowTitle(Q(SpeedSetup::kCaption));
  setFixedSize(297, 230);

  GroupBox1 = new QGroupBox(Q(SpeedSetup::kManualCaption), this);
  GroupBox1->setObjectName("GroupBox1");
  GroupBox1->setGeometry(8, 8, 281, 97);

  ScrollBar1 = new QScrollBar(Qt::Horizontal, GroupBox1);
  ScrollBar1->setObjectName("ScrollBar1");
  ScrollBar1->setGeometry(16, 28, 249, 17);
  ScrollBar1->setRange(SpeedSetup::kBarMin, SpeedSetup::kBarMax);
  ScrollBar1->setSingleStep(SpeedSetup::kBarSmallChange);
  ScrollBar1->setPageStep(SpeedSetup::kBarLargeChange);
  ScrollBar1->setValue(SpeedSetup::kBarDesignPosition);

  Label1 = new QLabel(Q(SpeedSetup::kClockCaption), GroupBox1);
  Label1->setObjectName("Label1");
  Label1->setGeometry(16, 60, 120, 17);

  Label2 = new QLabel(Q(SpeedSetup::kLabel2DesignText), GroupBox1);
  Label2->setObjectName("Label2");
  Label2->setGeometry(150, 56, 115, 25);
  Label2->setAlignment(Qt::AlignCenter);
  Label2->setFrameStyle(QFrame::Panel | QFrame::Sunken);

  GroupBox2 = new QGroupBox(Q(SpeedSetup::kAutoCaption), this);
  GroupBox2->setObjectName("GroupBox2");
  GroupBox2->setGeometry(8, 113, 281, 109);

  Memo1 = new QPlainTextEdit(Q(SpeedSetup::kMemoInitialText), GroupBox2);
  Memo1->setObjectName("Memo1");
  Memo1->setGeometry(16, 26, 249, 26);
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setReadOnly(true);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

  Button2 = new QPushButton(Q(SpeedSetup::kButtonCaption), GroupBox2);
  Button2->setObjectName("Button2");
  Button2->setGeometry(16, 66, 97, 27);
  Button2->setAutoDefault(false);

  CGauge1 = new TCGauge(GroupBox2);
  CGauge1->setObjectName("CGauge1");
  CGauge1->setGeometry(124, 66, 141, 27);
  CGauge1->SetMinValue(0);
  CGauge1->SetMaxValue(SpeedSetup::kGaugeMax);

  connect(ScrollBar1, &QScrollBar::valueChanged, this, &TSetupForm::ScrollBar1Change);
  connect(Button2, &QPushButton::clicked, this, &TSetupForm::Button2Click);
}

template <typename F>
void TSetupForm::Guarded(F&& f) {
  try {
    f();
  } catch (const std::exception& e) {
    showUnhandled_(e.what());
  }
}

void TSetupForm::ScrollBar1Change(int position) {
  Guarded([&] { logic_.ScrollBar1Change(position); });
}

void TSetupForm::Button2Click() {
  Guarded([&] { logic_.Button2Click(); });
}

void TSetupForm::SetLabel2(const std::string& text) { Label2->setText(QString::fromStdString(text)); }

void TSetupForm::SetScrollPosition(int position) {
  // The logic runs the change handler itself when it moves the bar.
  const QSignalBlocker quiet(ScrollBar1);
  ScrollBar1->setValue(position);
}

void TSetupForm::SetMemoText(const std::string& text) {
  Memo1->setPlainText(QString::fromStdString(text));
}

void TSetupForm::RepaintMemo() { Memo1->viewport()->repaint(); }

void TSetupForm::RepaintDialog() { repaint(); }

void TSetupForm::SetGauge(int value) {
  CGauge1->SetProgress(value);
  CGauge1->repaint();
}

}  // namespace tq
