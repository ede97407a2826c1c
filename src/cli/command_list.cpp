#include <exception>
#include <ostream>

#include "cli/cli_commands.h"
#include "schedule/schedule_computation.h"
#include "store/job_store.h"

namespace parvolind::cli {

int ListCommand(CliContext& context, const std::vector<std::string>& args) {
  if (!args.empty()) {
    context.err << "Aufruf: parvolind-cli list\n";
    return kExitUsage;
  }
  // One read transaction: the list shows one state of the store, and SQLite
  // takes its locks once instead of for every value read.
  HiveTransaction snapshot(context.hive);
  const JobStore store(context.hive, context.clock, context.locale);
  const ScheduleComputation schedule(context.hive, context.clock);
  bool all_computed = true;
  for (const std::string& name : store.ListJobsSorted()) {
    std::string text;
    try {
      text = schedule.SetMinutesText(name);
    } catch (const std::exception& e) {
      // One broken job must not hide the others: its row carries the error.
      text = e.what();
      all_computed = false;
    }
    context.out << name << '\t' << text << '\n';
  }
  context.out.flush();
  return all_computed ? 0 : 1;
}

}  // namespace parvolind::cli
