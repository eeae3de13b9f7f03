#pragma once
// Every message box of the Windows front end goes through this one seam, so tests and tools can
// answer it without a person: the wizard's request goes in, the button pressed comes back.
#include "ui/win32/Win32.h"
// After Win32.h.
#include <functional>

#include "wizard/Dialogs.h"

namespace ui::win32 {

using DialogHandler = std::function<wizard::DialogAnswer(const wizard::DialogRequest&)>;

// MessageBoxW owned by `owner`: Yes and No, or OK; the error or the information icon; the
// request's title ("Error", "Information" or its caption). The buttons read "&Yes", "&No" and
// "OK" whatever the language of Windows, as the wizard has always shown them. Or the handler a
// test installed.
wizard::DialogAnswer ShowMessageDialog(HWND owner, const wizard::DialogRequest& request);

// Installs a handler in place of the real boxes; an empty handler puts the real ones back.
// Returns the previous handler.
DialogHandler SetDialogHandler(DialogHandler handler);

}  // namespace ui::win32
