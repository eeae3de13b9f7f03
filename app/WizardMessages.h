#pragma once
// The private messages that end a phase of the update. Posted to the wizard window with
// QCoreApplication::postEvent and handled in its event().
#include <QEvent>
#include <cstdint>

inline constexpr int WM_USER = QEvent::User;
inline constexpr int WM_LINK_FAILED = WM_USER + 1;     // wParam: the LinkError of the failure
inline constexpr int WM_CONNECT_FAILED = WM_USER + 5;  // wParam: 0
inline constexpr int WM_STEP_DONE = WM_USER + 6;       // wParam: 0
inline constexpr int WM_DEVICE_REFUSED = WM_USER + 7;  // wParam: a RefusalReason

enum RefusalReason : std::int32_t {
  RefusedIdentity = 0,
  RefusedSerialNumber = 1,
  RefusedVersion = 2,
  RefusedDeviceType = 3,
};

class WizardMessage : public QEvent {
 public:
  WizardMessage(int message, std::intptr_t wParam)
      : QEvent(static_cast<QEvent::Type>(message)), wParam(wParam) {}
  const std::intptr_t wParam;
};
