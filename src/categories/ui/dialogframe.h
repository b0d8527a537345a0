#pragma once

#include <QString>
#include <functional>

class QHBoxLayout;
class QWidget;

// What the small windows of the categories share: a modeless window of its own with its design
// name and caption, gone once closed, and the row of the buttons OK and Cancel.
namespace lanxi {

// The window flags of such a window: a title bar with a close box.
Qt::WindowFlags DialogFlags();

// Names and captions the window and lets it be deleted when it closes.
void SetUpDialog(QWidget* dialog, const QString& name, const QString& caption);

// The buttons Com(0) and Com(1) at the right of a row: OK runs `ok`, Cancel closes the window.
QHBoxLayout* OkCancelRow(QWidget* dialog, const QString& okCaption, const QString& cancelCaption,
                         const std::function<void()>& ok);

}  // namespace lanxi
