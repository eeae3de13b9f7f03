#include "ui/qt/QtControls.h"

#include <QFontMetrics>
#include <QSignalBlocker>

namespace ui::qt {

namespace {

QString ToQt(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

wizard::Rect ToRect(const QRect& r) {
  return {r.left(), r.top(), r.width(), r.height()};
}

}  // namespace

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

void QtEditBox::SetText(const std::string& text) {
  edit_->setText(ToQt(text));
}

void QtListBox::Clear() {
  const QSignalBlocker quiet(list_);
  list_->clear();
}

void QtListBox::AddItem(const std::string& text) {
  const QSignalBlocker quiet(list_);
  list_->addItem(ToQt(text));
}

int QtListBox::Count() const {
  return list_->count();
}

std::string QtListBox::ItemText(int index) const {
  const QListWidgetItem* item = index >= 0 ? list_->item(index) : nullptr;
  return item ? item->text().toStdString() : std::string();
}

// The current entry counts only while it is selected.
int QtListBox::SelectedIndex() const {
  const QListWidgetItem* item = list_->currentRow() >= 0 ? list_->currentItem() : nullptr;
  return item && item->isSelected() ? list_->currentRow() : -1;
}

void QtListBox::SetSelectedIndex(int index) {
  const QSignalBlocker quiet(list_);
  if (index < 0) list_->clearSelection();
  list_->setCurrentRow(index);
}

void QtListBox::SetVisible(bool visible) {
  list_->setVisible(visible);
}

wizard::Rect QtListBox::Geometry() const {
  return ToRect(list_->geometry());
}

void QtListBox::SetGeometry(const wizard::Rect& r) {
  list_->setGeometry(r.left, r.top, r.width, r.height);
}

QtProgressBar::QtProgressBar(QProgressBar* bar) : bar_(bar) {
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

void QtPicture::SetVisible(bool visible) {
  picture_->setVisible(visible);
}

int QtPicture::Width() const {
  return picture_->width();
}

void QtPicture::SetWidth(int width) {
  picture_->resize(width, picture_->height());
}

QtTimerDriver::QtTimerDriver(QTimer* timer) : timer_(timer) {
  timer_->setTimerType(Qt::PreciseTimer);
  timer_->setSingleShot(false);
}

void QtTimerDriver::Start(int periodMs) {
  timer_->start(periodMs);
}

void QtTimerDriver::Stop() {
  timer_->stop();
}

}  // namespace ui::qt
