#pragma once

#include <QProcess>
#include <QStringList>
#include <map>
#include <string>

namespace parvolind::testing {

/// What a finished CLI process left: exit status (-1 when it did not finish,
/// -2 when it crashed or was killed) and its two output streams.
struct CliResult {
  int exit_code = -1;
  std::string out;
  std::string err;
};

/// Path of the parvolind-cli under test, from PARVOLIND_CLI (set by CTest);
/// empty, with a test failure recorded, when it is not set.
std::string CliUnderTest();

/// Starts `program` with `arguments` under German regional settings, in the
/// test's environment (its XDG folders) with `overrides` on top.
void StartCli(QProcess& process, const std::string& program, const QStringList& arguments,
              const std::map<std::string, std::string>& overrides = {});

/// Waits for a started CLI process and collects what it left.
CliResult FinishCli(QProcess& process);

/// StartCli() and FinishCli() in one.
CliResult RunCli(const std::string& program, const QStringList& arguments,
                 const std::map<std::string, std::string>& overrides = {});

}  // namespace parvolind::testing
