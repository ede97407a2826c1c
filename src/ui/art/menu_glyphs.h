#pragma once

#include <QIcon>

#include "ui/art/app_emblem.h"

namespace parvolind::ui {

/// The 16 by 16 pictures beside the menu items.
enum class MenuGlyph {
  kShowWindow,   ///< "&Anzeigen"
  kMinimise,     ///< "&Minimieren"
  kQuit,         ///< "B&eenden"
  kInfo,         ///< "&Info"
  kHelp,         ///< "&Hilfe"
  kLogFile,      ///< "Logfile &anzeigen"
  kBackup,       ///< the configuration backup
  kEdit,         ///< edit a job
  kDelete,       ///< delete a job
  kRun,          ///< run a job now
  kPreview,      ///< "&Vorschau" of a job's run
  kAutomation,   ///< a job's automation mode
  kInformation,  ///< "&Informationen" about a job
};

/// The glyph as an icon, drawn for 16 pixels and twice that for dense screens.
/// Disabled menu items grey it out by themselves.
QIcon MenuGlyphIcon(MenuGlyph glyph);

/// Paints the glyph into the square `size` by `size` at the painter's origin.
void PaintMenuGlyph(QPainter& painter, MenuGlyph glyph, int size);

}  // namespace parvolind::ui
