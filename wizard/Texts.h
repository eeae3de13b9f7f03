#pragma once
// Every text the wizard and its About dialog show, as French/English pairs chosen by the
// language in force. All texts are UTF-8 (a front end converts them for its toolkit); they keep
// their wording exactly as the program has always shown it, odd spellings, double blanks and
// trailing blanks included, so do not "fix" them.
//
// Texts with placeholders are printf formats, filled by wizard::FormatText. Next to each one,
// <Name>Args lists the arguments its caller passes, in order; each language uses them from the
// left (one language may use fewer, never more: a conversion without its argument would show
// nothing where the value belongs). Every %s
// receives the device name, CP03::DeviceName(), in both languages. Texts without an Args
// constant are shown as they are and hold no '%'. tests/texts_test.cpp checks all of this.
#include <array>
#include <cstddef>
#include <cstdint>

using LanguageIndex = std::int32_t;  // 0 French, 1 English

struct TextPair {
  const char* fr;
  const char* en;
  constexpr const char* Get(LanguageIndex l) const { return l == 1 ? en : fr; }
};

namespace txt::detail {
// Joins string literals at compile time, so that texts made of a fixed part and a maker's
// detail are still constants with static storage.
template <std::size_t... N>
constexpr std::array<char, (N + ...) - sizeof...(N) + 1> Join(const char (&... parts)[N]) {
  std::array<char, (N + ...) - sizeof...(N) + 1> out{};
  std::size_t at = 0;
  auto append = [&](const char* part, std::size_t size) {
    for (std::size_t i = 0; i + 1 < size; ++i) out[at++] = part[i];
  };
  (append(parts, N), ...);
  return out;
}
}  // namespace txt::detail

// The maker of the remote control, as the About dialog and the refusal dialogs show it.
// Fictitious contacts: the web and mail addresses lie in a domain reserved for examples.
namespace maker {
inline constexpr char Name[] = "TALVIRE";
inline constexpr char Street[] = "Z.A. des Essais, 12 rue de l'Exemple";
inline constexpr char PostalCodeTown[] = "99999 Exempleville";
inline constexpr char CountryFr[] = "France";
inline constexpr char CountryEn[] = "France";
inline constexpr char Telephone[] = "01 99 00 12 34";
inline constexpr char Fax[] = "01 99 00 12 35";
inline constexpr char WebAddress[] = "https://www.talvire.example/";
inline constexpr char Email[] = "support@talvire.example";
// Given in the serial-number refusal: French users are asked to call, English users to write.
inline constexpr char SupportPhone[] = "01 99 00 12 40";
inline constexpr const char (&SupportMail)[sizeof Email] = Email;
}  // namespace maker

