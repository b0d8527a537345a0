#pragma once

#include <QWidget>

class QComboBox;
class QPushButton;

namespace lanxi {

// The small modeless dialog that asks which catalogued database to use. Its answer is left in
// SelDBName (empty when cancelled); callers wait until it is closed.
class SelectDB final : public QWidget {
  Q_OBJECT

 public:
  // `current` is the name shown first when it is catalogued.
  explicit SelectDB(const QString& current, QWidget* parent = nullptr);

  static QString Caption();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QComboBox* cb_;
};

}  // namespace lanxi
