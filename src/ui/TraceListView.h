// The trace display while Keep Whole Trace is on: a model over the whole
// trace and a list view of uniform rows that paints only the rows in sight,
// so a trace of any length costs the same to scroll, append to and select in.
#pragma once
#include <QAbstractItemView>
#include <QAbstractListModel>

#include <cstddef>

class TraceLinesModel : public QAbstractListModel {
  Q_OBJECT

 public:
  using QAbstractListModel::QAbstractListModel;
  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  // The whole trace has lines the model has not announced yet.
  void Grew();
  // The whole trace was emptied (or replaced).
  void Reset();

 private:
  std::size_t shown_ = 0;
};

class TraceListView : public QAbstractItemView {
  Q_OBJECT

 public:
  explicit TraceListView(QWidget* parent = nullptr);

  QModelIndex indexAt(const QPoint& point) const override;
  QRect visualRect(const QModelIndex& index) const override;
  void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
  int RowHeight() const;

 protected:
  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
  int horizontalOffset() const override;
  int verticalOffset() const override;
  bool isIndexHidden(const QModelIndex&) const override { return false; }
  void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags flags) override;
  QRegion visualRegionForSelection(const QItemSelection& selection) const override;
  void updateGeometries() override;
  void rowsInserted(const QModelIndex& parent, int start, int end) override;
  void reset() override;
  void paintEvent(QPaintEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void changeEvent(QEvent* event) override;

 private:
  int VisibleRows() const;
  int RowAt(int y) const;  // the row under viewport y, unclamped
  void Measure(int first, int last);
  QString widest_;  // the longest line so far
  int contentWidth_ = 0;
};
