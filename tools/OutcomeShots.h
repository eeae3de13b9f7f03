// The outcome dialogs that orb42-dialog-shots takes a picture of (the Qt and the Win32 program
// alike), and how the wizard is put where each one appears: on step 8, as the checks begin,
// with the version the device would have read.
#pragma once

#include <cstdint>

#include "wizard/Tformmj.h"
#include "wizard/WizardMessages.h"

namespace tools {

struct OutcomeShot {
  const char* name;
  int message;
  std::intptr_t wParam;
  std::uint32_t major, minor;
};

inline constexpr OutcomeShot kOutcomeShots[] = {
    {"link-failed", WM_LINK_FAILED, 100002, 0, 0},
    {"connect-failed", WM_CONNECT_FAILED, 0, 0, 0},
    {"refused-identity", WM_DEVICE_REFUSED, RefusedIdentity, 0, 0},
    {"refused-serial", WM_DEVICE_REFUSED, RefusedSerialNumber, 0, 0},
    {"already-installed", WM_DEVICE_REFUSED, RefusedVersion, 1, 5},
    {"more-recent", WM_DEVICE_REFUSED, RefusedVersion, 2, 0},
    {"refused-type", WM_DEVICE_REFUSED, RefusedDeviceType, 0, 0},
};

// The window is shown; the timer stays off so that only the posted message moves the wizard.
inline void PutOnStep8(TFormMj& form, const OutcomeShot& shot) {
  form.WizardStep = 7;  // as the checks of step 8 begin
  form.NextStep();
  form.TimerGestionSerie->SetEnabled(false);
  form.VersionMajor = shot.major;
  form.VersionMinor = shot.minor;
}

}  // namespace tools
