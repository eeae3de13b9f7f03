#include "cli/Messages.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "cli/Terminal.h"
#include "cli/Words.h"
#include "link/LoaderFacts.h"
#include "platform/SystemError.h"
#include "platform/Utf8.h"

namespace flash {

namespace {

using update::Outcome;
using update::Refusal;

// What a stage is called in a sentence: "while programming", "pendant la programmation".
std::string StageWords(update::Stage stage) {
  switch (stage) {
    case update::Stage::Calling:
      return Say({"l'appel", "calling"});
    case update::Stage::Checking:
      return Say({"les vérifications", "checking"});
    case update::Stage::Switching:
      return Say({"le changement de vitesse", "switching"});
    case update::Stage::Programming:
      return Say({"la programmation", "programming"});
    case update::Stage::Finishing:
    case update::Stage::Done:
      return Say({"la fin", "finishing"});
  }
  return "?";
}

// The cause of a refusal, without the word "refused".
std::string RefusalCause(const update::RunResult& r) {
  const update::DeviceFacts& d = r.device;
  switch (r.refusal) {
    case Refusal::Identity:
      return Say({"le chargeur est « {0} », pas « P03 » : ce n'est pas une télécommande ORB42TLX",
                  "the loader is \"{0}\", not \"P03\": this is not an ORB42TLX remote"},
                 {Printable(d.identity.value_or("?"))});
    case Refusal::DeviceType:
      return Say({"type d'appareil {0}, pas {1}", "device type {0}, not {1}"},
                 {d.type ? std::to_string(*d.type) : std::string("?"),
                  std::to_string(update::kDeviceType)});
    case Refusal::SerialNumber:
      return Say({"le numéro de série {0} est hors de {1} à {2}",
                  "serial number {0} is outside {1} to {2}"},
                 {SerialText(d), std::to_string(update::kFirstSerialNumber),
                  std::to_string(update::kLastSerialNumber)});
    case Refusal::Version:
      break;
  }
  return {};
}

#if !defined(_WIN32)
// The rule where udev reads it, as the package (/usr) or cmake --install (any other prefix)
// puts it: installed, it applies to a cable plugged in after it; not installed, say where it goes.
std::string UdevRemedy() {
  constexpr const char* kRule = "70-orb42-cp210x.rules";
  for (const char* dir : {"/usr/lib/udev/rules.d", "/lib/udev/rules.d", "/etc/udev/rules.d"}) {
    const std::string path = std::string(dir) + "/" + kRule;
    std::error_code ec;
    if (std::filesystem::exists(path, ec))
      return Say({"la règle udev {0} est installée : rebranchez le câble pour qu'elle s'applique "
                  "(ou : sudo udevadm control --reload && sudo udevadm trigger)",
                  "the udev rule {0} is installed: re-plug the cable so that it applies (or: sudo "
                  "udevadm control --reload && sudo udevadm trigger)"},
                 {path});
  }
  return Say({"installez la règle udev {0} d'orb42-update (le paquet la met dans "
              "/usr/lib/udev/rules.d, cmake --install avec un autre préfixe dans "
              "/etc/udev/rules.d) et rebranchez le câble",
              "install orb42-update's udev rule {0} (the package puts it in /usr/lib/udev/rules.d, "
              "cmake --install with another prefix in /etc/udev/rules.d) and re-plug the cable"},
             {kRule});
}
#endif

// The remedies name this system's own ways: on Linux the udev rule, the dialout group and fuser;
// on Windows a held port is refused as "access denied", and there is nothing to install.
void ExplainPort(const update::RunResult& r, const Port& port, DeviceReport& out) {
  if (port.emptySocket) {
    out.line = Say({"rien n'est branché", "nothing plugged in"});
    out.cause = Say({"{0} n'existe pas : udev ôte le lien d'une prise où aucun câble n'est branché",
                     "{0} is not there: udev removes the link of a socket with no cable in it"},
                    {Shown(port.given)});
    out.remedy = Say({"branchez le câble d'une télécommande sur cette prise, ou ne la nommez plus",
                      "plug a remote's cable into that socket, or leave it out"});
    return;
  }
  const std::string system = SystemWords(r.error);
  const std::string device = Shown(port.device);
  platform::PortFailure failure = platform::ClassifyPortError(r.error);
#if !defined(_WIN32)
  // An input/output error from a node that is there: the port exists but does not work (a
  // bridge that refuses to start its UART), not a missing one.
  std::error_code ec;
  if (r.error == EIO && std::filesystem::exists(port.device, ec))
    failure = platform::PortFailure::Other;
#endif
  switch (failure) {
    case platform::PortFailure::Permission:
      out.line = Say({"permission refusée", "permission denied"});
      out.cause = Say({"permission refusée sur {0} ({1})", "permission denied on {0} ({1})"},
                      {device, system});
#if defined(_WIN32)
      out.remedy = Say({"lancez orb42-flash sous un utilisateur qui a accès aux ports série",
                        "run orb42-flash as a user who may use the serial ports"});
#else
      out.remedy = UdevRemedy() +
                   Say({", ou entrez dans le groupe dialout : sudo adduser $USER dialout, puis "
                        "reconnectez-vous",
                        ", or join the dialout group: sudo adduser $USER dialout, then log in "
                        "again"});
#endif
      return;
    case platform::PortFailure::Held:
      out.line = Say({"port occupé par un autre programme", "port held by another program"});
      out.cause = Say(
          {"{0} est occupé par un autre programme ({1})", "{0} is held by another program ({1})"},
          {device, system});
#if defined(_WIN32)
      out.remedy =
          Say({"fermez ce programme (un programme de terminal, l'assistant de mise à "
               "jour, un autre orb42-flash), puis réessayez",
               "close that program (a terminal program, the update wizard, another "
               "orb42-flash), then try again"});
#else
      out.remedy = Say({"fermez ce programme (sudo fuser -v {0} le nomme : un programme de "
                        "terminal, l'assistant, un autre orb42-flash, brltty, ModemManager), puis "
                        "réessayez",
                        "close that program (sudo fuser -v {0} names it: a terminal program, the "
                        "wizard, another orb42-flash, brltty, ModemManager), then try again"},
                       {device});
#endif
      return;
    case platform::PortFailure::Missing:
      out.line = Say({"port introuvable", "no such port"});
      out.cause =
          Say({"port introuvable : {0} ({1})", "no such port: {0} ({1})"}, {device, system});
      out.remedy =
          Say({"branchez le câble, ou nommez un autre port : orb42-flash list montre les "
               "ports",
               "plug the cable in, or name another port: orb42-flash list shows the "
               "ports"});
      return;
    case platform::PortFailure::Other:
      break;
  }
  out.line = Say({"port inutilisable ({0})", "cannot use the port ({0})"}, {system});
  out.cause = Say({"impossible d'ouvrir {0} ({1})", "cannot open {0} ({1})"}, {device, system});
  out.remedy = Say({"vérifiez le câble et le port : orb42-flash list montre les ports",
                    "check the cable and the port: orb42-flash list shows the ports"});
}

// Another program reading the port takes the device's answers, and the line then looks
// silent: a time-out names it when it was seen, and otherwise says how to find it.
void AddOtherReaders(const std::vector<std::string>& readers, [[maybe_unused]] const Port& port,
                     DeviceReport& out) {
  if (!readers.empty()) {
    std::string names;
    for (const std::string& reader : readers) names += (names.empty() ? "" : ", ") + Shown(reader);
    out.cause += Say(
        {" ; un autre programme lit ce port : {0}", "; another program is reading this port: {0}"},
        {names});
    out.remedy += Say({" ; fermez {0}, qui prend les réponses de l'appareil",
                       "; close {0}, which takes the device's answers"},
                      {names});
    return;
  }
#if !defined(_WIN32)
  out.remedy += Say({" ; un autre programme lit peut-être ce port : sudo fuser -v {0} le nomme",
                     "; another program may be reading this port: sudo fuser -v {0} names it"},
                    {Shown(port.device)});
#endif
}

void ExplainLinkFailure(const update::RunResult& r, DeviceReport& out) {
  const std::string where = StageWords(r.stage);
  out.line =
      Say({"problème de transmission pendant {0}", "transmission failure while {0}"}, {where});
  out.cause =
      Say({"{0} : {1}{2}", "{0}: {1}{2}"},
          {out.line,
           IsSystemError(r.error) ? Say({"la ligne s'est interrompue : ", "the line broke off: "})
                                  : std::string(),
           LinkErrorText(r.error)});
  if (r.error == LinkVersionMismatch) {
    // The one case where the version cells hold neither the old version nor the new one.
    out.line += Say({" (les cellules de version ne contiennent pas {0})",
                     " (the version cells do not hold {0})"},
                    {NewVersion()});
    out.remedy =
        Say({"les cellules de version de l'appareil se relisent autrement après deux "
             "écritures : son EEPROM est peut-être défaillante ; lancez orb42-flash info "
             "dessus et mettez-le de côté si la mise à jour ne lui est pas proposée",
             "the device's version cells read back otherwise after two writes: its "
             "EEPROM may be failing; run orb42-flash info on it and set it aside if it is "
             "not offered the update"});
  } else if (r.versionAfter.kind == update::VersionCells::Kind::Unknown) {
    // The version's cells were being written when the line failed, and could not be read back:
    // the device may hold the old version or the new one.
    out.line += Say({" (version de l'appareil inconnue)", " (the device's version is unknown)"});
    out.remedy = Say(
        {"la version de l'appareil n'a pas pu être relue : éteignez-le et rallumez-le, "
         "vérifiez le câble et relancez la mise à jour : il sera mis à jour, ou dit déjà en {0}",
         "the device's version could not be read back: switch it off and on, check the cable "
         "and run the update again: it is updated, or found to have {0} already"},
        {NewVersion()});
  } else if (r.programmingBegun) {
    out.line +=
        Say({" (non mis à jour, peut l'être à nouveau)", " (not updated, can be updated again)"});
    const bool readBack = r.versionAfter.kind == update::VersionCells::Kind::ReadBack;
    out.remedy = Say({readBack ? "l'appareil a la version {0} (relue) et peut être mis à jour à "
                                 "nouveau : éteignez-le et rallumez-le, vérifiez le câble, et "
                                 "relancez la mise à jour"
                               : "l'appareil garde la version {0} et peut être mis à jour à "
                                 "nouveau : éteignez-le et rallumez-le, vérifiez le câble, et "
                                 "relancez la mise à jour",
                      readBack ? "the device reads back version {0} and can be updated again: "
                                 "switch it off and on, check the cable, and run the update again"
                               : "the device keeps version {0} and can be updated again: switch "
                                 "it off and on, check the cable, and run the update again"},
                     {VersionAfter(r)});
  } else {
    out.remedy =
        Say({"rien n'a été écrit : éteignez l'appareil et rallumez-le, vérifiez le "
             "câble, et relancez la mise à jour",
             "nothing was written: switch the device off and on, check the cable, and "
             "run the update again"});
  }
}

}  // namespace

std::string StopName() {
  if (terminal::StoppedBy() != terminal::StopCause::Terminate) return "Ctrl-C";
#if defined(_WIN32)
  return Say({"une demande de fin", "a request to end"});
#else
  return "SIGTERM";
#endif
}

std::string SystemWords(int code) {
  return platform::SystemMessage(code, French());
}

std::string LinkErrorText(LinkError error) {
  switch (error) {
    case LinkOk:
      return Say({"l'image n'a pas d'enregistrement de fin", "the image has no end record"});
    case LinkNotConnected:
      return Say({"le chargeur n'est pas connecté", "the loader is not connected"});
    case LinkTimeout:
      return Say(
          {"pas de réponse de l'appareil (délai dépassé)", "no answer from the device (time-out)"});
    case LinkBadAnswer:
      return Say(
          {"l'appareil a donné une réponse inattendue", "the device gave an unexpected answer"});
    case LinkNotUnlocked:
      return Say({"le chargeur n'est pas déverrouillé", "the loader is not unlocked"});
    case LinkAddressOutOfRange:
      return Say({"un mot de programme hors de la plage du chargeur, {0} à {1}",
                  "a program word outside the loader's range {0} to {1}"},
                 {std::to_string(loader::kFirstProgramWord),
                  std::to_string(loader::kProgramWordLimit - 1)});
    case LinkNotProgramming:
      return Say(
          {"le chargeur n'est pas en mode programmation", "the loader is not in programming mode"});
    case LinkPortNotOpen:
      return Say({"le port est fermé (câble débranché ?)",
                  "the port is closed (the cable was unplugged?)"});
    case LinkWrongIdentity:
      return Say({"le chargeur n'est pas P03", "the loader is not P03"});
    case LinkCellMismatch:
      return Say({"une cellule d'EEPROM relue diffère de ce qui a été écrit",
                  "an EEPROM cell read back differs from what was written"});
    case LinkVersionMismatch:
      return Say({"la version relue n'est pas {0}", "the version read back is not {0}"},
                 {NewVersion()});
    case LinkAnswersDiffer:
      return Say(
          {"l'appareil a donné deux réponses différentes à la même question (ligne perturbée ?)",
           "the device gave two different answers to the same question (a noisy line?)"});
    default:
      break;
  }
  if (IsSystemError(error)) {
    // A code met during the run, after the port opened and worked.
    const bool gone = platform::LineGone(error);
    return SystemWords(error) +
           (gone ? Say({" (câble débranché ?)", " (the cable was unplugged?)"}) : std::string());
  }
  return Say({"erreur de liaison {0}", "link error {0}"}, {std::to_string(error)});
}

DeviceReport Explain(const update::RunResult& r, const Job& job, const Port& port,
                     const std::vector<std::string>& otherReaders) {
  DeviceReport out;
  out.result = r;
  out.code = ExitCodeOf(r.outcome);
  if (out.code == kExitInterrupted && terminal::StoppedBy() == terminal::StopCause::Terminate)
    out.code = kExitTerminated;
  out.stoppedHalfWay = r.programmingBegun && r.outcome != Outcome::Updated;
  const std::string version = VersionText(r.device);
  switch (r.outcome) {
    case Outcome::Updated:
      out.line = Say({"mis à jour {0} -> {1} en {2} s à {3} bit/s",
                      "updated {0} -> {1} in {2} s at {3} bit/s"},
                     {version, NewVersion(), SecondsWords(r.updateMs), std::to_string(r.speed)});
      if (r.speedRefused) {
        out.line += Say({" (le chargeur a refusé {0} bit/s)", " (the loader refused {0} bit/s)"},
                        {std::to_string(job.run.session.speed)});
      }
      break;
    case Outcome::WouldUpdate:
      out.line =
          Say({"version {0} : serait mise à jour en {1}", "version {0}: would be updated to {1}"},
              {version, NewVersion()});
      break;
    case Outcome::UpToDate:
      out.line =
          version == NewVersion()
              ? Say({"déjà {0} : non mis à jour", "already {0}: not updated"}, {version})
              : Say({"version plus récente ({0}) : non mis à jour", "newer ({0}): not updated"},
                    {version});
      out.cause =
          version == NewVersion()
              ? Say({"l'appareil a la version {0}", "the device has version {0}"}, {version})
              : Say({"l'appareil a la version {0}, plus récente que {1}",
                     "the device has version {0}, newer than {1}"},
                    {version, NewVersion()});
      break;
    case Outcome::Refused:
      out.cause = RefusalCause(r);
      out.line = Say({"refusé : {0}", "refused: {0}"}, {out.cause});
      out.remedy =
          Say({"ce programme ne met à jour que les télécommandes ORB42TLX de type {0} dont "
               "le numéro de série va de {1} à {2}",
               "this program updates ORB42TLX remotes of device type {0} with a serial "
               "number from {1} to {2} only"},
              {std::to_string(update::kDeviceType), std::to_string(update::kFirstSerialNumber),
               std::to_string(update::kLastSerialNumber)});
      break;
    case Outcome::NoAnswer:
      out.line = Say({"pas de réponse", "no answer"});
      out.cause = job.run.waitSeconds
                      ? Say({"pas de réponse de l'appareil en {0} s",
                             "no answer from the device within {0} s"},
                            {std::to_string(*job.run.waitSeconds)})
                      : Say({"pas de réponse de l'appareil", "no answer from the device"});
      if (r.error != LinkOk && r.error != LinkTimeout)
        out.cause += " (" + LinkErrorText(r.error) + ")";
      out.remedy = Say({"allumez l'appareil une fois que le port est appelé ; vérifiez le câble "
                        "et que {0} est bien le port du câble (orb42-flash list)",
                        "switch the device on once the port is being called; check the cable "
                        "and that {0} is the cable's port (orb42-flash list)"},
                       {port.com});
      AddOtherReaders(otherReaders, port, out);
      break;
    case Outcome::PortFailed:
      ExplainPort(r, port, out);
      break;
    case Outcome::LinkFailed:
      ExplainLinkFailure(r, out);
      if (r.error == LinkTimeout) AddOtherReaders(otherReaders, port, out);
      break;
    case Outcome::Stopped:
      if (r.programmingBegun) {
        out.line = Say({"arrêté en cours : non mis à jour, peut l'être à nouveau",
                        "stopped half-way: not updated, can be updated again"});
        out.cause = Say({"arrêté par {2} pendant la programmation, {0} enregistrements écrits "
                         "sur {1}",
                         "stopped by {2} while programming, {0} of {1} records written"},
                        {std::to_string(r.recordsDone), std::to_string(r.recordCount), StopName()});
        out.remedy = Say({"l'appareil garde la version {0} et peut être mis à jour à nouveau",
                          "the device keeps version {0} and can be updated again"},
                         {version});
      } else {
        out.line = Say({"arrêté : rien n'a été écrit", "stopped: nothing written"});
      }
      break;
  }
  return out;
}

}  // namespace flash
