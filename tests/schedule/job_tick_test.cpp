#include "schedule/job_tick.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/locale.h"
#include "schedule/clock_line.h"
#include "schedule/fake_tick_host.h"
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

DateTime At(int year, int month, int day, int hour, int minute) {
  return EncodeDateTime(LocalTime{year, month, day, hour, minute, 0, 0});
}

// 7 December 2026 is a Monday.
constexpr LocalTime kMonday1000{2026, 12, 7, 10, 0, 0, 0};

class JobTickTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    hive_ = OpenTestHive();
    ASSERT_TRUE(hive_);
    refusing_ = std::make_unique<testing::RefusingHive>(*hive_);
    schedule_ = std::make_unique<ScheduleComputation>(*hive_, clock_);
    tick_ = std::make_unique<JobTick>(*refusing_, clock_, host_);
    // The run writes `NextSync` at its end, as the engine's run does; it handles
    // its own failures.
    host_.on_run = [this](const std::string& name) {
      try {
        RegistryKey key(*hive_);
        key.OpenForWriting(JobPath(name), false);
        key.WriteDateTime("NextSync", schedule_->GetJobDate(name));
      } catch (const std::exception&) {
      }
    };
  }

  // Stores the job and lists it with its computed schedule text.
  void AddJob(const std::string& name, const TestJob& job) {
    testing::WriteJob(*hive_, *schedule_, name, job);
    host_.AddEntry(name, schedule_->SetMinutesText(name));
  }

  void TickAt(const LocalTime& time) {
    clock_.Set(time);
    tick_->RunDueJobs();
  }
  void TickAfterMinutes(int minutes) {
    clock_.AdvanceMinutes(minutes);
    tick_->RunDueJobs();
  }

  std::optional<int32_t> ReadInteger(const std::string& job, const char* value) {
    RegistryKey key(*hive_);
    key.OpenForReading(JobPath(job));
    if (!key.ValueExists(value)) return std::nullopt;
    return key.ReadInteger(value);
  }
  DateTime ReadNextSync(const std::string& job) {
    RegistryKey key(*hive_);
    key.OpenForReading(JobPath(job));
    return key.ReadDateTime("NextSync");
  }
  void WriteNextSync(const std::string& job, DateTime value) {
    RegistryKey key(*hive_);
    key.OpenForWriting(JobPath(job), false);
    key.WriteDateTime("NextSync", value);
  }

  FakeClock clock_{kMonday1000};
  std::unique_ptr<RegistryHive> hive_;
  std::unique_ptr<testing::RefusingHive> refusing_;
  std::unique_ptr<ScheduleComputation> schedule_;
  FakeTickHost host_;
  std::unique_ptr<JobTick> tick_;
};

TEST_F(JobTickTest, EventsComeBetweenEntriesAndTheNextEntrySeesWhatTheyChanged) {
  AddJob("Erster", TestJob().Interval(5));
  AddJob("Zweiter", TestJob().Interval(1));
  int passes = 0;
  // The second pass comes after the first entry: the user deletes the due job meanwhile.
  host_.on_events = [&] {
    if (++passes == 2) host_.RemoveEntry("Zweiter");
  };
  TickAfterMinutes(1);
  EXPECT_EQ(passes, 2);
  EXPECT_EQ(host_.Text("Erster"), "4 Minute(n)");
  EXPECT_TRUE(host_.Runs().empty());
}

