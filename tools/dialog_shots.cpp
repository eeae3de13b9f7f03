// Saves a picture of every outcome dialog the wizard can show, in French and in English, as the
// wizard itself shows them: the window on step 8, the message posted, the real message box.
// Usage: orb42-dialog-shots OUTPUT_DIR   (run under Xvfb or QT_QPA_PLATFORM=offscreen)
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

#include "ui/qt/WizardWindow.h"
#include "wizard/WizardMessages.h"

namespace {

struct Shot {
  const char* name;
  int message;
  std::intptr_t wParam;
  std::uint32_t major, minor;
};

const Shot kShots[] = {
    {"link-failed", WM_LINK_FAILED, 100002, 0, 0},
    {"connect-failed", WM_CONNECT_FAILED, 0, 0, 0},
    {"refused-identity", WM_DEVICE_REFUSED, RefusedIdentity, 0, 0},
    {"refused-serial", WM_DEVICE_REFUSED, RefusedSerialNumber, 0, 0},
    {"already-installed", WM_DEVICE_REFUSED, RefusedVersion, 1, 5},
    {"more-recent", WM_DEVICE_REFUSED, RefusedVersion, 2, 0},
    {"refused-type", WM_DEVICE_REFUSED, RefusedDeviceType, 0, 0},
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: orb42-dialog-shots OUTPUT_DIR\n");
    return 2;
  }
  const QString dir = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(dir);
  int saved = 0;
  for (const Shot& shot : kShots) {
    for (LanguageIndex language : {0, 1}) {
      ui::qt::WizardWindow window;
      TFormMj& form = window.Form();
      form.SetLanguage(language);
      window.show();
      form.WizardStep = 7;  // as the checks of step 8 begin
      form.NextStep();
      form.TimerGestionSerie->SetEnabled(false);
      form.VersionMajor = shot.major;
      form.VersionMinor = shot.minor;
      const QString file = QStringLiteral("%1/outcome-%2-%3.png")
                               .arg(dir, QString::fromLatin1(shot.name),
                                    QString::fromLatin1(language ? "en" : "fr"));
      // Once the box is up: take its picture, then answer Yes (or OK) to go back to step 4.
      QTimer::singleShot(300, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        if (box->grab().save(file)) ++saved;
        box->buttons().first()->click();
      });
      window.PostMessage(shot.message, shot.wParam);
      QCoreApplication::sendPostedEvents();
    }
  }
  std::printf("%d pictures in %s\n", saved, argv[1]);
  return saved == 2 * static_cast<int>(std::size(kShots)) ? 0 : 1;
}
