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

#include "support/QtHarness.h"
#include "support/WizardEnv.h"
#include "ui/qt/Boiteapropos.h"
#include "ui/qt/WizardWindow.h"

namespace {

class WizardWindowTest : public ::testing::Test {
 protected:
  WizardWindowTest() { testsupport::QtApp(); }
  testsupport::WizardEnv env_;
  testsupport::DialogRecorder dialogs_;
};

TEST_F(WizardWindowTest, ComponentsStandWhereTheyAreLaidOut) {
  ui::qt::WizardWindow window;
  auto& q = window;
  struct Case {
    const char* name;
    QWidget* widget;
    QRect geometry;
  } cases[] = {
      {"Image1", q.Picture(wizard::layout::Image1), {0, 0, 553, 57}},
      {"LabelTitreEtape", q.Label(wizard::layout::LabelTitreEtape), {0, 64, 561, 20}},
      {"LabelLigne1", q.Label(wizard::layout::LabelLigne1), {0, 112, 553, 13}},
      {"LabelLigne2", q.Label(wizard::layout::LabelLigne2), {0, 144, 553, 13}},
      {"ImageConnectAppareilaPC",
       q.Picture(wizard::layout::ImageConnectAppareilaPC),
       {24, 136, 362, 193}},
      {"LabelLigne3", q.Label(wizard::layout::LabelLigne3), {0, 176, 561, 13}},
      {"LabelLigne4", q.Label(wizard::layout::LabelLigne4), {0, 208, 553, 13}},
      {"LabelLigne5", q.Label(wizard::layout::LabelLigne5), {0, 240, 553, 13}},
      {"LabelBarreProgression", q.Label(wizard::layout::LabelBarreProgression), {0, 288, 553, 17}},
      {"ProgressBarProgrammation",
       q.ProgressBar(wizard::layout::ProgressBarProgrammation),
       {8, 312, 545, 33}},
      {"ButtonAPropos", q.Button(wizard::layout::ButtonAPropos), {162, 356, 75, 25}},
      {"ButtonQuitter", q.Button(wizard::layout::ButtonQuitter), {274, 356, 75, 25}},
      // Laid out at x 394, where it overlapped Next by three pixels.
      {"ButtonPrecedant", q.Button(wizard::layout::ButtonPrecedant), {386, 356, 75, 25}},
      {"ButtonSuivant", q.Button(wizard::layout::ButtonSuivant), {466, 356, 75, 25}},
      {"EditEtape", q.EditBox(wizard::layout::EditEtape), {-1, 358, 140, 21}},
  };
  for (const Case& c : cases) EXPECT_EQ(c.widget->geometry(), c.geometry) << c.name;
  EXPECT_EQ(window.size(), QSize(558, 403));
  EXPECT_EQ(window.minimumSize(), window.maximumSize());  // the user cannot resize it
  EXPECT_FALSE(window.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(window.windowFlags() & Qt::WindowMinMaxButtonsHint);
  EXPECT_FALSE(window.windowFlags() & Qt::WindowSystemMenuHint);

  EXPECT_EQ(window.font().pixelSize(), 11);
  EXPECT_TRUE(q.Label(wizard::layout::LabelTitreEtape)->font().bold());
  EXPECT_EQ(q.Label(wizard::layout::LabelTitreEtape)->font().pixelSize(), 16);
  EXPECT_TRUE(q.EditBox(wizard::layout::EditEtape)->isReadOnly());
  EXPECT_TRUE(q.EditBox(wizard::layout::EditEtape)->font().bold());
  EXPECT_EQ(q.EditBox(wizard::layout::EditEtape)->focusPolicy(), Qt::NoFocus);
  EXPECT_EQ(q.Button(wizard::layout::ButtonQuitter)->toolTip().toStdString(),
            "permet de quitter la mise à jours");
  EXPECT_FALSE(q.ProgressBar(wizard::layout::ProgressBarProgrammation)->isVisibleTo(&window));
  EXPECT_EQ(q.ProgressBar(wizard::layout::ProgressBarProgrammation)->maximum(), 100);
  EXPECT_FALSE(q.Picture(wizard::layout::ImageConnectAppareilaPC)->hasScaledContents());
  EXPECT_EQ(q.Picture(wizard::layout::ImageConnectAppareilaPC)->pixmap().size(), QSize(362, 193));

  // Tab order: Quit, Previous, Next, (the step indicator is skipped), bar, About, list.
  std::vector<QWidget*> tabOrder;
  QWidget* w = q.Button(wizard::layout::ButtonQuitter);
  do {
    if (w->focusPolicy() & Qt::TabFocus) tabOrder.push_back(w);
    w = w->nextInFocusChain();
  } while (w != q.Button(wizard::layout::ButtonQuitter));
  EXPECT_EQ(tabOrder,
            (std::vector<QWidget*>{q.Button(wizard::layout::ButtonQuitter),
                                   q.Button(wizard::layout::ButtonPrecedant),
                                   q.Button(wizard::layout::ButtonSuivant),
                                   q.ProgressBar(wizard::layout::ProgressBarProgrammation),
                                   q.Button(wizard::layout::ButtonAPropos),
                                   q.ListBox(wizard::layout::ListBoxSelectLangPort)}));
}

TEST_F(WizardWindowTest, FieldsStartAsTheConstructorSetsThem) {
  ui::qt::WizardWindow window;
  TFormMj& form = window.Form();
  auto& q = window;
  EXPECT_EQ(form.WizardStep, 1);
  EXPECT_EQ(form.Language, 0);
  EXPECT_EQ(form.ConnectImageWidth, 362);
  EXPECT_EQ(form.PortIndex, 0);
  EXPECT_EQ(form.UpdateSession.CheckStage, 0u);
  EXPECT_EQ(form.UpdateSession.RecordIndex, 0);
  EXPECT_EQ(form.PortList->Count(), 2);  // the constructor's refresh
  EXPECT_EQ(form.PreferredPort, "COM33 (ttyUSB0) : TALVIRE");
  EXPECT_TRUE(form.TimerGestionSerie->Enabled());
  EXPECT_EQ(form.TimerGestionSerie->Interval(), 1000);
  EXPECT_STREQ(form.Link.PortName(), "\\\\.\\COM2");
  EXPECT_EQ(q.ListBox(wizard::layout::ListBoxSelectLangPort)->selectionMode(),
            QAbstractItemView::SingleSelection);
}

TEST_F(WizardWindowTest, WindowManagerCloseIsQuitExceptWhileTheDeviceIsWorkedOn) {
  ui::qt::WizardWindow window;
  TFormMj& form = window.Form();
  window.show();
  while (form.WizardStep < 8) form.NextStep();
  form.TimerGestionSerie->SetEnabled(false);
  EXPECT_FALSE(window.close());  // Alt+F4 on step 8: refused
  EXPECT_TRUE(window.isVisible());
  form.NextStep();
  form.TimerGestionSerie->SetEnabled(false);
  EXPECT_FALSE(window.close());  // and on step 9
  form.NextStep();
  EXPECT_TRUE(window.close());  // step 10: Quit is enabled again
}

// The user cannot leave the port list without a selection, whatever they click: Next on step 5
// would otherwise do nothing at all.
TEST_F(WizardWindowTest, UserCannotEmptyTheSelectionOfTheList) {
  ui::qt::WizardWindow window;
  TFormMj& form = window.Form();
  auto& q = window;
  window.show();
  while (form.WizardStep < 5) form.NextStep();
  QListWidget* list = q.ListBox(wizard::layout::ListBoxSelectLangPort);
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
TEST_F(WizardWindowTest, ReturnPressesTheFocusedButton) {
  ui::qt::WizardWindow window;
  TFormMj& form = window.Form();
  auto& q = window;
  window.show();
  QTest::keyClick(q.Button(wizard::layout::ButtonSuivant), Qt::Key_Return);
  EXPECT_EQ(form.WizardStep, 2);
  QTest::keyClick(q.Button(wizard::layout::ButtonSuivant), Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(form.WizardStep, 3);
  QTest::keyClick(q.Button(wizard::layout::ButtonPrecedant), Qt::Key_Return);
  EXPECT_EQ(form.WizardStep, 2);
  QTest::keyClick(q.Button(wizard::layout::ButtonSuivant), Qt::Key_Space);
  EXPECT_EQ(form.WizardStep, 3);
  EXPECT_FALSE(q.Button(wizard::layout::ButtonSuivant)->autoDefault()) << "drawn as before";
  EXPECT_FALSE(q.Button(wizard::layout::ButtonSuivant)->isDefault());
}

TEST_F(WizardWindowTest, QuitClosesTheWindow) {
  ui::qt::WizardWindow window;
  TFormMj& form = window.Form();
  window.show();
  form.ButtonQuitterClick();
  EXPECT_FALSE(window.isVisible());
}

TEST_F(WizardWindowTest, AboutDialogFollowsTheWizardLanguageButNotItsContactLines) {
  ui::qt::WizardWindow window;
  TFormMj& form = window.Form();
  auto& q = window;
  TFormAPropos about;
  window.SetAboutDialog(&about);
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
  q.ListBox(wizard::layout::ListBoxSelectLangPort)->setCurrentRow(1);  // English
  openAndLook();
  openAndLook();
  q.ListBox(wizard::layout::ListBoxSelectLangPort)->setCurrentRow(0);
  openAndLook();
  EXPECT_EQ(captions, (std::vector<std::string>{"A propos de la mise à jour", "About update",
                                                "About update", "A propos de la mise à jour"}));
  EXPECT_EQ(buttons, std::vector<std::string>(4, "&Ok"));
  EXPECT_TRUE(about.ButtonOk->isDefault());
  EXPECT_EQ(about.size(), QSize(441, 221));
}

// Where steps 1 and 5 put the list, with the window's real font: right of the prompt on step 1,
// centred under line 2 on step 5, wide enough for the bridge's entry.
TEST_F(WizardWindowTest, ListStandsWhereTheStepsPutItAndShowsTheBridgeWhole) {
  ui::qt::WizardWindow window;
  TFormMj& form = window.Form();
  auto& q = window;
  const int prompt = QFontMetrics(q.Label(wizard::layout::LabelLigne3)->font())
                         .horizontalAdvance(q.Label(wizard::layout::LabelLigne3)->text());
  EXPECT_EQ(q.ListBox(wizard::layout::ListBoxSelectLangPort)->geometry(),
            QRect(prompt + 10, 174, 181, 104));
  while (form.WizardStep < 5) form.NextStep();
  QListWidget* list = q.ListBox(wizard::layout::ListBoxSelectLangPort);
  EXPECT_EQ(list->geometry(), QRect(192, 170, 181, 104));
  const QString bridge = QStringLiteral("COM33 (ttyUSB0) : TALVIRE");
  ASSERT_EQ(list->currentItem()->text(), bridge);
  const int text = QFontMetrics(list->font()).horizontalAdvance(bridge);
  EXPECT_LT(text + 4, list->width() - 2 * list->frameWidth());
  EXPECT_LE(list->geometry().right(), window.width());
}

// The step set-ups select entries with the list's signals blocked: only the user's own choice
// reaches the click handler.
TEST_F(WizardWindowTest, SelectingByProgramDoesNotRunTheClickHandler) {
  ui::qt::WizardWindow window;
  TFormMj& form = window.Form();
  form.PortIndex = 99;
  while (form.WizardStep < 5) form.NextStep();  // pre-selects the bridge
  EXPECT_EQ(form.PortIndex, 99);
  window.ListBox(wizard::layout::ListBoxSelectLangPort)->setCurrentRow(0);  // the user picks COM1
  EXPECT_EQ(form.PortIndex, 0);
}

// Stands in for the desktop's browser and mail program.
class UrlCatcher : public QObject {
  Q_OBJECT
 public:
  std::vector<QUrl> urls;
 public slots:
  void Open(const QUrl& url) { urls.push_back(url); }
};

TEST_F(WizardWindowTest, AboutLinksGoToTheDesktopsBrowserAndMailProgram) {
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
