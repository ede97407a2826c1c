#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "store/date_time.h"

namespace parvolind {

/// The stored values of one job, one field per registry value of its key, with
/// the wizard's defaults for a new job.
struct JobDefinition {
  std::string Name = "Unbenannt";
  std::string Definition;
  std::string Execution = "n/a";
  std::string Dir1;
  std::string Dir2;
  bool SubDirs = true;
  bool DirUp = false;
  bool DirDown = false;
  bool CritAll = true;
  bool CritNew = false;
  bool CritNewer = false;
  bool ArchivBit = false;
  bool DelOthers = true;
  int32_t FilterType = 0;
  std::string Filter;
  bool FilterOld = false;
  int32_t FilterValue = 14;
  int32_t Intervall = 10;
  bool IntEnabled = false;
  std::string Time = "18:00";
  bool TimeEnabled = false;
  bool OnMonday = true;
  bool OnTuesday = true;
  bool OnWednesday = true;
  bool OnThursday = true;
  bool OnFriday = true;
  bool OnSaturday = true;
  bool OnSunday = true;
  bool CRC32 = true;
  DateTime NextSync = 0.0;
  int32_t Recover = 2;
  std::optional<bool> Confirm;  ///< absent: ask before an automatic run
};

}  // namespace parvolind
