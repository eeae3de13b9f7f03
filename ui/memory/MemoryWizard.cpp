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

namespace {
MemoryLabel LabelOf(const layout::Component& c) {
  return MemoryLabel(c.rect, c.fontPixels, c.bold, c.alignment);
}
}  // namespace

MemoryWizard::MemoryWizard()
    : LabelTitreEtape(LabelOf(layout::LabelTitreEtape)),
      LabelLigne1(LabelOf(layout::LabelLigne1)),
      LabelLigne2(LabelOf(layout::LabelLigne2)),
      LabelLigne3(LabelOf(layout::LabelLigne3)),
      LabelLigne4(LabelOf(layout::LabelLigne4)),
      LabelBarreProgression(LabelOf(layout::LabelBarreProgression)),
      LabelLigne5(LabelOf(layout::LabelLigne5)),
      ImageConnectAppareilaPC(layout::ImageConnectAppareilaPC.rect.width),
      Image1(layout::Image1.rect.width),
      ListBoxSelectLangPort(layout::ListBoxSelectLangPort.rect) {
  form_ = std::make_unique<TFormMj>(TFormMjComponents{
      this, &ButtonQuitter, &ButtonPrecedant, &ButtonSuivant, &EditEtape, &LabelTitreEtape,
      &ImageConnectAppareilaPC, &ProgressBarProgrammation, &ButtonAPropos, &Image1,
      &TimerGestionSerie, &LabelLigne1, &LabelLigne2, &LabelLigne3, &LabelLigne4,
      &LabelBarreProgression, &LabelLigne5, &ListBoxSelectLangPort});
}

MemoryWizard::~MemoryWizard() {
  form_.reset();
}

bool MemoryWizard::Press(MemoryButton& button) {
  if (!button.Visible() || !button.IsEnabled() || closed_) return false;
  if (&button == &ButtonQuitter) form_->ButtonQuitterClick();
  if (&button == &ButtonPrecedant) form_->ButtonPrecedantClick();
  if (&button == &ButtonSuivant) form_->ButtonSuivantClick();
  if (&button == &ButtonAPropos) form_->ButtonAProposClick();
  return true;
}

void MemoryWizard::Pick(int row) {
  if (!ListBoxSelectLangPort.Visible() || row < 0 || row >= ListBoxSelectLangPort.Count()) return;
  if (row == ListBoxSelectLangPort.SelectedIndex()) return;
  ListBoxSelectLangPort.SetSelectedIndex(row);
  form_->ListBoxSelectLangPortClick();
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
  if (TimerGestionSerie.Running() && !closed_) form_->TimerGestionSerieTimer();
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
