#include "ui/ending/program_exit.h"

namespace parvolind::ui {

ProgramExit::Step ProgramExit::UserQuits(bool run_in_progress) { return Leave(run_in_progress); }

bool ProgramExit::QuestionClosed() {
  question_open_ = false;
  const bool end_now = end_requested_;
  end_requested_ = false;
  return end_now;
}

void ProgramExit::SessionEndAgreed() {
  agreed_ = true;
  shutdown_logged_ = true;
}

ProgramExit::Step ProgramExit::SessionEnds(bool run_in_progress) {
  agreed_ = true;
  shutdown_logged_ = true;
  // During a run the run stops at its next block without another log line: the shutdown
  // entry closes the log, and the unfinished copy leaves the old target as it was.
  return Leave(run_in_progress);
}

void ProgramExit::RunStarts() {
  if (!agreed_ || ending_) return;
  agreed_ = false;
  shutdown_logged_ = false;
}

ProgramExit::Step ProgramExit::Leave(bool run_in_progress) {
  ending_ = true;
  if (!run_in_progress) return Step::kEndNow;
  end_after_run_ = true;
  return Step::kEndAfterRun;
}

}  // namespace parvolind::ui
