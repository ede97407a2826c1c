#include "support/cli_process.h"

#include <gtest/gtest.h>

#include <QProcessEnvironment>
#include <cstdlib>

namespace parvolind::testing {

std::string CliUnderTest() {
  const char* cli = std::getenv("PARVOLIND_CLI");
  if (cli == nullptr || cli[0] == '\0') {
    ADD_FAILURE() << "PARVOLIND_CLI is not set; run the tests through ctest";
    return {};
  }
  return cli;
}

void StartCli(QProcess& process, const std::string& program, const QStringList& arguments,
              const std::map<std::string, std::string>& overrides) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("LC_ALL", "de_DE.UTF-8");
  environment.insert("LANG", "de_DE.UTF-8");
  for (const auto& [name, value] : overrides) {
    environment.insert(QString::fromStdString(name), QString::fromStdString(value));
  }
  process.setProcessEnvironment(environment);
  process.start(QString::fromStdString(program), arguments);
}

CliResult FinishCli(QProcess& process) {
  CliResult result;
  if (!process.waitForFinished(120000)) return result;
  result.exit_code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
  result.out = process.readAllStandardOutput().toStdString();
  result.err = process.readAllStandardError().toStdString();
  return result;
}

CliResult RunCli(const std::string& program, const QStringList& arguments,
                 const std::map<std::string, std::string>& overrides) {
  QProcess process;
  StartCli(process, program, arguments, overrides);
  return FinishCli(process);
}

}  // namespace parvolind::testing
