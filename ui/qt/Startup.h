#pragma once
// The program's start on Qt: the application object, the start-up guard and its error box.
#include <QApplication>
#include <string>

namespace ui::qt {

// The application object: an error that escapes an event handler is shown in the standard error
// box and the wizard goes on.
class Orb42Application : public QApplication {
 public:
  Orb42Application(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

// Shows the standard error box: the application's title as caption, an error icon and OK.
void ShowErrorBox(const std::string& text);

// The wizard window, the About dialog, the language of the settings file and the message loop,
// inside the start-up guard, on the application object that exists already. Returns 0.
int RunWizard();

// The whole program: the application object, then RunWizard. Always returns 0.
int RunProgram(int argc, char** argv);

}  // namespace ui::qt
