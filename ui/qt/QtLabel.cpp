#include <QFontMetrics>

#include "ui/qt/QtControls.h"

namespace ui::qt {

QtLabel::QtLabel(QWidget* parent, const wizard::layout::Component& c) : label_(new QLabel(parent)) {
  Place(label_, c);
  label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label_->setWordWrap(false);
  label_->setTextFormat(Qt::PlainText);
  if (c.fontPixels != wizard::layout::kFontPixels || c.bold) label_->setFont(FontOf(c));
  if (c.alignment == wizard::Alignment::Centre)
    label_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
}

void QtLabel::SetText(const std::string& text) {
  label_->setText(ToQt(text));
}

void QtLabel::SetVisible(bool visible) {
  label_->setVisible(visible);
}

void QtLabel::SetAlignment(wizard::Alignment alignment) {
  label_->setAlignment((alignment == wizard::Alignment::Centre ? Qt::AlignHCenter : Qt::AlignLeft) |
                       Qt::AlignTop);
}

// A style replaces the whole set: bold means bold only.
void QtLabel::SetFontStyle(wizard::FontStyle style) {
  QFont font = label_->font();
  font.setBold(style == wizard::FontStyle::Bold);
  font.setItalic(style == wizard::FontStyle::Italic);
  font.setUnderline(false);
  font.setStrikeOut(false);
  label_->setFont(font);
}

void QtLabel::SetPointSize(int points) {
  QFont font = label_->font();
  font.setPixelSize(points == 10 ? 13 : 11);  // 8 and 10 points at 96 dots an inch
  label_->setFont(font);
}

wizard::Rect QtLabel::Geometry() const {
  return ToRect(label_->geometry());
}

int QtLabel::TextWidth(const std::string& text) const {
  return QFontMetrics(label_->font()).horizontalAdvance(ToQt(text));
}

}  // namespace ui::qt
