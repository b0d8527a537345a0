#pragma once

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "tables/ui/gridview.h"

// Driving windows the way a user does, by the widgets' object names: finding them, typing,
// clicking grid cells and answering windows that a command opens and waits for.
namespace lanxi::test {

template <typename T = QWidget>
T* Find(QObject* root, const QString& name) {
  T* found = root->findChild<T*>(name);
  if (!found) qWarning() << "no widget named" << name;
  return found;
}

// The visible top-level window of that object name, if any.
inline QWidget* TopLevel(const QString& name) {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == name && w->isVisible()) return w;
  return nullptr;
}

// Types text as key presses; QTest::keyClicks takes Latin-1 only.
inline void Type(QWidget* w, const QString& text) {
  for (QChar ch : text) QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(ch), {});
}

// Clicks a cell of a grid view, scrolled into view first.
inline void ClickCell(GridView* view, int row, int col, Qt::KeyboardModifiers mods = {},
                      Qt::MouseButton button = Qt::LeftButton) {
  view->ensureVisible(row, col);
  QTest::mouseClick(view->viewport(), button, mods, view->cellRect(row, col).center());
}

// Runs `answer` on a top-level window once it shows (the caller then opens it and waits). It
// looks again from the event loop rather than waiting inside whatever runs meanwhile.
inline void WhenShown(const QString& name, std::function<void(QWidget*)> answer, int tries = 500) {
  QTimer::singleShot(tries == 500 ? 0 : 10, [=] {
    if (QWidget* w = TopLevel(name)) {
      answer(w);
    } else if (tries > 0) {
      WhenShown(name, answer, tries - 1);
    } else {
      QFAIL(qPrintable(name + QStringLiteral(" did not show")));
    }
  });
}

}  // namespace lanxi::test
