#include "store/date_time.h"

#include <gtest/gtest.h>

namespace parvolind {
namespace {

TEST(DateTime, EncodesKnownMomentsAndRoundTrips) {
  EXPECT_DOUBLE_EQ(EncodeDateTime({1899, 12, 30, 0, 0, 0, 0}), 0.0);
  EXPECT_DOUBLE_EQ(EncodeDateTime({1899, 12, 30, 18, 0, 0, 0}), 0.75);
  EXPECT_DOUBLE_EQ(EncodeDateTime({1900, 1, 1, 0, 0, 0, 0}), 2.0);
  EXPECT_DOUBLE_EQ(EncodeDateTime({2000, 1, 1, 12, 0, 0, 0}), 36526.5);
  EXPECT_DOUBLE_EQ(EncodeDateTime({1899, 12, 29, 6, 0, 0, 0}), -1.25);

  const LocalTime moments[] = {{2026, 12, 8, 3, 17, 0, 0},  {2024, 2, 29, 23, 59, 59, 999},
                               {2026, 3, 29, 2, 30, 0, 500}, {1899, 12, 29, 6, 0, 0, 0},
                               {1899, 12, 30, 0, 0, 0, 1},   {9999, 12, 31, 23, 59, 59, 999}};
  for (const LocalTime& t : moments) {
    EXPECT_EQ(DecodeDateTime(EncodeDateTime(t)), t) << t.year << "-" << t.month << "-" << t.day;
  }
}

TEST(DateTime, WeekdaysAndDayArithmetic) {
  EXPECT_EQ(DayOfWeek({1899, 12, 30}), 7);  // Saturday
  EXPECT_EQ(DayOfWeek({1899, 12, 31}), 1);  // Sunday
  EXPECT_EQ(DayOfWeek({2026, 12, 8}), 3);   // Tuesday
  EXPECT_EQ(DayOfWeek({2002, 1, 1}), 3);    // Tuesday
  EXPECT_EQ(AddDays({2026, 12, 31, 18, 0, 0, 0}, 1), (LocalTime{2027, 1, 1, 18, 0, 0, 0}));
  EXPECT_EQ(AddDays({2024, 3, 1, 0, 0, 0, 0}, -1), (LocalTime{2024, 2, 29, 0, 0, 0, 0}));
}

}  // namespace
}  // namespace parvolind