TEST_F(JobTickTest, IntervalCountsDownRunsAndStartsAgainAtTheFullInterval) {
  AddJob("Sichern", TestJob().Interval(5));
  ASSERT_EQ(host_.Text("Sichern"), "5 Minute(n)");

  for (int left = 4; left >= 1; --left) {
    TickAfterMinutes(1);
    EXPECT_EQ(host_.Text("Sichern"), std::to_string(left) + " Minute(n)");
  }
  EXPECT_TRUE(host_.Runs().empty());

  host_.calls.clear();
  host_.texts_set.clear();
  TickAfterMinutes(1);
  EXPECT_EQ(host_.Runs(), Strings{"run:Sichern"});
  EXPECT_EQ(host_.texts_set, (Strings{"Sichern=0 Minute(n)", "Sichern=Wird durchgeführt...",
                                      "Sichern=5 Minute(n)"}));
  // The timer is stopped first and started last; events are processed before the
  // walk and after "Wird durchgeführt..." is shown.
  EXPECT_EQ(host_.calls, (Strings{"stop", "events", "events", "run:Sichern", "start"}));
  EXPECT_TRUE(host_.timer_running);
  EXPECT_TRUE(host_.Questions().empty());
}

TEST_F(JobTickTest, TimeJobRunsInItsMinuteAndIsLeftAloneTheNextMinute) {
  // Monday to Friday at 18:00, on Friday 11 December 2026.
  clock_.Set({2026, 12, 11, 17, 0, 0, 0});
  AddJob("Abend",
         TestJob().Timed().Days(std::array<bool, 7>{false, true, true, true, true, true, false}));
  ASSERT_EQ(ReadNextSync("Abend"), At(2026, 12, 11, 18, 0));

  TickAt({2026, 12, 11, 17, 59, 10, 0});
  EXPECT_EQ(host_.Text("Abend"), "18:00 Uhr");
  EXPECT_TRUE(host_.Runs().empty());

  TickAt({2026, 12, 11, 18, 0, 10, 0});
  EXPECT_EQ(host_.Runs(), Strings{"run:Abend"});
  EXPECT_EQ(host_.Text("Abend"), "18:00 Uhr");
  EXPECT_EQ(ReadNextSync("Abend"), At(2026, 12, 14, 18, 0));  // next Monday

  TickAt({2026, 12, 11, 18, 1, 10, 0});
  EXPECT_EQ(host_.Runs().size(), 1u);
  EXPECT_TRUE(host_.Questions().empty());
  EXPECT_EQ(ReadNextSync("Abend"), At(2026, 12, 14, 18, 0));

  // A time stored with a blank for its first hour digit is due in its minute too.
  AddJob("Früh", TestJob().Timed(" 8:30"));
  EXPECT_EQ(host_.Text("Früh"), "08:30 Uhr");
  TickAt({2026, 12, 12, 8, 30, 10, 0});
  EXPECT_EQ(host_.Runs(), (Strings{"run:Abend", "run:Früh"}));
  EXPECT_EQ(ReadNextSync("Früh"), At(2026, 12, 13, 8, 30));
}

TEST_F(JobTickTest, MissingConfirmAsksAndTheAnswerDecidesLaterDueMoments) {
  clock_.Set({2026, 12, 7, 17, 0, 0, 0});
  AddJob("Fragen", TestJob().Timed().Asking());

  // Yes with the box clear: the job runs and keeps asking.
  host_.confirm_replies = {Yes(false)};
  TickAt({2026, 12, 7, 18, 0, 5, 0});
  EXPECT_EQ(host_.Questions(), Strings{"confirm:Fragen"});
  EXPECT_EQ(host_.Runs(), Strings{"run:Fragen"});
  EXPECT_EQ(ReadInteger("Fragen", "Confirm"), 1);

  // No with the box ticked: no run, the next moment is stored, no more questions.
  host_.confirm_replies = {No(true)};
  TickAt({2026, 12, 8, 18, 0, 5, 0});
  EXPECT_EQ(host_.Questions().size(), 2u);
  EXPECT_EQ(host_.Runs().size(), 1u);
  EXPECT_EQ(ReadInteger("Fragen", "Confirm"), 0);
  EXPECT_EQ(ReadNextSync("Fragen"), At(2026, 12, 9, 18, 0));
  EXPECT_EQ(host_.Text("Fragen"), "18:00 Uhr");

  TickAt({2026, 12, 9, 18, 0, 5, 0});
  EXPECT_EQ(host_.Questions().size(), 2u);
  EXPECT_EQ(host_.Runs(), (Strings{"run:Fragen", "run:Fragen"}));
}

