#pragma once

class QWidget;

namespace lanxi {

// Prints "first-paint" to the standard output once `window` has painted, then closes it and
// ends the event loop. The start-up benchmark times a process from its start to that line.
void ExitAfterFirstPaint(QWidget* window);

}  // namespace lanxi
