#include "engine/progress_sink.h"

#include <string>

#include "engine/fit_path.h"

namespace parvolind {

void ProgressSink::SetPathLabel(ProgressLabel label, std::string_view path, int spare,
                                std::string_view suffix) {
  std::string text =
      FitPathToWidth(path, LabelWidth(label) - spare,
                     [this, label](std::string_view part) { return TextWidth(label, part); });
  text.append(suffix);
  SetLabel(label, text);
}

}  // namespace parvolind
