// parvolind-window-tick TICKS: fills the main window's job list from the store, as the
// program's start does, then lets the job tick walk it TICKS times (one after another,
// each started from the event loop) and prints, for each tick, how long it took in all
// and the longest time it kept the event loop from turning, that is how long the window
// was frozen at most. Exit 0 when the ticks were carried out, 1 when the window could not
// start, 2 for a wrong call.

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include "tool_window.h"
#include "ui/shell/form_main.h"

int main(int argc, char** argv) {
  using namespace parvolind;
  QApplication application(argc, argv);
  const int ticks = argc == 2 ? std::atoi(argv[1]) : 0;
  if (ticks <= 0) {
    std::cerr << "Aufruf: parvolind-window-tick ANZAHL\n";
    return 2;
  }
  tools::ToolWindow window;
  if (window.Form() == nullptr) return 1;
  ui::TFormMain& form = *window.Form();
  // The ticks come from here, not from the minute timer.
  form.TimerJobs().stop();

  // A timer without interval fires at every turn of the event loop, also in the loops the
  // tick turns itself; the longest gap between two firings is the longest freeze.
  QElapsedTimer since_turn;
  qint64 longest_hold_ns = 0;
  QTimer turns;
  turns.setInterval(0);
  QObject::connect(&turns, &QTimer::timeout, [&] {
    longest_hold_ns = std::max(longest_hold_ns, since_turn.nsecsElapsed());
    since_turn.restart();
  });
  int done = 0;
  std::function<void()> next_tick = [&] {
    longest_hold_ns = 0;
    QElapsedTimer whole;
    whole.start();
    since_turn.start();
    turns.start();
    form.TimerJobsTimer();
    longest_hold_ns = std::max(longest_hold_ns, since_turn.nsecsElapsed());
    turns.stop();
    form.TimerJobs().stop();
    std::printf("tick %d: whole %.1f ms, held at most %.1f ms\n", done + 1,
                static_cast<double>(whole.nsecsElapsed()) / 1e6,
                static_cast<double>(longest_hold_ns) / 1e6);
    std::fflush(stdout);
    if (++done == ticks) {
      // quit() would ask the windows to close, which the main window refuses.
      QCoreApplication::exit(0);
    } else {
      QTimer::singleShot(0, next_tick);
    }
  };
  QTimer::singleShot(0, next_tick);
  return QApplication::exec();
}
