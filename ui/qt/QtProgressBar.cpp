#include "ui/qt/QtControls.h"

namespace ui::qt {

QtProgressBar::QtProgressBar(QWidget* parent, const wizard::layout::Component& c)
    : bar_(new QProgressBar(parent)) {
  Place(bar_, c);
  bar_->setRange(0, 100);
  bar_->setTextVisible(false);
  bar_->setFocusPolicy(Qt::TabFocus);
  bar_->hide();
  SetSmooth(false);
}

void QtProgressBar::SetMinimum(int minimum) {
  bar_->setMinimum(minimum);
}

void QtProgressBar::SetMaximum(int maximum) {
  bar_->setMaximum(maximum);
}

int QtProgressBar::Maximum() const {
  return bar_->maximum();
}

void QtProgressBar::SetPosition(int position) {
  bar_->setValue(position);
}

int QtProgressBar::Position() const {
  return bar_->value();
}

// Segmented: the bar fills in blocks, as a classic progress bar does.
void QtProgressBar::SetSmooth(bool smooth) {
  smooth_ = smooth;
  bar_->setProperty("smooth", smooth);
  bar_->setStyleSheet(
      smooth ? QString()
             : QStringLiteral("QProgressBar { border: 1px solid #8f8f8f; background: white; }"
                              "QProgressBar::chunk { background: #2a7fd4; width: 9px; "
                              "margin: 2px 1px; }"));
}

void QtProgressBar::SetVisible(bool visible) {
  bar_->setVisible(visible);
}

}  // namespace ui::qt
