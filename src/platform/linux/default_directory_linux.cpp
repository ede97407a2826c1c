#include <QDir>

#include "platform/app_paths.h"

namespace parvolind {

std::string DefaultFirstDirectory() { return (QDir::homePath() + QLatin1Char('/')).toStdString(); }

}  // namespace parvolind
