#pragma once
// The wizard's components over Qt widgets: each adapter owns nothing and forwards to its widget,
// which the window owns. Texts arrive UTF-8 and go to Qt as QString.
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "wizard/Components.h"

namespace ui::qt {

class QtLabel final : public wizard::Label {
 public:
  explicit QtLabel(QLabel* label) : label_(label) {}
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

class QtButton final : public wizard::Button {
 public:
  explicit QtButton(QPushButton* button) : button_(button) {}
  void SetText(const std::string& caption) override;
  void SetVisible(bool visible) override;
  void SetEnabled(bool enabled) override;
  bool IsEnabled() const override;
  QPushButton* widget() const { return button_; }

 private:
  QPushButton* button_;
};

class QtEditBox final : public wizard::EditBox {
 public:
  explicit QtEditBox(QLineEdit* edit) : edit_(edit) {}
  void SetText(const std::string& text) override;
  QLineEdit* widget() const { return edit_; }

 private:
  QLineEdit* edit_;
};

// Every change made here runs with the list's signals blocked: only the user's own clicks and
// keys reach the wizard's click handler.
class QtListBox final : public wizard::ListBox {
 public:
  explicit QtListBox(QListWidget* list) : list_(list) {}
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
  QListWidget* widget() const { return list_; }
  // Sorted is only recorded: the wizard adds the ports in their order already.
  bool Sorted() const { return sorted_; }

 private:
  QListWidget* list_;
  bool sorted_ = false;
};

class QtProgressBar final : public wizard::ProgressBar {
 public:
  explicit QtProgressBar(QProgressBar* bar);
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

class QtPicture final : public wizard::Picture {
 public:
  explicit QtPicture(QLabel* picture) : picture_(picture) {}
  void SetVisible(bool visible) override;
  int Width() const override;
  void SetWidth(int width) override;
  QLabel* widget() const { return picture_; }

 private:
  QLabel* picture_;
};

// A QTimer that keeps its schedule: the next tick is due one period after the previous one was
// due (Qt::PreciseTimer), so a record that takes 92 ms of a 100 ms period costs 100 ms.
class QtTimerDriver final : public wizard::TimerDriver {
 public:
  explicit QtTimerDriver(QTimer* timer);
  void Start(int periodMs) override;
  void Stop() override;
  QTimer* timer() const { return timer_; }

 private:
  QTimer* timer_;
};

}  // namespace ui::qt
