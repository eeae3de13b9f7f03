// The wizard window as laid out, its About dialog, and how it may be closed.
#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "app/Boiteapropos.h"
#include "app/PeriodicTimer.h"
#include "app/Tformmj.h"
#include "support/WizardHarness.h"

namespace {

class WizardWindow : public ::testing::Test {
 protected:
  WizardWindow() { testsupport::QtApp(); }
  testsupport::WizardEnv env_;
  testsupport::DialogRecorder dialogs_;
};

TEST_F(WizardWindow, ComponentsStandWhereTheyAreLaidOut) {
  TFormMj form;
  struct Case {
    const char* name;
    QWidget* widget;
    QRect geometry;
  } cases[] = {
      {"Image1", form.Image1, {0, 0, 553, 57}},
      {"LabelTitreEtape", form.LabelTitreEtape, {0, 64, 561, 20}},
      {"LabelLigne1", form.LabelLigne1, {0, 112, 553, 13}},
      {"LabelLigne2", form.LabelLigne2, {0, 144, 553, 13}},
      {"ImageConnectAppareilaPC", form.ImageConnectAppareilaPC, {24, 136, 362, 193}},
      {"LabelLigne3", form.LabelLigne3, {0, 176, 561, 13}},
      {"LabelLigne4", form.LabelLigne4, {0, 208, 553, 13}},
      {"LabelLigne5", form.LabelLigne5, {0, 240, 553, 13}},
      {"LabelBarreProgression", form.LabelBarreProgression, {0, 288, 553, 17}},
      {"ProgressBarProgrammation", form.ProgressBarProgrammation, {8, 312, 545, 33}},
      {"ButtonAPropos", form.ButtonAPropos, {162, 356, 75, 25}},
      {"ButtonQuitter", form.ButtonQuitter, {274, 356, 75, 25}},
      // Laid out at x 394, where it overlapped Next by three pixels.
      {"ButtonPrecedant", form.ButtonPrecedant, {386, 356, 75, 25}},
      {"ButtonSuivant", form.ButtonSuivant, {466, 356, 75, 25}},
      {"EditEtape", form.EditEtape, {-1, 358, 140, 21}},
  };
  for (const Case& c : cases) EXPECT_EQ(c.widget->geometry(), c.geometry) << c.name;
  EXPECT_EQ(form.size(), QSize(558, 403));
  EXPECT_EQ(form.minimumSize(), form.maximumSize());  // the user cannot resize it
  EXPECT_FALSE(form.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(form.windowFlags() & Qt::WindowMinMaxButtonsHint);
  EXPECT_FALSE(form.windowFlags() & Qt::WindowSystemMenuHint);

  EXPECT_EQ(form.font().pixelSize(), 11);
  EXPECT_TRUE(form.LabelTitreEtape->font().bold());
  EXPECT_EQ(form.LabelTitreEtape->font().pixelSize(), 16);
  EXPECT_TRUE(form.EditEtape->isReadOnly());
  EXPECT_TRUE(form.EditEtape->font().bold());
  EXPECT_EQ(form.EditEtape->focusPolicy(), Qt::NoFocus);
  EXPECT_EQ(form.ButtonQuitter->toolTip().toStdString(), "permet de quitter la mise à jours");
  EXPECT_FALSE(form.ProgressBarProgrammation->isVisibleTo(&form));
  EXPECT_EQ(form.ProgressBarProgrammation->maximum(), 100);
  EXPECT_FALSE(form.ImageConnectAppareilaPC->hasScaledContents());
  EXPECT_EQ(form.ImageConnectAppareilaPC->pixmap().size(), QSize(362, 193));

  // Tab order: Quit, Previous, Next, (the step indicator is skipped), bar, About, list.
  std::vector<QWidget*> tabOrder;
  QWidget* w = form.ButtonQuitter;
  do {
    if (w->focusPolicy() & Qt::TabFocus) tabOrder.push_back(w);
    w = w->nextInFocusChain();
  } while (w != form.ButtonQuitter);
  EXPECT_EQ(tabOrder, (std::vector<QWidget*>{form.ButtonQuitter, form.ButtonPrecedant,
                                             form.ButtonSuivant, form.ProgressBarProgrammation,
                                             form.ButtonAPropos, form.ListBoxSelectLangPort}));
}

TEST_F(WizardWindow, FieldsStartAsTheConstructorSetsThem) {
  TFormMj form;
  EXPECT_EQ(form.WizardStep, 1);
  EXPECT_EQ(form.Language, 0);
  EXPECT_EQ(form.ConnectImageWidth, 362);
  EXPECT_EQ(form.PortIndex, 0);
  EXPECT_EQ(form.CheckStage, 0u);
  EXPECT_EQ(form.RecordIndex, 0);
  EXPECT_EQ(form.PortList->Count(), 2);  // the constructor's refresh
  EXPECT_EQ(form.PreferredPort, "COM33 (ttyUSB0) : TALVIRE");
  EXPECT_TRUE(form.TimerGestionSerie->Enabled());
  EXPECT_EQ(form.TimerGestionSerie->Interval(), 1000);
  EXPECT_STREQ(form.Link.PortName(), "\\\\.\\COM2");
  EXPECT_EQ(form.ListBoxSelectLangPort->selectionMode(), QAbstractItemView::SingleSelection);
}

TEST_F(WizardWindow, WindowManagerCloseIsQuitExceptWhileTheDeviceIsWorkedOn) {
  TFormMj form;
  form.show();
  while (form.WizardStep < 8) form.NextStep();
  form.TimerGestionSerie->SetEnabled(false);
  EXPECT_FALSE(form.close());  // Alt+F4 on step 8: refused
  EXPECT_TRUE(form.isVisible());
  form.NextStep();
  form.TimerGestionSerie->SetEnabled(false);
  EXPECT_FALSE(form.close());  // and on step 9
  form.NextStep();
  EXPECT_TRUE(form.close());  // step 10: Quit is enabled again
}

// The user cannot leave the port list without a selection, whatever they click: Next on step 5
// would otherwise do nothing at all.
TEST_F(WizardWindow, UserCannotEmptyTheSelectionOfTheList) {
  TFormMj form;
  form.show();
  while (form.WizardStep < 5) form.NextStep();
  QListWidget* list = form.ListBoxSelectLangPort;
  ASSERT_EQ(list->count(), 2);
  QWidget* viewport = list->viewport();
  const QPoint first = list->visualItemRect(list->item(0)).center();
  const QPoint empty(first.x(), list->visualItemRect(list->item(1)).bottom() + 20);
  QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, first);
  ASSERT_EQ(list->selectedItems().size(), 1);
  EXPECT_EQ(list->selectedItems()[0]->text().toStdString(), "COM1 (ttyS0)");
  EXPECT_EQ(form.PortIndex, 0);
  QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, empty);
  EXPECT_EQ(list->selectedItems().size(), 1) << "a click in the empty part";
  QTest::mouseClick(viewport, Qt::LeftButton, Qt::ControlModifier, first);
  EXPECT_EQ(list->selectedItems().size(), 1) << "Ctrl+click on the selected entry";
  QTest::keyClick(list, Qt::Key_Space, Qt::ControlModifier);
  EXPECT_EQ(list->selectedItems().size(), 1) << "Ctrl+Space on the selected entry";
  form.ButtonSuivantClick();
  EXPECT_EQ(form.WizardStep, 6);
}

