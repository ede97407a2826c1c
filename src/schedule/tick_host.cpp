#include "schedule/tick_host.h"

namespace parvolind {

std::string ConfirmQuestionText(const std::string& job_name) {
  return "Auftrag '" + job_name + "' hat den Synchronisationszeitpunkt erreicht.";
}

std::string RecoverQuestionText(const std::string& job_name) {
  return "Auftrag '" + job_name +
         "' konnte beim letzten Synchronisationszeitpunkt nicht durchgeführt werden.";
}

}  // namespace parvolind
