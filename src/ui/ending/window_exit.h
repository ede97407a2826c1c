#pragma once

#include <QTimer>
#include <functional>

#include "engine/log_writer.h"
#include "engine/run_control.h"
#include "ui/ending/program_exit.h"
#include "ui/toolkit/dialogs.h"

namespace parvolind::ui {

class TFormConfirm;
class TFormRecover;

/// The main window's side of the program's ending: follows ProgramExit's decisions with the
/// question windows, the run control, the log's stop entries, the job timer and the event loop.
class WindowExit {
 public:
  /// `minimise` takes the window out of the way when the session asks to end; `timer_jobs`
  /// stops when the program ends.
  WindowExit(ProgramExit& exit, Dialogs& dialogs, TFormConfirm& confirm, TFormRecover& recover,
             RunControl& control, LogWriter& log, QTimer& timer_jobs,
             std::function<void()> minimise);

  /// "B&eenden": ends the program, a run in progress being cancelled first. Returns the step
  /// taken.
  ProgramExit::Step UserQuits();
  /// The session asks whether it may end (`ends_now` false) or ends (true); `may_ask` lets
  /// the user be asked during a run. Returns whether the session may end.
  bool AnswerSessionEnd(bool may_ask, bool ends_now);
  /// Stops the job timer and leaves every event loop.
  void EndProgram();
  /// The user's stop entry when the window goes, unless the session's end was logged.
  void WriteStopEntry();

 private:
  void Follow(ProgramExit::Step step);

  ProgramExit& exit_;
  Dialogs& dialogs_;
  TFormConfirm& confirm_;
  TFormRecover& recover_;
  RunControl& control_;
  LogWriter& log_;
  QTimer& timer_jobs_;
  std::function<void()> minimise_;
};

}  // namespace parvolind::ui
