// Saves a picture of every outcome dialog the wizard can show, in French and in English, as the
// wizard itself shows them: the window on step 8, the message posted, the real message box.
// Usage: orb42-dialog-shots OUTPUT_DIR   (run under Xvfb or QT_QPA_PLATFORM=offscreen)
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

#include "tools/OutcomeShots.h"
#include "ui/qt/WizardWindow.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: orb42-dialog-shots OUTPUT_DIR\n");
    return 2;
  }
  const QString dir = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(dir);
  int saved = 0;
  for (const tools::OutcomeShot& shot : tools::kOutcomeShots) {
    for (LanguageIndex language : {0, 1}) {
      ui::qt::WizardWindow window;
      TFormMj& form = window.Form();
      form.SetLanguage(language);
      window.show();
      tools::PutOnStep8(form, shot);
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
  return saved == 2 * static_cast<int>(std::size(tools::kOutcomeShots)) ? 0 : 1;
}
