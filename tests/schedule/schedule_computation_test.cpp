#include "schedule/schedule_computation.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "store/job_store.h"
#include "store/registry_key.h"
#include "support/test_environment.h"

namespace parvolind {
namespace {

using testing::AbsolutePath;

// A week in December 2026: the 8th is a Tuesday.
constexpr LocalTime kFriday1759{2026, 12, 11, 17, 59, 30, 0};
constexpr LocalTime kFriday1800{2026, 12, 11, 18, 0, 0, 0};
constexpr LocalTime kSaturday{2026, 12, 12, 9, 0, 0, 0};
constexpr LocalTime kSunday{2026, 12, 13, 23, 59, 0, 0};
constexpr LocalTime kMonday1800{2026, 12, 14, 18, 0, 0, 0};

const char* const kWeekdays[7] = {"OnSunday",   "OnMonday", "OnTuesday", "OnWednesday",
                                  "OnThursday", "OnFriday", "OnSaturday"};

class ScheduleComputationTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    hive_ = OpenTestHive();
    ASSERT_TRUE(hive_);
    schedule_ = std::make_unique<ScheduleComputation>(*hive_, clock_);
  }

  // Writes the schedule values of job "Job": the given ones, plus the seven
  // weekdays from `days` (1 = Sunday ... 7 = Saturday selected) unless empty.
  void MakeJob(const std::map<std::string, std::string>& texts,
               const std::map<std::string, int>& numbers, const std::string& days = "1234567") {
    RegistryKey key(*hive_);
    ASSERT_TRUE(key.OpenForWriting(JobKeyPath("Job"), true));
    for (const auto& [name, value] : texts) key.WriteString(name, value);
    for (const auto& [name, value] : numbers) key.WriteInteger(name, value);
    if (days == "-") return;  // no weekday values at all
    for (int day = 1; day <= 7; ++day) {
      key.WriteBool(kWeekdays[day - 1],
                    days.find(static_cast<char>('0' + day)) != std::string::npos);
    }
  }

  void TimeJob(const std::string& time, const std::string& days) {
    MakeJob({{"Time", time}}, {{"TimeEnabled", 1}, {"IntEnabled", 0}, {"Intervall", 10}}, days);
  }

  std::string TextAt(const LocalTime& now) {
    clock_.Set(now);
    return schedule_->SetMinutesText("Job");
  }
  LocalTime DateAt(const LocalTime& now) {
    clock_.Set(now);
    return DecodeDateTime(schedule_->GetJobDate("Job"));
  }

  template <typename Call>
  static std::string RegistryErrorOf(Call call) {
    try {
      call();
    } catch (const RegistryError& e) {
      return e.what();
    }
    return "(no error)";
  }

  testing::FakeClock clock_;
  std::unique_ptr<RegistryHive> hive_;
  std::unique_ptr<ScheduleComputation> schedule_;
};

TEST(ScheduleTimes, ComparesAndCountsMinutes) {
  EXPECT_TRUE(ScheduleComputation::GetDateOver("18:00", "18:00"));
  EXPECT_TRUE(ScheduleComputation::GetDateOver("18:00", "19:05"));
  EXPECT_FALSE(ScheduleComputation::GetDateOver("18:00", "17:59"));
  EXPECT_FALSE(ScheduleComputation::GetDateOver("00:01", "00:00"));

  EXPECT_EQ(ScheduleComputation::GetMinutes("18:00", "17:30"), 30);
  EXPECT_EQ(ScheduleComputation::GetMinutes("08:00", "17:30"), 870);  // tomorrow's 08:00
  EXPECT_EQ(ScheduleComputation::GetMinutes("18:05", "18:30"), 25);   // since, same hour
  EXPECT_EQ(ScheduleComputation::GetMinutes("18:00", "18:00"), 0);
  EXPECT_EQ(ScheduleComputation::GetMinutes("00:00", "23:59"), 1);

  // An unfilled first hour position is stored as a blank.
  EXPECT_EQ(ScheduleComputation::GetMinutes(" 8:30", "08:00"), 30);
  EXPECT_TRUE(ScheduleComputation::GetDateOver(" 8:30", "08:30"));
  EXPECT_FALSE(ScheduleComputation::GetDateOver(" 8:30", "08:29"));
  // The separator is not examined.
  EXPECT_EQ(ScheduleComputation::GetMinutes("18.15", "18:00"), 15);

  EXPECT_THROW(ScheduleComputation::GetMinutes("ab:cd", "18:00"), ConversionError);
  EXPECT_THROW(ScheduleComputation::GetDateOver("", "18:00"), ConversionError);
  EXPECT_THROW(ScheduleComputation::GetDateOver("8:30", "18:00"), ConversionError);
}

