#pragma once

#include <QString>

namespace lanxi {

// True when a window of the program with exactly this caption is open.
bool IsFormOpen(const QString& caption);
// Lets the user interface run until no window with this caption is open. Used to ask a question
// with a modeless dialog: show it, then wait for it to close. Sleeps while nothing happens.
void WaitWhileFormOpen(const QString& caption);

}  // namespace lanxi