TEST_F(JobTickTest, TickedBoxCarriesOverToTheNextQuestionOfAnyJob) {
  AddJob("A", TestJob().Interval(5).Asking());
  AddJob("B", TestJob().Interval(5).Asking());
  host_.SetScheduleText("A", "1 Minute(n)");
  host_.SetScheduleText("B", "1 Minute(n)");
  std::vector<bool> box_when_asked;
  host_.on_confirm = [&](const std::string&) { box_when_asked.push_back(host_.confirm_box); };
  host_.confirm_replies = {Yes(true), No()};

  TickAfterMinutes(1);
  EXPECT_EQ(box_when_asked, (std::vector<bool>{false, true}));
  EXPECT_EQ(host_.Runs(), Strings{"run:A"});
  EXPECT_EQ(ReadInteger("A", "Confirm"), 0);
  EXPECT_EQ(ReadInteger("B", "Confirm"), 0);
  EXPECT_EQ(host_.Text("A"), "5 Minute(n)");
  EXPECT_EQ(host_.Text("B"), "5 Minute(n)");

  // Both now run without a question.
  for (int i = 0; i < 5; ++i) TickAfterMinutes(1);
  EXPECT_EQ(host_.Questions().size(), 2u);
  EXPECT_EQ(host_.Runs(), (Strings{"run:A", "run:A", "run:B"}));
}

TEST_F(JobTickTest, JobsDueInOneTickRunInListOrder) {
  AddJob("Alpha", TestJob().Interval(5));
  AddJob("Beta", TestJob().Interval(5));
  AddJob("Gamma", TestJob().Interval(5));
  host_.SetScheduleText("Alpha", "1 Minute(n)");
  host_.SetScheduleText("Beta", "1 Minute(n)");
  host_.SetScheduleText("Gamma", "3 Minute(n)");
  host_.calls.clear();

  TickAfterMinutes(1);
  EXPECT_EQ(host_.Runs(), (Strings{"run:Alpha", "run:Beta"}));
  EXPECT_EQ(host_.Text("Gamma"), "2 Minute(n)");
  EXPECT_EQ(host_.CallsStartingWith("stop").size(), 1u);
  EXPECT_EQ(host_.calls.back(), "start");
}

TEST_F(JobTickTest, CatchUpAskedWithRecover2) {
  clock_.Set({2026, 12, 7, 12, 0, 0, 0});
  AddJob("Ja", TestJob().Timed());
  AddJob("Nein", TestJob().Timed());
  AddJob("Offen", TestJob().Timed());
  host_.recover_replies = {Yes(true), No(true), Yes(false)};

  // Started at 18:30, the first tick comes at 18:31.
  host_.texts_set.clear();
  TickAt({2026, 12, 7, 18, 31, 0, 0});
  EXPECT_EQ(host_.Questions(), (Strings{"recover:Ja", "recover:Nein", "recover:Offen"}));
  EXPECT_EQ(host_.Runs(), (Strings{"run:Ja", "run:Offen"}));
  EXPECT_EQ(ReadInteger("Ja", "Recover"), 0);
  EXPECT_EQ(ReadInteger("Nein", "Recover"), 1);
  EXPECT_EQ(ReadInteger("Offen", "Recover"), 2);
  for (const char* job : {"Ja", "Nein", "Offen"}) {
    EXPECT_EQ(ReadNextSync(job), At(2026, 12, 8, 18, 0)) << job;
    EXPECT_EQ(host_.Text(job), "18:00 Uhr") << job;
  }
  EXPECT_EQ(host_.texts_set,
            (Strings{"Ja=18:00 Uhr", "Ja=Wird durchgeführt...", "Ja=18:00 Uhr", "Nein=18:00 Uhr",
                     "Offen=18:00 Uhr", "Offen=Wird durchgeführt...", "Offen=18:00 Uhr"}));

  // The next missed moment: 0 runs without a question, 1 never runs but moves on,
  // 2 asks again.
  host_.recover_replies = {No(false)};
  TickAt({2026, 12, 8, 18, 45, 0, 0});
  EXPECT_EQ(host_.Questions().size(), 4u);
  EXPECT_EQ(host_.Questions().back(), "recover:Offen");
  EXPECT_EQ(host_.Runs(), (Strings{"run:Ja", "run:Offen", "run:Ja"}));
  for (const char* job : {"Ja", "Nein", "Offen"}) {
    EXPECT_EQ(ReadNextSync(job), At(2026, 12, 9, 18, 0)) << job;
  }
}

