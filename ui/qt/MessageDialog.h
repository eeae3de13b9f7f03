#pragma once
// Every message box of the Qt front end goes through this one seam, so tests and tools can
// answer it without a person: the wizard's request goes in, the button pressed comes back.
#include <functional>

#include "wizard/Dialogs.h"

class QWidget;

namespace ui::qt {

using DialogHandler = std::function<wizard::DialogAnswer(const wizard::DialogRequest&)>;

// Shows a modal message box (or hands the request to the handler installed by a test).
wizard::DialogAnswer ShowMessageDialog(QWidget* parent, const wizard::DialogRequest& request);

// Installs a handler in place of the real boxes; an empty handler puts the real ones back.
// Returns the previous handler.
DialogHandler SetDialogHandler(DialogHandler handler);

}  // namespace ui::qt
