#pragma once

#include <string>

namespace parvolind {

/// The texts of one job that its information panel shows.
struct JobSummary {
  std::string name;
  std::string definition;
  std::string dir1;
  std::string dir2;
  std::string execution;
};

}  // namespace parvolind
