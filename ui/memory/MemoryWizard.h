#pragma once
// A front end that draws nothing: every control records each property a user could see (text,
// visible, enabled, font style and size, alignment, place, list entries and selection, the bar's
// range, position and look), and the window records its title, the messages posted to it, the
// dialogs and the About dialog. A test acts as the user would (presses buttons, picks list
// entries), fires the timer and hands over the posted messages, then looks at what is shown.
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "wizard/Components.h"
#include "wizard/Tformmj.h"
#include "wizard/Toolkit.h"

namespace ui::memory {

class MemoryLabel final : public wizard::Label {
 public:
  explicit MemoryLabel(const wizard::Rect& rect, int pixels, bool bold, wizard::Alignment align);
  void SetText(const std::string& text) override { text_ = text; }
  void SetVisible(bool visible) override { visible_ = visible; }
  void SetAlignment(wizard::Alignment alignment) override { alignment_ = alignment; }
  void SetFontStyle(wizard::FontStyle style) override { style_ = style; }
  void SetPointSize(int points) override { pixels_ = points == 10 ? 13 : 11; }
  wizard::Rect Geometry() const override { return rect_; }
  // A fixed model of a font, the same on every machine: 6 pixels a character.
  int TextWidth(const std::string& text) const override;

  const std::string& Text() const { return text_; }
  bool Visible() const { return visible_; }
  wizard::Alignment Alignment() const { return alignment_; }
  wizard::FontStyle Style() const { return style_; }
  int Pixels() const { return pixels_; }

 private:
  wizard::Rect rect_;
  std::string text_;
  bool visible_ = true;
  wizard::Alignment alignment_;
  wizard::FontStyle style_;
  int pixels_;
};

class MemoryButton final : public wizard::Button {
 public:
  void SetText(const std::string& caption) override { text_ = caption; }
  void SetVisible(bool visible) override { visible_ = visible; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }
  bool IsEnabled() const override { return enabled_; }
  void SetOnClick(wizard::Handler handler) override { onClick_ = std::move(handler); }
  const std::string& Text() const { return text_; }
  bool Visible() const { return visible_; }
  // The user presses it: only a visible, enabled button does anything.
  bool Press();

 private:
  std::string text_;
  bool visible_ = true;
  bool enabled_ = true;
  wizard::Handler onClick_;
};

class MemoryEditBox final : public wizard::EditBox {
 public:
  void SetText(const std::string& text) override { text_ = text; }
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

class MemoryListBox final : public wizard::ListBox {
 public:
  explicit MemoryListBox(const wizard::Rect& rect) : rect_(rect) {}
  void Clear() override;
  void SetSorted(bool sorted) override { sorted_ = sorted; }
  void AddItem(const std::string& text) override;
  int Count() const override { return static_cast<int>(items_.size()); }
  std::string ItemText(int index) const override;
  int SelectedIndex() const override { return selected_; }
  void SetSelectedIndex(int index) override;
  void SetVisible(bool visible) override { visible_ = visible; }
  wizard::Rect Geometry() const override { return rect_; }
  void SetGeometry(const wizard::Rect& rect) override { rect_ = rect; }
  void SetOnUserSelect(wizard::Handler handler) override { onSelect_ = std::move(handler); }
  // The user picks an entry (a click or the arrow keys); -1 is refused, as the list never lets
  // the user empty its selection. The handler runs when the selection changed.
  void Pick(int row);

  const std::vector<std::string>& Items() const { return items_; }
  bool Visible() const { return visible_; }
  bool Sorted() const { return sorted_; }
  int Loads() const { return loads_; }  // how often it was emptied to be filled again
  // Makes a sorted box order its entries by itself, letter case heeded, as a native sorted
  // list box would; by default it keeps them in the order they come.
  void SortByItself(bool on) { sortsItself_ = on; }

 private:
  wizard::Rect rect_;
  std::vector<std::string> items_;
  int selected_ = -1;
  bool visible_ = true;
  bool sorted_ = false;
  bool sortsItself_ = false;
  int loads_ = 0;
  wizard::Handler onSelect_;
};

class MemoryProgressBar final : public wizard::ProgressBar {
 public:
  void SetMinimum(int minimum) override { minimum_ = minimum; }
  void SetMaximum(int maximum) override { maximum_ = maximum; }
  int Maximum() const override { return maximum_; }
  // A position outside the range is not taken, as Qt's bar does not take it.
  void SetPosition(int position) override;
  int Position() const override { return position_; }
  void SetSmooth(bool smooth) override { smooth_ = smooth; }
  void SetVisible(bool visible) override { visible_ = visible; }
  int Minimum() const { return minimum_; }
  bool Smooth() const { return smooth_; }
  bool Visible() const { return visible_; }

 private:
  int minimum_ = 0, maximum_ = 100, position_ = 0;
  bool smooth_ = false;
  bool visible_ = false;  // hidden at start
};

class MemoryPicture final : public wizard::Picture {
 public:
  explicit MemoryPicture(int width) : width_(width) {}
  void SetVisible(bool visible) override { visible_ = visible; }
  int Width() const override { return width_; }
  void SetWidth(int width) override { width_ = width; }
  bool Visible() const { return visible_; }

