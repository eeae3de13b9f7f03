#include "ui/qt/QtControls.h"

namespace ui::qt {

QtEditBox::QtEditBox(QWidget* parent, const wizard::layout::Component& c)
    : edit_(new QLineEdit(parent)) {
  Place(edit_, c);
  edit_->setReadOnly(true);
  edit_->setFocusPolicy(Qt::NoFocus);
  edit_->setFont(FontOf(c));
  QPalette palette = edit_->palette();
  palette.setColor(QPalette::Base, parent->palette().color(QPalette::Button));
  edit_->setPalette(palette);
}

void QtEditBox::SetText(const std::string& text) {
  edit_->setText(ToQt(text));
}

}  // namespace ui::qt
