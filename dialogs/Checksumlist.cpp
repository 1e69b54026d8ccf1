#include "dialogs/Checksumlist.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <exception>
#include <utility>

namespace tq {

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int left, int top) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->adjustSize();
  label->move(left, top);
  return label;
}

}  // namespace

TCheckSumForm::TCheckSumForm(const CodeBuffer& buffer, ConfigFile& config, WindowServices& win,
                             Clock& clock, std::function<void(const std::string&)> showUnhandled,
                             QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      showUnhandled_(std::move(showUnhandled)),
      report_(buffer, config, win, clock) {
  setObjectName("CheckSumForm");
  setWindowTitle(QString::fromUtf8(CheckSumReport::kCaption));
  // An outer size of 307 x 182 leaves this much inside a usual frame.
  setFixedSize(299, 155);
  move(448, 194);

  const auto text = [](const std::string& s) { return QString::fromStdString(s); };
  // The places are those of a narrow dialog font; where this desktop's font
  // makes a caption wider, its value moves right rather than overlap it.
  const auto after = [](QLabel* caption, int left) {
    return std::max(left, caption->x() + caption->width() + 4);
  };
  Label1 = MakeLabel(this, "Label1", QString::fromUtf8(CheckSumReport::kCompanyLabel), 8, 11);
  Edit1 = new QLineEdit(text(report_.Company()), this);
  Edit1->setObjectName("Edit1");
  const int editLeft = after(Label1, 96);
  Edit1->setGeometry(editLeft, 8, 96 + 193 - editLeft, 22);
  Label2 = MakeLabel(this, "Label2", QString::fromUtf8(CheckSumReport::kDateLabel), 8, 32);
  Label6 = MakeLabel(this, "Label6", text(report_.Date()), after(Label2, 40), 32);
  Label3 = MakeLabel(this, "Label3", QString::fromUtf8(CheckSumReport::kFileNameLabel), 8, 56);
  Label7 = MakeLabel(this, "Label7", text(report_.FileName()), after(Label3, 64), 56);
  Label7->setToolTip(Label7->text());
  Label5 = MakeLabel(this, "Label5", QString::fromUtf8(CheckSumReport::kCheckSumLabel), 8, 80);
  Label8 = MakeLabel(this, "Label8", text(report_.CheckSum()), after(Label5, 72), 80);

  Button1 = new QPushButton(QString::fromUtf8(CheckSumReport::kButtonCaption), this);
  Button1->setObjectName("Button1");
  Button1->setGeometry(8, 104, 289, 41);
  QFont bold = Button1->font();
  bold.setPixelSize(16);
  bold.setBold(true);
  Button1->setFont(bold);
  Button1->setAutoDefault(false);

  connect(Button1, &QPushButton::clicked, this, &TCheckSumForm::Button1Click);
}

void TCheckSumForm::Button1Click() {
  try {
    if (report_.Button1Click(Edit1->text().toStdString())) accept();
  } catch (const std::exception& e) {
    // The report is on disk but COMPANY could not be stored: say so and
    // leave the dialog open.
    showUnhandled_(e.what());
  }
}

}  // namespace tq