TEST_F(ScheduleComputationTest, TextFollowsTheModeOnASelectedDay) {
  clock_.Set(kFriday1759);
  MakeJob({{"Time", "18:00"}}, {{"Intervall", 10}, {"IntEnabled", 1}, {"TimeEnabled", 0}});
  EXPECT_EQ(schedule_->SetMinutesText("Job"), "10 Minute(n)");
  MakeJob({}, {{"IntEnabled", 0}, {"TimeEnabled", 1}});
  EXPECT_EQ(schedule_->SetMinutesText("Job"), "18:00 Uhr");
  MakeJob({}, {{"IntEnabled", 0}, {"TimeEnabled", 0}});
  EXPECT_EQ(schedule_->SetMinutesText("Job"), "manuell");
  MakeJob({{"Time", " 8:30"}}, {{"IntEnabled", 0}, {"TimeEnabled", 1}});
  // Written as the clock writes its time, so that the job timer finds it due.
  EXPECT_EQ(schedule_->SetMinutesText("Job"), "08:30 Uhr");
  MakeJob({{"Time", " 8:45"}}, {{"Intervall", 60}, {"IntEnabled", 1}, {"TimeEnabled", 1}});
  EXPECT_EQ(TextAt({2026, 12, 11, 8, 0, 0, 0}), "08:45 Uhr");
}

TEST_F(ScheduleComputationTest, WithoutIntEnabledTheIntervalIsShownAndNothingElseRead) {
  clock_.Set(kFriday1759);
  MakeJob({{"TimeEnabled", "not read"}}, {{"Intervall", 25}});
  EXPECT_EQ(schedule_->SetMinutesText("Job"), "25 Minute(n)");
}

TEST_F(ScheduleComputationTest, CombinedModeShowsTheTimeWhenWithinOneInterval) {
  MakeJob({{"Time", "18:00"}}, {{"Intervall", 60}, {"IntEnabled", 1}, {"TimeEnabled", 1}});
  EXPECT_EQ(TextAt({2026, 12, 8, 17, 30, 0, 0}), "18:00 Uhr");
  EXPECT_EQ(TextAt({2026, 12, 8, 16, 30, 0, 0}), "60 Minute(n)");
  EXPECT_EQ(TextAt({2026, 12, 8, 18, 10, 0, 0}), "18:00 Uhr");  // ten minutes since
  EXPECT_EQ(TextAt({2026, 12, 8, 19, 0, 0, 0}), "60 Minute(n)");
  EXPECT_EQ(TextAt({2026, 12, 8, 17, 0, 0, 0}), "60 Minute(n)");  // exactly one interval
}

TEST_F(ScheduleComputationTest, OnAnUnselectedDayTheNextSelectedDayIsNamed) {
  // Monday to Friday, in every mode.
  for (int interval_on = 0; interval_on <= 1; ++interval_on) {
    MakeJob({{"Time", "18:00"}},
            {{"Intervall", 10}, {"IntEnabled", interval_on}, {"TimeEnabled", 1 - interval_on}},
            "23456");
    EXPECT_EQ(TextAt(kSaturday), "Montag");
    EXPECT_EQ(TextAt(kSunday), "Montag");
    EXPECT_EQ(TextAt(kFriday1800), interval_on ? "10 Minute(n)" : "18:00 Uhr");
  }
  MakeJob({}, {{"IntEnabled", 0}, {"TimeEnabled", 0}}, "4");  // Wednesday only
  EXPECT_EQ(TextAt(kMonday1800), "Mittwoch");
  EXPECT_EQ(TextAt(kFriday1800), "Mittwoch");
  MakeJob({}, {{"IntEnabled", 0}, {"TimeEnabled", 0}}, "1");
  EXPECT_EQ(TextAt(kSaturday), "Sonntag");

  // No weekday at all: "manuell" whatever the mode.
  MakeJob({{"Time", "18:00"}}, {{"Intervall", 10}, {"IntEnabled", 1}, {"TimeEnabled", 1}}, "");
  EXPECT_EQ(TextAt(kFriday1759), "manuell");
  EXPECT_EQ(TextAt(kSunday), "manuell");
}

TEST_F(ScheduleComputationTest, MissingValuesFailWithTheStoreText) {
  clock_.Set(kFriday1759);
  // No key at all: every day selected, no IntEnabled, so the interval is needed.
  EXPECT_EQ(RegistryErrorOf([&] { schedule_->SetMinutesText("Job"); }),
            "Fehler beim Holen der Daten für 'Intervall'");
  EXPECT_DOUBLE_EQ(schedule_->GetJobDate("Job"), 0.0);

  MakeJob({}, {{"IntEnabled", 1}, {"Intervall", 10}});
  EXPECT_EQ(RegistryErrorOf([&] { schedule_->SetMinutesText("Job"); }),
            "Fehler beim Holen der Daten für 'TimeEnabled'");
  MakeJob({{"OnFriday", "1"}}, {{"TimeEnabled", 0}}, "-");
  EXPECT_EQ(RegistryErrorOf([&] { schedule_->SetMinutesText("Job"); }),
            "Ungültiger Datentyp für 'OnFriday'");
}

