#include <gtest/gtest.h>

#include <memory>

#include "store/job_store.h"
#include "support/cli_process.h"
#include "support/test_environment.h"

namespace parvolind {
namespace {

class CliLocaleTest : public testing::TempDirTest {};

// A machine without a locale (C or POSIX) gets German dates instead of Qt's C
// format among the German texts; a real locale is used as it is.
TEST_F(CliLocaleTest, TheCLocaleShowsGermanDates) {
  std::string error;
  std::unique_ptr<RegistryHive> hive = OpenUserRegistryHive(&error);
  ASSERT_TRUE(hive) << error;
  testing::FakeClock clock;
  std::unique_ptr<Locale> locale = CreateLocale("de_DE");
  JobStore store(*hive, clock, *locale);
  JobDefinition job;
  job.Dir1 = "/daten/";
  job.Dir2 = "/sicherung/";
  store.SaveJob(job, "", [](const std::string&) { return 46364.75; });

  for (const char* c_locale : {"C", "POSIX"}) {
    const testing::CliResult shown =
        testing::RunCli(testing::CliUnderTest(), {"show", "Unbenannt"},
                        {{"LC_ALL", c_locale}, {"LANG", c_locale}, {"LC_TIME", c_locale}});
    EXPECT_EQ(shown.exit_code, 0) << shown.err;
    EXPECT_NE(shown.out.find("NextSync=08.12.2026 18:00"), std::string::npos) << shown.out;
  }
  const testing::CliResult english =
      testing::RunCli(testing::CliUnderTest(), {"show", "Unbenannt"},
                      {{"LC_ALL", "en_US.UTF-8"}, {"LANG", "en_US.UTF-8"}});
  EXPECT_EQ(english.out.find("NextSync=08.12.2026"), std::string::npos) << english.out;
}

}  // namespace
}  // namespace parvolind
