#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "schedule/automation_menu.h"
#include "schedule/fake_tick_host.h"
#include "schedule/job_tick.h"
#include "schedule/schedule_computation.h"
#include "schedule/test_jobs.h"
#include "store/refusing_hive.h"
#include "support/test_environment.h"

namespace parvolind {
namespace {

using testing::FakeClock;
using testing::FakeTickHost;
using testing::JobPath;
using testing::No;
using testing::TestJob;
using testing::Yes;

using Strings = std::vector<std::string>;

class AutomationTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    hive_ = OpenTestHive();
    ASSERT_TRUE(hive_);
    refusing_ = std::make_unique<testing::RefusingHive>(*hive_);
    schedule_ = std::make_unique<ScheduleComputation>(*hive_, clock_);
    menu_ = std::make_unique<AutomationMenu>(*refusing_, clock_, host_);
  }

  void AddJob(const std::string& name, const TestJob& job) {
    testing::WriteJob(*hive_, *schedule_, name, job);
    host_.AddEntry(name, schedule_->SetMinutesText(name));
  }

  std::optional<bool> ReadBool(const std::string& job, const char* value) {
    RegistryKey key(*hive_);
    key.OpenForReading(JobPath(job));
    if (!key.ValueExists(value)) return std::nullopt;
    return key.ReadBool(value);
  }

  const AutomationMenuState& State() const { return menu_->State(); }

  // Monday 7 December 2026, 10:00.
  FakeClock clock_{{2026, 12, 7, 10, 0, 0, 0}};
  std::unique_ptr<RegistryHive> hive_;
  std::unique_ptr<testing::RefusingHive> refusing_;
  std::unique_ptr<ScheduleComputation> schedule_;
  FakeTickHost host_;
  std::unique_ptr<AutomationMenu> menu_;
};

TEST_F(AutomationTest, OpeningTheMenuEnablesAndMarksFromTheSelectedJob) {
  AddJob("Takt", TestJob().Interval(10));
  AddJob("Zeit", TestJob().Timed());

  menu_->ReadStateFor(std::nullopt);
  AutomationMenuState disabled;
  disabled.bearbeiten_enabled = disabled.entfernen_enabled = disabled.durchfuehren_enabled =
      disabled.automatisierung_enabled = disabled.informationen_enabled = false;
  EXPECT_EQ(State(), disabled);

  menu_->ReadStateFor("Takt");
  AutomationMenuState interval;
  interval.intervall_checked = true;
  EXPECT_EQ(State(), interval);

  menu_->ReadStateFor("Zeit");
  EXPECT_TRUE(State().uhrzeit_checked);
  EXPECT_FALSE(State().intervall_checked);
  EXPECT_FALSE(State().manuell_checked);

  // Values that are missing leave their marks; a mistyped one ends the reading but
  // not the enabling.
  {
    RegistryKey key(*hive_);
    key.OpenForWriting(JobPath("Zeit"), false);
    key.WriteString("TimeEnabled", "ja");
  }
  menu_->ReadStateFor(std::nullopt);
  menu_->ReadStateFor("Zeit");
  EXPECT_TRUE(State().uhrzeit_checked);
  EXPECT_TRUE(State().automatisierung_enabled);
  menu_->ReadStateFor("Fehlt");
  EXPECT_TRUE(State().uhrzeit_checked);
  EXPECT_FALSE(State().manuell_checked);
  EXPECT_TRUE(host_.Errors().empty());
}

TEST_F(AutomationTest, IntervalAndTimeCommandsStoreTheModeAndSetTheText) {
  AddJob("Job", TestJob().Interval(10));
  menu_->ReadStateFor("Job");

  menu_->ToggleInterval("Job");
  EXPECT_FALSE(State().intervall_checked);
  EXPECT_TRUE(State().manuell_checked);
  EXPECT_EQ(ReadBool("Job", "IntEnabled"), false);
  EXPECT_EQ(ReadBool("Job", "TimeEnabled"), false);
  EXPECT_EQ(host_.Text("Job"), "manuell");

  menu_->ToggleTime("Job");
  EXPECT_TRUE(State().uhrzeit_checked);
  EXPECT_FALSE(State().manuell_checked);
  EXPECT_EQ(ReadBool("Job", "TimeEnabled"), true);
  EXPECT_EQ(ReadBool("Job", "IntEnabled"), false);
  EXPECT_EQ(host_.Text("Job"), "18:00 Uhr");

  // Both: 18:00 is more than one interval away at 10:00, so the count-down shows.
  menu_->ToggleInterval("Job");
  EXPECT_TRUE(State().intervall_checked && State().uhrzeit_checked);
  EXPECT_EQ(host_.Text("Job"), "10 Minute(n)");
  clock_.Set({2026, 12, 7, 17, 55, 0, 0});
  menu_->ToggleInterval("Job");
  menu_->ToggleInterval("Job");
  EXPECT_EQ(host_.Text("Job"), "18:00 Uhr");

  menu_->SetManual("Job");
  EXPECT_EQ(ReadBool("Job", "IntEnabled"), false);
  EXPECT_EQ(ReadBool("Job", "TimeEnabled"), false);
  EXPECT_TRUE(State().manuell_checked);
  EXPECT_FALSE(State().intervall_checked || State().uhrzeit_checked);
  EXPECT_EQ(host_.Text("Job"), "manuell");

  // On a day that is not selected a manual job shows the next selected day.
  AddJob("Werktag", TestJob().Interval(10).Days(
                        std::array<bool, 7>{false, true, true, true, true, true, false}));
  clock_.Set({2026, 12, 12, 10, 0, 0, 0});  // Saturday
  menu_->SetManual("Werktag");
  EXPECT_EQ(host_.Text("Werktag"), "Montag");
}

