#include <windows.h>

#include <atomic>

#include "platform/interrupt.h"

namespace parvolind {
namespace {

// The console calls the handler on a thread of its own; the flag is all it shares.
std::atomic<int> interrupt_count{0};

BOOL WINAPI OnConsoleControl(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
      // The first Ctrl-C asks for a cancel; a second one ends the process the usual way, for a
      // user who does not want to wait.
      return interrupt_count.fetch_add(1) == 0 ? TRUE : FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

InterruptWatch::InterruptWatch() {
  interrupt_count = 0;
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

InterruptWatch::~InterruptWatch() { SetConsoleCtrlHandler(OnConsoleControl, FALSE); }

bool InterruptWatch::Requested() const { return interrupt_count.load() != 0; }

void InterruptWatch::Clear() { interrupt_count = 0; }

}  // namespace parvolind
