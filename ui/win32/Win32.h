#pragma once
// <windows.h> as the front end includes it, always before anything else. The wizard's own headers
// name things that windows.h makes macros of: WizardMessages.h declares WM_USER itself, so it
// comes first, and Components.h has a method called PostMessage, which windows.h would rename to
// PostMessageW; the macro goes, and the front end calls PostMessageW by its own name.
#include "wizard/WizardMessages.h"
// Keeps the order above.
#include <windows.h>
#undef PostMessage
