// Everything in the window that waits for a person: the message boxes, the
// file dialogs and the modal or modeless showing of the small windows. The
// main window asks a Prompter for all of them, so the tests (and the
// screenshot run) answer without anyone at the screen.
#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

#include "core/WindowServices.h"

class QDialog;
class QFileDialog;
class QWidget;

namespace tq {

enum class BoxKind {
  Error,         // a command's error, OK button
  Information,   // OK button
  Confirmation,  // Yes and No
  Exception,     // an error no command handled, OK button, the application's title
};

enum class FileDialogKind { Open, Save };

// The filter lists, numbered from 1 in this order.
QStringList OpenDialogFilters();
QStringList SaveDialogFilters();

// Qt's own file dialog (the same on every desktop) set up from the state a
// command keeps: the filter, the folder and the default extension.
std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* parent, FileDialogKind kind,
                                            const FileDialogState& state);
// What a confirmed dialog chose: the path and the filter number, which also
// goes back into the state.
std::optional<FileChoice> ChoiceOf(const QFileDialog& dialog, FileDialogKind kind,
                                   FileDialogState& state);

class Prompter {
 public:
  virtual ~Prompter() = default;
  // Shows a box and waits for it; Yes or No for a confirmation, Yes otherwise.
  virtual Answer Box(QWidget* parent, BoxKind kind, const QString& text) = 0;
  // A file dialog; nullopt when cancelled.
  virtual std::optional<FileChoice> FileDialog(QWidget* parent, FileDialogKind kind,
                                               FileDialogState& state) = 0;
  // Runs a dialog modally and returns its result (QDialog::Accepted or Rejected).
  virtual int Exec(QDialog& dialog) = 0;
  // Shows a window without waiting for it.
  virtual void Show(QWidget& window) = 0;
};

// The real thing: standard modal boxes and dialogs.
class StandardPrompter : public Prompter {
 public:
  Answer Box(QWidget* parent, BoxKind kind, const QString& text) override;
  std::optional<FileChoice> FileDialog(QWidget* parent, FileDialogKind kind,
                                       FileDialogState& state) override;
  int Exec(QDialog& dialog) override;
  void Show(QWidget& window) override;
};

}  // namespace tq
