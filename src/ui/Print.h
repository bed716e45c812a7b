// Printing the trace display: which lines go out, and putting them on pages.
#pragma once
#include <QStringList>

class QFont;
class QPageLayout;
class QPrinter;
class QWidget;

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

// Whether this computer has any printer at all.
bool PrinterInstalled();
// Whether the print dialog left the printer somewhere to print to: without
// any printer installed it offers none, and printing would go nowhere.
bool PrinterChosen(const QPrinter& printer);
// Printing without a printer: the lines go into a PDF file the user names
// (Vantrel.pdf in the data folder at first), on pages of the given layout.
// Whether the file was written; a file that cannot be written is reported.
bool PrintToPdf(QWidget* parent, const QStringList& lines, const QFont& font, const QPageLayout& layout);

}  // namespace vantrel::ui
