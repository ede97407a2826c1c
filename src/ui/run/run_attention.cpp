#include "ui/run/run_attention.h"

#include "ui/toolkit/qt_strings.h"

namespace parvolind::ui {

std::optional<QString> RunAttentionText(const std::string& job_name, const RunResult& result) {
  const bool failed = result.outcome == RunOutcome::kFailed;
  if (!failed && result.failed_files == 0) return std::nullopt;
  QString text = failed ? QStringLiteral("Die Synchronisation von „%1“ ist fehlgeschlagen.")
                              .arg(ToQString(job_name))
                        : QStringLiteral("Auftrag „%1“:").arg(ToQString(job_name));
  if (result.failed_files > 0) {
    text += QStringLiteral(" %1 Datei(en) konnten nicht synchronisiert werden.")
                .arg(result.failed_files);
  }
  return text;
}

}  // namespace parvolind::ui
