#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace parvolind {

/// The labels of the progress panel that the run writes to.
enum class ProgressLabel {
  kJob,     ///< LabelProgressJob: the job name
  kDir1,    ///< LabelProgressDir1: directory 1
  kDir2,    ///< LabelProgressDir2: directory 2
  kAction,  ///< LabelProgressAction: the current action
};

/// The two progress bars of the panel.
enum class ProgressBar {
  kActual,  ///< FlatProgressBarActual: bytes of the file being copied
  kTotal,   ///< FlatProgressBarTotal: list entries handled so far
};

/// Everything the engine needs of the window (or of whoever stands in for it:
/// the CLI, a test). The engine never touches a widget; it talks through this.
class RunHost {
 public:
  virtual ~RunHost() = default;

  /// Puts a text into one of the panel's labels.
  virtual void SetLabel(ProgressLabel label, std::string_view text) = 0;
  /// Pixel width of a label and the pixel width of a text in that label's font;
  /// FitPathToWidth() shortens paths with them. A host without pixels may count
  /// characters.
  virtual int LabelWidth(ProgressLabel label) const = 0;
  virtual int TextWidth(ProgressLabel label, std::string_view text) const = 0;

  /// Sets a bar's range and current value. 64-bit: files of 2 GiB and more are
  /// shown correctly (a host with a 32-bit bar scales).
  virtual void SetBarRange(ProgressBar bar, int64_t minimum, int64_t maximum) = 0;
  /// Sets the current value; a value outside the range leaves the bar unchanged.
  virtual void SetBarValue(ProgressBar bar, int64_t value) = 0;
  /// The bar's current value, minimum and maximum.
  virtual int64_t BarValue(ProgressBar bar) const = 0;
  virtual int64_t BarMinimum(ProgressBar bar) const = 0;
  virtual int64_t BarMaximum(ProgressBar bar) const = 0;

  /// Shows or hides the progress panel.
  virtual void ShowProgressPanel(bool visible) = 0;

  /// Lets pending events be processed (the window repaints, the cancel button can
  /// be pressed). The host may throttle this.
  virtual void ProcessEvents() = 0;

  /// The run's cancel request (`CancelRequested`) and the flag that a run is under
  /// way (`RunInProgress`): state of the window, read and written by the run.
  virtual bool CancelRequested() const = 0;
  virtual void SetCancelRequested(bool requested) = 0;
  virtual bool RunInProgress() const = 0;
  virtual void SetRunInProgress(bool running) = 0;

  /// Shows "Die Synchronisation ist fehlgeschlagen!" and waits until it is closed.
  virtual void ShowFailureMessage(std::string_view text) = 0;

  /// Whether the tray icon is animated during runs (`AnimiertesSymbol1`), and
  /// switching that animation on and off.
  virtual bool AnimatedIcon() const = 0;
  virtual void SetIconAnimation(bool on) = 0;

  /// Whether log lines are written (`Logfileerstellen1`), looked up per line.
  virtual bool LoggingEnabled() const = 0;
  /// `CopyBufferSize`: bytes per copy block, read when a copy begins.
  virtual int32_t CopyBufferSize() const = 0;
  /// Whether deleted files and the old versions of replaced ones go into the desktop's trash
  /// ("Gelöschte und ersetzte Dateien in den Papierkorb"), looked up per file.
  virtual bool TrashEnabled() const = 0;
};

}  // namespace parvolind
