#include "ui/questions/form_confirm.h"

#include <QSize>
#include <QString>

#include "schedule/tick_host.h"

namespace parvolind::ui {

TFormConfirm::TFormConfirm(QWidget* parent)
    : QuestionWindow({QSize(309, 219), "Confirm", QStringLiteral("Bestätigung der Durchführung"),
                      40, 95, QStringLiteral("Soll die Synchronisation nun durchgeführt werden?")},
                     parent) {}

std::string TFormConfirm::MessageText(const std::string& job_name) const {
  return ConfirmQuestionText(job_name);
}

}  // namespace parvolind::ui
