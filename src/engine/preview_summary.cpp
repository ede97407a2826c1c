#include "engine/preview_summary.h"

#include "engine/number_format.h"

namespace parvolind {

void PreviewSummary::Add(const RunAction& action) {
  switch (action.kind) {
    case RunActionKind::kCopy:
      ++copies;
      bytes += action.bytes;
      break;
    case RunActionKind::kReplace:
      ++replacements;
      bytes += action.bytes;
      break;
    case RunActionKind::kDelete:
      ++deletions;
      break;
    case RunActionKind::kConflict:
      ++conflicts;
      break;
    case RunActionKind::kError:
      ++errors;
      break;
  }
}

std::string PreviewSummary::Text(const Locale& locale) const {
  return FormatInteger(copies, locale) + " Datei(en) kopieren, " +
         FormatInteger(replacements, locale) + " ersetzen, " + FormatInteger(deletions, locale) +
         " löschen, " + FormatInteger(conflicts, locale) + " Konflikt(e); " +
         FormatInteger(bytes, locale) + " Bytes zu übertragen.";
}

std::string_view ActionWord(RunActionKind kind) {
  switch (kind) {
    case RunActionKind::kCopy:
      return "kopieren";
    case RunActionKind::kReplace:
      return "ersetzen";
    case RunActionKind::kDelete:
      return "löschen";
    case RunActionKind::kConflict:
      return "Konflikt";
    case RunActionKind::kError:
      return "Fehler";
  }
  return "Fehler";
}

}  // namespace parvolind