TEST_F(AutomationTest, InactiveMarkIsTheMenusOwnAndCarriesOverBetweenJobs) {
  AddJob("A", TestJob().Interval(15));
  AddJob("B", TestJob().Interval(20));
  host_.SetScheduleText("B", "3 Minute(n)");

  menu_->ReadStateFor("A");
  menu_->ToggleInactive("A");
  EXPECT_TRUE(State().inaktiv_checked);
  EXPECT_EQ(host_.Text("A"), "inaktiv");
  EXPECT_EQ(ReadBool("A", "IntEnabled"), true);  // nothing stored

  menu_->ReadStateFor("B");
  EXPECT_TRUE(State().inaktiv_checked);
  menu_->ToggleInactive("B");
  EXPECT_FALSE(State().inaktiv_checked);
  EXPECT_EQ(host_.Text("B"), "20 Minute(n)");
  menu_->ToggleInactive("B");
  EXPECT_EQ(host_.Text("B"), "inaktiv");

  // Any of the other three commands switches the job on again at its full interval.
  menu_->ReadStateFor("A");
  menu_->ToggleInterval("A");
  menu_->ToggleInterval("A");
  EXPECT_FALSE(State().inaktiv_checked);
  EXPECT_EQ(host_.Text("A"), "15 Minute(n)");
  EXPECT_EQ(ReadBool("A", "IntEnabled"), true);
}

TEST_F(AutomationTest, StoreFailuresAreIgnoredAndTextFailuresReported) {
  AddJob("Job", TestJob().Interval(10));
  menu_->ReadStateFor("Job");
  refusing_->refused = {"IntEnabled"};

  // The write is refused: the mark keeps its new state, the text follows the store.
  menu_->ToggleInterval("Job");
  EXPECT_TRUE(State().manuell_checked);
  EXPECT_EQ(ReadBool("Job", "IntEnabled"), true);
  EXPECT_EQ(host_.Text("Job"), "10 Minute(n)");
  EXPECT_TRUE(host_.Errors().empty());

  // A job deleted meanwhile is not brought back; its text cannot be computed and
  // stays as it was.
  refusing_->refused.clear();
  testing::DeleteJobKey(*hive_, "Job");
  host_.SetScheduleText("Job", "7 Minute(n)");
  menu_->SetManual("Job");
  RegistryKey key(*hive_);
  EXPECT_FALSE(key.OpenForReading(JobPath("Job")));
  EXPECT_EQ(host_.Errors(), Strings{"error:Fehler beim Holen der Daten für 'Intervall'"});
  EXPECT_EQ(host_.Text("Job"), "7 Minute(n)");
}

TEST_F(AutomationTest, TimeJobMadeManualAndBackAfterItsMomentIsCaughtUp) {
  clock_.Set({2026, 12, 7, 17, 0, 0, 0});
  AddJob("Abend", TestJob().Timed().Recover(2));
  JobTick tick(*hive_, clock_, host_);

  clock_.Set({2026, 12, 7, 17, 30, 0, 0});
  menu_->ReadStateFor("Abend");
  menu_->SetManual("Abend");
  EXPECT_EQ(host_.Text("Abend"), "manuell");

  clock_.Set({2026, 12, 7, 18, 0, 5, 0});
  tick.RunDueJobs();
  EXPECT_TRUE(host_.Runs().empty());
  EXPECT_TRUE(host_.Questions().empty());

  clock_.Set({2026, 12, 7, 18, 20, 0, 0});
  menu_->ToggleTime("Abend");
  EXPECT_EQ(host_.Text("Abend"), "18:00 Uhr");

  host_.recover_replies = {Yes()};
  clock_.Set({2026, 12, 7, 18, 21, 0, 0});
  tick.RunDueJobs();
  EXPECT_EQ(host_.Questions(), Strings{"recover:Abend"});
  EXPECT_EQ(host_.Runs(), Strings{"run:Abend"});
  RegistryKey key(*hive_);
  key.OpenForReading(JobPath("Abend"));
  EXPECT_EQ(key.ReadDateTime("NextSync"), EncodeDateTime({2026, 12, 8, 18, 0, 0, 0}));
}

TEST_F(AutomationTest, TimeModeGivenToAJobWithoutMomentCatchesNothingUp) {
  AddJob("Neu", TestJob().Interval(10).Recover(0));
  JobTick tick(*hive_, clock_, host_);
  menu_->ReadStateFor("Neu");
  menu_->ToggleInterval("Neu");
  menu_->ToggleTime("Neu");
  EXPECT_EQ(host_.Text("Neu"), "18:00 Uhr");

  clock_.Set({2026, 12, 8, 19, 0, 0, 0});
  tick.RunDueJobs();
  EXPECT_TRUE(host_.Runs().empty());
  RegistryKey key(*hive_);
  key.OpenForReading(JobPath("Neu"));
  EXPECT_EQ(key.ReadDateTime("NextSync"), 0.0);
}

}  // namespace
}  // namespace parvolind
