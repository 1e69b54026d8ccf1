#include "dialogs/Editmenu.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QHeaderView>
#include <QPalette>
#include <QTableView>

namespace tq {

DumpTableModel::DumpTableModel(const CodeBuffer& buffer, QObject* parent)
    : QAbstractTableModel(parent), dump_(buffer) {}

int DumpTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : dump_.RowCount();
}

int DumpTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : BufferDump::kColumnCount;
}

QVariant DumpTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  switch (role) {
    case Qt::DisplayRole:
      // Every cell is ASCII: hex digits, the address, or characters 0x20..0x7E and ".".
      return QString::fromLatin1(dump_.CellText(index.row(), index.column()));
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    case Qt::BackgroundRole:
      // The header row and the address column are the grid's fixed cells.
      if (index.row() == 0 || index.column() == BufferDump::kAddressColumn)
        return QGuiApplication::palette().button();
      return {};
    default:
      return {};
  }
}

QVariant DumpTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Horizontal) return QString::fromLatin1(dump_.CellText(0, section));
  return {};
}

Qt::ItemFlags DumpTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

TEditForm::TEditForm(const CodeBuffer& buffer, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint) {
  setObjectName("EditForm");
  setWindowTitle(QString::fromUtf8(BufferDump::kCaption));
  setFixedSize(646, 593);

  model_ = new DumpTableModel(buffer, this);
  StringGrid1 = new QTableView(this);
  StringGrid1->setObjectName("StringGrid1");
  StringGrid1->setGeometry(0, 0, 646, 593);
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setPixelSize(13);
  StringGrid1->setFont(fixed);
  StringGrid1->setModel(model_);
  StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
  StringGrid1->setShowGrid(true);
  StringGrid1->setWordWrap(false);
  StringGrid1->setCornerButtonEnabled(false);
  StringGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  StringGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

  // Every row has the same height, so the view never measures 8192 rows.
  QHeaderView* rows = StringGrid1->verticalHeader();
  rows->setSectionResizeMode(QHeaderView::Fixed);
  rows->setMinimumSectionSize(BufferDump::kRowHeight);
  rows->setDefaultSectionSize(BufferDump::kRowHeight);
  rows->hide();

  QHeaderView* columns = StringGrid1->horizontalHeader();
  columns->setFont(fixed);
  columns->setSectionResizeMode(QHeaderView::Fixed);
  columns->setMinimumSectionSize(1);
  columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  columns->setHighlightSections(false);
  columns->setSectionsClickable(false);
  columns->setFixedHeight(BufferDump::kRowHeight);
  for (int c = 0; c < BufferDump::kColumnCount; ++c)
    columns->resizeSection(c, BufferDump::ColumnWidth(c));

  // Row 0 is shown by the header above, where it does not scroll away.
  StringGrid1->setRowHidden(0, true);
}

}  // namespace tq