 private:
  int width_;
  bool visible_ = true;
};

class MemoryTimerDriver final : public wizard::TimerDriver {
 public:
  void Start(int periodMs) override;
  void Stop() override { running_ = false; }
  void SetOnTick(wizard::Handler handler) override { onTick_ = std::move(handler); }
  bool Running() const { return running_; }
  int Period() const { return period_; }
  int Starts() const { return starts_; }  // how often it was (re)started
  // One tick, when it runs.
  void Fire();

 private:
  bool running_ = false;
  int period_ = 0;
  int starts_ = 0;
  wizard::Handler onTick_;
};

struct PostedMessage {
  int message;
  std::intptr_t wParam;
};

// The controls, by the components of the layout table they were made for.
class MemoryWizard final : public wizard::Window, public wizard::Toolkit {
 public:
  // Makes the wizard's logic, which takes its controls from here and sets up step 1.
  MemoryWizard();
  ~MemoryWizard() override;

  TFormMj& Form() { return *form_; }

  // ---- What the user sees ------------------------------------------------------------------
  const std::string& Title() const { return title_; }
  bool Closed() const { return closed_; }
  const std::vector<wizard::DialogRequest>& Dialogs() const { return dialogs_; }
  // Every message handed over so far, in order.
  const std::vector<PostedMessage>& Handled() const { return handled_; }
  std::size_t Pending() const { return pending_.size(); }
  // Forgets the dialogs shown and the messages handed over so far, and answers not used yet.
  void ClearHistory();

  // The control made for a component (of that kind; a component the wizard did not ask for, or
  // of another kind, is a test's mistake and throws).
  MemoryLabel& Label(const wizard::layout::Component& c) { return *Find(labels_, c); }
  MemoryButton& Button(const wizard::layout::Component& c) { return *Find(buttons_, c); }
  MemoryEditBox& EditBox(const wizard::layout::Component& c) { return *Find(edits_, c); }
  MemoryListBox& ListBox(const wizard::layout::Component& c) { return *Find(lists_, c); }
  MemoryProgressBar& ProgressBar(const wizard::layout::Component& c) { return *Find(bars_, c); }
  MemoryPicture& Picture(const wizard::layout::Component& c) { return *Find(pictures_, c); }
  MemoryTimerDriver& Timer() { return *timer_; }

  // ---- Acting as the user ------------------------------------------------------------------
  // Presses a button as the user would: only a visible, enabled button does anything.
  bool Press(const wizard::layout::Component& button);
  // Picks an entry of the list (a click or the arrow keys); -1 is refused, as the list never
  // lets the user empty its selection. Runs the click handler when the selection changed.
  void Pick(int row);
  // Answers the next dialogs shown, in order; without an answer a Yes/No dialog gets the default
  // answer and an OK dialog gets OK.
  void Answer(wizard::DialogAnswer answer) { answers_.push_back(answer); }
  // The answer a Yes/No dialog gets when none is queued (No unless set).
  void SetDefaultAnswer(wizard::DialogAnswer answer) { defaultAnswer_ = answer; }
  // The window manager's close (Alt+F4): true when the window closed.
  bool AskToClose();

  // ---- The message loop ----------------------------------------------------------------------
  // One tick as the loop gives it: first the messages already posted (they come before a tick),
  // then the timer's work when it runs, then the messages that work posted.
  void Tick();
  // Hands every pending message to the wizard, in the order posted.
  void DeliverMessages();

  // wizard::Window
  void SetTitle(const std::string& title) override { title_ = title; }
  void PostMessage(int message, std::intptr_t wParam) override;
  void Close() override { closed_ = true; }
  wizard::DialogAnswer ShowMessageDialog(const wizard::DialogRequest& request) override;
  void ShowAboutDialog(LanguageIndex) override {}

  // wizard::Toolkit
  wizard::Window& TheWindow() override { return *this; }
  wizard::Label& MakeLabel(const wizard::layout::Component& c) override;
  wizard::Button& MakeButton(const wizard::layout::Component& c) override;
  wizard::EditBox& MakeEditBox(const wizard::layout::Component& c) override;
  wizard::ListBox& MakeListBox(const wizard::layout::Component& c) override;
  wizard::ProgressBar& MakeProgressBar(const wizard::layout::Component& c) override;
  wizard::Picture& MakePicture(const wizard::layout::Component& c) override;
  wizard::TimerDriver& MakeTimer() override;

 private:
  template <class Control>
  using Made = std::map<const wizard::layout::Component*, std::unique_ptr<Control>>;
  template <class Control>
  static Control* Find(const Made<Control>& made, const wizard::layout::Component& c) {
    return made.at(&c).get();
  }

  Made<MemoryLabel> labels_;
  Made<MemoryButton> buttons_;
  Made<MemoryEditBox> edits_;
  Made<MemoryListBox> lists_;
  Made<MemoryProgressBar> bars_;
  Made<MemoryPicture> pictures_;
  std::unique_ptr<MemoryTimerDriver> timer_;
  std::unique_ptr<TFormMj> form_;
  std::string title_;
  bool closed_ = false;
  std::deque<PostedMessage> pending_;
  std::vector<PostedMessage> handled_;
  std::vector<wizard::DialogRequest> dialogs_;
  std::deque<wizard::DialogAnswer> answers_;
  wizard::DialogAnswer defaultAnswer_ = wizard::DialogAnswer::No;
};

}  // namespace ui::memory
