// Start-up: the language of the settings file, the error guard, and errors escaping a handler.
// This program runs on the wizard's own application object.
#include "ui/qt/Startup.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
#include <QTimer>
#include <filesystem>

#include "support/QtHarness.h"
#include "support/WizardEnv.h"
#include "ui/qt/WizardWindow.h"
#include "wizard/ProgramError.h"

namespace {

using ui::qt::Orb42Application;
using ui::qt::RunWizard;
using ui::qt::WizardWindow;
using wizard::DialogButtons;
using wizard::DialogKind;
using wizard::DialogRequest;

Orb42Application& App() {
  static int argc = 1;
  static char name[] = "orb42-update";
  static char* argv[] = {name, nullptr};
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static Orb42Application* app = new Orb42Application(argc, argv);  // never destroyed
  return *app;
}

WizardWindow* VisibleWizard() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* window = dynamic_cast<WizardWindow*>(w); window && window->isVisible()) return window;
  return nullptr;
}

struct Seen {
  bool wizardShown = false;
  LanguageIndex language = -1;
  std::string windowTitle, selected;
};

// Runs the whole start-up; once the loop runs, looks at the wizard and quits through Quit.
Seen StartAndQuit(int* result) {
  Seen seen;
  QTimer::singleShot(0, [&seen] {
    if (WizardWindow* window = VisibleWizard()) {
      seen.wizardShown = true;
      seen.language = window->Form().Language;
      seen.windowTitle = window->windowTitle().toStdString();
      seen.selected = window->ListBox(wizard::layout::ListBoxSelectLangPort)
                          ->currentItem()
                          ->text()
                          .toStdString();
      window->Form().ButtonQuitterClick();
    }
  });
  *result = RunWizard();
  return seen;
}

class Startup : public ::testing::Test {
 protected:
  Startup() { App(); }
  testsupport::WizardEnv env_;
  testsupport::DialogRecorder dialogs_;
};

TEST_F(Startup, LanguageComesFromTheSettingsFile) {
  struct Case {
    const char* content;  // nullptr: no settings file
    LanguageIndex language;
  } cases[] = {
      {nullptr, 0}, {"Langue=1;", 1}, {"Langue=0;", 0}, {"Langue=2;", 0}, {"Langue=x;", 0}};
  for (const Case& c : cases) {
    std::filesystem::remove(env_.WindowsDir() + "/BrennalV1.CFG");
    if (c.content) env_.WriteSettings(c.content);
    int result = -1;
    const Seen seen = StartAndQuit(&result);
    SCOPED_TRACE(c.content ? c.content : "no file");
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(seen.wizardShown);
    EXPECT_EQ(seen.language, c.language);
    EXPECT_EQ(seen.selected, c.language == 1 ? "English" : "Français");
    EXPECT_EQ(seen.windowTitle, c.language == 1
                                    ? "Update V1.5 of Télécommande ORB42TLX"
                                    : "Mise à jour V1.5 de votre Télécommande ORB42TLX");
    EXPECT_TRUE(dialogs_.Shown().empty());
  }
}

TEST_F(Startup, SettingsFileThatCannotBeOpenedEndsTheProgramWithAnErrorBox) {
  // A directory in place of the file: it exists, but cannot be read as one.
  std::filesystem::create_directory(env_.WindowsDir() + "/BrennalV1.CFG");
  bool wizardSeen = false;
  QTimer::singleShot(0, [&] { wizardSeen = VisibleWizard() != nullptr; });
  EXPECT_EQ(RunWizard(), 0);
  ASSERT_EQ(dialogs_.Shown().size(), 1u);
  const DialogRequest& box = dialogs_.Shown()[0];
  EXPECT_EQ(box.caption, "orb42-update");
  EXPECT_EQ(box.text, "Cannot open file " + env_.WindowsDir() + "/BrennalV1.CFG.");
  EXPECT_EQ(box.kind, DialogKind::Error);
  EXPECT_EQ(box.buttons, DialogButtons::Ok);
  EXPECT_FALSE(wizardSeen);
  QCoreApplication::processEvents();
  EXPECT_EQ(VisibleWizard(), nullptr);
}

TEST_F(Startup, ClosingTheWizardWhileTheAboutDialogIsOpenEndsTheProgram) {
  bool aboutWasOpen = false;
  QTimer::singleShot(0, [&] {
    WizardWindow* window = VisibleWizard();
    ASSERT_NE(window, nullptr);
    QTimer::singleShot(0, [&, window] {
      aboutWasOpen = QApplication::activeModalWidget() != nullptr;
      window->Form().ButtonQuitterClick();  // as an outcome dialog answered No would
    });
    window->Form().ButtonAProposClick();
  });
  EXPECT_EQ(RunWizard(), 0);  // returns: the loop ended
  EXPECT_TRUE(aboutWasOpen);
}

TEST(ErrorBoxText, FullStopOnlyAfterCharactersThatSortAfterIt) {
  auto text = [](auto error) { return ErrorBoxText(std::make_exception_ptr(error)); };
  EXPECT_EQ(text(ProgramError("Cannot open file x")), "Cannot open file x.");
  EXPECT_EQ(text(ProgramError("Stopped 3")), "Stopped 3.");
  EXPECT_EQ(text(ProgramError("Done.")), "Done.");
  EXPECT_EQ(text(ProgramError("Really!")), "Really!");  // '!' sorts before '.'
  EXPECT_EQ(text(ProgramError("")), "");
  EXPECT_EQ(text(std::runtime_error("not ours")), "");
  EXPECT_EQ(text(42), "");
}

// An object whose handler fails, as a button or a tick could.
class Thrower : public QObject {
 public:
  bool event(QEvent* e) override {
    if (e->type() == QEvent::User) throw ProgramError("Handler failed");
    return QObject::event(e);
  }
};

TEST_F(Startup, ErrorInAHandlerIsShownAndTheProgramGoesOn) {
  Thrower thrower;
  QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
  QCoreApplication::processEvents();
  ASSERT_EQ(dialogs_.Shown().size(), 1u);
  EXPECT_EQ(dialogs_.Shown()[0].text, "Handler failed.");
  EXPECT_EQ(dialogs_.Shown()[0].caption, "orb42-update");
  // Still dispatching.
  bool ran = false;
  QTimer::singleShot(0, [&] { ran = true; });
  QCoreApplication::processEvents();
  EXPECT_TRUE(ran);
}

TEST_F(Startup, ApplicationCarriesItsVersionRecord) {
  EXPECT_EQ(App().applicationVersion().toStdString(), "1.5.2.5");
  EXPECT_EQ(App().property("productVersion").toString().toStdString(), "1.5.0.0");
  EXPECT_EQ(App().organizationName().toStdString(), "TALVIRE");
}

}  // namespace
