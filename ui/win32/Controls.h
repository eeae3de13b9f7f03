#pragma once
// The wizard's components as native controls, one file a kind (Label.cpp, Button.cpp ...): each
// adapter makes its control on the wizard window from the layout table and forwards the
// wizard's calls to it. Texts arrive UTF-8 and reach the controls as UTF-16.
#include "ui/win32/Win32.h"
// After Win32.h.
#include <string>
#include <utility>

#include "wizard/Components.h"
#include "wizard/Layout.h"

namespace ui::win32 {

// A child control of `parent` at `rect` (client pixels), with its control identifier.
HWND CreateControl(HWND parent, const wchar_t* windowClass, DWORD style, DWORD exStyle,
                   const wizard::Rect& rect, int id);
// A control's place in its parent's client area.
wizard::Rect ControlRect(HWND control);
void SetControlText(HWND control, const std::string& utf8);
std::string ControlText(HWND control);

// A STATIC control. Left-aligned text stays on one line and is cut at the right edge; centred
// text is centred on the label. "&" is shown as it is.
class Win32Label final : public wizard::Label {
 public:
  Win32Label(HWND parent, const wizard::layout::Component& c, int id);
  void SetText(const std::string& text) override;
  void SetVisible(bool visible) override;
  void SetAlignment(wizard::Alignment alignment) override;
  void SetFontStyle(wizard::FontStyle style) override;
  void SetPointSize(int points) override;
  wizard::Rect Geometry() const override;
  int TextWidth(const std::string& text) const override;
  HWND handle() const { return hwnd_; }
  HFONT Font() const;

 private:
  void ApplyFont();
  HWND hwnd_;
  int pixels_;
  wizard::FontStyle style_;
};

// A push button; "&" in its caption marks the mnemonic that Alt+letter presses.
class Win32Button final : public wizard::Button {
 public:
  Win32Button(HWND parent, const wizard::layout::Component& c, int id);
  void SetText(const std::string& caption) override;
  void SetVisible(bool visible) override;
  void SetEnabled(bool enabled) override;
  bool IsEnabled() const override;
  void SetOnClick(wizard::Handler handler) override { onClick_ = std::move(handler); }
  HWND handle() const { return hwnd_; }
  // The window's BN_CLICKED for this button.
  void Clicked() const {
    if (onClick_) onClick_();
  }

 private:
  HWND hwnd_;
  wizard::Handler onClick_;
};

// A read-only EDIT, not a tab stop; the window paints it on the button face.
class Win32EditBox final : public wizard::EditBox {
 public:
  Win32EditBox(HWND parent, const wizard::layout::Component& c, int id);
  void SetText(const std::string& text) override;
  HWND handle() const { return hwnd_; }

 private:
  HWND hwnd_;
};

// A single-selection LISTBOX of fixed 13-pixel items, drawn by the window (DrawItem): one line
// each, 2 pixels from the left, "&" as it is. The system reports only the user's own changes of
// the selection (LBN_SELCHANGE), never those made here, and a single-selection list gives the
// user no way to empty it.
class Win32ListBox final : public wizard::ListBox {
 public:
  Win32ListBox(HWND parent, const wizard::layout::Component& c, int id);
  void Clear() override;
  // Only recorded: the wizard adds the ports in their order already, and finds entries by text.
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
  HWND handle() const { return hwnd_; }
  bool Sorted() const { return sorted_; }
  // The window's LBN_SELCHANGE: the user's own change (LB_SETCURSEL sends none).
  void UserSelected() const {
    if (onSelect_) onSelect_();
  }
  // Draws one item (the window's WM_DRAWITEM).
  static void DrawItem(const DRAWITEMSTRUCT& item);

 private:
  HWND hwnd_;
  bool sorted_ = false;
  wizard::Handler onSelect_;
};

// A PROGRESS_CLASS bar, smooth or in segments (PBS_SMOOTH).
class Win32ProgressBar final : public wizard::ProgressBar {
 public:
  Win32ProgressBar(HWND parent, const wizard::layout::Component& c, int id);
  void SetMinimum(int minimum) override;
  void SetMaximum(int maximum) override;
  int Maximum() const override { return maximum_; }
  void SetPosition(int position) override;
  int Position() const override;
  void SetSmooth(bool smooth) override;
  void SetVisible(bool visible) override;
  HWND handle() const { return hwnd_; }
  bool Smooth() const;

 private:
  HWND hwnd_;
  int minimum_ = 0;
  int maximum_ = 100;
};

// How a picture stands in its control. It is never stretched: a control smaller than the
// picture shows only part of it.
enum class PicturePlacement {
  TopLeft,  // from the control's top-left corner
  Centre,   // centred at its own size
  Fit,      // centred, scaled down proportionally when it is larger than the control
};

// A control that draws a decoded picture (an HBITMAP the caller keeps alive) on the button face.
class Win32Picture final : public wizard::Picture {
 public:
  Win32Picture(HWND parent, const wizard::Rect& rect, HBITMAP bitmap, PicturePlacement placement,
               DWORD extraStyle = 0);
  void SetVisible(bool visible) override;
  int Width() const override;
  void SetWidth(int width) override;
  HWND handle() const { return hwnd_; }

 private:
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  void Paint(HDC dc) const;
  HWND hwnd_;
  HBITMAP bitmap_;
  PicturePlacement placement_;
};

// The wizard's timer: SetTimer on the window, whose WM_TIMER the window hands to the wizard.
class Win32TimerDriver final : public wizard::TimerDriver {
 public:
  Win32TimerDriver(HWND window, UINT_PTR id) : window_(window), id_(id) {}
  void Start(int periodMs) override;
  void Stop() override;
  void SetOnTick(wizard::Handler handler) override { onTick_ = std::move(handler); }
  UINT_PTR id() const { return id_; }
  // The window's WM_TIMER of this timer.
  void Ticked() const {
    if (onTick_) onTick_();
  }

 private:
  HWND window_;
  UINT_PTR id_;
  wizard::Handler onTick_;
};

}  // namespace ui::win32
