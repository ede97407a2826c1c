#pragma once

#include <cstdint>
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

/// Where a run shows how far it is: the window's progress panel, the terminal's line, a
/// test's record. The engine never touches a widget, and it keeps its own counts: a sink
/// only shows what it is given.
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;

  /// Puts a text into one of the panel's labels.
  virtual void SetLabel(ProgressLabel label, std::string_view text) = 0;
  /// Puts `path`, shortened with FitPathToWidth() to the label's width less `spare` pixels,
  /// followed by `suffix`, into a label. This shortens at once; a sink that draws its labels
  /// only now and then may keep the parts and shorten just the path it draws.
  virtual void SetPathLabel(ProgressLabel label, std::string_view path, int spare,
                            std::string_view suffix);
  /// Pixel width of a label and the pixel width of a text in that label's font;
  /// FitPathToWidth() shortens paths with them. A sink without pixels may count
  /// characters.
  virtual int LabelWidth(ProgressLabel label) const = 0;
  virtual int TextWidth(ProgressLabel label, std::string_view text) const = 0;

  /// Sets a bar's range. 64-bit: files of 2 GiB and more are shown correctly (a sink
  /// with a 32-bit bar scales).
  virtual void SetBarRange(ProgressBar bar, int64_t minimum, int64_t maximum) = 0;
  /// Sets the current value; a value outside the range leaves the bar unchanged.
  virtual void SetBarValue(ProgressBar bar, int64_t value) = 0;

  /// Shows or hides the progress panel.
  virtual void ShowProgressPanel(bool visible) = 0;

  /// Lets pending events be processed (the window repaints, the cancel button can
  /// be pressed). The sink may throttle this.
  virtual void ProcessEvents() = 0;

  /// Shows "Die Synchronisation ist fehlgeschlagen!" and waits until it is closed.
  virtual void ShowFailureMessage(std::string_view text) = 0;

  /// Switches the tray icon's animation during a run on and off.
  virtual void SetIconAnimation(bool on) = 0;
};

}  // namespace parvolind
