#include "engine/sync_job.h"

#include <stdexcept>
#include <string_view>

#include "engine/run_context.h"
#include "engine/run_paths.h"
#include "platform/path_rules.h"
#include "store/job_store.h"

namespace parvolind {
namespace {

constexpr std::string_view kDir1Relative = "Verzeichnis 1 ist kein absoluter Pfad.";
constexpr std::string_view kDir2Relative = "Verzeichnis 2 ist kein absoluter Pfad.";

}  // namespace

SyncJob ReadSyncJob(RegistryKey& key, LogWriter& log) {
  SyncJob job;
  job.dir1 = key.ReadString(job_value::kDir1);
  job.dir2 = key.ReadString(job_value::kDir2);
  if (job.dir1.empty()) throw std::runtime_error("Verzeichnis 1 ist nicht angegeben.");
  if (job.dir2.empty()) throw std::runtime_error("Verzeichnis 2 ist nicht angegeben.");
  // A relative root would be taken from whichever folder the caller was started in, so the
  // window, the command line and a timed run would each work on other folders.
  if (!IsAbsolutePath(job.dir1)) Refusal(log, kDir1Relative);
  if (!IsAbsolutePath(job.dir2)) Refusal(log, kDir2Relative);
  job.dir1 = WithSeparator(job.dir1);
  job.dir2 = WithSeparator(job.dir2);
  job.filter = key.ReadString("Filter");
  job.filter_type = key.ReadInteger("FilterType");
  job.days = key.ReadBool("FilterOld") ? key.ReadInteger("FilterValue") : 0;
  job.sub_dirs = key.ReadBool("SubDirs");
  job.dir_down = key.ReadBool("DirDown");
  job.dir_up = key.ReadBool("DirUp");
  if (key.ReadBool("CritAll")) {
    job.mode = 0;
  } else if (key.ReadBool("CritNew")) {
    job.mode = 1;
  } else if (key.ReadBool("CritNewer")) {
    job.mode = 2;
  } else {
    job.mode = 1;
  }
  job.archiv_bit = key.ReadBool("ArchivBit");
  job.del_others = key.ReadBool("DelOthers");
  job.crc32 = key.ReadBool("CRC32");
  return job;
}

}  // namespace parvolind
