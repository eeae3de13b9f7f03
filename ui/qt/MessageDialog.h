#pragma once
// The Qt front end's message boxes.

#include "wizard/Dialogs.h"

class QWidget;

namespace ui::qt {

// The seam of every message box (wizard/Dialogs.h): a test or a tool answers in place of a person.
using wizard::DialogHandler;
using wizard::SetDialogHandler;

// Shows a modal message box (or hands the request to the handler installed by a test).
wizard::DialogAnswer ShowMessageDialog(QWidget* parent, const wizard::DialogRequest& request);

}  // namespace ui::qt
