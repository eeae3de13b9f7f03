#include "ui/qt/Startup.h"

#include "ui/qt/Boiteapropos.h"
#include "ui/qt/MessageDialog.h"
#include "ui/qt/WizardWindow.h"
#include "wizard/ProgramError.h"

namespace ui::qt {

namespace {
const char* const kApplicationTitle = "orb42-update";
}

Orb42Application::Orb42Application(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QString::fromLatin1(kApplicationTitle));
  setApplicationVersion(QStringLiteral("1.5.2.5"));
  setOrganizationName(QStringLiteral("TALVIRE"));
  setProperty("productVersion", QStringLiteral("1.5.0.0"));
}

bool Orb42Application::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    ShowErrorBox(ErrorBoxText(std::current_exception()));
    return false;
  }
}

void ShowErrorBox(const std::string& text) {
  ShowMessageDialog(
      nullptr, {kApplicationTitle, text, wizard::DialogKind::Error, wizard::DialogButtons::Ok});
}

int RunWizard() {
  try {
    WizardWindow window;
    TFormAPropos about;
    window.SetAboutDialog(&about);
    TFormMj& form = window.Form();
    const std::int32_t language = form.ReadLanguageSetting();
    form.SetLanguage(language);
    window.show();
    QApplication::exec();
  } catch (...) {
    ShowErrorBox(ErrorBoxText(std::current_exception()));
  }
  return 0;
}

int RunProgram(int argc, char** argv) {
  Orb42Application app(argc, argv);
  return RunWizard();
}

}  // namespace ui::qt
