#include "window/SimpleWin.h"

#include <qdrawutil.h>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <algorithm>

#include "window/Docking.h"
#include "window/FormWidget.h"
#include "window/Toolkit.h"
#include "window/Win.h"

namespace hi {

ClientArea::ClientArea(THISimpleWin* owner, QWidget* parent) : QWidget(parent), owner_(owner) {}

void ClientArea::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  owner_->layoutDocked();
}

FormWidget::FormWidget(THISimpleWin* owner) : owner_(owner), client_(new ClientArea(owner, this)) {}

void FormWidget::setClientEdge(int width) {
  clientEdge_ = width;
  client_->setGeometry(rect().adjusted(width, width, -width, -width));
  update();
}

void FormWidget::closeEvent(QCloseEvent* event) {
  event->setAccepted(owner_ == nullptr || owner_->allowClose());
}

void FormWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  client_->setGeometry(rect().adjusted(clientEdge_, clientEdge_, -clientEdge_, -clientEdge_));
}

void FormWidget::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  if (clientEdge_ > 0) {
    QPainter p(this);
    qDrawWinPanel(&p, rect(), palette(), true);
  }
}

void FormWidget::keyPressEvent(QKeyEvent* event) {
  // Enter that no control took presses the window's default button.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    for (QPushButton* b : client_->findChildren<QPushButton*>()) {
      if (b->isDefault() && b->isVisible() && b->isEnabled()) {
        b->click();
        return;
      }
    }
  }
  QWidget::keyPressEvent(event);
}

bool FormWidget::focusNextPrevChild(bool next) {
  return navigation_ && QWidget::focusNextPrevChild(next);
}

THISimpleWin::THISimpleWin() : window_(new FormWidget(this)), client_(window_->client()) {}

THISimpleWin::~THISimpleWin() {
  for (THIWin* child : children_) child->parentDestroyed();
  if (window_) {
    window_->detach();
    window_->hide();
    delete window_.data();
  }
}

QWidget* THISimpleWin::window() const {
  return window_;
}

QWidget* THISimpleWin::clientArea() const {
  return client_;
}

QWidget* THISimpleWin::mouseWidget() const {
  return client_;
}

void THISimpleWin::addChild(THIWin* child) {
  children_.push_back(child);
}

void THISimpleWin::removeChild(THIWin* child) {
  children_.erase(std::remove(children_.begin(), children_.end(), child), children_.end());
}

void THISimpleWin::layoutDocked() {
  // Docking moves controls, which may resize labels and dock again; one pass at a time.
  if (layingOut_ || client_ == nullptr) return;
  layingOut_ = true;
  std::vector<DockItem> items;
  std::vector<THIWin*> docked;
  for (THIWin* child : children_) {
    if (child->Align == alNone || child->control() == nullptr) continue;
    items.push_back(DockItem{child->Align, child->shownInParent(), child->bounds()});
    docked.push_back(child);
  }
  dockLayout(client_->rect(), DockMargin, items);
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i].visible && items[i].bounds != docked[i]->bounds()) {
      docked[i]->setBounds(items[i].bounds);
    }
  }
  layingOut_ = false;
}

void THISimpleWin::setupWindow(const QSize& clientSize, bool resizable) {
  QWidget* w = window_;
  QPalette pal = w->palette();
  pal.setColor(QPalette::Window, toQColor(Color));
  w->setPalette(pal);
  w->setAutoFillBackground(true);
  client_->setAutoFillBackground(true);

  // The frame's top-left corner goes to Left, Top: Qt places a window's frame there.
  w->move(Left, Top);
  if (resizable) {
    w->setMinimumSize(0, 0);
    w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    w->resize(clientSize);
  } else {
    w->setFixedSize(clientSize);
  }
  w->setEnabled(Enabled != 0);
  applyCursor(client_);
  hook(w, hookFocus | hookGeometry);
  hook(client_, hookMouse | hookWheel | hookHover);
  w->setVisible(false);
}

}  // namespace hi