// Return presses the focused button, as on the desktop the wizard was made for; Space still does.
TEST_F(WizardWindow, ReturnPressesTheFocusedButton) {
  TFormMj form;
  form.show();
  QTest::keyClick(form.ButtonSuivant, Qt::Key_Return);
  EXPECT_EQ(form.WizardStep, 2);
  QTest::keyClick(form.ButtonSuivant, Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(form.WizardStep, 3);
  QTest::keyClick(form.ButtonPrecedant, Qt::Key_Return);
  EXPECT_EQ(form.WizardStep, 2);
  QTest::keyClick(form.ButtonSuivant, Qt::Key_Space);
  EXPECT_EQ(form.WizardStep, 3);
  EXPECT_FALSE(form.ButtonSuivant->autoDefault()) << "drawn as before";
  EXPECT_FALSE(form.ButtonSuivant->isDefault());
}

TEST_F(WizardWindow, QuitClosesTheWindow) {
  TFormMj form;
  form.show();
  form.ButtonQuitterClick();
  EXPECT_FALSE(form.isVisible());
}

TEST_F(WizardWindow, AboutDialogFollowsTheWizardLanguageButNotItsContactLines) {
  TFormMj form;
  TFormAPropos about;
  form.SetAboutDialog(&about);
  std::vector<std::string> captions, buttons;
  auto openAndLook = [&] {
    QTimer::singleShot(0, [&] {
      captions.push_back(about.windowTitle().toStdString());
      buttons.push_back(about.ButtonOk->text().toStdString());
      EXPECT_EQ(about.LabelTelephone->text().left(6).toStdString(), "Tél : ");
      EXPECT_EQ(about.LabelTelecopie->text().left(13).toStdString(), "Télécopie  : ");
      EXPECT_EQ(about.LabelMel->text().left(6).toStdString(), "Mèl : ");
      EXPECT_EQ(about.LabelNomSite->text().left(7).toStdString(), "Site : ");
      about.ButtonOkClick();
    });
    form.ButtonAProposClick();
  };
  openAndLook();
  form.ListBoxSelectLangPort->setCurrentRow(1);  // English
  openAndLook();
  openAndLook();
  form.ListBoxSelectLangPort->setCurrentRow(0);
  openAndLook();
  EXPECT_EQ(captions, (std::vector<std::string>{"A propos de la mise à jour", "About update",
                                                "About update", "A propos de la mise à jour"}));
  EXPECT_EQ(buttons, std::vector<std::string>(4, "&Ok"));
  EXPECT_TRUE(about.ButtonOk->isDefault());
  EXPECT_EQ(about.size(), QSize(441, 221));
}

// Stands in for the desktop's browser and mail program.
class UrlCatcher : public QObject {
  Q_OBJECT
 public:
  std::vector<QUrl> urls;
 public slots:
  void Open(const QUrl& url) { urls.push_back(url); }
};

TEST_F(WizardWindow, AboutLinksGoToTheDesktopsBrowserAndMailProgram) {
  UrlCatcher catcher;
  for (const char* scheme : {"https", "mailto"})
    QDesktopServices::setUrlHandler(scheme, &catcher, "Open");
  TFormAPropos about;
  auto click = [](QLabel* label) {
    QMouseEvent press(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(label, &press);
  };
  click(about.LabelNomSite);
  click(about.LabelMel);
  for (const char* scheme : {"https", "mailto"}) QDesktopServices::unsetUrlHandler(scheme);
  ASSERT_EQ(catcher.urls.size(), 2u);
  EXPECT_EQ(catcher.urls[0].toString().toStdString(), "https://www.talvire.example/");
  // The mail program gets the address itself, not a blank (%20) in front of it.
  EXPECT_EQ(catcher.urls[1].toString(QUrl::FullyEncoded).toStdString(),
            "mailto:support@talvire.example");
}

}  // namespace

#include "wizard_window_test.moc"
