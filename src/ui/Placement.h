// Where the program's own windows appear: beside the main window rather than
// over its trace display, and back in front when asked for again.
#pragma once

class QWidget;

namespace vantrel::ui {

// Restored when minimized, shown, raised and made active.
void ShowWindow(QWidget* window);
// The first time `window` is shown it stands beside `main`: to its right
// when the screen has room, else to its left, else at the screen's right
// edge. After that it stays where the user put it for the session.
void PlaceBeside(QWidget* window, QWidget* main);

}  // namespace vantrel::ui
