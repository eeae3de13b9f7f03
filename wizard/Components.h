#pragma once
// The components of the wizard window as the wizard's logic sees them: small interfaces with only
// what the wizard uses. Each front end (Qt on Linux, native controls on Windows, an in-memory one
// for tests) implements them over its own controls. Every text crossing them is UTF-8; a front
// end converts where its toolkit wants another encoding.
#include <cstdint>
#include <functional>
#include <string>

#include "wizard/Dialogs.h"
#include "wizard/Texts.h"

namespace wizard {

struct Rect {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const Rect&) const = default;
};

enum class Alignment { Left, Centre };

// What a control does when the user acts on it (or the timer ticks): the wizard's own handler,
// given once, when the wizard wires itself.
using Handler = std::function<void()>;
// A style replaces the whole set: bold means bold only.
enum class FontStyle { Plain, Bold, Italic };

class Label {
 public:
  virtual ~Label() = default;
  virtual void SetText(const std::string& text) = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual void SetAlignment(Alignment alignment) = 0;
  virtual void SetFontStyle(FontStyle style) = 0;
  virtual void SetPointSize(int points) = 0;  // 8 or 10
  virtual Rect Geometry() const = 0;
  // The width of text, in pixels, as the label's font draws it.
  virtual int TextWidth(const std::string& text) const = 0;
};

// A push button; "&" in a caption marks its mnemonic.
class Button {
 public:
  virtual ~Button() = default;
  virtual void SetText(const std::string& caption) = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool IsEnabled() const = 0;
  // Runs when the user presses the button (a click, Return or Space on it, its mnemonic).
  virtual void SetOnClick(Handler handler) = 0;
};

// A one-line edit box the user cannot change.
class EditBox {
 public:
  virtual ~EditBox() = default;
  virtual void SetText(const std::string& text) = 0;
};

// A list box with one selected entry at most. Changes made through this interface never reach
// the wizard's click handler: only the user's own clicks and keys do.
class ListBox {
 public:
  virtual ~ListBox() = default;
  virtual void Clear() = 0;
  // Sorted: the port list (the entries come already in their order); not sorted: the languages.
  virtual void SetSorted(bool sorted) = 0;
  virtual void AddItem(const std::string& text) = 0;
  virtual int Count() const = 0;
  virtual std::string ItemText(int index) const = 0;
  // The selected entry, or -1 when none is.
  virtual int SelectedIndex() const = 0;
  virtual void SetSelectedIndex(int index) = 0;  // -1: none
  virtual void SetVisible(bool visible) = 0;
  virtual Rect Geometry() const = 0;
  virtual void SetGeometry(const Rect& rect) = 0;
  // Runs when the user changes the selection (a click, the keys); never for SetSelectedIndex.
  virtual void SetOnUserSelect(Handler handler) = 0;
};

class ProgressBar {
 public:
  virtual ~ProgressBar() = default;
  virtual void SetMinimum(int minimum) = 0;
  virtual void SetMaximum(int maximum) = 0;
  virtual int Maximum() const = 0;
  virtual void SetPosition(int position) = 0;
  virtual int Position() const = 0;
  virtual void SetSmooth(bool smooth) = 0;  // one smooth bar, or segments
  virtual void SetVisible(bool visible) = 0;
};

// A picture drawn at its own size from its top-left corner and never scaled: a control narrower
// than its picture shows only the picture's left part.
class Picture {
 public:
  virtual ~Picture() = default;
  virtual void SetVisible(bool visible) = 0;
  virtual int Width() const = 0;
  virtual void SetWidth(int width) = 0;
};

// The front end's periodic timer: Start (re)starts it with a period, every tick keeping the
// schedule of the first; Stop ends it. When to restart is the wizard's PeriodicTimer's business.
class TimerDriver {
 public:
  virtual ~TimerDriver() = default;
  virtual void Start(int periodMs) = 0;
  virtual void Stop() = 0;
  // Runs at each tick.
  virtual void SetOnTick(Handler handler) = 0;
};

// The window itself.
class Window {
 public:
  virtual ~Window() = default;
  virtual void SetTitle(const std::string& title) = 0;
  // Posts one of the wizard's private messages to this window; the front end hands it to
  // TFormMj::HandleMessage once the handler that posted it has returned, before the timer's next
  // tick.
  virtual void PostMessage(int message, std::intptr_t wParam) = 0;
  // Closes the window, which ends the program.
  virtual void Close() = 0;
  // A modal message dialog; returns the button pressed.
  virtual DialogAnswer ShowMessageDialog(const DialogRequest& request) = 0;
  // The About dialog, modal, in the given language.
  virtual void ShowAboutDialog(LanguageIndex language) = 0;
};

}  // namespace wizard
