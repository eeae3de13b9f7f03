// The outcome dialogs: the exact text in each language, the kind and buttons, and where each
// answer leads.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "app/PeriodicTimer.h"
#include "app/Tformmj.h"
#include "app/WizardMessages.h"
#include "support/WizardHarness.h"

namespace {

const std::string N = "Télécommande ORB42TLX";
const std::string kAnother = "\n\nVoulez vous faire la mise à jour sur un autre appareil de ce type?";

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
    {"transmission failure", WM_LINK_FAILED, 100002, 0, 0, DialogKind::Error,
     DialogButtons::YesNo,
     "Un Problème de transmission s'est produit.\n\nPour essayer une nouvelle fois, vous devez "
     "d'abord : \n   Déconnecter puis reconnecter la pile et faire une nouvelle tentative.\n\n"
     "Voulez vous essayer de nouveau?",
     "Transmission failure is happenned.\n\nFor trying again, first you must power off then "
     "power on the deviceWould you try again?"},
    {"connection failure", WM_CONNECT_FAILED, 0, 0, 0, DialogKind::Error, DialogButtons::Ok,
     "Echec à la connexion :\n   - Soit votre " + N + " n'a pas été connecté à l'ordinateur.\n"
     "  - Soit votre " + N + " n'a pas été mis en marche. \n  - Soit la port série sélectionné "
     "ne correspond pas au port connecté.\n\n  Dans ce dernier cas, sélectionner un autre port "
     "série dans la liste.\n",
     "Connect failled :\n\r  - Check the connection of the cordon.\n  - Check, if " + N +
     " povered on.\n  - Check if the  selected serial port is corresponding to the connected "
     "serial port.\n  In that last case, select another serial port in the list.\n"},
    {"wrong identity", WM_DEVICE_REFUSED, RefusedIdentity, 0, 0, DialogKind::Error,
     DialogButtons::YesNo, "L'appareil n'est pas un(e) " + N + "." + kAnother,
     "The device is  not a " + N + " for this update.\n\nDo you want updating another " + N +
         "?"},
    {"invalid serial number", WM_DEVICE_REFUSED, RefusedSerialNumber, 0, 0, DialogKind::Error,
     DialogButtons::YesNo,
     "Le numéro de série de votre " + N + " n'est pas valide.\n\nContacteez notre service "
     "technique (tél. : 01 99 00 12 40." + kAnother,
     "Invalid serial number.\n\n\r Contact our technical support on support@talvire.example."
     "\n\n\rDo you want updating another " + N + "?"},
    {"already at version 1.5", WM_DEVICE_REFUSED, RefusedVersion, 1, 5, DialogKind::Information,
     DialogButtons::YesNo, "Votre " + N + " a déjà cette mise à jour." + kAnother,
     "Update already installed\n\rDo you want updating another " + N + "?"},
    {"more recent version 1.6", WM_DEVICE_REFUSED, RefusedVersion, 1, 6,
     DialogKind::Information, DialogButtons::YesNo,
     "Votre " + N + " a une mise à jour plus récente." + kAnother,
     "Your " + N + " has a more recently installed.Do you want updating another " + N + "?"},
    {"more recent version 2.0", WM_DEVICE_REFUSED, RefusedVersion, 2, 0,
     DialogKind::Information, DialogButtons::YesNo,
     "Votre " + N + " a une mise à jour plus récente." + kAnother,
     "Your " + N + " has a more recently installed.Do you want updating another " + N + "?"},
    {"wrong device type", WM_DEVICE_REFUSED, RefusedDeviceType, 0, 0, DialogKind::Error,
     DialogButtons::YesNo,
     "La mise à jour n'est pas pour cette version de votre " + N + "." + kAnother,
     "This version of is not for this device.Do you want updating another " + N + "?"},
};

class UpdateOutcomes : public ::testing::Test {
 protected:
  UpdateOutcomes() { testsupport::QtApp(); }

  // The wizard as a phase on step 8 leaves it: timer off, message posted.
  std::unique_ptr<TFormMj> WizardAfterPhase(const Outcome& o, LanguageIndex language) {
    auto form = std::make_unique<TFormMj>();
    form->SetLanguage(language);
    form->show();
    while (form->WizardStep < 8) form->NextStep();
    form->TimerGestionSerie->SetEnabled(false);
    form->VersionMajor = o.major;
    form->VersionMinor = o.minor;
    QCoreApplication::postEvent(form.get(), new WizardMessage(o.message, o.wParam));
    return form;
  }

  testsupport::WizardEnv env_;
  testsupport::DialogRecorder dialogs_;
};

TEST_F(UpdateOutcomes, EachOutcomeShowsItsTextInEitherLanguageWithEnglishTitleAndButtons) {
  for (const Outcome& o : kOutcomes) {
    for (LanguageIndex language : {0, 1}) {
      SCOPED_TRACE(std::string(o.behaviour) + (language ? " (English)" : " (French)"));
      dialogs_.Clear();
      auto form = WizardAfterPhase(o, language);
      dialogs_.Answer(DialogAnswer::Yes);
      QCoreApplication::sendPostedEvents();
      ASSERT_EQ(dialogs_.Shown().size(), 1u);  // exactly one dialog
      const DialogRequest& d = dialogs_.Shown()[0];
      EXPECT_EQ(d.text.toStdString(), language ? o.english : o.french);
      EXPECT_EQ(d.kind, o.kind);
      EXPECT_EQ(d.buttons, o.buttons);
      EXPECT_TRUE(d.caption.isEmpty());  // the kind's own English title
      // Yes (or OK) leads back to step 4 with the timer off.
      EXPECT_EQ(form->WizardStep, 4);
      EXPECT_FALSE(form->TimerGestionSerie->Enabled());
      EXPECT_TRUE(form->isVisible());
      EXPECT_EQ(form->Language, language);
    }
  }
}

TEST_F(UpdateOutcomes, AnythingButYesEndsTheProgram) {
  for (const Outcome& o : kOutcomes) {
    if (o.buttons != DialogButtons::YesNo) continue;
    for (DialogAnswer answer : {DialogAnswer::No, DialogAnswer::Dismissed}) {
      SCOPED_TRACE(o.behaviour);
      auto form = WizardAfterPhase(o, 0);
      dialogs_.Answer(answer);
      QCoreApplication::sendPostedEvents();
      EXPECT_FALSE(form->isVisible());
    }
  }
}

TEST_F(UpdateOutcomes, StepDoneMovesOnAndAnUnknownRefusalOnlyClosesTheLink) {
  TFormMj form;
  while (form.WizardStep < 7) form.NextStep();
  QCoreApplication::postEvent(&form, new WizardMessage(WM_STEP_DONE, 0));
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(form.WizardStep, 8);
  QCoreApplication::postEvent(&form, new WizardMessage(WM_DEVICE_REFUSED, 9));
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(form.WizardStep, 8);
  EXPECT_TRUE(dialogs_.Shown().empty());
}

}  // namespace
