// The outcome dialogs: the exact text in each language, the kind and buttons, and where each
// answer leads.
#include <gtest/gtest.h>

#include <memory>

#include "support/WizardEnv.h"
#include "ui/memory/MemoryWizard.h"
#include "wizard/WizardMessages.h"

namespace {

using ui::memory::MemoryWizard;
using wizard::DialogAnswer;
using wizard::DialogButtons;
using wizard::DialogKind;
using wizard::DialogRequest;

const std::string N = "Télécommande ORB42TLX";
const std::string kAnother =
    "\n\nVoulez vous faire la mise à jour sur un autre appareil de ce type?";

struct Outcome {
  const char* behaviour;
  int message;
  std::intptr_t wParam;
  std::uint32_t major, minor;  // the version read on the device
  DialogKind kind;
  DialogButtons buttons;
  std::string french, english;
};

const Outcome kOutcomes[] = {
    {"transmission failure", WM_LINK_FAILED, 100002, 0, 0, DialogKind::Error, DialogButtons::YesNo,
     "Un Problème de transmission s'est produit.\n\nPour essayer une nouvelle fois, vous devez "
     "d'abord : \n   Déconnecter puis reconnecter la pile et faire une nouvelle tentative.\n\n"
     "Voulez vous essayer de nouveau?",
     "Transmission failure is happenned.\n\nFor trying again, first you must power off then "
     "power on the deviceWould you try again?"},
    {"connection failure", WM_CONNECT_FAILED, 0, 0, 0, DialogKind::Error, DialogButtons::Ok,
     "Echec à la connexion :\n   - Soit votre " + N +
         " n'a pas été connecté à l'ordinateur.\n"
         "  - Soit votre " +
         N +
         " n'a pas été mis en marche. \n  - Soit la port série sélectionné "
         "ne correspond pas au port connecté.\n\n  Dans ce dernier cas, sélectionner un autre port "
         "série dans la liste.\n",
     "Connect failled :\n\r  - Check the connection of the cordon.\n  - Check, if " + N +
         " povered on.\n  - Check if the  selected serial port is corresponding to the connected "
         "serial port.\n  In that last case, select another serial port in the list.\n"},
    {"wrong identity", WM_DEVICE_REFUSED, RefusedIdentity, 0, 0, DialogKind::Error,
     DialogButtons::YesNo, "L'appareil n'est pas un(e) " + N + "." + kAnother,
     "The device is  not a " + N + " for this update.\n\nDo you want updating another " + N + "?"},
    {"invalid serial number", WM_DEVICE_REFUSED, RefusedSerialNumber, 0, 0, DialogKind::Error,
     DialogButtons::YesNo,
     "Le numéro de série de votre " + N +
         " n'est pas valide.\n\nContacteez notre service "
         "technique (tél. : 01 99 00 12 40." +
         kAnother,
     "Invalid serial number.\n\n\r Contact our technical support on support@talvire.example."
     "\n\n\rDo you want updating another " +
         N + "?"},
    {"already at version 1.5", WM_DEVICE_REFUSED, RefusedVersion, 1, 5, DialogKind::Information,
     DialogButtons::YesNo, "Votre " + N + " a déjà cette mise à jour." + kAnother,
     "Update already installed\n\rDo you want updating another " + N + "?"},
    {"more recent version 1.6", WM_DEVICE_REFUSED, RefusedVersion, 1, 6, DialogKind::Information,
     DialogButtons::YesNo, "Votre " + N + " a une mise à jour plus récente." + kAnother,
     "Your " + N + " has a more recently installed.Do you want updating another " + N + "?"},
    {"more recent version 2.0", WM_DEVICE_REFUSED, RefusedVersion, 2, 0, DialogKind::Information,
     DialogButtons::YesNo, "Votre " + N + " a une mise à jour plus récente." + kAnother,
     "Your " + N + " has a more recently installed.Do you want updating another " + N + "?"},
    {"wrong device type", WM_DEVICE_REFUSED, RefusedDeviceType, 0, 0, DialogKind::Error,
     DialogButtons::YesNo,
     "La mise à jour n'est pas pour cette version de votre " + N + "." + kAnother,
     "This version of is not for this device.Do you want updating another " + N + "?"},
};

class UpdateOutcomes : public ::testing::Test {
 protected:
  // The wizard as a phase on step 8 leaves it: timer off, message posted.
  std::unique_ptr<MemoryWizard> WizardAfterPhase(const Outcome& o, LanguageIndex language) {
    auto ui = std::make_unique<MemoryWizard>();
    TFormMj& form = ui->Form();
    form.SetLanguage(language);
    while (form.WizardStep < 8) form.NextStep();
    form.TimerGestionSerie->SetEnabled(false);
    form.VersionMajor = o.major;
    form.VersionMinor = o.minor;
    ui->PostMessage(o.message, o.wParam);
    return ui;
  }

