#include "ui/TraceListView.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <climits>

#include "pipeline/WholeTrace.h"

using vantrel::gWholeTrace;

namespace {
// Rows Qt can address; a trace this long does not fit in memory anyway.
int Rows(std::size_t n) { return static_cast<int>(std::min<std::size_t>(n, INT_MAX)); }
constexpr int kMargin = 4;  // left of the text, as the text display has
}  // namespace

int TraceLinesModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : Rows(shown_);
}

QVariant TraceLinesModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid()) return {};
  const std::string_view line = gWholeTrace.Line(static_cast<std::size_t>(index.row()));
  return QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size()));
}

void TraceLinesModel::Grew() {
  const std::size_t now = std::min<std::size_t>(gWholeTrace.LineCount(), INT_MAX);
  if (now < shown_) {
    Reset();
    return;
  }
  if (now == shown_) return;
  beginInsertRows({}, Rows(shown_), Rows(now) - 1);
  shown_ = now;
  endInsertRows();
}

void TraceLinesModel::Reset() {
  beginResetModel();
  shown_ = std::min<std::size_t>(gWholeTrace.LineCount(), INT_MAX);
  endResetModel();
}

TraceListView::TraceListView(QWidget* parent) : QAbstractItemView(parent) {
  setSelectionMode(ExtendedSelection);
  setSelectionBehavior(SelectRows);
  setEditTriggers(NoEditTriggers);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setAutoScroll(true);
}

int TraceListView::RowHeight() const { return std::max(1, fontMetrics().lineSpacing()); }

int TraceListView::VisibleRows() const { return std::max(1, viewport()->height() / RowHeight()); }

int TraceListView::RowAt(int y) const { return verticalScrollBar()->value() + y / RowHeight(); }

QModelIndex TraceListView::indexAt(const QPoint& point) const {
  if (model() == nullptr) return {};
  const int row = RowAt(point.y());
  return row >= 0 && row < model()->rowCount() ? model()->index(row, 0) : QModelIndex();
}

QRect TraceListView::visualRect(const QModelIndex& index) const {
  if (!index.isValid()) return {};
  const int top = (index.row() - verticalScrollBar()->value()) * RowHeight();
  return {-horizontalOffset(), top, std::max(contentWidth_, viewport()->width()), RowHeight()};
}

void TraceListView::scrollTo(const QModelIndex& index, ScrollHint hint) {
  if (!index.isValid()) return;
  QScrollBar* bar = verticalScrollBar();
  const int row = index.row(), rows = VisibleRows();
  switch (hint) {
    case PositionAtTop: bar->setValue(row); break;
    case PositionAtBottom: bar->setValue(row - rows + 1); break;
    case PositionAtCenter: bar->setValue(row - rows / 2); break;
    case EnsureVisible:
      if (row < bar->value()) {
        bar->setValue(row);
      } else if (row >= bar->value() + rows) {
        bar->setValue(row - rows + 1);
      }
      break;
  }
}

QModelIndex TraceListView::moveCursor(CursorAction action, Qt::KeyboardModifiers) {
  if (model() == nullptr || model()->rowCount() == 0) return {};
  const int last = model()->rowCount() - 1;
  const int row = currentIndex().isValid() ? currentIndex().row() : verticalScrollBar()->value();
  int to = row;
  switch (action) {
    case MoveUp: case MovePrevious: to = row - 1; break;
    case MoveDown: case MoveNext: to = row + 1; break;
    case MovePageUp: to = row - VisibleRows(); break;
    case MovePageDown: to = row + VisibleRows(); break;
    case MoveHome: to = 0; break;
    case MoveEnd: to = last; break;
    case MoveLeft: case MoveRight: return currentIndex();
  }
  return model()->index(std::clamp(to, 0, last), 0);
}

int TraceListView::horizontalOffset() const { return horizontalScrollBar()->value(); }

int TraceListView::verticalOffset() const { return verticalScrollBar()->value() * RowHeight(); }

