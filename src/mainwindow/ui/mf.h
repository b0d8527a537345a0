#pragma once

#include <QMainWindow>

namespace lanxi {

// The main window: the program runs while it is open.
class MF : public QMainWindow {
  Q_OBJECT

 public:
  explicit MF(QWidget* parent = nullptr);
};

}  // namespace lanxi
