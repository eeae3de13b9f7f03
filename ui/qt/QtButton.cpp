#include "ui/qt/QtControls.h"
#include "ui/qt/WizardWidgets.h"

namespace ui::qt {

QtButton::QtButton(QWidget* parent, const wizard::layout::Component& c)
    : button_(new WizardButton(parent)) {
  Place(button_, c);
  button_->setAutoDefault(false);
  if (c.tooltip != nullptr) button_->setToolTip(QString::fromUtf8(c.tooltip));
  QObject::connect(button_, &QPushButton::clicked, button_, [this] {
    if (onClick_) onClick_();
  });
}

void QtButton::SetText(const std::string& caption) {
  button_->setText(ToQt(caption));
}

void QtButton::SetVisible(bool visible) {
  button_->setVisible(visible);
}

void QtButton::SetEnabled(bool enabled) {
  button_->setEnabled(enabled);
}

bool QtButton::IsEnabled() const {
  return button_->isEnabled();
}

}  // namespace ui::qt
