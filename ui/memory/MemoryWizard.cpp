#include "ui/memory/MemoryWizard.h"

#include <algorithm>

#include "wizard/Layout.h"

namespace ui::memory {

namespace layout = wizard::layout;

MemoryLabel::MemoryLabel(const wizard::Rect& rect, int pixels, bool bold, wizard::Alignment align)
    : rect_(rect),
      alignment_(align),
      style_(bold ? wizard::FontStyle::Bold : wizard::FontStyle::Plain),
      pixels_(pixels) {}

int MemoryLabel::TextWidth(const std::string& text) const {
  int characters = 0;
  for (unsigned char c : text)
    if ((c & 0xC0) != 0x80) ++characters;  // UTF-8: count the first byte of each character
  return 6 * characters;
}

void MemoryListBox::Clear() {
  items_.clear();
  selected_ = -1;
  ++loads_;
}

void MemoryListBox::AddItem(const std::string& text) {
  if (sorted_ && sortsItself_) {
    items_.insert(std::upper_bound(items_.begin(), items_.end(), text), text);
  } else {
    items_.push_back(text);
  }
}

std::string MemoryListBox::ItemText(int index) const {
  return index >= 0 && index < Count() ? items_[static_cast<std::size_t>(index)] : std::string();
}

void MemoryListBox::SetSelectedIndex(int index) {
  selected_ = index >= 0 && index < Count() ? index : -1;
}

void MemoryProgressBar::SetPosition(int position) {
  if (position >= minimum_ && position <= maximum_) position_ = position;
}

void MemoryTimerDriver::Start(int periodMs) {
  running_ = true;
  period_ = periodMs;
  ++starts_;
}

void MemoryTimerDriver::Fire() {
  if (running_ && onTick_) onTick_();
}

bool MemoryButton::Press() {
  if (!visible_ || !enabled_) return false;
  if (onClick_) onClick_();
  return true;
}

void MemoryListBox::Pick(int row) {
  if (!visible_ || row < 0 || row >= Count() || row == selected_) return;
  selected_ = row;
  if (onSelect_) onSelect_();
}

MemoryWizard::MemoryWizard() {
  form_ = std::make_unique<TFormMj>(*this);
}

MemoryWizard::~MemoryWizard() {
  form_.reset();
}

wizard::Label& MemoryWizard::MakeLabel(const layout::Component& c) {
  return *(labels_[&c] = std::make_unique<MemoryLabel>(c.rect, c.fontPixels, c.bold, c.alignment));
}

wizard::Button& MemoryWizard::MakeButton(const layout::Component& c) {
  return *(buttons_[&c] = std::make_unique<MemoryButton>());
}

wizard::EditBox& MemoryWizard::MakeEditBox(const layout::Component& c) {
  return *(edits_[&c] = std::make_unique<MemoryEditBox>());
}

wizard::ListBox& MemoryWizard::MakeListBox(const layout::Component& c) {
  return *(lists_[&c] = std::make_unique<MemoryListBox>(c.rect));
}

wizard::ProgressBar& MemoryWizard::MakeProgressBar(const layout::Component& c) {
  return *(bars_[&c] = std::make_unique<MemoryProgressBar>());
}

wizard::Picture& MemoryWizard::MakePicture(const layout::Component& c) {
  return *(pictures_[&c] = std::make_unique<MemoryPicture>(c.rect.width));
}

wizard::TimerDriver& MemoryWizard::MakeTimer() {
  timer_ = std::make_unique<MemoryTimerDriver>();
  return *timer_;
}

bool MemoryWizard::Press(const layout::Component& button) {
  return !closed_ && Button(button).Press();
}

void MemoryWizard::Pick(int row) {
  ListBox(layout::ListBoxSelectLangPort).Pick(row);
}

bool MemoryWizard::AskToClose() {
  if (form_->MayClose()) closed_ = true;
  return closed_;
}

void MemoryWizard::ClearHistory() {
  handled_.clear();
  dialogs_.clear();
  answers_.clear();
}

void MemoryWizard::Tick() {
  DeliverMessages();
  if (!closed_) timer_->Fire();
  DeliverMessages();
}

void MemoryWizard::DeliverMessages() {
  while (!pending_.empty() && !closed_) {
    const PostedMessage m = pending_.front();
    pending_.pop_front();
    handled_.push_back(m);
    form_->HandleMessage(m.message, m.wParam);
  }
}

void MemoryWizard::PostMessage(int message, std::intptr_t wParam) {
  pending_.push_back({message, wParam});
}

wizard::DialogAnswer MemoryWizard::ShowMessageDialog(const wizard::DialogRequest& request) {
  dialogs_.push_back(request);
  if (!answers_.empty()) {
    const wizard::DialogAnswer answer = answers_.front();
    answers_.pop_front();
    return answer;
  }
  return request.buttons == wizard::DialogButtons::Ok ? wizard::DialogAnswer::Ok : defaultAnswer_;
}

}  // namespace ui::memory
