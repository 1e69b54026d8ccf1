// The buffer viewer: the dump grid over a snapshot of the code buffer. The
// model formats a cell only when the view draws it, so a full 128 KB
// buffer (8192 rows) opens at once.
#pragma once

#include <QAbstractTableModel>
#include <QDialog>

#include "flows/BufferDump.h"

class QTableView;

namespace tq {

// The whole grid: row 0 holds the headers, column 0 the addresses.
class DumpTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit DumpTableModel(const CodeBuffer& buffer, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  // The view shows row 0 in its horizontal header, so that it stays in
  // place while the rows scroll.
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  const BufferDump& Dump() const { return dump_; }

 private:
  BufferDump dump_;
};

class TEditForm : public QDialog {
  Q_OBJECT
 public:
  explicit TEditForm(const CodeBuffer& buffer, QWidget* parent = nullptr);

  DumpTableModel* Model() const { return model_; }
  QTableView* StringGrid1 = nullptr;

 private:
  DumpTableModel* model_ = nullptr;
};

}  // namespace tq
