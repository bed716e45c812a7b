#include "ui/Print.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

#include <algorithm>

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

}  // namespace vantrel::ui
