#include "app/Startup.h"

#include "app/Boiteapropos.h"
#include "app/MessageDialog.h"
#include "app/ProgramError.h"
#include "app/Tformmj.h"

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

QString ErrorBoxText(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const ProgramError& e) {
    QString text = QString::fromUtf8(e.what());
    if (!text.isEmpty() && text.back() > QLatin1Char('.')) text += QLatin1Char('.');
    return text;
  } catch (...) {
    return {};
  }
}

void ShowErrorBox(const QString& text) {
  ShowMessageDialog(nullptr, {QString::fromLatin1(kApplicationTitle), text, DialogKind::Error,
                              DialogButtons::Ok});
}

int RunWizard() {
  try {
    TFormMj form;
    TFormAPropos about;
    form.SetAboutDialog(&about);
    const std::int32_t language = form.ReadLanguageSetting();
    form.SetLanguage(language);
    form.show();
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
