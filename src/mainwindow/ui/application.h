#pragma once

namespace lanxi {

// Settings of the whole running program, made once after the QApplication exists: its name, its
// font and Qt's own texts in Chinese. No application display name is set: Qt would append it
// to every window's title, and the desktop must show each window's caption exactly as it
// stands.
void SetUpApplication();

}  // namespace lanxi
