#pragma once
// The wizard's components over Qt widgets, one file a kind (QtLabel.cpp, QtButton.cpp ...): each
// adapter makes its widget on the window from the layout table (the window owns it, as Qt's
// parent), forwards the wizard's calls to it, and carries the widget's own event to the handler
// the wizard gives it. Texts arrive UTF-8 and go to Qt as QString.
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "wizard/Components.h"
#include "wizard/Layout.h"

namespace ui::qt {

// What the adapters share: the text's conversion, the places, the components' fonts.
QString ToQt(const std::string& text);
wizard::Rect ToRect(const QRect& rect);
void Place(QWidget* widget, const wizard::layout::Component& c);
QFont FontOf(const wizard::layout::Component& c);

// A label's text on one line from its top-left corner (or centred), cut at the right edge.
class QtLabel final : public wizard::Label {
 public:
  QtLabel(QWidget* parent, const wizard::layout::Component& c);
  void SetText(const std::string& text) override;
  void SetVisible(bool visible) override;
  void SetAlignment(wizard::Alignment alignment) override;
  void SetFontStyle(wizard::FontStyle style) override;
  void SetPointSize(int points) override;
  wizard::Rect Geometry() const override;
  int TextWidth(const std::string& text) const override;
  QLabel* widget() const { return label_; }

 private:
  QLabel* label_;
};

// A push button that Return presses as well as Space (WizardWidgets.h); its tooltip, if the
// layout gives one.
class QtButton final : public wizard::Button {
 public:
  QtButton(QWidget* parent, const wizard::layout::Component& c);
  void SetText(const std::string& caption) override;
  void SetVisible(bool visible) override;
  void SetEnabled(bool enabled) override;
  bool IsEnabled() const override;
  void SetOnClick(wizard::Handler handler) override { onClick_ = std::move(handler); }
  QPushButton* widget() const { return button_; }

 private:
  QPushButton* button_;
  wizard::Handler onClick_;
};

// Read-only, no keyboard focus, on the button face's colour.
class QtEditBox final : public wizard::EditBox {
 public:
  QtEditBox(QWidget* parent, const wizard::layout::Component& c);
  void SetText(const std::string& text) override;
  QLineEdit* widget() const { return edit_; }

 private:
  QLineEdit* edit_;
};

// One selected entry at most, items on fixed 13-pixel lines. Every change made here runs with
// the list's signals blocked: only the user's own clicks and keys reach the handler.
class QtListBox final : public wizard::ListBox {
 public:
  QtListBox(QWidget* parent, const wizard::layout::Component& c);
  void Clear() override;
  void SetSorted(bool sorted) override { sorted_ = sorted; }
  void AddItem(const std::string& text) override;
  int Count() const override;
  std::string ItemText(int index) const override;
  int SelectedIndex() const override;
  void SetSelectedIndex(int index) override;
  void SetVisible(bool visible) override;
  wizard::Rect Geometry() const override;
  void SetGeometry(const wizard::Rect& rect) override;
  void SetOnUserSelect(wizard::Handler handler) override { onSelect_ = std::move(handler); }
  QListWidget* widget() const { return list_; }
  // Sorted is only recorded: the wizard adds the ports in their order already.
  bool Sorted() const { return sorted_; }

 private:
  QListWidget* list_;
  bool sorted_ = false;
  wizard::Handler onSelect_;
};

// Hidden at first, no text; smooth or in segments.
class QtProgressBar final : public wizard::ProgressBar {
 public:
  QtProgressBar(QWidget* parent, const wizard::layout::Component& c);
  void SetMinimum(int minimum) override;
  void SetMaximum(int maximum) override;
  int Maximum() const override;
  void SetPosition(int position) override;
  int Position() const override;
  void SetSmooth(bool smooth) override;
  void SetVisible(bool visible) override;
  QProgressBar* widget() const { return bar_; }
  bool Smooth() const { return smooth_; }

 private:
  QProgressBar* bar_;
  bool smooth_ = false;
};

// A picture drawn at its own size and never scaled: the banner centred, the connection picture
// from the control's top-left corner (a control narrower than it shows only its left part), under
// the other controls and taking no mouse input.
class QtPicture final : public wizard::Picture {
 public:
  QtPicture(QWidget* parent, const wizard::layout::Component& c);
  void SetVisible(bool visible) override;
  int Width() const override;
  void SetWidth(int width) override;
  QLabel* widget() const { return picture_; }

 private:
  QLabel* picture_;
};

// A QTimer that keeps its schedule: the next tick is due one period after the previous one was
// due (Qt::PreciseTimer), so a record that takes 92 ms of a 100 ms period costs 100 ms. The
// window hands each tick to it (Ticked), after what must come before a tick.
class QtTimerDriver final : public wizard::TimerDriver {
 public:
  explicit QtTimerDriver(QObject* parent);
  void Start(int periodMs) override;
  void Stop() override;
  void SetOnTick(wizard::Handler handler) override { onTick_ = std::move(handler); }
  void Ticked() const {
    if (onTick_) onTick_();
  }
  QTimer* timer() const { return timer_; }

 private:
  QTimer* timer_;
  wizard::Handler onTick_;
};

}  // namespace ui::qt
