// The MCU model dialog after a HEX load: one radio group, two columns,
// filled column by column. Choosing an item closes it; the close box
// chooses nothing. What a choice does is the flows' business.
#pragma once

#include <QDialog>

#include <optional>
#include <string>
#include <vector>

class QButtonGroup;
class QGroupBox;
class QRadioButton;

namespace tq {

class TMcuForm : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* kCaption = "Select MCU model for CheckSum";
  static constexpr const char* kGroupCaption = "Select MCU name";
  static constexpr int kColumns = 2;

  explicit TMcuForm(const std::vector<std::string>& items, QWidget* parent = nullptr);

  // The position of the chosen item, counted from 0; none until a choice.
  std::optional<int> Choice() const { return choice_; }

  int ItemCount() const;
  QRadioButton* Item(int position) const;
  // Where an item sits: the column (0 or 1) and the row within it.
  int ItemColumn(int position) const;
  int ItemRow(int position) const;

  QGroupBox* RadioGroup1 = nullptr;

 private:
  void RadioGroup1Click(int position);

  QButtonGroup* buttons_ = nullptr;
  std::optional<int> choice_;
  int perColumn_ = 0;
};

}  // namespace tq
