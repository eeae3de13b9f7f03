#include "cli/Flash.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "cli/ExitCodes.h"
#include "cli/Firmware.h"
#include "cli/Json.h"
#include "cli/LogFile.h"
#include "cli/Options.h"
#include "cli/Ports.h"
#include "cli/Report.h"
#include "cli/Terminal.h"
#include "cli/Words.h"
#include "cli/Worker.h"
#include "link/LoaderFacts.h"
#include "platform/SerialDeviceMap.h"
#include "platform/SystemError.h"
#include "update/FirmwareRecord.h"

namespace flash {

namespace {

// Set by Ctrl-C; lives as long as the program, as the signal handler needs it to.
std::atomic<bool> stopRequested{false};

void Error(const std::string& text) {
  std::fprintf(stderr, "%s\n", Say({"orb42-flash : {0}", "orb42-flash: {0}"}, {text}).c_str());
}

// A run that cannot start: the message on stderr and, for a script (--json), one error event
// on stdout. Returns the status.
int Fail(const Job& job, int code, const std::string& text) {
  Error(text);
  if (job.json) PrintJsonError(stdout, code, text);
  return code;
}

int List(const Job& job) {
  const auto listed = ListPorts();
  if (!listed || listed->empty()) {
    Error(Say({"aucun port série dans {0}", "no serial port found in {0}"},
              {platform::SerialDeviceMapSource()}));
    return kExitUpdated;
  }
  for (const ListedPort& p : *listed) {
    if (job.json) {
      nlohmann::ordered_json j = {{"event", "port"}, {"entry", p.entry}};
      if (p.port) {
        j["port"] = p.port->com;
        j["device"] = p.port->device;
      }
      j["bridge"] = p.bridge;
      std::printf("%s\n", JsonLine(j).c_str());
    } else {
      std::printf("%s\n", p.entry.c_str());
    }
  }
  return kExitUpdated;
}

// check FILE.hex: the build's own check, then what the image would write and its SHA-256.
int CheckFile(const Job& job) {
  const LoadedFirmware firmware = LoadFirmware(job.firmware);
  for (const std::string& message : firmware.messages)
    std::fprintf(stderr, "%s\n", message.c_str());
  if (!firmware.ok) {
    if (job.json)
      PrintJsonError(stdout, kExitUsage,
                     firmware.messages.empty() ? job.firmware : firmware.messages.back());
    return kExitUsage;
  }
  const std::string version = NewVersion();
  if (job.json) {
    std::printf("%s\n", JsonLine({{"event", "check"},
                                  {"file", job.firmware},
                                  {"records", firmware.records},
                                  {"program_words", firmware.programWords},
                                  {"first_word", firmware.firstProgramWord},
                                  {"last_word", firmware.lastProgramWord},
                                  {"eeprom_cells", firmware.eepromCells},
                                  {"version", version},
                                  {"sha256", firmware.sha256}})
                            .c_str());
    return kExitUpdated;
  }
  std::printf(
      "%s\n%s\n",
      Say({"{0} : {1} enregistrements : {2} mots de programme (mots {3} à {4}), {5} "
           "cellules d'EEPROM, puis la version {6}",
           "{0}: {1} records: {2} program words (words {3} to {4}), {5} EEPROM cells, "
           "then version {6}"},
          {Shown(job.firmware), std::to_string(firmware.records),
           std::to_string(firmware.programWords), std::to_string(firmware.firstProgramWord),
           std::to_string(firmware.lastProgramWord), std::to_string(firmware.eepromCells), version})
          .c_str(),
      Say({"{0} : SHA-256 {1}", "{0}: SHA-256 {1}"}, {Shown(job.firmware), firmware.sha256})
          .c_str());
  return kExitUpdated;
}

// The ports named, or every bridge; nullopt (with the message given) when the run cannot start.
std::optional<std::vector<Port>> ChoosePorts(const Job& job, int& code) {
  std::vector<Port> ports;
  if (job.all) {
    ports = BridgePorts();
    if (ports.empty()) {
      code = Fail(job, kExitPortFailed,
                  Say({"--all : aucun port derrière le pont de l'appareil dans {0} : branchez le "
                       "câble (orb42-flash list montre les ports présents)",
                       "--all: no port behind the device's own bridge in {0}: plug the cable in "
                       "(orb42-flash list shows the ports there are)"},
                      {platform::SerialDeviceMapSource()}));
      return std::nullopt;
    }
    return ports;
  }
  for (const std::string& argument : job.portArguments) {
    std::string error;
    const std::optional<Port> port = PortFromArgument(argument, &error);
    if (!port) {
      code = Fail(job, kExitUsage, error);
      return std::nullopt;
    }
    const auto same = std::find_if(ports.begin(), ports.end(), [&](const Port& p) {
      return p.index == port->index && (p.index >= 0 || p.given == port->given);
    });
    if (same != ports.end()) {
      code = Fail(job, kExitUsage,
                  Say({"« {0} » nomme {1} une seconde fois", "'{0}' names {1} a second time"},
                      {Shown(argument), port->ComLabel()}));
      return std::nullopt;
    }
    ports.push_back(*port);
  }
  return ports;
}

std::unique_ptr<Reporter> ChooseReporter(const Job& job) {
  if (job.json) return MakeJsonReporter(job, stdout);
  if (job.quiet) return MakeQuietReporter(job, stderr);
  // The trace's lines would scroll the live lines away: with --verbose, plain lines.
  if (!job.verbose && terminal::IsTerminal(stdout))
    return MakeTerminalReporter(job, stdout, terminal::Width(stdout));
  return MakePlainReporter(job, stdout);
}

int Work(Job& job) {
  int code = kExitUpdated;
  std::optional<std::vector<Port>> ports = ChoosePorts(job, code);
  if (!ports) return code;
  job.ports = std::move(*ports);

  LoadedFirmware firmware;
  if (!job.firmware.empty()) {
    firmware = LoadFirmware(job.firmware);
    for (const std::string& message : firmware.messages)
      std::fprintf(stderr, "%s\n", message.c_str());
    if (!firmware.ok) {
      std::string why = firmware.messages.empty() ? std::string() : firmware.messages.back();
      if (job.json) PrintJsonError(stdout, kExitUsage, why);
      Error(Say({"le fichier de firmware est refusé : rien n'a été envoyé à aucun appareil",
                 "the firmware file was refused: nothing was sent to any device"}));
      return kExitUsage;
    }
    job.run.session.image = firmware.slots.data();
    job.records = firmware.records;
    job.firmwareSha256 = firmware.sha256;
  } else {
    job.records = CountRecords(FirmwareImage);
    job.firmwareSha256 = FirmwareImageSha256;
  }

  LogFile log;
  std::string error;
  if (!job.log.empty() && !log.Open(job, &error)) return Fail(job, kExitUsage, error);

  std::unique_ptr<Reporter> reporter = ChooseReporter(job);
  terminal::OnInterrupt(&stopRequested);
  reporter->Begin();
  std::vector<std::unique_ptr<PortWorker>> workers;
  for (std::size_t i = 0; i < job.ports.size(); ++i) {
    workers.push_back(std::make_unique<PortWorker>(
        i, job, *reporter, job.log.empty() ? nullptr : &log, stopRequested));
  }
  for (auto& worker : workers) worker->Start();
  bool announced = false;
  for (;;) {
    std::vector<std::string> atRisk;
    for (const auto& worker : workers) {
      std::string who = worker->AtRisk();
      if (!who.empty()) atRisk.push_back(std::move(who));
    }
    // What to do first: on a large bench the names may not all fit the note.
    terminal::SetInterruptNote(
        Say({"orb42-flash : ", "orb42-flash: "}) +
            (atRisk.empty()
                 ? Say({"arrêt immédiat ; aucun appareil n'était en programmation",
                        "ended at once; no device was being programmed"})
                 : Say({"arrêt immédiat ; éteignez et rallumez chacun de ces appareils, puis "
                        "relancez orb42-flash (ils peuvent être restés en mode programmation) : ",
                        "ended at once; switch each of these devices off and on, then run "
                        "orb42-flash again (they may be left in programming mode): "})),
        atRisk, [](std::size_t n) {
          return Say({" et {0} autres", " and {0} more"}, {std::to_string(n)});
        });
    const bool allDone =
        std::all_of(workers.begin(), workers.end(), [](const auto& w) { return w->Finished(); });
    if (allDone) break;
    if (stopRequested && !announced) {
      reporter->Stopping();
      announced = true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }

  RunSummary summary;
  for (auto& worker : workers) {
    worker->Join();
    for (const DeviceReport& r : worker->Reports()) {
      summary.reports.push_back(r);
      summary.code = MostSerious(summary.code, r.code);
    }
  }
  summary.interrupted = stopRequested;
  summary.log = job.log;
  summary.logLinesLost = log.LinesLost();
  if (summary.logLinesLost > 0) summary.code = MostSerious(summary.code, kExitLogFailed);
  reporter->End(summary);
  return summary.code;
}

// What was printed must have reached the output: a full disk or a closed output would otherwise
// end the run with the status of the devices and no word of the results lost. Said on stderr,
// and the status is the one of a lost log line.
int CheckOutput(int code, bool outputOpen) {
  errno = 0;
  std::cout.flush();  // the same buffer as stdout's: its failure sets errno
  const bool flushed = std::fflush(stdout) == 0;
  const int error = OutputError() != 0 ? OutputError() : errno;
  if (outputOpen && flushed && OutputError() == 0 && !std::ferror(stdout) && !std::cout.fail())
    return code;
  Error(Say({"la sortie n'a pas pu être écrite ({0}) : des résultats ont été perdus ; le "
             "résultat de chaque appareil est dans le journal --log s'il y en a un",
             "the output could not be written ({0}): results were lost; each device's result is "
             "in the --log file if there is one"},
            {!outputOpen  ? Say({"la sortie standard est fermée", "the standard output is closed"})
             : error != 0 ? SystemWords(error)
                          : Say({"erreur d'écriture", "write error"})}));
  return MostSerious(static_cast<ExitCode>(code), kExitLogFailed);
}

int Run(int argc, const char* const* argv) {
  Job job;
  const CommandLine line = ReadCommandLine(argc, argv, job);
  switch (line.ask) {
    case CommandLine::Ask::Help:
      Write(stdout, HelpText(line.command));
      return kExitUpdated;
    case CommandLine::Ask::Version:
      Write(stdout, VersionText() + "\n");
      return kExitUpdated;
    case CommandLine::Ask::Error:
      // A script gets its error event on stdout too.
      if (line.json) PrintJsonError(stdout, kExitUsage, line.error);
      Error(line.error + "\n" + RunHelp(line.command));
      return kExitUsage;
    case CommandLine::Ask::Run:
      break;
  }
  if (job.command == Command::List) return List(job);
  if (job.command == Command::Check) return CheckFile(job);
  return Work(job);
}

}  // namespace

int Main(int argc, const char* const* argv) {
  const bool outputOpen = terminal::GuardStandardStreams();
  return CheckOutput(Run(argc, argv), outputOpen);
}

}  // namespace flash
