// parvolind-cli: the job store and the synchronisation engine for scripts,
// cron and tests. Wires the platform objects together and dispatches.

#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_commands.h"
#include "platform/clock.h"
#include "platform/locale.h"
#include "platform/registry_hive.h"

namespace {

constexpr const char* kUsage =
    "Aufruf: parvolind-cli BEFEHL [ARGUMENTE]\n"
    "  list            alle Aufträge mit ihrer Durchführung\n"
    "  show NAME       die gespeicherten Werte eines Auftrags\n"
    "  run NAME        einen Auftrag durchführen\n"
    "  preview NAME    zeigen, was eine Durchführung jetzt täte, ohne etwas zu ändern:\n"
    "                  je Datei eine Zeile Aktion, Quelle, Ziel (durch Tabulatoren\n"
    "                  getrennt), am Ende eine Zusammenfassung auf der Fehlerausgabe\n"
    "  export [DATEI]  die Konfiguration sichern (ohne DATEI als parvolind.reg neben\n"
    "                  dem Logfile, \"-\" für die Standardausgabe)\n"
    "  import DATEI    eine gesicherte Konfiguration laden\n"
    "\n"
    "Rückgabewerte:\n"
    "  0  ausgeführt\n"
    "  1  fehlgeschlagen\n"
    "  2  falscher Aufruf oder unbekannter Auftrag\n"
    "  3  Synchronisation abgebrochen\n"
    "  4  Synchronisation abgeschlossen, aber Dateien konnten nicht synchronisiert\n"
    "     oder das Protokoll nicht geschrieben werden\n";

}  // namespace

int main(int argc, char** argv) {
  using namespace parvolind;
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "-h" || args[0] == "--help" || args[0] == "help") {
    (args.empty() ? std::cerr : std::cout) << kUsage;
    return args.empty() ? cli::kExitUsage : 0;
  }
  const std::string command = args.front();
  args.erase(args.begin());

  using Handler = int (*)(cli::CliContext&, const std::vector<std::string>&);
  Handler handler = nullptr;
  if (command == "list") handler = cli::ListCommand;
  if (command == "show") handler = cli::ShowCommand;
  if (command == "run") handler = cli::RunCommand;
  if (command == "preview") handler = cli::PreviewCommand;
  if (command == "export") handler = cli::ExportCommand;
  if (command == "import") handler = cli::ImportCommand;
  if (handler == nullptr) {
    std::cerr << "Unbekannter Befehl: " << command << "\n" << kUsage;
    return cli::kExitUsage;
  }

  std::string error;
  // The commands that only read open the store read-only, so that they also
  // work on a write-protected configuration and never create one.
  // A preview opens it read-only as well: it writes no value of its job.
  const bool reads_only =
      command == "list" || command == "show" || command == "export" || command == "preview";
  std::unique_ptr<RegistryHive> hive =
      OpenUserRegistryHive(&error, reads_only ? HiveAccess::kReadOnly : HiveAccess::kReadWrite);
  if (!hive) {
    std::cerr << "Die Konfiguration kann nicht geöffnet werden: " << error << "\n";
    return 1;
  }
  std::unique_ptr<Clock> clock = CreateSystemClock();
  std::unique_ptr<Locale> locale = CreateSystemLocale();
  cli::CliContext context{*hive, *clock, *locale, std::cout, std::cerr};
  try {
    return handler(context, args);
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
}
