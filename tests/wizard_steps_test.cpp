// Walks the wizard along several paths and checks, after each move, what the user sees. A step
// set-up touches only its own properties, so several rows check what a step keeps from the path
// that reached it.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <functional>
#include <map>

#include "app/PeriodicTimer.h"
#include "app/Tformmj.h"
#include "support/WizardHarness.h"

namespace {

using State = std::map<std::string, std::string>;

std::string Str(const QString& s) { return s.toStdString(); }

std::string LabelState(const QLabel* label) {
  return label->isVisibleTo(label->parentWidget()) ? Str(label->text()) : "<hidden>";
}

std::string StyleOf(const QLabel* label) {
  const QFont f = label->font();
  std::string style = f.bold() ? "bold" : f.italic() ? "italic" : "plain";
  if (f.bold() && f.italic()) style = "bold+italic";
  return style + " " + std::to_string(f.pixelSize()) + "px";
}

std::string AlignOf(const QLabel* label) {
  return (label->alignment() & Qt::AlignHCenter) ? "centre" : "left";
}

std::string ButtonState(const QPushButton* b) {
  std::string s = Str(b->text());
  if (!b->isEnabled()) s += " disabled";
  if (!b->isVisibleTo(b->parentWidget())) s += " hidden";
  return s;
}

// Everything a row of the table may look at, as text.
State Snapshot(TFormMj& f) {
  State s;
  s["step"] = std::to_string(f.WizardStep);
  s["indicator"] = Str(f.EditEtape->text());
  s["window"] = Str(f.windowTitle());
  s["title"] = Str(f.LabelTitreEtape->text());
  const QLabel* lines[] = {f.LabelLigne1, f.LabelLigne2, f.LabelLigne3, f.LabelLigne4,
                           f.LabelLigne5};
  for (int i = 0; i < 5; ++i) {
    const std::string key = "line" + std::to_string(i + 1);
    s[key] = LabelState(lines[i]);
    s[key + ".style"] = StyleOf(lines[i]);
    s[key + ".align"] = AlignOf(lines[i]);
  }
  s["remark"] = LabelState(f.LabelBarreProgression);
  s["remark.style"] = StyleOf(f.LabelBarreProgression);
  s["remark.align"] = AlignOf(f.LabelBarreProgression);
  s["quit"] = ButtonState(f.ButtonQuitter);
  s["previous"] = ButtonState(f.ButtonPrecedant);
  s["next"] = ButtonState(f.ButtonSuivant);
  s["about"] = ButtonState(f.ButtonAPropos);
  QListWidget* list = f.ListBoxSelectLangPort;
  std::string items;
  for (int i = 0; i < list->count(); ++i) items += (i ? "|" : "") + Str(list->item(i)->text());
  s["list"] = list->isVisibleTo(&f) ? items : "<hidden>";
  s["list.items"] = items;
  const QListWidgetItem* current = list->currentItem();
  s["list.selected"] = current && current->isSelected() ? Str(current->text()) : "";
  const QRect g = list->geometry();
  s["list.place"] = std::to_string(g.left()) + "," + std::to_string(g.top()) + " h" +
                    std::to_string(g.height());
  s["picture"] = f.ImageConnectAppareilaPC->isVisibleTo(&f)
                     ? std::to_string(f.ImageConnectAppareilaPC->width())
                     : "<hidden>";
  QProgressBar* bar = f.ProgressBarProgrammation;
  s["bar"] = bar->isVisibleTo(&f) ? "shown" : "hidden";
  s["bar.range"] = std::to_string(bar->value()) + "/" + std::to_string(bar->minimum()) + ".." +
                   std::to_string(bar->maximum());
  s["bar.look"] = f.ProgressBarSmooth() ? "smooth" : "segmented";
  s["timer"] = f.TimerGestionSerie->Enabled() ? std::to_string(f.TimerGestionSerie->Interval())
                                                : "off";
  s["portIndex"] = std::to_string(f.PortIndex);
  s["recordIndex"] = std::to_string(f.RecordIndex);
  s["checkStage"] = std::to_string(f.CheckStage);
  s["linkPort"] = f.Link.PortName();
  return s;
}

struct Row {
  const char* behaviour;
  std::function<void(TFormMj&)> move;
  State expected;
};

void Walk(TFormMj& form, const std::vector<Row>& rows) {
  for (const Row& row : rows) {
    if (row.move) row.move(form);
    const State actual = Snapshot(form);
    for (const auto& [key, value] : row.expected) {
      ASSERT_TRUE(actual.count(key)) << key;
      EXPECT_EQ(actual.at(key), value) << "row: " << row.behaviour << "\n  key: " << key;
    }
  }
}

const auto Next = [](TFormMj& f) { f.NextStep(); };
const auto Previous = [](TFormMj& f) { f.PreviousStep(); };
auto GoTo(int step) {
  return [step](TFormMj& f) {
    while (f.WizardStep < step) f.NextStep();
  };
}
// The user clicks an entry of the list box.
auto Click(int row) {
  return [row](TFormMj& f) { f.ListBoxSelectLangPort->setCurrentRow(row); };
}

const std::string kName = "Télécommande ORB42TLX";
const std::string kBridge = "COM33 (ttyUSB0) : TALVIRE";
const std::string kPorts = "COM1 (ttyS0)|" + kBridge;

class WizardSteps : public ::testing::Test {
 protected:
  WizardSteps() { testsupport::QtApp(); }
  testsupport::WizardEnv env_;
  testsupport::DialogRecorder dialogs_;
};

TEST_F(WizardSteps, StraightPathFromFirstToLastStepInFrench) {
  TFormMj form;
  const std::string window = "Mise à jour V1.5 de votre " + kName;
  Walk(form, {
    {"the window opens on step 1 in French with Français selected", nullptr,
     {{"indicator", "Etape n° 1 sur 10"}, {"window", window},
      {"title", "Mise à jour de votre " + kName + " "},
      {"line1", window}, {"line1.style", "bold 11px"}, {"line1.align", "centre"},
      {"line2", "Choix De la Langue"}, {"line2.align", "centre"},
      {"line3", "Selectionnez la langue de votre choix parmi la liste :"},
      {"line3.align", "left"}, {"line4", "<hidden>"}, {"line5", "<hidden>"},
      {"remark", "Cette mise à jour permet de bénéficier pleinement des dernières évolutions."},
      {"remark.style", "italic 13px"}, {"remark.align", "centre"},
      {"quit", "&Quitter"}, {"previous", "&Précédent disabled"}, {"next", "&Suivant"},
      {"about", "&A propos"}, {"list", "Français|English"}, {"list.selected", "Français"},
      {"picture", "<hidden>"}, {"bar", "hidden"}, {"timer", "1000"}}},
    {"the language list stands right of the prompt, from line 3's top", nullptr,
     {{"list.place", std::to_string(form.LabelLigne3->x() +
                                    QFontMetrics(form.LabelLigne3->font())
                                        .horizontalAdvance(form.LabelLigne3->text()) + 10) +
                         ",174 h104"}}},
    {"step 2 greets and keeps line 2 centred from step 1", Next,
     {{"indicator", "Etape n° 2 sur 10"}, {"title", "Mise à jour de votre " + kName},
      {"line1", window}, {"line2", "Bonjour,"}, {"line2.align", "centre"},
      {"line3", "Vous effectuez la dernière mise à jour en date sur votre " + kName + "."},
      {"line4", "Celle-ci optimise les performances de votre appareil."}, {"line5", "<hidden>"},
      {"remark.style", "italic 13px"}, {"previous", "&Précédent"}, {"list", "<hidden>"}}},
    {"step 3 shows only the left half of the picture", Next,
     {{"title", "Préparation de votre " + kName + " pour la mise à jour"},
      {"line1", "Connectez le cordon de connexion PC sur votre " + kName},
      {"line1.style", "plain 11px"}, {"line1.align", "left"}, {"line2", "<hidden>"},
      {"remark", "<hidden>"}, {"remark.style", "plain 11px"}, {"picture", "181"}}},
    {"step 4 shows the whole picture", Next,
     {{"title", "Connexion de votre " + kName + " à l'ordinateur"},
      {"line1", "Connectez le cordon de connexion à votre ordinateur"}, {"picture", "362"},
      {"next", "&Suivant"}, {"quit", "&Quitter"}}},
    {"step 5 lists the ports with the bridge pre-selected, line 2 still centred", Next,
     {{"title", "Choix du port de communication"}, {"line1", "<hidden>"},
      {"line2", "Sélectionnez le port série connecté"}, {"line2.style", "plain 11px"},
      {"line2.align", "centre"}, {"picture", "<hidden>"}, {"list", kPorts},
      {"list.selected", kBridge}, {"list.place", "192,170 h104"}, {"timer", "1000"},
      {"portIndex", "0"}}},
    {"step 6 asks to connect; line 1 is plain on the first visit", Next,
     {{"title", "Vérification et lancement de la mise à jour."}, {"next", "&Connexion"},
      {"line1", "Vérifiez que votre " + kName + " est bien connecté à l'ordinateur."},
      {"line1.style", "plain 11px"},
      {"line2", "Après avoir cliqué sur <Connexion> vous pouvez mettre en marche votre " +
                    kName + "."},
      {"line2.align", "left"}, {"line3", "<hidden>"},
      {"line4", "Cliquez sur <Connexion> et mettez en marche votre " + kName + "."},
      {"list", "<hidden>"}, {"timer", "1000"}}},
    {"step 7 calls the chosen port, neither bar nor remark on show", Next,
     {{"title", "Attente de la Connexion"}, {"line1", "Mettez en marche votre " + kName},
      {"line1.style", "bold 11px"}, {"line2", "<hidden>"}, {"line4", "<hidden>"},
      {"previous", "&Annuler"}, {"next", "&Connexion disabled"}, {"bar", "hidden"},
      {"bar.range", "0/0..20"}, {"bar.look", "segmented"}, {"remark", "<hidden>"},
      {"timer", "2250"}, {"portIndex", "32"}, {"linkPort", "\\\\.\\COM33"},
      {"recordIndex", "0"}}},
    {"step 8 locks Quit and hides Previous while the device is checked", Next,
     {{"title", "Vérification de l'appareil"}, {"line1", "<hidden>"},
      {"line1.style", "plain 11px"}, {"quit", "&Quitter disabled"},
      {"previous", "&Annuler hidden"}, {"next", "&Connexion disabled"}, {"timer", "200"},
      {"checkStage", "0"}}},
    {"step 9 shows the progress in step 3's plain left style", Next,
     {{"title", "Programmation de votre " + kName},
      {"remark", "Avancement de la mise à jour : 0.0 %"}, {"remark.style", "plain 11px"},
      {"remark.align", "left"}, {"line5", "Transmission du programme à votre " + kName},
      {"bar", "shown"}, {"bar.look", "smooth"}, {"timer", "100"}}},
    {"step 10 asks for another device, the timer left running", Next,
     {{"title", "Mise à jour réussie"}, {"next", "&Connexion disabled hidden"}, {"quit", "&Non"},
      {"previous", "&Oui"},
      {"remark", "Voulez vous faire la mise à jour sur un autre appareil de ce type?"},
      {"bar", "hidden"}, {"line1", "<hidden>"}, {"line5", "<hidden>"}, {"timer", "100"}}},
    {"Yes on step 10 returns to step 4 with the captions restored", Previous,
     {{"step", "4"}, {"indicator", "Etape n° 4 sur 10"}, {"quit", "&Quitter"},
      {"previous", "&Précédent"}, {"next", "&Suivant"}, {"picture", "362"},
      {"remark", "<hidden>"}}},
  });
}

TEST_F(WizardSteps, BackwardsFromStep6KeepsWhatStep6Changed) {
  TFormMj form;
  Walk(form, {
    {"back on step 5 the prompt is left-aligned and the timer restarts", [](TFormMj& f) {
       GoTo(6)(f);
       f.TimerGestionSerie->SetEnabled(false);
       f.PreviousStep();
     },
     {{"step", "5"}, {"line2", "Sélectionnez le port série connecté"}, {"line2.align", "left"},
      {"list.selected", kBridge}, {"timer", "1000"}}},
    {"back on step 2 the greeting is left-aligned too", [](TFormMj& f) {
       for (int i = 0; i < 3; ++i) f.PreviousStep();
     },
     {{"step", "2"}, {"line2", "Bonjour,"}, {"line2.align", "left"}, {"line1.align", "centre"},
      {"line1.style", "bold 11px"}}},
    {"back on step 1 Previous is disabled again", Previous,
     {{"step", "1"}, {"previous", "&Précédent disabled"}, {"list.selected", "Français"}}},
  });
}

TEST_F(WizardSteps, CancelOnStep7AndConnectAgain) {
  TFormMj form;
  Walk(form, {
    {"Cancel leaves step 7 for step 6 with line 1 bold and the timer at 2250 ms",
     [](TFormMj& f) {
       GoTo(7)(f);
       f.ProgressBarProgrammation->setValue(7);
       f.RecordIndex = 5;
       f.PreviousStep();
     },
     {{"step", "6"}, {"line1.style", "bold 11px"}, {"next", "&Connexion"},
      {"previous", "&Précédent"}, {"timer", "2250"}}},
    {"another port chosen on step 6's way back is the one called", [](TFormMj& f) {
       f.PreviousStep();
       f.ListBoxSelectLangPort->setCurrentRow(0);  // the user picks COM1
       f.NextStep();
       f.NextStep();
     },
     {{"step", "7"}, {"bar.range", "0/0..20"}, {"recordIndex", "0"}, {"portIndex", "0"},
      {"linkPort", "\\\\.\\COM1"}}},
  });
}

TEST_F(WizardSteps, FailureOutcomeReturnsToStep4WithTheBarStillShown) {
  TFormMj form;
  Walk(form, {
    {"an outcome on step 9 lands on step 4 and the bar stays", [](TFormMj& f) {
       GoTo(9)(f);
       f.TimerGestionSerie->SetEnabled(false);
       f.WizardStep = 5;
       f.PreviousStep();
     },
     {{"step", "4"}, {"bar", "shown"}, {"timer", "off"}, {"picture", "362"},
      {"quit", "&Quitter"}, {"previous", "&Précédent"}, {"next", "&Suivant"}}},
    {"step 5 hides the bar and runs the timer again", Next,
     {{"step", "5"}, {"bar", "hidden"}, {"timer", "1000"}}},
  });
}

TEST_F(WizardSteps, LanguageChosenOnStep1) {
  TFormMj form;
  const std::string window = "Update V1.5 of " + kName;
  Walk(form, {
    {"clicking English redisplays step 1 in English at once", Click(1),
     {{"window", window}, {"title", "Update foreword the " + kName + " "},
      {"indicator", "Step n° 1 of 10"}, {"line2", "Choice Of Language"},
      {"line3", "Select your language of choice among the list :"},
      {"quit", "E&xit"}, {"previous", "&Before disabled"}, {"next", "&Next"},
      {"about", "&About"}, {"list.selected", "English"}}},
    {"the English step 5 and the port chosen by the user", [](TFormMj& f) {
       GoTo(5)(f);
       Click(0)(f);
     },
     {{"line2", "Select serial port"}, {"list.selected", "COM1 (ttyS0)"}, {"portIndex", "0"},
      {"window", window}}},
    {"Next on step 5 with nothing selected stays on step 5", [](TFormMj& f) {
       f.ListBoxSelectLangPort->setCurrentRow(-1);
       f.NextStep();
     },
     {{"step", "5"}, {"indicator", "Step n° 5 of 10"}, {"list", kPorts}}},
    {"the English captions of steps 6 and 7", [](TFormMj& f) {
       Click(1)(f);
       f.NextStep();
       f.NextStep();
     },
     {{"step", "7"}, {"previous", "&Cancel"}, {"next", "&Connection disabled"},
      {"line1", "Turn on your " + kName}}},
  });
  // Clicking the language already chosen changes nothing.
  TFormMj other;
  Click(0)(other);
  EXPECT_EQ(other.Language, 0);
  EXPECT_EQ(Str(other.windowTitle()), "Mise à jour V1.5 de votre " + kName);
}

TEST_F(WizardSteps, WithoutAnySerialPortThePlaceholderIsListedOnlyTheSecondTime) {
  env_.Sysfs().Remove("ttyS0");
  env_.Sysfs().Remove("ttyUSB0");
  TFormMj form;
  Walk(form, {
    {"first visit: an empty list", GoTo(5), {{"step", "5"}, {"list", ""}}},
    {"second visit: the placeholder, which can be chosen", [](TFormMj& f) {
       f.PreviousStep();
       f.NextStep();
       Click(0)(f);
       f.NextStep();
     },
     {{"step", "6"}, {"list.items", "Pas de port serie"}, {"portIndex", "-1"}}},
  });
}

TEST_F(WizardSteps, SelectingByProgramDoesNotRunTheClickHandler) {
  TFormMj form;
  form.PortIndex = 99;
  GoTo(5)(form);  // pre-selects the bridge
  EXPECT_EQ(form.PortIndex, 99);
  EXPECT_EQ(Snapshot(form)["list.selected"], kBridge);
  Click(0)(form);
  EXPECT_EQ(form.PortIndex, 0);
}

TEST_F(WizardSteps, BridgeEntryFitsTheListWithoutBeingCut) {
  TFormMj form;
  GoTo(5)(form);
  QListWidget* list = form.ListBoxSelectLangPort;
  const int text = QFontMetrics(list->font()).horizontalAdvance(QString::fromStdString(kBridge));
  EXPECT_LT(text + 4, list->width() - 2 * list->frameWidth());
  EXPECT_LE(list->geometry().right(), form.width());
}

}  // namespace
