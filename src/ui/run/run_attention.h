#pragma once

#include <QString>
#include <optional>
#include <string>

#include "engine/synchronisation_run.h"

namespace parvolind::ui {

/// What the user is told of a run of `job_name` nobody watched: that it failed, or how many
/// files it could not synchronise. Nothing for a run that went well.
std::optional<QString> RunAttentionText(const std::string& job_name, const RunResult& result);

}  // namespace parvolind::ui