TEST_F(ScheduleComputationTest, NextMomentOfAWorkdayJob) {
  TimeJob("18:00", "23456");
  EXPECT_EQ(DateAt(kFriday1759), (LocalTime{2026, 12, 11, 18, 0, 0, 0}));
  EXPECT_EQ(DateAt(kFriday1800), (LocalTime{2026, 12, 14, 18, 0, 0, 0}));
  EXPECT_EQ(DateAt(kSaturday), (LocalTime{2026, 12, 14, 18, 0, 0, 0}));
  EXPECT_EQ(DateAt(kSunday), (LocalTime{2026, 12, 14, 18, 0, 0, 0}));
  EXPECT_EQ(DateAt({2026, 12, 31, 18, 30, 0, 0}), (LocalTime{2027, 1, 1, 18, 0, 0, 0}));
}

TEST_F(ScheduleComputationTest, NextMomentWhenOnlyTodayIsSelected) {
  TimeJob("18:00", "6");  // Friday only
  EXPECT_EQ(DateAt(kFriday1759), (LocalTime{2026, 12, 11, 18, 0, 0, 0}));
  EXPECT_EQ(DateAt(kFriday1800), (LocalTime{2026, 12, 18, 18, 0, 0, 0}));
  EXPECT_EQ(TextAt(kFriday1800), "18:00 Uhr");
  EXPECT_EQ(TextAt({2026, 12, 11, 0, 0, 0, 0}), "18:00 Uhr");
}

TEST_F(ScheduleComputationTest, NextMomentWithoutWeekdaysOrTime) {
  TimeJob("18:00", "");
  clock_.Set(kFriday1759);
  EXPECT_DOUBLE_EQ(schedule_->GetJobDate("Job"), 0.75);  // day zero at the time
  TimeJob("00:00", "");
  EXPECT_DOUBLE_EQ(schedule_->GetJobDate("Job"), 0.0);

  MakeJob({{"Time", "18:00"}}, {{"TimeEnabled", 0}, {"IntEnabled", 1}});
  EXPECT_DOUBLE_EQ(schedule_->GetJobDate("Job"), 0.0);

  // Missing weekday values count as selected.
  {
    RegistryKey key(*hive_);
    ASSERT_TRUE(key.OpenForWriting(JobKeyPath("Bare"), true));
    key.WriteString("Time", " 8:30");
    key.WriteBool("TimeEnabled", true);
  }
  clock_.Set(kSaturday);  // 09:00, past 08:30
  EXPECT_EQ(DecodeDateTime(schedule_->GetJobDate("Bare")), (LocalTime{2026, 12, 13, 8, 30, 0, 0}));
  clock_.Set({2026, 12, 12, 8, 29, 59, 0});
  EXPECT_EQ(DecodeDateTime(schedule_->GetJobDate("Bare")), (LocalTime{2026, 12, 12, 8, 30, 0, 0}));

  TimeJob("25:00", "1234567");
  EXPECT_THROW(schedule_->GetJobDate("Job"), ConversionError);
  TimeJob("xx:00", "1234567");
  EXPECT_THROW(schedule_->GetJobDate("Job"), ConversionError);
}

TEST_F(ScheduleComputationTest, ASavedJobStoresItsNextMoment) {
  clock_.Set(kFriday1759);
  std::unique_ptr<Locale> locale = CreateLocale("de_DE");
  JobStore store(*hive_, clock_, *locale);
  const JobDateFunction job_date = [this](const std::string& name) {
    return schedule_->GetJobDate(name);
  };
  JobDefinition job;
  job.Name = "Manual";
  job.Dir1 = AbsolutePath("/daten/");
  job.Dir2 = AbsolutePath("/sicherung/");
  job.Time = "17:00";
  store.SaveJob(job, "", job_date);
  EXPECT_DOUBLE_EQ(store.LoadJob("Manual").NextSync, 0.0);

  job.Name = "Timed";
  job.TimeEnabled = true;
  job.OnSaturday = false;
  job.OnSunday = false;
  store.SaveJob(job, "", job_date);  // 17:00 has passed on Friday: next is Monday
  EXPECT_EQ(DecodeDateTime(store.LoadJob("Timed").NextSync),
            (LocalTime{2026, 12, 14, 17, 0, 0, 0}));
  EXPECT_EQ(schedule_->SetMinutesText("Timed"), "17:00 Uhr");
}

}  // namespace
}  // namespace parvolind