TEST_F(JobTickTest, CatchUpByStoredRecoverValue) {
  clock_.Set({2026, 12, 7, 12, 0, 0, 0});
  AddJob("Sofort", TestJob().Timed().Recover(0));
  AddJob("Nie", TestJob().Timed().Recover(1));
  AddJob("Sieben", TestJob().Timed().Recover(7));
  AddJob("OhneWert", TestJob().Timed().Recover(std::nullopt));

  TickAt({2026, 12, 7, 18, 31, 0, 0});
  EXPECT_TRUE(host_.Questions().empty());
  EXPECT_EQ(host_.Runs(), Strings{"run:Sofort"});
  EXPECT_EQ(ReadNextSync("Sofort"), At(2026, 12, 8, 18, 0));
  EXPECT_EQ(ReadNextSync("Nie"), At(2026, 12, 8, 18, 0));
  EXPECT_EQ(ReadNextSync("Sieben"), At(2026, 12, 8, 18, 0));
  // Without `Recover` there is no catch-up at all: the moment stays.
  EXPECT_EQ(ReadNextSync("OhneWert"), At(2026, 12, 7, 18, 0));
  EXPECT_EQ(ReadInteger("Sieben", "Recover"), 7);
}

TEST_F(JobTickTest, InactiveManualAndIntervalJobsAreNeverCaughtUp) {
  clock_.Set({2026, 12, 7, 12, 0, 0, 0});
  AddJob("Aus", TestJob().Timed().Recover(0));
  AddJob("Hand", TestJob().Timed().Recover(0));
  AddJob("Takt", TestJob().Interval(30).Recover(0));
  host_.SetScheduleText("Aus", "inaktiv");
  host_.SetScheduleText("Hand", "manuell");
  ASSERT_EQ(ReadNextSync("Takt"), 0.0);

  TickAt({2026, 12, 8, 9, 0, 0, 0});
  EXPECT_TRUE(host_.Runs().empty());
  EXPECT_EQ(host_.Text("Aus"), "inaktiv");
  EXPECT_EQ(host_.Text("Hand"), "manuell");
  EXPECT_EQ(ReadNextSync("Aus"), At(2026, 12, 7, 18, 0));
  EXPECT_EQ(ReadNextSync("Hand"), At(2026, 12, 7, 18, 0));
  EXPECT_EQ(host_.Text("Takt"), "29 Minute(n)");
}

TEST_F(JobTickTest, ManualRunLeavesTheCountDownAlone) {
  AddJob("Takt", TestJob().Interval(5).Asking());
  TickAfterMinutes(1);
  TickAfterMinutes(1);
  ASSERT_EQ(host_.Text("Takt"), "3 Minute(n)");

  host_.calls.clear();
  tick_->RunNow(std::nullopt);
  EXPECT_TRUE(host_.calls.empty());

  tick_->RunNow("Takt");
  EXPECT_EQ(host_.calls, (Strings{"stop", "run:Takt", "start"}));
  EXPECT_EQ(host_.Text("Takt"), "3 Minute(n)");
  EXPECT_TRUE(host_.Questions().empty());

  // Never a run inside a run.
  host_.run_in_progress = true;
  tick_->RunNow("Takt");
  host_.run_in_progress = false;
  EXPECT_EQ(host_.Runs().size(), 1u);

  TickAfterMinutes(1);
  TickAfterMinutes(1);
  EXPECT_EQ(host_.Runs().size(), 1u);
  host_.confirm_replies = {Yes()};
  TickAfterMinutes(1);
  EXPECT_EQ(host_.Runs().size(), 2u);
  EXPECT_EQ(host_.Text("Takt"), "5 Minute(n)");
}