namespace txt {

// ---- Step 1: the language list, in LanguageIndex order ------------------------------------
inline constexpr const char* const LanguageNames[2] = {"Français", "English"};

// ---- Every step ---------------------------------------------------------------------------
// EditEtape: the step on show and the number of steps.
inline constexpr TextPair StepIndicator{"Etape n° %i sur %i", "Step n° %i of %i"};
inline constexpr const char* StepIndicatorArgs = "%i%i";

// The window's title, set by steps 1 and 2, which also show it as line 1: the major and minor
// number of the version this program installs, then the device name.
inline constexpr TextPair WindowTitle{"Mise à jour V%i.%i de votre %s", "Update V%i.%i of %s"};
inline constexpr const char* WindowTitleArgs = "%i%i%s";

// Button captions.
inline constexpr TextPair CaptionQuit{"&Quitter", "E&xit"};
inline constexpr TextPair CaptionPrevious{"&Précédent", "&Before"};
inline constexpr TextPair CaptionNext{"&Suivant", "&Next"};
inline constexpr TextPair CaptionAbout{"&A propos", "&About"};
inline constexpr TextPair CaptionConnect{"&Connexion", "&Connection"};  // Next on step 6
inline constexpr TextPair CaptionCancel{"&Annuler", "&Cancel"};         // Previous on step 7
inline constexpr TextPair CaptionNo{"&Non", "&No"};                     // Quit on step 10
inline constexpr TextPair CaptionYes{"&Oui", "&Yes"};                   // Previous on step 10

// ButtonQuitter's tooltip: French in both languages.
inline constexpr TextPair QuitTooltip{"permet de quitter la mise à jours",
                                      "permet de quitter la mise à jours"};

// ---- Step 1: choice of language -----------------------------------------------------------
inline constexpr TextPair Step1Title{"Mise à jour de votre %s ", "Update foreword the %s "};
inline constexpr const char* Step1TitleArgs = "%s";
inline constexpr TextPair Step1Line2{"Choix De la Langue", "Choice Of Language"};
inline constexpr TextPair Step1Line3{"Selectionnez la langue de votre choix parmi la liste :",
                                     "Select your language of choice among the list :"};
// LabelBarreProgression on steps 1 and 2.
inline constexpr TextPair Remark{
    "Cette mise à jour permet de bénéficier pleinement des dernières évolutions.",
    "This update allows you to take full advantage of recent developments."};

// ---- Step 2: introduction -----------------------------------------------------------------
inline constexpr TextPair Step2Title{"Mise à jour de votre %s", "Update of %s "};
inline constexpr const char* Step2TitleArgs = "%s";
inline constexpr TextPair Step2Line2{"Bonjour,", "Hello"};
inline constexpr TextPair Step2Line3{"Vous effectuez la dernière mise à jour en date sur votre %s.",
                                     "You are doing the last update of your %s."};
inline constexpr const char* Step2Line3Args = "%s";
inline constexpr TextPair Step2Line4{"Celle-ci optimise les performances de votre appareil.",
                                     "It improves the performance of your device."};

// ---- Step 3: cable on the device ----------------------------------------------------------
inline constexpr TextPair Step3Title{"Préparation de votre %s pour la mise à jour",
                                     "Preparation of %s for the update"};
inline constexpr const char* Step3TitleArgs = "%s";
inline constexpr TextPair Step3Line1{"Connectez le cordon de connexion PC sur votre %s",
                                     "To connect the serial cable and the pile to %s"};
inline constexpr const char* Step3Line1Args = "%s";

// ---- Step 4: cable on the computer --------------------------------------------------------
inline constexpr TextPair Step4Title{"Connexion de votre %s à l'ordinateur",
                                     "Connection of %s with the PC"};
inline constexpr const char* Step4TitleArgs = "%s";
inline constexpr TextPair Step4Line1{"Connectez le cordon de connexion à votre ordinateur",
                                     "To connect the serial cable to computer"};

// ---- Step 5: choice of serial port --------------------------------------------------------
inline constexpr TextPair Step5Title{"Choix du port de communication",
                                     "Choice of the port of communication"};
inline constexpr TextPair Step5Line2{"Sélectionnez le port série connecté", "Select serial port"};
// Put in the port list when the system has no serial port at all.
inline constexpr TextPair NoSerialPort{"Pas de port serie", "No serial port"};

// ---- Step 6: ready to connect -------------------------------------------------------------
inline constexpr TextPair Step6Title{"Vérification et lancement de la mise à jour.",
                                     "Checking and launching of the update "};
inline constexpr TextPair Step6Line1{"Vérifiez que votre %s est bien connecté à l'ordinateur.",
                                     "Make sure your %s is connected to the computer."};
inline constexpr const char* Step6Line1Args = "%s";
inline constexpr TextPair Step6Line2{
    "Après avoir cliqué sur <Connexion> vous pouvez mettre en marche votre %s.",
    "After clicking <Connection>, you can turn on your %s."};
inline constexpr const char* Step6Line2Args = "%s";
inline constexpr TextPair Step6Line4{"Cliquez sur <Connexion> et mettez en marche votre %s.",
                                     "Click <Connection> and turn on your %s"};
inline constexpr const char* Step6Line4Args = "%s";

// ---- Step 7: waiting for the device -------------------------------------------------------
inline constexpr TextPair Step7Title{"Attente de la Connexion", "Waiting Connection"};
inline constexpr TextPair Step7Line1{"Mettez en marche votre %s", "Turn on your %s"};
inline constexpr const char* Step7Line1Args = "%s";
// LabelBarreProgression after each unanswered call (the label is hidden on step 7): the device
// name, then the seconds left, 30 - 1.5 x attempts.
inline constexpr TextPair Countdown{"Le temps restant pour allumer votre %s est de %.1f s",
                                    "The remaining time to turn your %s is %.1f s"};
inline constexpr const char* CountdownArgs = "%s%.1f";

// ---- Step 8: device checks, one line per passed check -------------------------------------
inline constexpr TextPair Step8Title{"Vérification de l'appareil", "Checking of the device"};
inline constexpr TextPair CheckDeviceModel{"Le type de l'appareil est le bon.",
                                           "Correct device model."};  // line 1
// Line 2: the serial number as an unsigned long, ten digits with leading zeros.
inline constexpr TextPair CheckSerialNumber{"Le numéro de série de l'appareil est le : %010lu",
                                            "Serial number of device is : %010lu"};
inline constexpr const char* CheckSerialNumberArgs = "%010lu";
inline constexpr TextPair CheckVersion{"", ""};  // line 3: a version that may be updated
inline constexpr TextPair CheckPreparing{"Préparation pour la transmission du programme",
                                         "Preparing to transmit the program."};  // line 4

// ---- Step 9: programming ------------------------------------------------------------------
inline constexpr TextPair Step9Title{"Programmation de votre %s", "Programming of %s"};
inline constexpr const char* Step9TitleArgs = "%s";
// Line 5; the English text has no device name.
inline constexpr TextPair Step9Line5{"Transmission du programme à votre %s", "Update in progess"};
inline constexpr const char* Step9Line5Args = "%s";
// LabelBarreProgression: the share of records sent, in percent, as a double.
inline constexpr TextPair Progress{"Avancement de la mise à jour : %.1f %%",
                                   "Update progression : %.1f %%"};
inline constexpr const char* ProgressArgs = "%.1f";

// ---- Step 10: success ---------------------------------------------------------------------
inline constexpr TextPair Step10Title{"Mise à jour réussie", "Reussi Programming"};
inline constexpr TextPair Step10Remark{
    "Voulez vous faire la mise à jour sur un autre appareil de ce type?",
    "Do you want update another same device?"};

// ---- Outcome dialogs ----------------------------------------------------------------------
// The two languages of a dialog may hold a different number of %s: pass the device name as
// many times as its Args say.

// A transmission failure on step 8 or 9 (Yes/No). Shown as it is, not formatted.
inline constexpr TextPair DlgLinkFailed{
    "Un Problème de transmission s'est produit.\n\nPour essayer une nouvelle fois, vous devez "
    "d'abord : \n   Déconnecter puis reconnecter la pile et faire une nouvelle tentative.\n\n"
    "Voulez vous essayer de nouveau?",
    "Transmission failure is happenned.\n\nFor trying again, first you must power off then "
    "power on the deviceWould you try again?"};

// The loader never answered on step 7 (OK only).
inline constexpr TextPair DlgConnectFailed{
    "Echec à la connexion :\n   - Soit votre %s n'a pas été connecté à l'ordinateur.\n  - Soit "
    "votre %s n'a pas été mis en marche. \n  - Soit la port série sélectionné ne correspond pas "
    "au port connecté.\n\n  Dans ce dernier cas, sélectionner un autre port série dans la "
    "liste.\n",
    "Connect failled :\n\r  - Check the connection of the cordon.\n  - Check, if %s povered "
    "on.\n  - Check if the  selected serial port is corresponding to the connected serial "
    "port.\n  In that last case, select another serial port in the list.\n"};
inline constexpr const char* DlgConnectFailedArgs = "%s%s";

// Refusals (Yes/No), by refusal reason.
// 0: the loader is not the expected one.
inline constexpr TextPair DlgRefusedIdentity{
    "L'appareil n'est pas un(e) %s.\n\nVoulez vous faire la mise à jour sur un autre appareil "
    "de ce type?",
    "The device is  not a %s for this update.\n\nDo you want updating another %s?"};
inline constexpr const char* DlgRefusedIdentityArgs = "%s%s";

// 1: serial number out of range. The text is built around the support contact: the telephone
// for French users, the e-mail address for English users. Show DlgRefusedSerial, the whole.
namespace detail {
inline constexpr char kSerialBeforeFr[] =
    "Le numéro de série de votre %s n'est pas valide.\n\nContacteez notre service technique "
    "(tél. : ";
inline constexpr char kSerialBeforeEn[] =
    "Invalid serial number.\n\n\r Contact our technical support on ";
inline constexpr char kSerialAfterFr[] =
    ".\n\nVoulez vous faire la mise à jour sur un autre appareil de ce type?";
inline constexpr char kSerialAfterEn[] = ".\n\n\rDo you want updating another %s?";
inline constexpr auto kSerialFr = Join(kSerialBeforeFr, maker::SupportPhone, kSerialAfterFr);
inline constexpr auto kSerialEn = Join(kSerialBeforeEn, maker::SupportMail, kSerialAfterEn);
}  // namespace detail
inline constexpr TextPair DlgRefusedSerialBefore{detail::kSerialBeforeFr, detail::kSerialBeforeEn};
inline constexpr TextPair DlgRefusedSerialAfter{detail::kSerialAfterFr, detail::kSerialAfterEn};
inline constexpr TextPair DlgRefusedSerial{detail::kSerialFr.data(), detail::kSerialEn.data()};
inline constexpr const char* DlgRefusedSerialArgs = "%s";

// 2: the version read is not older than 1.5; exactly 1.5 gets the first text (information).
inline constexpr TextPair DlgAlreadyInstalled{
    "Votre %s a déjà cette mise à jour.\n\nVoulez vous faire la mise à jour sur un autre "
    "appareil de ce type?",
    "Update already installed\n\rDo you want updating another %s?"};
inline constexpr const char* DlgAlreadyInstalledArgs = "%s";
inline constexpr TextPair DlgMoreRecent{
    "Votre %s a une mise à jour plus récente.\n\nVoulez vous faire la mise à jour sur un autre "
    "appareil de ce type?",
    "Your %s has a more recently installed.Do you want updating another %s?"};
inline constexpr const char* DlgMoreRecentArgs = "%s%s";

// 3: wrong device type.
inline constexpr TextPair DlgRefusedDeviceType{
    "La mise à jour n'est pas pour cette version de votre %s.\n\nVoulez vous faire la mise à "
    "jour sur un autre appareil de ce type?",
    "This version of is not for this device.Do you want updating another %s?"};
inline constexpr const char* DlgRefusedDeviceTypeArgs = "%s";

// ---- About dialog -------------------------------------------------------------------------
inline constexpr TextPair AboutCaption{"A propos de la mise à jour", "About update"};
inline constexpr TextPair AboutOk{"&Ok", "&Ok"};

}  // namespace txt

