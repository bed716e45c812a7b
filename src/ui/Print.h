// Printing the trace display: which lines go out, and putting them on pages.
#pragma once
#include <QStringList>

class QFont;
class QPrinter;

namespace vantrel::ui {

struct LineRange {
  int first = 0;  // 0-based, both inclusive
  int last = -1;
};

// The whole lines touched by a selection of [start, end) in text ('\n'
// between lines): from the line holding its first character to the line
// holding its last.
LineRange SelectedLineRange(const QString& text, int start, int end);
// Every line, or the whole lines of the selection.
QStringList LinesToPrint(const QString& text, bool selectionOnly, int start, int end);

// One display line per printed line in the given font; a line too long for
// the page is clipped, not wrapped, so that printed lines match the display.
// The number of pages printed; 0 when the printer could not be started.
int PrintLines(QPrinter& printer, const QStringList& lines, const QFont& font);

}  // namespace vantrel::ui
