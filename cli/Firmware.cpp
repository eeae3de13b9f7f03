#include "cli/Firmware.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/Messages.h"
#include "cli/Words.h"
#include "platform/Sha256.h"
#include "update/HexValidate.h"

namespace flash {

namespace {

// A firmware file is small: a file far beyond the largest table a check could accept is
// refused before it is read into memory.
constexpr std::streamoff kMaxFileBytes = 1 << 20;

// The check's faults in French, with the same values as its English words (HexFaultEnglish).
const char* French(HexFault fault) {
  switch (fault) {
    case HexFault::NoColon:
      return "l'enregistrement ne commence pas par « : » mais par « {0} »";
    case HexFault::RecordTooLong:
      return "enregistrement de plus de {0} caractères ({1})";
    case HexFault::LowerCaseDigit:
      return "chiffre hexadécimal minuscule « {0} » (l'assistant ne décode que les majuscules)";
    case HexFault::NotHexDigit:
      return "le caractère « {0} » n'est pas un chiffre hexadécimal";
    case HexFault::RecordTooShortOrOdd:
      return "enregistrement trop court ou d'un nombre impair de chiffres";
    case HexFault::ByteCountMismatch:
      return "le nombre d'octets {0} ne correspond pas à la longueur de l'enregistrement";
    case HexFault::BadChecksum:
      return "somme de contrôle fausse";
    case HexFault::RecordType:
      return "enregistrement de type {0} (seuls les types 0, 1 et 4 sont acceptés)";
    case HexFault::EndRecordWithData:
      return "enregistrement de fin avec des données";
    case HexFault::UpperAddressSize:
      return "enregistrement de type 4 sans adresse haute de 2 octets";
    case HexFault::UpperAddressNotZero:
      return "enregistrement de type 4 avec une adresse haute non nulle (l'assistant ne "
             "l'appliquerait pas)";
    case HexFault::LeavesAddressClass:
      return "l'enregistrement à {0} sort de sa classe d'adresses (mots {1} à {2})";
    case HexFault::OddData:
      return "nombre d'octets ou adresse impair dans des données de programme ou d'EEPROM ({0}, "
             "{1} octets)";
    case HexFault::ProgramBeyondLoader:
      return "les données de programme atteignent le mot {0} (le chargeur prend les mots {1} à "
             "{2})";
    case HexFault::EepromBeyondEnd:
      return "les données d'EEPROM atteignent la cellule {0} (l'EEPROM en a {1})";
    case HexFault::EepromOverIdentity:
      return "données d'EEPROM sur les cellules {0} à {1} (le numéro de série et la version de "
             "l'appareil)";
    case HexFault::EepromHighByte:
      return "le mot d'EEPROM à {0} a l'octet haut {1} (la cellule d'EEPROM ne prend que l'octet "
             "bas)";
    case HexFault::ProgramWordTwice:
      return "le mot de programme {0} est écrit deux fois avec des valeurs différentes : {1} ici, "
             "{2} à la ligne {3}";
    case HexFault::EepromCellTwice:
      return "la cellule d'EEPROM {0} est écrite deux fois avec des valeurs différentes : {1} ici, "
             "{2} à la ligne {3}";
    case HexFault::TextAfterEnd:
      return "du texte après l'enregistrement de fin";
    case HexFault::BlankLine:
      return "ligne vide avant l'enregistrement de fin";
    case HexFault::TooManyRecords:
      return "plus de {0} enregistrements";
    case HexFault::NoEndRecord:
      return "pas d'enregistrement de fin (:00000001FF)";
    case HexFault::NoProgramData:
      return "aucune donnée de programme (aucun mot de {0} à {1} à écrire)";
    case HexFault::SkippedLoaderWords:
      return "les données à {0} (les mots du chargeur lui-même) sont sautées par l'assistant";
    case HexFault::SkippedConfiguration:
      return "les données à {0} (des mots de configuration) sont sautées par l'assistant";
  }
  return "";
}

// "FILE:LINE: error: ...", "FILE:LINE:COLUMN: error: ..." for a character, "FILE: error: ..." for
// the file as a whole, in the run's language (the place stays as tools read it).
std::string Line(const std::string& path, const HexMessage& m, bool error) {
  const std::string text = HexMessageText(m);
  return error ? Say({"{0}: erreur : {1}", "{0}: error: {1}"}, {HexMessagePlace(path, m), text})
               : Say({"{0}: avertissement : {1}", "{0}: warning: {1}"},
                     {HexMessagePlace(path, m), text});
}

// A file that could not be checked at all: "FILE: error: ...".
std::string FileError(const std::string& path, const std::string& text) {
  return Say({"{0}: erreur : {1}", "{0}: error: {1}"}, {path, text});
}

}  // namespace

std::string HexMessageText(const HexMessage& m) {
  const auto value = [&m](std::size_t i) { return i < m.values.size() ? m.values[i] : ""; };
  return Say({French(m.fault), HexFaultEnglish(m.fault)}, {value(0), value(1), value(2), value(3)});
}

LoadedFirmware LoadFirmware(const std::string& file) {
  LoadedFirmware firmware;
  const std::string path = Shown(file);  // for the messages: a name may carry anything
  std::error_code ec;
  if (std::filesystem::exists(file, ec) && !std::filesystem::is_regular_file(file, ec)) {
    firmware.messages.push_back(FileError(path, Say({"pas un fichier de firmware (pas un fichier "
                                                     "ordinaire)",
                                                     "not a firmware file (not a regular file)"})));
    return firmware;
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    // errno, as the C library set it on both systems: its own text, not the system's.
    firmware.messages.push_back(
        FileError(path, Say({"impossible de lire le fichier de firmware ({0})",
                             "cannot read the firmware file ({0})"},
                            {std::strerror(errno)})));
    return firmware;
  }
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  in.seekg(0, std::ios::beg);
  if (size < 0 || size > kMaxFileBytes) {
    firmware.messages.push_back(FileError(
        path, size < 0 ? Say({"pas un fichier de firmware (sa taille ne peut pas être connue)",
                              "not a firmware file (cannot tell its size)"})
                       : Say({"pas un fichier de firmware ({0} octets)",
                              "not a firmware file ({0} bytes)"},
                             {std::to_string(size)})));
    return firmware;
  }
  std::ostringstream text;
  text << in.rdbuf();
  const HexCheck check = CheckHexText(text.str());
  for (const HexMessage& w : check.warnings) firmware.messages.push_back(Line(path, w, false));
  if (!check.ok) {
    firmware.messages.push_back(Line(path, check.error, true));
    return firmware;
  }
  firmware.sha256 = platform::Sha256Hex(text.str());
  firmware.programWords = check.programWords;
  firmware.eepromCells = check.eepromCells;
  firmware.firstProgramWord = check.firstProgramWord;
  firmware.lastProgramWord = check.lastProgramWord;
  firmware.slots = ToSlots(check.records);
  firmware.records = check.records.size();
  firmware.ok = true;
  return firmware;
}

}  // namespace flash
