#pragma once
// The Windows front end's message boxes.
#include "ui/win32/Win32.h"
// After Win32.h.

#include "wizard/Dialogs.h"

namespace ui::win32 {

// The seam of every message box (wizard/Dialogs.h): a test or a tool answers in place of a person.
using wizard::DialogHandler;
using wizard::SetDialogHandler;

// MessageBoxW owned by `owner`: Yes and No, or OK; the error or the information icon; the
// request's title ("Error", "Information" or its caption). The buttons read "&Yes", "&No" and
// "OK" whatever the language of Windows, as the wizard has always shown them. Or the handler a
// test installed.
wizard::DialogAnswer ShowMessageDialog(HWND owner, const wizard::DialogRequest& request);

}  // namespace ui::win32
