#include "ui/questions/form_recover.h"

#include <QSize>
#include <QString>

#include "schedule/tick_host.h"

namespace parvolind::ui {

TFormRecover::TFormRecover(QWidget* parent)
    : QuestionWindow({QSize(308, 220), "Recover", QStringLiteral("Synchronisation nachholen"), 55,
                      110, QStringLiteral("Soll die Synchronisation nun nachgeholt werden?")},
                     parent) {}

std::string TFormRecover::MessageText(const std::string& job_name) const {
  return RecoverQuestionText(job_name);
}

}  // namespace parvolind::ui
