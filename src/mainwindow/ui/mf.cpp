#include "mainwindow/ui/mf.h"

using namespace Qt::StringLiterals;

namespace lanxi {

MF::MF(QWidget* parent) : QMainWindow(parent) {
  setObjectName(u"MF"_s);
  setWindowTitle(u"澜析产品销量跟踪软件2.03"_s);
  resize(1024, 720);
}

}  // namespace lanxi
