#pragma once
#include <QFont>

// The font of the windows: "MS Sans Serif" 11 pixels high where it exists, otherwise the closest
// narrow sans-serif faces of a Linux desktop, so that the laid-out lines are not clipped.
QFont WizardFont(int pixelSize = 11);
