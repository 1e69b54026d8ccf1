#include "app/Demo.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLinearGradient>
#include <QPainter>
#include <QRadioButton>
#include <QTimer>
#include <QWidget>

#include <cstdio>

#include "app/Mainmenu.h"
#include "dialogs/Selectmcu.h"

namespace tq {

namespace {

constexpr int kTitleHeight = 24;

void Settle() {
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

}  // namespace

QImage WindowShot(QWidget& window) {
  const QPixmap body = window.grab();
  QImage shot(body.width() + 2, body.height() + kTitleHeight + 1, QImage::Format_RGB32);
  shot.fill(QColor(60, 70, 90));
  QPainter p(&shot);
  QLinearGradient strip(0, 0, 0, kTitleHeight);
  strip.setColorAt(0, QColor(70, 100, 160));
  strip.setColorAt(1, QColor(40, 60, 120));
  p.fillRect(QRect(0, 0, shot.width(), kTitleHeight), strip);
  QFont f = window.font();
  f.setPixelSize(13);
  f.setBold(true);
  p.setFont(f);
  p.setPen(Qt::white);
  // Trailing blanks of a caption are part of it but invisible; keep them.
  p.drawText(QRect(8, 0, shot.width() - 40, kTitleHeight), Qt::AlignVCenter | Qt::AlignLeft,
             window.windowTitle());
  // The close box.
  const QRect close(shot.width() - 22, 4, 16, 16);
  p.setPen(QPen(Qt::white, 2));
  p.drawLine(close.topLeft() + QPoint(4, 4), close.bottomRight() - QPoint(4, 4));
  p.drawLine(close.topRight() + QPoint(-4, 4), close.bottomLeft() + QPoint(4, -4));
  p.drawPixmap(1, kTitleHeight, body);
  return shot;
}

Answer DemoPrompter::Box(QWidget*, BoxKind kind, const QString& text) {
  std::fprintf(stderr, "tarnquill demo: box %d: %s\n", static_cast<int>(kind),
               text.toLocal8Bit().constData());
  if (kind == BoxKind::Error || kind == BoxKind::Exception) ++failures_;
  return Answer::Yes;
}

std::optional<FileChoice> DemoPrompter::FileDialog(QWidget*, FileDialogKind kind,
                                                   FileDialogState& state) {
  if (kind != FileDialogKind::Open) return std::nullopt;
  state.filterIndex = 1;
  return FileChoice{QFile::encodeName(file_).toStdString(), 1};
}

bool DemoPrompter::Save(QWidget& window, const QString& name) {
  const QString path = QDir(outDir_).filePath(name + QStringLiteral(".png"));
  const bool ok = WindowShot(window).save(path);
  std::fprintf(stderr, "tarnquill demo: %s %s\n", ok ? "saved" : "could not save",
               path.toLocal8Bit().constData());
  if (!ok) ++failures_;
  return ok;
}

int DemoPrompter::Exec(QDialog& dialog) {
  dialog.show();
  Settle();
  if (auto* mcu = qobject_cast<TMcuForm*>(&dialog)) {
    Save(dialog, QStringLiteral("mcu-dialog"));
    if (QRadioButton* item = mcu->Item(mcuItem_)) item->click();
  } else {
    const QString name = dialog.objectName() == QLatin1String("EditForm")
                             ? QStringLiteral("buffer-viewer")
                             : QStringLiteral("checksum-dialog");
    Save(dialog, name);
  }
  if (dialog.isVisible()) dialog.reject();
  return dialog.result();
}

void DemoPrompter::Show(QWidget& window) {
  window.show();
  Settle();
}

DemoRequest DemoFromEnvironment() {
  DemoRequest request;
  request.exitWhenShown = qEnvironmentVariableIntValue("TARNQUILL_EXIT_WHEN_SHOWN") != 0;
  request.file = qEnvironmentVariable("TARNQUILL_DEMO");
  request.active = !request.file.isEmpty();
  request.outDir = qEnvironmentVariable("TARNQUILL_DEMO_OUT", QDir::currentPath());
  bool ok = false;
  const int item = qEnvironmentVariableIntValue("TARNQUILL_DEMO_MCU", &ok);
  if (ok) request.mcuItem = item;
  return request;
}

void ScheduleDemo(TMainForm& form, DemoPrompter& prompter) {
  QTimer::singleShot(0, &form, [&form, &prompter] {
    Settle();
    prompter.Save(form, QStringLiteral("main-window-start"));
    form.ActionOf(Control::OpenButton)->trigger();
    Settle();
    form.ActionOf(Control::AutoButton)->trigger();
    Settle();
    prompter.Save(form, QStringLiteral("main-window"));
    form.ActionOf(Control::SpeedButton1)->trigger();
    form.ActionOf(Control::CreatRomFile1)->trigger();
    form.ActionOf(Control::SetSpeed1)->trigger();
    Settle();
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (window->objectName() == QLatin1String("SetupForm") && window->isVisible()) {
        prompter.Save(*window, QStringLiteral("speed-dialog"));
        window->close();
      }
    }
    QCoreApplication::exit(prompter.Failures() == 0 ? 0 : 1);
  });
}

namespace {

class FirstPaint : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      watched->removeEventFilter(this);
      QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    }
    return false;
  }
};

}  // namespace

void ExitWhenShown(TMainForm& form) { form.installEventFilter(new FirstPaint(&form)); }

}  // namespace tq
