#pragma once

#include <QWidget>

class QComboBox;

namespace lanxi {

// The dialog "类别选择": for each of the ten categories a value or "所有" (any value). It opens
// pre-set from SelectionText (which it empties) and, on OK, leaves the choice there in the
// ten-field form; Cancel leaves it empty.
class SelClass final : public QWidget {
  Q_OBJECT

 public:
  explicit SelClass(QWidget* parent = nullptr);

  static QString Caption();

 private:
  void Com0_Click();

  QComboBox* cb_[10] = {};
};

}  // namespace lanxi
