#include "app/Prompter.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>

#include <algorithm>

namespace tq {

QStringList OpenDialogFilters() {
  return {QStringLiteral("IntelHex (*.hex)"), QStringLiteral("BankSwitch(2/4 bank) (*.h0?)"),
          QStringLiteral("Binary File (*.bin)")};
}

QStringList SaveDialogFilters() {
  return {QStringLiteral("IntelHex (*.hex)"),  QStringLiteral("Fill 32k (*.hex)"),
          QStringLiteral("Fill 60k (*.hex)"),  QStringLiteral("Fill 64k (*.hex)"),
          QStringLiteral("Fill 128k (*.hex)"), QStringLiteral("Binary File (*.bin)")};
}

namespace {

QStringList FiltersOf(FileDialogKind kind) {
  return kind == FileDialogKind::Open ? OpenDialogFilters() : SaveDialogFilters();
}

// The save dialog keeps its extension as "*.hex"; the dialog wants "hex".
QString SuffixOf(const std::string& defaultExt) {
  QString ext = QString::fromStdString(defaultExt);
  while (ext.startsWith(QLatin1Char('*')) || ext.startsWith(QLatin1Char('.'))) ext.remove(0, 1);
  return ext;
}

}  // namespace

std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* parent, FileDialogKind kind,
                                            const FileDialogState& state) {
  const bool open = kind == FileDialogKind::Open;
  auto dialog = std::make_unique<QFileDialog>(parent, open ? QStringLiteral("Open")
                                                           : QStringLiteral("Save As"));
  dialog->setOption(QFileDialog::DontUseNativeDialog, true);
  dialog->setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  dialog->setFileMode(open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  // An existing file is replaced without a question.
  if (!open) dialog->setOption(QFileDialog::DontConfirmOverwrite, true);
  const QStringList filters = FiltersOf(kind);
  dialog->setNameFilters(filters);
  const int index = std::clamp(state.filterIndex, 1, static_cast<int>(filters.size()));
  dialog->selectNameFilter(filters.at(index - 1));
  if (!state.initialDir.empty())
    dialog->setDirectory(QFile::decodeName(QByteArray::fromStdString(state.initialDir)));
  dialog->setDefaultSuffix(SuffixOf(state.defaultExt));
  return dialog;
}

std::optional<FileChoice> ChoiceOf(const QFileDialog& dialog, FileDialogKind kind,
                                   FileDialogState& state) {
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return std::nullopt;
  const int found = static_cast<int>(FiltersOf(kind).indexOf(dialog.selectedNameFilter()));
  FileChoice choice;
  choice.path = QFile::encodeName(files.first()).toStdString();
  choice.filterIndex = found < 0 ? 1 : found + 1;
  state.filterIndex = choice.filterIndex;
  return choice;
}

Answer StandardPrompter::Box(QWidget* parent, BoxKind kind, const QString& text) {
  QMessageBox::Icon icon = QMessageBox::Critical;
  QString title = QStringLiteral("Error");
  QMessageBox::StandardButtons buttons = QMessageBox::Ok;
  switch (kind) {
    case BoxKind::Error:
      break;
    case BoxKind::Information:
      icon = QMessageBox::Information;
      title = QStringLiteral("Information");
      break;
    case BoxKind::Confirmation:
      icon = QMessageBox::Question;
      title = QStringLiteral("Confirm");
      buttons = QMessageBox::Yes | QMessageBox::No;
      break;
    case BoxKind::Exception:
      title = QApplication::applicationDisplayName();
      break;
  }
  QMessageBox box(icon, title, text, buttons, parent);
  const int result = box.exec();
  if (kind == BoxKind::Confirmation) return result == QMessageBox::Yes ? Answer::Yes : Answer::No;
  return Answer::Yes;
}

std::optional<FileChoice> StandardPrompter::FileDialog(QWidget* parent, FileDialogKind kind,
                                                       FileDialogState& state) {
  auto dialog = MakeFileDialog(parent, kind, state);
  if (dialog->exec() != QDialog::Accepted) return std::nullopt;
  return ChoiceOf(*dialog, kind, state);
}

int StandardPrompter::Exec(QDialog& dialog) { return dialog.exec(); }

void StandardPrompter::Show(QWidget& window) {
  window.show();
  window.raise();
  window.activateWindow();
}

}  // namespace tq
