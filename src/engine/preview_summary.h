#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/run_action.h"
#include "platform/locale.h"

namespace parvolind {

/// The counts a preview sums up: what the next run would copy, replace, delete and leave.
struct PreviewSummary {
  int64_t copies = 0;
  int64_t replacements = 0;
  int64_t deletions = 0;
  int64_t conflicts = 0;
  int64_t errors = 0;
  /// Bytes the copies and replacements would move.
  int64_t bytes = 0;

  /// Counts `action` in.
  void Add(const RunAction& action);
  /// "N Datei(en) kopieren, R ersetzen, D löschen, K Konflikt(e); B Bytes zu übertragen."
  /// with the locale's thousands separator.
  std::string Text(const Locale& locale) const;
};

/// The word a preview lists an action under: "kopieren", "ersetzen", "löschen", "Konflikt",
/// "Fehler".
std::string_view ActionWord(RunActionKind kind);

}  // namespace parvolind
