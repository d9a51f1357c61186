#pragma once
// The program's start: the single-instance guard and the hand-over from the splash window to the
// main window.
#include <QString>
#include <functional>

class QWidget;

namespace tralex {

// The program: refuses to run beside another running Tralex of the same user (a warning, then
// the end), else shows the splash window, which opens the main window. Returns the exit code.
int Main(int argc, char** argv);

// Creates, loads and shows the one main window (brings it to the front when it is open already),
// through OpenStartWindow.
void ShowMainWindow();

// Makes a window of the start with `create` (which loads it) and shows it. When `create` raises,
// the reason is shown in the warning window instead, nullptr is returned, and the program ends
// with exit code 1 once no window is left.
QWidget* OpenStartWindow(const std::function<QWidget*()>& create);

}  // namespace tralex
