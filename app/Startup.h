#pragma once
#include <QApplication>
#include <exception>

// The application object: an error that escapes an event handler is shown in the standard error
// box and the wizard goes on.
class Orb42Application : public QApplication {
 public:
  Orb42Application(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

// The text of the standard error box for an error: the program's own errors give their message,
// with a full stop added when the last character sorts after it; any other error gives nothing.
QString ErrorBoxText(const std::exception_ptr& error);

// Shows the standard error box: the application's title as caption, an error icon and OK.
void ShowErrorBox(const QString& text);

// The wizard window, the About dialog, the language of the settings file and the message loop,
// inside the start-up guard, on the application object that exists already. Returns 0.
int RunWizard();

// The whole program: the wizard window, the About dialog, the language of the settings file and
// the message loop, inside the start-up guard. Always returns 0.
int RunProgram(int argc, char** argv);
