#include "cli/ExitCodes.h"

#include "cli/Figures.h"
#include "cli/Words.h"
#include "link/LoaderFacts.h"

namespace flash {

ExitCode ExitCodeOf(update::Outcome outcome) {
  using update::Outcome;
  switch (outcome) {
    case Outcome::Updated:
    case Outcome::WouldUpdate:
      return kExitUpdated;
    case Outcome::UpToDate:
      return kExitUpToDate;
    case Outcome::Refused:
      return kExitRefused;
    case Outcome::NoAnswer:
      return kExitNoAnswer;
    case Outcome::PortFailed:
      return kExitPortFailed;
    case Outcome::LinkFailed:
      return kExitTransmission;
    case Outcome::Stopped:
      return kExitInterrupted;
  }
  return kExitTransmission;
}

ExitCode MostSerious(ExitCode a, ExitCode b) {
  for (ExitCode stop : {kExitTerminated, kExitInterrupted})
    if (a == stop || b == stop) return stop;
  return a > b ? a : b;
}

std::string ExitCodeTable() {
  return Say({"Code de sortie (plusieurs appareils : le plus élevé ; 130 et 143 l'emportent) :\n"
              "  0    tous les appareils mis à jour (info : tous le seraient)\n"
              "  2    erreur d'utilisation, ou fichier de firmware refusé par la vérification :\n"
              "       rien n'a été envoyé\n"
              "  3    un appareil a déjà la version {0} ou plus récente : rien ne lui a été écrit\n"
              "  4    un appareil a été refusé (identité, type d'appareil ou numéro de série)\n"
              "  5    pas de réponse d'un appareil dans le délai de --wait\n"
              "  6    un port n'a pas pu être utilisé (port introuvable, permission refusée,\n"
              "       occupé par un autre programme)\n"
              "  7    problème de transmission pendant les vérifications ou la programmation :\n"
              "       l'appareil garde une version qui permet de le mettre à jour à nouveau\n"
              "  8    une ligne du journal --log, ou de la sortie, n'a pas pu être écrite\n"
              "       (disque plein, sortie fermée) : le résultat de chaque appareil est dans\n"
              "       l'autre\n"
              "  130  Ctrl-C a arrêté un appareil avant la fin (avec --loop, Ctrl-C entre deux\n"
              "       appareils est la fin normale)\n"
              "  143  une demande de fin (SIGTERM) a arrêté un appareil avant la fin\n",
              "Exit status (several devices: the highest; 130 and 143 override):\n"
              "  0    every device updated (info: every device would be updated)\n"
              "  2    bad usage, or a firmware file that the check refuses: nothing was sent\n"
              "  3    a device already has version {0} or newer: nothing was written to it\n"
              "  4    a device was refused (identity, device type or serial number)\n"
              "  5    no answer from a device within --wait\n"
              "  6    a port could not be used (no such port, permission denied, held by another\n"
              "       program)\n"
              "  7    transmission failure during the checks or the programming: the device keeps\n"
              "       a version that lets it be updated again\n"
              "  8    a line of the --log file, or of the output, could not be written (a full\n"
              "       disk, a closed output): each device's outcome is in the other one\n"
              "  130  Ctrl-C stopped a device before it was done (with --loop, Ctrl-C between two\n"
              "       devices ends normally)\n"
              "  143  a request to end (SIGTERM) stopped a device before it was done\n"},
             {NewVersion()});
}

}  // namespace flash
