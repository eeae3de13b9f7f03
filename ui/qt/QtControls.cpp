// What the Qt adapters share.
#include "ui/qt/QtControls.h"

#include "ui/qt/WizardFont.h"

namespace ui::qt {

QString ToQt(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

wizard::Rect ToRect(const QRect& r) {
  return {r.left(), r.top(), r.width(), r.height()};
}

void Place(QWidget* widget, const wizard::layout::Component& c) {
  widget->setGeometry(c.rect.left, c.rect.top, c.rect.width, c.rect.height);
}

QFont FontOf(const wizard::layout::Component& c) {
  QFont font = WizardFont(c.fontPixels);
  font.setBold(c.bold);
  return font;
}

}  // namespace ui::qt
