#include "ui/Placement.h"

#include <QEvent>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace vantrel::ui {
namespace {

constexpr int kGap = 8;

class FirstShow : public QObject {
 public:
  FirstShow(QWidget* window, QWidget* main) : QObject(window), main_(main) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Show) return false;
    auto* w = static_cast<QWidget*>(watched);
    Place(w);
    w->removeEventFilter(this);
    deleteLater();
    return false;
  }

 private:
  void Place(QWidget* w) {
    if (main_ == nullptr || !main_->isVisible()) return;
    const QScreen* screen = main_->screen();
    if (screen == nullptr) return;
    const QRect area = screen->availableGeometry();
    const QRect m = main_->frameGeometry();
    // The frame is not known before the first show: allow for a title bar.
    const QSize size = w->size() + QSize(0, 30);
    QPoint at(m.right() + kGap, m.top());
    if (at.x() + size.width() > area.right()) at.setX(m.left() - kGap - size.width());
    if (at.x() < area.left()) at.setX(area.right() - size.width());
    at.setX(std::max(at.x(), area.left()));
    at.setY(std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() - size.height())));
    w->move(at);
  }

  QWidget* main_;
};

}  // namespace

void ShowWindow(QWidget* window) {
  window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
  window->show();
  window->raise();
  window->activateWindow();
}

void PlaceBeside(QWidget* window, QWidget* main) { window->installEventFilter(new FirstShow(window, main)); }

}  // namespace vantrel::ui
