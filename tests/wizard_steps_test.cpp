// Walks the wizard along several paths and checks, after each move, what the user sees. A step
// set-up touches only its own properties, so several rows check what a step keeps from the path
// that reached it.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "support/SimWizard.h"
#include "support/WizardEnv.h"
#include "ui/memory/MemoryWizard.h"
#include "wizard/Tformmj.h"

namespace {

using State = std::map<std::string, std::string>;
using ui::memory::MemoryButton;
using ui::memory::MemoryLabel;
using ui::memory::MemoryWizard;

std::string LabelState(const MemoryLabel& label) {
  return label.Visible() ? label.Text() : "<hidden>";
}

std::string StyleOf(const MemoryLabel& label) {
  const char* style = label.Style() == wizard::FontStyle::Bold     ? "bold"
                      : label.Style() == wizard::FontStyle::Italic ? "italic"
                                                                   : "plain";
  return std::string(style) + " " + std::to_string(label.Pixels()) + "px";
}

std::string AlignOf(const MemoryLabel& label) {
  return label.Alignment() == wizard::Alignment::Centre ? "centre" : "left";
}

std::string ButtonState(const MemoryButton& b) {
  std::string s = b.Text();
  if (!b.IsEnabled()) s += " disabled";
  if (!b.Visible()) s += " hidden";
  return s;
}

// Everything a row of the table may look at, as text.
State Snapshot(MemoryWizard& ui) {
  TFormMj& f = ui.Form();
  State s;
  s["step"] = std::to_string(f.WizardStep);
  s["indicator"] = ui.EditBox(wizard::layout::EditEtape).Text();
  s["window"] = ui.Title();
  s["title"] = ui.Label(wizard::layout::LabelTitreEtape).Text();
  const MemoryLabel* lines[] = {
      &ui.Label(wizard::layout::LabelLigne1), &ui.Label(wizard::layout::LabelLigne2),
      &ui.Label(wizard::layout::LabelLigne3), &ui.Label(wizard::layout::LabelLigne4),
      &ui.Label(wizard::layout::LabelLigne5)};
  for (int i = 0; i < 5; ++i) {
    const std::string key = "line" + std::to_string(i + 1);
    s[key] = LabelState(*lines[i]);
    s[key + ".style"] = StyleOf(*lines[i]);
    s[key + ".align"] = AlignOf(*lines[i]);
  }
  s["remark"] = LabelState(ui.Label(wizard::layout::LabelBarreProgression));
  s["remark.style"] = StyleOf(ui.Label(wizard::layout::LabelBarreProgression));
  s["remark.align"] = AlignOf(ui.Label(wizard::layout::LabelBarreProgression));
  s["quit"] = ButtonState(ui.Button(wizard::layout::ButtonQuitter));
  s["previous"] = ButtonState(ui.Button(wizard::layout::ButtonPrecedant));
  s["next"] = ButtonState(ui.Button(wizard::layout::ButtonSuivant));
  s["about"] = ButtonState(ui.Button(wizard::layout::ButtonAPropos));
  const auto& list = ui.ListBox(wizard::layout::ListBoxSelectLangPort);
  std::string items;
  for (std::size_t i = 0; i < list.Items().size(); ++i) items += (i ? "|" : "") + list.Items()[i];
  s["list"] = list.Visible() ? items : "<hidden>";
  s["list.items"] = items;
  s["list.selected"] = list.ItemText(list.SelectedIndex());
  s["list.sorted"] = list.Sorted() ? "sorted" : "unsorted";
  const wizard::Rect g = list.Geometry();
  s["list.place"] =
      std::to_string(g.left) + "," + std::to_string(g.top) + " h" + std::to_string(g.height);
  s["picture"] = ui.Picture(wizard::layout::ImageConnectAppareilaPC).Visible()
                     ? std::to_string(ui.Picture(wizard::layout::ImageConnectAppareilaPC).Width())
                     : "<hidden>";
  const auto& bar = ui.ProgressBar(wizard::layout::ProgressBarProgrammation);
  s["bar"] = bar.Visible() ? "shown" : "hidden";
  s["bar.range"] = std::to_string(bar.Position()) + "/" + std::to_string(bar.Minimum()) + ".." +
                   std::to_string(bar.Maximum());
  s["bar.look"] = bar.Smooth() ? "smooth" : "segmented";
  s["timer"] =
      f.TimerGestionSerie->Enabled() ? std::to_string(f.TimerGestionSerie->Interval()) : "off";
  s["portIndex"] = std::to_string(f.PortIndex);
  s["recordIndex"] = std::to_string(f.UpdateSession.RecordIndex);
  s["checkStage"] = std::to_string(f.UpdateSession.CheckStage);
  s["linkPort"] = f.Link.PortName();
  return s;
}

struct Row {
  const char* behaviour;
  std::function<void(MemoryWizard&)> move;
  State expected;
};

void Walk(MemoryWizard& ui, const std::vector<Row>& rows) {
  for (const Row& row : rows) {
    if (row.move) row.move(ui);
    const State actual = Snapshot(ui);
    for (const auto& [key, value] : row.expected) {
      ASSERT_TRUE(actual.count(key)) << key;
      EXPECT_EQ(actual.at(key), value) << "row: " << row.behaviour << "\n  key: " << key;
    }
  }
}

const auto Next = [](MemoryWizard& ui) { ui.Form().NextStep(); };
const auto Previous = [](MemoryWizard& ui) { ui.Form().PreviousStep(); };
auto GoTo(int step) {
  return [step](MemoryWizard& ui) {
    while (ui.Form().WizardStep < step) ui.Form().NextStep();
  };
}
// The user clicks an entry of the list box.
auto Click(int row) {
  return [row](MemoryWizard& ui) { ui.Pick(row); };
}

const std::string kName = "Télécommande ORB42TLX";
const std::string kBridge = "COM33 (ttyUSB0) : TALVIRE";
const std::string kPorts = "COM1 (ttyS0)|" + kBridge;

class WizardSteps : public ::testing::Test {
 protected:
  testsupport::WizardEnv env_;
};

TEST_F(WizardSteps, StraightPathFromFirstToLastStepInFrench) {
  MemoryWizard ui;
  const std::string window = "Mise à jour V1.5 de votre " + kName;
  // clang-format off
  Walk(ui, {
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
    // The prompt's 54 characters at the memory front end's 6 pixels each, then 10 pixels.
    {"the language list stands right of the prompt, from line 3's top", nullptr,
     {{"list.place", "334,174 h104"}, {"list.sorted", "unsorted"}}},
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
      {"list.selected", kBridge}, {"list.place", "192,170 h104"}, {"list.sorted", "sorted"},
      {"timer", "1000"},
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
  // clang-format on
}

TEST_F(WizardSteps, BackwardsFromStep6KeepsWhatStep6Changed) {
  MemoryWizard ui;
  // clang-format off
  Walk(ui, {
    {"back on step 5 the prompt is left-aligned and the timer restarts", [](MemoryWizard& ui) {
       TFormMj& f = ui.Form();
       GoTo(6)(ui);
       f.TimerGestionSerie->SetEnabled(false);
       f.PreviousStep();
     },
     {{"step", "5"}, {"line2", "Sélectionnez le port série connecté"}, {"line2.align", "left"},
      {"list.selected", kBridge}, {"timer", "1000"}}},
    {"back on step 2 the greeting is left-aligned too", [](MemoryWizard& ui) {
       TFormMj& f = ui.Form();
       for (int i = 0; i < 3; ++i) f.PreviousStep();
     },
     {{"step", "2"}, {"line2", "Bonjour,"}, {"line2.align", "left"}, {"line1.align", "centre"},
      {"line1.style", "bold 11px"}}},
    {"back on step 1 Previous is disabled again", Previous,
     {{"step", "1"}, {"previous", "&Précédent disabled"}, {"list.selected", "Français"}}},
  });
  // clang-format on
}

TEST_F(WizardSteps, CancelOnStep7AndConnectAgain) {
  MemoryWizard ui;
  // clang-format off
  Walk(ui, {
    {"Cancel leaves step 7 for step 6 with line 1 bold and the timer at 2250 ms",
     [](MemoryWizard& ui) {
       TFormMj& f = ui.Form();
       GoTo(7)(ui);
       f.ProgressBarProgrammation->SetPosition(7);
       f.UpdateSession.RecordIndex = 5;
       f.PreviousStep();
     },
     {{"step", "6"}, {"line1.style", "bold 11px"}, {"next", "&Connexion"},
      {"previous", "&Précédent"}, {"timer", "2250"}}},
    {"another port chosen on step 6's way back is the one called", [](MemoryWizard& ui) {
       TFormMj& f = ui.Form();
       f.PreviousStep();
       ui.Pick(0);  // the user picks COM1
       f.NextStep();
       f.NextStep();
     },
     {{"step", "7"}, {"bar.range", "0/0..20"}, {"recordIndex", "0"}, {"portIndex", "0"},
      {"linkPort", "\\\\.\\COM1"}}},
  });
  // clang-format on
}

TEST_F(WizardSteps, FailureOutcomeReturnsToStep4WithTheBarStillShown) {
  MemoryWizard ui;
  // clang-format off
  Walk(ui, {
    {"an outcome on step 9 lands on step 4 and the bar stays", [](MemoryWizard& ui) {
       TFormMj& f = ui.Form();
       GoTo(9)(ui);
       f.TimerGestionSerie->SetEnabled(false);
       f.WizardStep = 5;
       f.PreviousStep();
     },
     {{"step", "4"}, {"bar", "shown"}, {"timer", "off"}, {"picture", "362"},
      {"quit", "&Quitter"}, {"previous", "&Précédent"}, {"next", "&Suivant"}}},
    {"step 5 hides the bar and runs the timer again", Next,
     {{"step", "5"}, {"bar", "hidden"}, {"timer", "1000"}}},
  });
  // clang-format on
}

TEST_F(WizardSteps, LanguageChosenOnStep1) {
  MemoryWizard ui;
  const std::string window = "Update V1.5 of " + kName;
  // clang-format off
  Walk(ui, {
    {"clicking English redisplays step 1 in English at once", Click(1),
     {{"window", window}, {"title", "Update foreword the " + kName + " "},
      {"indicator", "Step n° 1 of 10"}, {"line2", "Choice Of Language"},
      {"line3", "Select your language of choice among the list :"},
      {"quit", "E&xit"}, {"previous", "&Before disabled"}, {"next", "&Next"},
      {"about", "&About"}, {"list.selected", "English"}}},
    {"the English step 5 and the port chosen by the user", [](MemoryWizard& ui) {
       GoTo(5)(ui);
       Click(0)(ui);
     },
     {{"line2", "Select serial port"}, {"list.selected", "COM1 (ttyS0)"}, {"portIndex", "0"},
      {"window", window}}},
    // The user cannot empty the selection; a refresh that drops the selected port can.
    {"Next on step 5 with nothing selected stays on step 5", [](MemoryWizard& ui) {
       TFormMj& f = ui.Form();
       f.ListBoxSelectLangPort->SetSelectedIndex(-1);
       f.NextStep();
     },
     {{"step", "5"}, {"indicator", "Step n° 5 of 10"}, {"list", kPorts}}},
    {"the English captions of steps 6 and 7", [](MemoryWizard& ui) {
       TFormMj& f = ui.Form();
       Click(1)(ui);
       f.NextStep();
       f.NextStep();
     },
     {{"step", "7"}, {"previous", "&Cancel"}, {"next", "&Connection disabled"},
      {"line1", "Turn on your " + kName}}},
  });
  // clang-format on
  // Clicking the language already chosen changes nothing.
  MemoryWizard other;
  Click(0)(other);
  EXPECT_EQ(other.Form().Language, 0);
  EXPECT_EQ(other.Title(), "Mise à jour V1.5 de votre " + kName);
}

TEST_F(WizardSteps, WithoutAnySerialPortThePlaceholderIsListedOnlyTheSecondTime) {
  env_.Sysfs().Remove("ttyS0");
  env_.Sysfs().Remove("ttyUSB0");
  MemoryWizard ui;
  // clang-format off
  Walk(ui, {
    {"first visit: an empty list", GoTo(5), {{"step", "5"}, {"list", ""}}},
    {"second visit: the placeholder, which can be chosen", [](MemoryWizard& ui) {
       TFormMj& f = ui.Form();
       f.PreviousStep();
       f.NextStep();
       Click(0)(ui);
       f.NextStep();
     },
     {{"step", "6"}, {"list.items", "Pas de port serie"}, {"portIndex", "-1"}}},
  });
  // clang-format on
}

// Step 4 reached again against the simulator: after a refused serial number on step 8, after a
// transmission failure on step 9 (Yes to the outcome dialog) and after Yes on step 10. Whatever
// the step before had on show, step 4 shows its own title and line only, in the language in
// force; the bar keeps what the step before left it.
TEST(WizardStepsBackOnStep4, OnlyStep4sOwnLinesShowWhateverStepLedBack) {
  struct Path {
    const char* behaviour;
    sim::Options options;
    int left;         // the step the wizard leaves for step 4
    const char* bar;  // step 4 leaves the bar as it was
  };
  sim::Options refusedSerial;
  refusedSerial.device.serialNumber = 299999999;
  sim::Options hangUp;
  hangUp.faults = {{sim::FaultKind::HangUp, sim::FaultTarget::ProgramWord, 3}};
  hangUp.hangUpDownMs = 200;
  const Path paths[] = {
      {"a serial number refused on step 8", refusedSerial, 8, "hidden"},
      {"a transmission failure on step 9", hangUp, 9, "shown"},
      {"Yes for another device on step 10", {}, 10, "hidden"},
  };
  // clang-format off
  const State seen[] = {
      {{"indicator", "Etape n° 4 sur 10"}, {"window", "Mise à jour V1.5 de votre " + kName},
       {"title", "Connexion de votre " + kName + " à l'ordinateur"},
       {"line1", "Connectez le cordon de connexion à votre ordinateur"},
       {"quit", "&Quitter"}, {"previous", "&Précédent"}, {"next", "&Suivant"},
       {"about", "&A propos"}},
      {{"indicator", "Step n° 4 of 10"}, {"window", "Update V1.5 of " + kName},
       {"title", "Connection of " + kName + " with the PC"},
       {"line1", "To connect the serial cable to computer"}, {"quit", "E&xit"},
       {"previous", "&Before"}, {"next", "&Next"}, {"about", "&About"}},
  };
  // clang-format on
  for (LanguageIndex language : {0, 1}) {
    for (const Path& path : paths) {
      SCOPED_TRACE(std::string(path.behaviour) + (language ? " (English)" : " (French)"));
      testsupport::SimWizard w(path.options);
      TFormMj& f = w.Form();
      f.SetLanguage(language);
      w.Ui().Answer(wizard::DialogAnswer::Yes);
      w.GoToStep7();
      int left = 7;
      w.TickUntil([&] {
        left = std::max(left, f.WizardStep);
        return f.WizardStep == 4;
      });
      ASSERT_EQ(left, path.left);
      if (path.left == 10) f.PreviousStep();  // the user's Yes on step 10
      ASSERT_EQ(f.WizardStep, 4);
      State expected = seen[language];
      for (const char* hidden : {"line2", "line3", "line4", "line5", "remark", "list"})
        expected[hidden] = "<hidden>";
      expected["picture"] = "362";
      expected["bar"] = path.bar;
      Walk(w.Ui(), {{path.behaviour, nullptr, expected}});
    }
  }
}

}  // namespace
