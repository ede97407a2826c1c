#include <signal.h>

#include <csignal>

#include "platform/interrupt.h"

namespace parvolind {
namespace {

// A signal handler can only reach a flag of static storage; it is the one
// piece of state shared between the handler and InterruptWatch.
volatile std::sig_atomic_t interrupt_flag = 0;

struct sigaction previous_int;
struct sigaction previous_term;

extern "C" void OnInterruptSignal(int) { interrupt_flag = 1; }

void Install(int signal_number, struct sigaction* previous) {
  struct sigaction action {};
  action.sa_handler = OnInterruptSignal;
  sigemptyset(&action.sa_mask);
  // The first signal asks for a cancel; with the handler reset, a second one
  // ends the process, for a user who does not want to wait.
  action.sa_flags = SA_RESETHAND | SA_RESTART;
  sigaction(signal_number, &action, previous);
}

}  // namespace

InterruptWatch::InterruptWatch() {
  interrupt_flag = 0;
  Install(SIGINT, &previous_int);
  Install(SIGTERM, &previous_term);
}

InterruptWatch::~InterruptWatch() {
  sigaction(SIGINT, &previous_int, nullptr);
  sigaction(SIGTERM, &previous_term, nullptr);
}

bool InterruptWatch::Requested() const { return interrupt_flag != 0; }

void InterruptWatch::Clear() { interrupt_flag = 0; }

}  // namespace parvolind
