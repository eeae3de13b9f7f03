#pragma once
// The private messages that end a phase of the update: the tick posts one to its own window, and
// the window hands it to TFormMj::HandleMessage once the tick has returned. The values are the
// window messages they have always been (WM_USER is 0x400); a front end maps them onto its own
// mechanism, or posts them as they are.
#include <cstdint>

inline constexpr int WM_USER = 0x0400;
inline constexpr int WM_LINK_FAILED = WM_USER + 1;     // wParam: the LinkError of the failure
inline constexpr int WM_CONNECT_FAILED = WM_USER + 5;  // wParam: 0
inline constexpr int WM_STEP_DONE = WM_USER + 6;       // wParam: 0
inline constexpr int WM_DEVICE_REFUSED = WM_USER + 7;  // wParam: a RefusalReason

// The wParam of WM_DEVICE_REFUSED.
enum RefusalReason : std::int32_t {
  RefusedIdentity = 0,
  RefusedSerialNumber = 1,
  RefusedVersion = 2,
  RefusedDeviceType = 3,
};

// True for the four values above.
constexpr bool IsWizardMessage(int message) {
  return message == WM_LINK_FAILED || message == WM_CONNECT_FAILED || message == WM_STEP_DONE ||
         message == WM_DEVICE_REFUSED;
}