// The About dialog's contact lines, set once from the French member and never changed with the
// language, and the targets that a click on the web-site and e-mail lines hands to the system
// (the mail link has always carried a blank after "mailto:").
namespace maker {
namespace detail {
inline constexpr auto kTelephoneLine = txt::detail::Join("Tél : ", Telephone);
inline constexpr auto kFaxLine = txt::detail::Join("Télécopie  : ", Fax);
inline constexpr auto kWebLine = txt::detail::Join("Site : ", WebAddress);
inline constexpr auto kMailLine = txt::detail::Join("Mèl : ", Email);
inline constexpr auto kMailLink = txt::detail::Join("mailto: ", Email);
}  // namespace detail
inline constexpr TextPair AddressLine{Street, Street};
inline constexpr TextPair TownLine{PostalCodeTown, PostalCodeTown};
inline constexpr TextPair Country{CountryFr, CountryEn};
inline constexpr TextPair TelephoneLine{detail::kTelephoneLine.data(),
                                        detail::kTelephoneLine.data()};
inline constexpr TextPair FaxLine{detail::kFaxLine.data(), detail::kFaxLine.data()};
inline constexpr TextPair WebLine{detail::kWebLine.data(), detail::kWebLine.data()};
inline constexpr TextPair MailLine{detail::kMailLine.data(), detail::kMailLine.data()};
inline constexpr const char* MailLink = detail::kMailLink.data();
}  // namespace maker
