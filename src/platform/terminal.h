#pragma once

namespace parvolind {

/// Whether standard output is a terminal (progress is drawn only there).
bool StandardOutputIsTerminal();

/// The terminal's width in columns; 80 when it cannot be found out.
int TerminalColumns();

}  // namespace parvolind