TEST_F(JobTickTest, DayNotSelectedShowsTheNextDayAndRunsNothing) {
  const std::array<bool, 7> weekdays = {false, true, true, true, true, true, false};
  clock_.Set({2026, 12, 12, 17, 0, 0, 0});  // Saturday
  AddJob("Zeit", TestJob().Timed().Days(weekdays).Recover(0));
  AddJob("Takt", TestJob().Interval(5).Days(weekdays));
  EXPECT_EQ(host_.Text("Zeit"), "Montag");
  EXPECT_EQ(host_.Text("Takt"), "Montag");

  TickAt({2026, 12, 12, 18, 0, 5, 0});
  TickAt({2026, 12, 13, 23, 59, 5, 0});  // Sunday
  EXPECT_TRUE(host_.Runs().empty());
  EXPECT_EQ(host_.Text("Zeit"), "Montag");
  EXPECT_EQ(host_.Text("Takt"), "Montag");

  TickAt({2026, 12, 14, 0, 0, 5, 0});  // Monday
  EXPECT_EQ(host_.Text("Zeit"), "18:00 Uhr");
  EXPECT_EQ(host_.Text("Takt"), "5 Minute(n)");
  EXPECT_TRUE(host_.Runs().empty());
}

TEST_F(JobTickTest, EntryDeletedWhileItsQuestionWaitsIsLeftAlone) {
  AddJob("Weg", TestJob().Interval(5).Asking());
  AddJob("Bleibt", TestJob().Interval(5));
  host_.SetScheduleText("Weg", "1 Minute(n)");
  host_.SetScheduleText("Bleibt", "1 Minute(n)");
  host_.on_confirm = [&](const std::string& name) {
    host_.RemoveEntry(name);
    testing::DeleteJobKey(*hive_, name);
  };
  host_.confirm_replies = {Yes(true)};

  TickAfterMinutes(1);
  EXPECT_EQ(host_.Runs(), Strings{"run:Bleibt"});
  EXPECT_EQ(host_.Text("Weg"), "<none>");
  EXPECT_EQ(host_.Text("Bleibt"), "5 Minute(n)");
  EXPECT_TRUE(host_.Errors().empty());
  // The answer is not written into a key brought back to life.
  RegistryKey key(*hive_);
  EXPECT_FALSE(key.OpenForReading(JobPath("Weg")));
}

TEST_F(JobTickTest, NothingElseStartsWhileATickWaitsForAnAnswer) {
  AddJob("Frage", TestJob().Interval(5).Asking());
  AddJob("Hand", TestJob().Interval(5));
  host_.SetScheduleText("Frage", "1 Minute(n)");
  host_.calls.clear();
  Strings calls_during_question;
  host_.on_confirm = [&](const std::string&) {
    tick_->RunNow("Hand");      // the run command
    tick_->RunDueJobs();        // a tick that was already queued
    tick_->HoldTimerJobs();     // the wizard opens ...
    tick_->ReleaseTimerJobs();  // ... and closes again
    calls_during_question = host_.calls;
    EXPECT_TRUE(tick_->TickActive());
  };
  host_.confirm_replies = {Yes()};

  TickAfterMinutes(1);
  EXPECT_EQ(calls_during_question, (Strings{"stop", "events", "events", "confirm:Frage", "stop"}));
  // The run asked for during the question comes after the tick's own run, and the
  // timer is started once, at the very end.
  EXPECT_EQ(host_.Runs(), (Strings{"run:Frage", "run:Hand"}));
  EXPECT_EQ(host_.CallsStartingWith("start").size(), 1u);
  EXPECT_EQ(host_.calls.back(), "start");
  EXPECT_EQ(host_.Text("Hand"), "4 Minute(n)");
  EXPECT_FALSE(tick_->TickActive());
}