  testsupport::WizardEnv env_;
};

TEST_F(UpdateOutcomes, EachOutcomeShowsItsTextInEitherLanguageWithEnglishTitleAndButtons) {
  for (const Outcome& o : kOutcomes) {
    for (LanguageIndex language : {0, 1}) {
      SCOPED_TRACE(std::string(o.behaviour) + (language ? " (English)" : " (French)"));
      auto ui = WizardAfterPhase(o, language);
      ui->Answer(DialogAnswer::Yes);
      ui->DeliverMessages();
      ASSERT_EQ(ui->Dialogs().size(), 1u);  // exactly one dialog
      const DialogRequest& d = ui->Dialogs()[0];
      EXPECT_EQ(d.text, language ? o.english : o.french);
      EXPECT_EQ(d.kind, o.kind);
      EXPECT_EQ(d.buttons, o.buttons);
      EXPECT_TRUE(d.caption.empty());  // the kind's own English title
      EXPECT_STREQ(wizard::DialogTitle(d), o.kind == DialogKind::Error ? "Error" : "Information");
      // Yes (or OK) leads back to step 4 with the timer off.
      TFormMj& form = ui->Form();
      EXPECT_EQ(form.WizardStep, 4);
      EXPECT_EQ(ui->EditBox(wizard::layout::EditEtape).Text(),
                language ? "Step n° 4 of 10" : "Etape n° 4 sur 10");
      EXPECT_FALSE(form.TimerGestionSerie->Enabled());
      EXPECT_FALSE(ui->Closed());
      EXPECT_EQ(form.Language, language);
    }
  }
}

TEST_F(UpdateOutcomes, AnythingButYesEndsTheProgram) {
  for (const Outcome& o : kOutcomes) {
    if (o.buttons != DialogButtons::YesNo) continue;
    for (DialogAnswer answer : {DialogAnswer::No, DialogAnswer::Dismissed}) {
      SCOPED_TRACE(o.behaviour);
      auto ui = WizardAfterPhase(o, 0);
      ui->Answer(answer);
      ui->DeliverMessages();
      EXPECT_TRUE(ui->Closed());
    }
  }
}

TEST_F(UpdateOutcomes, StepDoneMovesOnAndAnUnknownRefusalOnlyClosesTheLink) {
  MemoryWizard ui;
  TFormMj& form = ui.Form();
  while (form.WizardStep < 7) form.NextStep();
  ui.PostMessage(WM_STEP_DONE, 0);
  ui.DeliverMessages();
  EXPECT_EQ(form.WizardStep, 8);
  ui.PostMessage(WM_DEVICE_REFUSED, 9);
  ui.DeliverMessages();
  EXPECT_EQ(form.WizardStep, 8);
  EXPECT_TRUE(ui.Dialogs().empty());
  EXPECT_FALSE(form.HandleMessage(WM_USER + 2, 0)) << "not one of the four";
}

}  // namespace
