#pragma once
// What the tests of the Windows front end share under Wine: the registry's serial ports, the
// thread's messages handed out as the program's loop hands them out, the message boxes answered
// by a script, and a look at a window from inside the modal loop that shows it.
#include "ui/win32/Win32.h"
// After Win32.h.
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ui/win32/MessageDialog.h"
#include "ui/win32/WizardWindow.h"
#include "wizard/Layout.h"

namespace wintest {

// The handles of a window's controls, by the component they were made for:
// h(wizard::layout::ButtonSuivant).
struct ControlHandles {
  const ui::win32::WizardWindow& window;
  HWND operator()(const wizard::layout::Component& c) const { return window.Handle(c); }
};

// Whether Wine can show windows here (the test run's X server); tests that need one skip
// without it.
bool HaveDisplay();

// The serial-device map (HKLM\HARDWARE\DEVICEMAP\SERIALCOMM, volatile under Wine) holds exactly
// these values: name, data.
void WriteSerialPorts(const std::vector<std::pair<std::string, std::string>>& values);
void RemoveSerialPorts();
// The map as Wine's server makes it at start (\Device\Serial0 = COM1), so that a test leaves the
// run's shared prefix as it found it: a key deleted there could only come back volatile.
void RestoreSerialPorts();

// Hands out the thread's messages as the program's loop does (the wizard window's keys through
// its dialog keyboard interface) until `done` holds or `limitMs` has passed; returns whether
// `done` held. A WM_QUIT is taken off the queue and counted.
bool PumpUntil(HWND wizard, const std::function<bool()>& done, int limitMs);
void PumpFor(HWND wizard, int ms);
int QuitsSeen();

// Answers the wizard's message boxes in place of a person: records each request and answers
// from a script (Yes when the script is empty).
class DialogScript {
 public:
  DialogScript();
  ~DialogScript();
  DialogScript(const DialogScript&) = delete;
  DialogScript& operator=(const DialogScript&) = delete;
  void Answer(wizard::DialogAnswer answer) { answers_.push_back(answer); }
  const std::vector<wizard::DialogRequest>& Shown() const { return shown_; }

 private:
  std::deque<wizard::DialogAnswer> answers_;
  std::vector<wizard::DialogRequest> shown_;
  ui::win32::DialogHandler previous_;
};

// A visible top-level window of this thread of that class (nullptr: any) whose title is `title`
// (empty: any), or nullptr.
HWND FindThreadWindow(const wchar_t* windowClass, const std::wstring& title = L"");

// Once a window that `find` returns exists, calls `look` with it, from inside whatever loop the
// thread is running then (a modal dialog's own); `find` is asked every 20 ms, for at most
// limitMs. Returns at once; `look` runs later. One at a time.
void WhenWindowAppears(std::function<HWND()> find, std::function<void(HWND)> look,
                       int limitMs = 10000);
// Whether the last WhenWindowAppears found its window.
bool WindowAppeared();

// The text of a window, as UTF-16.
std::wstring TextOf(HWND window);
// A key as the keyboard sends it to the window that has the focus: WM_KEYDOWN and WM_KEYUP, or
// with Alt held, WM_SYSKEYDOWN and WM_SYSKEYUP, which the message loop turns into a mnemonic.
void PostKey(HWND focus, WPARAM key);
void PostAltKey(HWND focus, wchar_t letter);
// A left click at a point of a control's client area, as the mouse sends it.
void PostClick(HWND control, int x, int y, WPARAM keys = 0);

}  // namespace wintest
