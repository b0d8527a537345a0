#include "mainwindow/ui/application.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QTranslator>

using namespace Qt::StringLiterals;

namespace lanxi {

void SetUpApplication() {
  QApplication::setApplicationName(u"lanxi"_s);
  // Without a named CJK font Qt may draw Chinese with Japanese glyph shapes.
  QFont font(u"Noto Sans CJK SC"_s);
  font.setPointSize(10);
  QApplication::setFont(font);
  // Qt's own words (the buttons of message boxes, file dialogs, edit menus) in Chinese too,
  // when Qt's translations are installed.
  auto* qtTexts = new QTranslator(qApp);
  if (qtTexts->load(u"qtbase_zh_CN"_s, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(qtTexts);
  } else {
    delete qtTexts;
  }
}

}  // namespace lanxi
