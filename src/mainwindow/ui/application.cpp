#include "mainwindow/ui/application.h"

#include <QApplication>
#include <QFont>

using namespace Qt::StringLiterals;

namespace lanxi {

void SetUpApplication() {
  QApplication::setApplicationName(u"lanxi"_s);
  // Without a named CJK font Qt may draw Chinese with Japanese glyph shapes.
  QFont font(u"Noto Sans CJK SC"_s);
  font.setPointSize(10);
  QApplication::setFont(font);
}

}  // namespace lanxi
