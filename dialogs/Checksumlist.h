// The checksum report dialog: a thin view over CheckSumReport. Built anew
// for every "Creat CheckSum File" and shown modally.
#pragma once

#include <QDialog>

#include <functional>
#include <string>

#include "flows/CheckSumReport.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace tq {

class TCheckSumForm : public QDialog {
  Q_OBJECT
 public:
  // win takes the report's boxes; showUnhandled the error of a failed
  // COMPANY write, as the main window shows one escaping a command.
  TCheckSumForm(const CodeBuffer& buffer, ConfigFile& config, WindowServices& win, Clock& clock,
                std::function<void(const std::string&)> showUnhandled, QWidget* parent = nullptr);

  QLabel* Label1 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label6 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label7 = nullptr;
  QLabel* Label5 = nullptr;
  QLabel* Label8 = nullptr;
  QPushButton* Button1 = nullptr;

 private:
  void Button1Click();

  std::function<void(const std::string&)> showUnhandled_;
  CheckSumReport report_;
};

}  // namespace tq