void TraceListView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags flags) {
  if (model() == nullptr || model()->rowCount() == 0) return;
  const int last = model()->rowCount() - 1;
  const QRect r = rect.normalized();
  const int first = std::clamp(RowAt(r.top()), 0, last), end = std::clamp(RowAt(r.bottom()), 0, last);
  selectionModel()->select(QItemSelection(model()->index(first, 0), model()->index(end, 0)), flags);
}

QRegion TraceListView::visualRegionForSelection(const QItemSelection& selection) const {
  QRegion region;
  const int top = verticalScrollBar()->value(), bottom = top + VisibleRows();
  for (const QItemSelectionRange& range : selection) {
    const int first = std::max(range.top(), top), last = std::min(range.bottom(), bottom);
    if (first > last) continue;
    const QRect a = visualRect(model()->index(first, 0)), b = visualRect(model()->index(last, 0));
    region += a.united(b);
  }
  return region;
}

void TraceListView::Measure(int first, int last) {
  // The longest line sets the horizontal range, as a monospaced display
  // font has it.
  for (int row = first; row <= last; ++row) {
    QString line = model()->index(row, 0).data().toString();
    if (line.size() > widest_.size()) widest_ = std::move(line);
  }
  contentWidth_ = fontMetrics().horizontalAdvance(widest_) + 2 * kMargin;
}

void TraceListView::updateGeometries() {
  const int rows = model() != nullptr ? model()->rowCount() : 0;
  QScrollBar* v = verticalScrollBar();
  v->setRange(0, std::max(0, rows - VisibleRows()));
  v->setPageStep(VisibleRows());
  v->setSingleStep(1);
  QScrollBar* h = horizontalScrollBar();
  h->setRange(0, std::max(0, contentWidth_ - viewport()->width()));
  h->setPageStep(viewport()->width());
  h->setSingleStep(fontMetrics().averageCharWidth());
  QAbstractItemView::updateGeometries();
}

void TraceListView::rowsInserted(const QModelIndex& parent, int start, int end) {
  QAbstractItemView::rowsInserted(parent, start, end);
  Measure(start, end);
  updateGeometries();
  // Only rows that land in sight need painting.
  if (start <= verticalScrollBar()->value() + VisibleRows()) viewport()->update();
}

void TraceListView::reset() {
  QAbstractItemView::reset();
  widest_.clear();
  if (model() != nullptr && model()->rowCount() > 0) Measure(0, model()->rowCount() - 1);
  updateGeometries();
  viewport()->update();
}

void TraceListView::paintEvent(QPaintEvent* event) {
  QPainter p(viewport());
  if (model() == nullptr) return;
  const int h = RowHeight(), top = verticalScrollBar()->value();
  const int first = top + event->rect().top() / h;
  const int last = std::min(model()->rowCount() - 1, top + event->rect().bottom() / h);
  const QModelIndex current = currentIndex();
  const int ascent = fontMetrics().ascent();
  for (int row = first; row <= last; ++row) {
    const QRect r(0, (row - top) * h, viewport()->width(), h);
    const bool selected = selectionModel() != nullptr && selectionModel()->isRowSelected(row, {});
    if (selected) p.fillRect(r, palette().brush(QPalette::Highlight));
    p.setPen(palette().color(selected ? QPalette::HighlightedText : QPalette::Text));
    p.drawText(kMargin - horizontalOffset(), r.top() + ascent, model()->index(row, 0).data().toString());
    if (current.isValid() && current.row() == row && hasFocus()) {
      p.setPen(QPen(palette().color(QPalette::Text), 1, Qt::DotLine));
      p.drawRect(r.adjusted(0, 0, -1, -1));
    }
  }
}

void TraceListView::scrollContentsBy(int, int) { viewport()->update(); }

void TraceListView::changeEvent(QEvent* event) {
  QAbstractItemView::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    contentWidth_ = fontMetrics().horizontalAdvance(widest_) + 2 * kMargin;
    updateGeometries();
    viewport()->update();
  }
}
