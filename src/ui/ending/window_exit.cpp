#include "ui/ending/window_exit.h"

#include <QCoreApplication>
#include <utility>

#include "ui/questions/form_confirm.h"
#include "ui/questions/form_recover.h"

namespace parvolind::ui {

WindowExit::WindowExit(ProgramExit& exit, Dialogs& dialogs, TFormConfirm& confirm,
                       TFormRecover& recover, RunControl& control, LogWriter& log,
                       QTimer& timer_jobs, std::function<void()> minimise)
    : exit_(exit),
      dialogs_(dialogs),
      confirm_(confirm),
      recover_(recover),
      control_(control),
      log_(log),
      timer_jobs_(timer_jobs),
      minimise_(std::move(minimise)) {}

ProgramExit::Step WindowExit::UserQuits() {
  const ProgramExit::Step step = exit_.UserQuits(control_.RunInProgress());
  Follow(step);
  return step;
}

bool WindowExit::AnswerSessionEnd(bool may_ask, bool ends_now) {
  if (exit_.Ending()) return true;
  // One question, one answer: a request while it is open gets no question of its own.
  if (exit_.QuestionOpen()) {
    if (ends_now) exit_.EndRequestedDuringQuestion();
    return true;
  }
  // The window goes out of the way first, as a close request would take it.
  minimise_();
  if (!exit_.SessionEndIsAgreed()) {
    if (control_.RunInProgress() && may_ask) {
      exit_.QuestionOpened();
      const bool end = dialogs_.Ask(QStringLiteral(
          "Parvolind führt momentan eine Synchronisation durch.\r\rMöchten Sie den Vorgang "
          "abbrechen und Parvolind\rbeenden?"));
      ends_now = exit_.QuestionClosed() || ends_now;
      if (!end) {
        exit_.SessionEndRefused();
        return false;
      }
      // The user chose "B&eenden" while the question was open.
      if (exit_.Ending()) return true;
    }
    log_.WriteShutdownStopEntry();
    exit_.SessionEndAgreed();
  }
  if (ends_now) Follow(exit_.SessionEnds(control_.RunInProgress()));
  return true;
}

void WindowExit::Follow(ProgramExit::Step step) {
  // From here on the program is ending: questions waiting are answered No.
  confirm_.Abort();
  recover_.Abort();
  if (step == ProgramExit::Step::kEndNow) {
    EndProgram();
  } else {
    // The run winds down to its cancelled end (the copy in hand is dropped safely);
    // the program ends when it has returned, and the run stays cancelled even where it
    // clears its request at its start.
    control_.SetCancelRequested(true);
    control_.HoldCancel();
  }
}

void WindowExit::EndProgram() {
  timer_jobs_.stop();
  // Leaves every event loop at once, nested ones (a question, a run's events) included.
  // quit() would first ask every window to close, and the main window refuses that.
  QCoreApplication::exit(0);
}

void WindowExit::WriteStopEntry() {
  if (exit_.UserStopEntryDue()) log_.WriteUserStopEntry();
}

}  // namespace parvolind::ui
