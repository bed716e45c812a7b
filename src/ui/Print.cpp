#include "ui/Print.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>

#include "ui/FilterFileDialog.h"
#include "ui/UiDialogs.h"

namespace vantrel::ui {

LineRange SelectedLineRange(const QString& text, int start, int end) {
  if (start > end) std::swap(start, end);
  start = std::clamp(start, 0, static_cast<int>(text.size()));
  end = std::clamp(end, 0, static_cast<int>(text.size()));
  // The line of the last selected character: a selection ending right after a
  // line break ends on that break's line. An empty one is its own line.
  const int lastChar = end > start ? end - 1 : start;
  LineRange r;
  r.first = static_cast<int>(text.left(start).count(QLatin1Char('\n')));
  r.last = static_cast<int>(text.left(lastChar).count(QLatin1Char('\n')));
  return r;
}

QStringList LinesToPrint(const QString& text, bool selectionOnly, int start, int end) {
  QStringList lines = text.split(QLatin1Char('\n'));
  if (!selectionOnly) return lines;
  const LineRange r = SelectedLineRange(text, start, end);
  return lines.mid(r.first, r.last - r.first + 1);
}

int PrintLines(QPrinter& printer, const QStringList& lines, const QFont& font) {
  QPainter painter;
  if (!painter.begin(&printer)) return 0;
  painter.setFont(QFont(font, painter.device()));
  const QFontMetrics metrics = painter.fontMetrics();
  const QRect page = painter.viewport();
  const int lineHeight = std::max(1, metrics.lineSpacing());
  const int perPage = std::max(1, page.height() / lineHeight);
  int pages = 1;
  int row = 0;
  for (const QString& line : lines) {
    if (row == perPage) {
      printer.newPage();
      ++pages;
      row = 0;
    }
    painter.drawText(0, row * lineHeight + metrics.ascent(), line);
    ++row;
  }
  painter.end();
  return pages;
}

bool PrinterInstalled() { return !QPrinterInfo::availablePrinters().isEmpty(); }

bool PrinterChosen(const QPrinter& printer) {
  if (printer.outputFormat() == QPrinter::PdfFormat) return !printer.outputFileName().isEmpty();
  return !printer.printerName().isEmpty();
}

bool PrintToPdf(QWidget* parent, const QStringList& lines, const QFont& font, const QPageLayout& layout) {
  static const FilterFileKind kPdf{"No Printer - Print to PDF File", "No Printer - Print to PDF File", "Vantrel.pdf",
                                   "pdf", "PDF Files (*.pdf)"};
  const std::string chosen = ChooseSaveFile(parent, kPdf);
  if (chosen.empty()) return false;
  const QString file = QFile::decodeName(QByteArray::fromStdString(chosen));
  QPrinter pdf(QPrinter::HighResolution);
  pdf.setOutputFormat(QPrinter::PdfFormat);
  pdf.setOutputFileName(file);
  pdf.setPageLayout(layout);
  if (PrintLines(pdf, lines, font) > 0) return true;
  Dialogs().Message(parent, "Cannot Write to PDF File\n\n" + QDir::toNativeSeparators(file), "Print Error");
  return false;
}

}  // namespace vantrel::ui