TEST_F(JobTickTest, OpenWizardKeepsTheTimerStoppedPastTheTick) {
  AddJob("Frage", TestJob().Interval(5).Asking());
  host_.SetScheduleText("Frage", "1 Minute(n)");
  host_.on_confirm = [&](const std::string&) { tick_->HoldTimerJobs(); };
  host_.confirm_replies = {No()};

  TickAfterMinutes(1);
  EXPECT_FALSE(host_.timer_running);
  EXPECT_TRUE(host_.CallsStartingWith("start").empty());
  // A tick that still arrives while the wizard is open does nothing.
  const size_t calls_before = host_.calls.size();
  TickAfterMinutes(1);
  EXPECT_EQ(host_.calls.size(), calls_before);
  tick_->ReleaseTimerJobs();
  EXPECT_TRUE(host_.timer_running);

  // A deferred run whose entry is gone by the end of the tick is dropped.
  host_.SetScheduleText("Frage", "1 Minute(n)");
  host_.on_confirm = [&](const std::string&) {
    tick_->RunNow("Frage");
    host_.RemoveEntry("Frage");
  };
  host_.confirm_replies = {Yes()};
  TickAfterMinutes(1);
  EXPECT_TRUE(host_.Runs().empty());
  EXPECT_TRUE(host_.timer_running);
}

TEST_F(JobTickTest, NoRunStartsWhileTheWizardIsOpenTheTickAndADeferredRunWaitForIt) {
  AddJob("Hand", TestJob().Interval(5));
  AddJob("Vorher", TestJob().Interval(5));
  AddJob("Frage", TestJob().Interval(5).Asking());
  host_.SetScheduleText("Vorher", "1 Minute(n)");
  host_.SetScheduleText("Frage", "1 Minute(n)");
  // "Durchführen" while the question waits, then "Neu".
  host_.on_confirm = [&](const std::string&) {
    tick_->RunNow("Hand");
    tick_->HoldTimerJobs();
  };
  host_.on_wait = [&] {
    EXPECT_EQ(host_.Runs(), Strings{"run:Vorher"}) << "a run started under the open wizard";
    tick_->ReleaseTimerJobs();  // the wizard closes
  };
  host_.confirm_replies = {Yes()};
  TickAfterMinutes(1);
  EXPECT_EQ(host_.CallsStartingWith("wait").size(), 1u);
  EXPECT_EQ(host_.Runs(), (Strings{"run:Vorher", "run:Frage", "run:Hand"}));

  // A tick that ends under the hold leaves its deferred run to the wizard's close.
  host_.calls.clear();
  host_.SetScheduleText("Frage", "1 Minute(n)");
  host_.confirm_replies = {No()};
  TickAfterMinutes(1);
  EXPECT_TRUE(host_.Runs().empty());
  EXPECT_FALSE(host_.timer_running);
  tick_->ReleaseTimerJobs();
  EXPECT_EQ(host_.Runs(), Strings{"run:Hand"});
  EXPECT_TRUE(host_.timer_running);
}

TEST_F(JobTickTest, AJobThatBecameManualBehindTheListIsStillCaughtUp) {
  clock_.Set({2026, 12, 7, 12, 0, 0, 0});
  AddJob("Hand", TestJob().Timed().Recover(0));
  {
    RegistryKey key(*hive_);
    key.OpenForWriting(JobPath("Hand"), false);
    key.WriteBool("TimeEnabled", false);
  }
  TickAt({2026, 12, 8, 9, 0, 0, 0});
  EXPECT_EQ(host_.Runs(), Strings{"run:Hand"});
  EXPECT_EQ(host_.Text("Hand"), "manuell");
  EXPECT_EQ(ReadNextSync("Hand"), 0.0);
}

