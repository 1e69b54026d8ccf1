#include "dialogs/Selectmcu.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QRadioButton>

namespace tq {

TMcuForm::TMcuForm(const std::vector<std::string>& items, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setObjectName("McuForm");
  setWindowTitle(QString::fromUtf8(kCaption));
  setFixedSize(402, 233);
  move(361, 190);

  RadioGroup1 = new QGroupBox(QString::fromUtf8(kGroupCaption), this);
  RadioGroup1->setObjectName("RadioGroup1");
  RadioGroup1->setGeometry(0, 0, 400, 233);
  QFont font(QStringLiteral("Sans Serif"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(15);
  // Two columns of texts such as "8. KV300/310-128K (128K)" must fit in 400
  // pixels: take the narrower cut of the face where there is one.
  font.setStretch(QFont::SemiCondensed);
  RadioGroup1->setFont(font);

  auto* grid = new QGridLayout(RadioGroup1);
  grid->setContentsMargins(4, 2, 0, 2);
  grid->setHorizontalSpacing(2);
  grid->setVerticalSpacing(0);
  buttons_ = new QButtonGroup(this);
  buttons_->setExclusive(true);

  const int count = static_cast<int>(items.size());
  perColumn_ = (count + kColumns - 1) / kColumns;
  for (int i = 0; i < count; ++i) {
    auto* item = new QRadioButton(QString::fromStdString(items[static_cast<size_t>(i)]));
    item->setObjectName(QStringLiteral("RadioGroup1Item%1").arg(i));
    buttons_->addButton(item, i);
    grid->addWidget(item, ItemRow(i), ItemColumn(i));
  }
  // The left column as wide as its texts, the right one takes the rest: the
  // longer names sit on the right in the default table.
  grid->setColumnStretch(kColumns - 1, 1);

  // A click, or a keyboard move within the group, is the choice.
  connect(buttons_, &QButtonGroup::idClicked, this, &TMcuForm::RadioGroup1Click);
}

int TMcuForm::ItemCount() const { return static_cast<int>(buttons_->buttons().size()); }

QRadioButton* TMcuForm::Item(int position) const {
  return qobject_cast<QRadioButton*>(buttons_->button(position));
}

int TMcuForm::ItemColumn(int position) const {
  return perColumn_ > 0 ? position / perColumn_ : 0;
}

int TMcuForm::ItemRow(int position) const { return perColumn_ > 0 ? position % perColumn_ : 0; }

void TMcuForm::RadioGroup1Click(int position) {
  if (position < 0) return;
  choice_ = position;
  accept();
}

}  // namespace tq