TEST_F(JobTickTest, FailureEndsTheTickAndLeavesTheRestForTheNext) {
  AddJob("Erster", TestJob().Interval(5));
  AddJob("Kaputt", TestJob().Timed());
  AddJob("Letzter", TestJob().Interval(5));
  host_.SetScheduleText("Erster", "1 Minute(n)");
  host_.SetScheduleText("Letzter", "1 Minute(n)");
  {
    RegistryKey key(*hive_);
    key.OpenForWriting(JobPath("Kaputt"), false);
    key.WriteString("TimeEnabled", "ja");
  }

  TickAfterMinutes(1);
  EXPECT_EQ(host_.Runs(), Strings{"run:Erster"});
  EXPECT_EQ(host_.Errors(), Strings{"error:Ungültiger Datentyp für 'TimeEnabled'"});
  EXPECT_EQ(host_.Text("Letzter"), "1 Minute(n)");
  EXPECT_EQ(host_.calls.back(), "start");

  // A count-down that is no number is a schedule that cannot be worked out: that job is left
  // out from then on, the others go on.
  host_.RemoveEntry("Kaputt");
  host_.SetScheduleText("Erster", "x Minute(n)");
  TickAfterMinutes(1);
  EXPECT_EQ(host_.Errors().back(), "error:'x' ist kein gültiger Integerwert");
  EXPECT_EQ(host_.Text("Erster"), "");
  EXPECT_EQ(host_.Runs(), (Strings{"run:Erster", "run:Letzter"}));
  EXPECT_EQ(host_.calls.back(), "start");

  // An interval stored as 0 is due at every tick rather than counting below 0.
  host_.SetScheduleText("Erster", "0 Minute(n)");
  TickAfterMinutes(1);
  EXPECT_EQ(host_.Runs(), (Strings{"run:Erster", "run:Letzter", "run:Erster"}));
}

TEST_F(JobTickTest, AJobWithAnUnreadableTimeIsShownOnceAndStopsNoOtherJob) {
  AddJob("Kaputt", TestJob().Timed());
  AddJob("Letzter", TestJob().Interval(1));
  {
    RegistryKey key(*hive_);
    key.OpenForWriting(JobPath("Kaputt"), false);
    key.WriteString("Time", "xx:yy");
  }
  for (int tick = 1; tick <= 3; ++tick) TickAfterMinutes(1);
  EXPECT_EQ(host_.Errors().size(), 1u);
  EXPECT_EQ(host_.Text("Kaputt"), "");
  EXPECT_EQ(host_.Runs(), (Strings{"run:Letzter", "run:Letzter", "run:Letzter"}));
}

TEST_F(JobTickTest, ATimedJobRunsOnceForItsMomentWhenTheClockShowsTheMinuteAgain) {
  clock_.Set({2026, 12, 11, 17, 0, 0, 0});
  AddJob("Abend", TestJob().Timed());
  TickAt({2026, 12, 11, 18, 0, 10, 0});
  ASSERT_EQ(host_.Runs(), Strings{"run:Abend"});
  // The clock is set back a few minutes (or the hour repeats when summer time ends).
  TickAt({2026, 12, 11, 17, 58, 10, 0});
  TickAt({2026, 12, 11, 18, 0, 10, 0});
  EXPECT_EQ(host_.Runs(), Strings{"run:Abend"});
  TickAt({2026, 12, 12, 18, 0, 10, 0});
  EXPECT_EQ(host_.Runs(), (Strings{"run:Abend", "run:Abend"}));
}

TEST_F(JobTickTest, UnreadableConfirmAsksAndRefusedWritesKeepTheDecision) {
  clock_.Set({2026, 12, 7, 12, 0, 0, 0});
  AddJob("Zeit", TestJob().Timed().Asking());
  {
    RegistryKey key(*hive_);
    key.OpenForWriting(JobPath("Zeit"), false);
    key.WriteString("Confirm", "nein");
  }
  refusing_->refused = {"Confirm", "Recover"};

  host_.confirm_replies = {Yes(true)};
  TickAt({2026, 12, 7, 18, 0, 5, 0});
  EXPECT_EQ(host_.Questions(), Strings{"confirm:Zeit"});
  EXPECT_EQ(host_.Runs(), Strings{"run:Zeit"});
  EXPECT_TRUE(host_.Errors().empty());

  WriteNextSync("Zeit", At(2026, 12, 8, 18, 0));
  host_.recover_replies = {Yes(true)};
  TickAt({2026, 12, 8, 18, 30, 0, 0});
  EXPECT_EQ(host_.Questions(), (Strings{"confirm:Zeit", "recover:Zeit"}));
  EXPECT_EQ(host_.Runs(), (Strings{"run:Zeit", "run:Zeit"}));
  EXPECT_EQ(ReadInteger("Zeit", "Recover"), 2);
  EXPECT_TRUE(host_.Errors().empty());
}

TEST_F(JobTickTest, NoRunStartsWhileAnotherRunIsUnderWay) {
  AddJob("Takt", TestJob().Interval(5));
  host_.SetScheduleText("Takt", "1 Minute(n)");
  host_.run_in_progress = true;
  TickAfterMinutes(1);
  EXPECT_TRUE(host_.Runs().empty());
  EXPECT_EQ(host_.Text("Takt"), "0 Minute(n)");

  // Still due at the next tick.
  host_.run_in_progress = false;
  TickAfterMinutes(1);
  EXPECT_EQ(host_.Runs(), Strings{"run:Takt"});
  EXPECT_EQ(host_.Text("Takt"), "5 Minute(n)");
}

TEST_F(JobTickTest, ProgramEndingDuringAQuestionStartsNothingMore) {
  AddJob("Frage", TestJob().Interval(5).Asking());
  AddJob("Danach", TestJob().Interval(5));
  host_.SetScheduleText("Frage", "1 Minute(n)");
  host_.SetScheduleText("Danach", "1 Minute(n)");
  host_.on_confirm = [&](const std::string&) {
    tick_->RunNow("Danach");
    host_.ending = true;
  };
  host_.confirm_replies = {Yes()};

  TickAfterMinutes(1);
  EXPECT_TRUE(host_.Runs().empty());
  EXPECT_EQ(host_.Text("Danach"), "1 Minute(n)");
  EXPECT_EQ(ReadInteger("Frage", "Confirm"), std::nullopt);  // no answer was given
}

TEST(QuestionTextTest, NamesTheJob) {
  EXPECT_EQ(ConfirmQuestionText("Fotos"),
            "Auftrag 'Fotos' hat den Synchronisationszeitpunkt erreicht.");
  EXPECT_EQ(RecoverQuestionText("Fotos"),
            "Auftrag 'Fotos' konnte beim letzten Synchronisationszeitpunkt nicht durchgeführt "
            "werden.");
}

TEST(ClockLineTest, LongNamesFromTheLocaleAndTwoDigitFields) {
  const std::unique_ptr<Locale> german = CreateLocale("de_DE");
  EXPECT_EQ(ClockLine::Format({2002, 1, 7, 18, 0, 0, 0}, *german),
            "Montag, 07. Januar 2002 - 18:00 Uhr");
  EXPECT_EQ(ClockLine::Format({2026, 3, 1, 8, 5, 59, 999}, *german),
            "Sonntag, 01. März 2026 - 08:05 Uhr");
  FakeClock clock({2026, 12, 31, 23, 59, 30, 0});
  EXPECT_EQ(ClockLine(clock, *german).Text(), "Donnerstag, 31. Dezember 2026 - 23:59 Uhr");
}

}  // namespace
}  // namespace parvolind
