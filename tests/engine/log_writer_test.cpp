#include "engine/log_writer.h"
#include "platform/io_error.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "engine/recording_host.h"
#include "platform/file_system.h"
#include "platform/locale.h"
#include "support/test_environment.h"

namespace parvolind {
namespace {

using testing::FakeClock;
using testing::RecordingHost;

const std::string kOuter(73, '=');
const std::string kInner(73, '-');

class LogWriterTest : public testing::TempDirTest {
 protected:
  std::unique_ptr<FileSystem> fs_ = CreateFileSystem();
  std::unique_ptr<Locale> locale_ = CreateLocale("de_DE");
  RecordingHost host_;
  FakeClock clock_;
};

TEST_F(LogWriterTest, WritesEveryEntryLineForLine) {
  const std::string path = PathOf("parvolind.log");
  LogWriter log(path, *fs_, host_, host_.Logging(), clock_, *locale_);
  log.WriteStartEntry();
  log.WriteRunStart("Backup");
  log.WriteFileFailure("/home/anna/Bücher/ä.txt");
  log.WriteRunCompleted(1234, 4200);
  log.WriteRunStart("Backup");
  log.WriteError("Quelle und Ziel sind dasselbe Verzeichnis");
  log.WriteRunCancelled();
  clock_.Set({2026, 12, 8, 18, 30, 1, 999});
  log.WriteRunCompleted(0, 75000000);
  log.WriteUserStopEntry();
  log.WriteStartEntry();
  log.WriteShutdownStopEntry();

  const std::string expected = kOuter + "\r\n" +
                               "Uhrzeit:      08.12.2026 14:05:09\r\n"
                               "Aktion:       Parvolind gestartet\r\n" +
                               kInner + "\r\n" +
                               "Uhrzeit:      08.12.2026 14:05:09\r\n"
                               "Auftrag:      Backup\r\n"
                               "Art:          Start der Durchf\xC3\xBChrung\r\n"
                               "Fehler:       /home/anna/B\xC3\xBC"
                               "cher/\xC3\xA4.txt konnte nicht synchronisiert werden.\r\n"
                               "Beendet um:   08.12.2026 14:05:09\r\n"
                               "Grund:        Ende der Durchf\xC3\xBChrung\r\n"
                               "- Ergebnis - - - - - - - - - - - - - - -\r\n"
                               "Dateien:      1.234\r\n"
                               "Dauer:        0,07 Minuten\r\n" +
                               kInner + "\r\n" +
                               "Uhrzeit:      08.12.2026 14:05:09\r\n"
                               "Auftrag:      Backup\r\n"
                               "Art:          Start der Durchf\xC3\xBChrung\r\n"
                               "Fehler:       Quelle und Ziel sind dasselbe Verzeichnis\r\n"
                               "Beendet um:   08.12.2026 14:05:09\r\n"
                               "Grund:        Abbruch der Durchf\xC3\xBChrung\r\n" +
                               kInner + "\r\n" +
                               "Beendet um:   08.12.2026 18:30:01\r\n"
                               "Grund:        Ende der Durchf\xC3\xBChrung\r\n"
                               "- Ergebnis - - - - - - - - - - - - - - -\r\n"
                               "Dateien:      0\r\n"
                               "Dauer:        1.250,00 Minuten\r\n" +
                               kInner + "\r\n" +
                               "Uhrzeit:      08.12.2026 18:30:01\r\n"
                               "Aktion:       Parvolind beendet\r\n"
                               "Art:          Terminierung durch Anwender\r\n" +
                               kOuter + "\r\n" + kOuter + "\r\n" +
                               "Uhrzeit:      08.12.2026 18:30:01\r\n"
                               "Aktion:       Parvolind gestartet\r\n" +
                               kInner + "\r\n" +
                               "Uhrzeit:      08.12.2026 18:30:01\r\n"
                               "Aktion:       Parvolind beendet\r\n"
                               "Art:          System-ShutDown\r\n" +
                               kOuter + "\r\n";
  EXPECT_EQ(ReadFile(path), expected);
  EXPECT_FALSE(log.TakeFirstError().has_value());
  // Every line lets the host process events.
  EXPECT_EQ(host_.events, 39);
}

TEST_F(LogWriterTest, ControlCharactersInNamesAndPathsCannotForgeLines) {
  const std::string path = PathOf("parvolind.log");
  LogWriter log(path, *fs_, host_, host_.Logging(), clock_, *locale_);
  log.WriteRunStart("Job\r\nAuftrag:      X");
  log.WriteFileFailure("/a/b\nFehler:       c\x7f\t\xC2\x85.txt");
  log.WriteFileConflict("/a/\x1b[2J\xC2\xA0.txt");
  log.WriteError("/a/\nb");
  const std::string expected =
      "Uhrzeit:      08.12.2026 14:05:09\r\n"
      "Auftrag:      Job??Auftrag:      X\r\n"
      "Art:          Start der Durchf\xC3\xBChrung\r\n"
      "Fehler:       /a/b?Fehler:       c???.txt konnte nicht synchronisiert werden.\r\n"
      "Fehler:       /a/?[2J\xC2\xA0.txt wurde auf beiden Seiten ge\xC3\xA4ndert und nicht "
      "\xC3\xBC"
      "berschrieben.\r\n"
      "Fehler:       /a/?b\r\n";
  EXPECT_EQ(ReadFile(path), expected);
}

TEST_F(LogWriterTest, TimeStampLeavesOutTheTimeOnlyAtMidnight) {
  LogWriter log(PathOf("x.log"), *fs_, host_, host_.Logging(), clock_, *locale_);
  clock_.Set({2026, 12, 8, 0, 0, 0, 0});
  EXPECT_EQ(log.TimeStamp(), "08.12.2026");
  clock_.Set({2026, 12, 8, 0, 0, 0, 999});
  EXPECT_EQ(log.TimeStamp(), "08.12.2026");
  clock_.Set({2026, 12, 8, 0, 0, 1, 0});
  EXPECT_EQ(log.TimeStamp(), "08.12.2026 00:00:01");
  clock_.Set({2027, 1, 2, 12, 0, 0, 0});
  EXPECT_EQ(log.TimeStamp(), "02.01.2027 12:00:00");
}

TEST_F(LogWriterTest, FailedWritesNeverStopTheCallerAndKeepTheFirstError) {
  WriteFile("plain", "a regular file, not a folder");
  LogWriter log(PathOf("plain/parvolind.log"), *fs_, host_, host_.Logging(), clock_, *locale_);
  EXPECT_FALSE(log.WriteLogInfo("eins"));
  EXPECT_EQ(host_.events, 1);  // events are processed all the same
  log.WriteRunCancelled();
  EXPECT_EQ(host_.events, 4);
  // A folder on the path that is no folder: the path cannot name a file.
  EXPECT_EQ(log.TakeFirstError(), std::optional<std::string>("Ungültiger Dateiname"));
  EXPECT_FALSE(log.TakeFirstError().has_value());

  // Of two different errors, the first is the one reported.
  LogWriter nested(PathOf("missing/parvolind.log"), *fs_, host_, host_.Logging(), clock_, *locale_);
  EXPECT_FALSE(nested.WriteLogInfo("eins"));
  ASSERT_TRUE(fs_->CreateDirectoryPath(PathOf("missing/parvolind.log/")));
  EXPECT_FALSE(nested.WriteLogInfo("zwei"));
  EXPECT_EQ(nested.TakeFirstError(), std::optional<std::string>("Datei nicht gefunden"));

  // Appending goes on where it left off once the file can be written again.
  LogWriter good(PathOf("good.log"), *fs_, host_, host_.Logging(), clock_, *locale_);
  WriteFile("good.log", "alt\r\n");
  EXPECT_TRUE(good.WriteLogInfo("neu"));
  EXPECT_EQ(ReadFile(PathOf("good.log")), "alt\r\nneu\r\n");
}

TEST_F(LogWriterTest, LoggingOffTouchesNothingButStillProcessesEvents) {
  host_.logging = false;
  const std::string path = PathOf("off.log");
  LogWriter log(path, *fs_, host_, host_.Logging(), clock_, *locale_);
  log.WriteStartEntry();
  EXPECT_TRUE(log.WriteLogInfo("x"));
  EXPECT_FALSE(fs_->Stat(path).exists);
  EXPECT_EQ(host_.events, 5);
}

TEST(IoErrorTextTest, GermanTextsOfTheCommonCodes) {
  EXPECT_EQ(IoErrorText(ENOENT), "Datei nicht gefunden");
  EXPECT_EQ(IoErrorText(ENAMETOOLONG), "Ungültiger Dateiname");
  EXPECT_EQ(IoErrorText(EINVAL), "Ungültiger Dateiname");
  EXPECT_EQ(IoErrorText(EMFILE), "Zu viele geöffnete Dateien");
  EXPECT_EQ(IoErrorText(ENFILE), "Zu viele geöffnete Dateien");
  EXPECT_EQ(IoErrorText(EACCES), "Dateizugriff verweigert");
  EXPECT_EQ(IoErrorText(EPERM), "Dateizugriff verweigert");
  EXPECT_EQ(IoErrorText(EROFS), "Dateizugriff verweigert");
  EXPECT_EQ(IoErrorText(ENOSPC), "Zu wenig Speicherplatz");
  EXPECT_EQ(IoErrorText(EIO), "E/A-Fehler " + std::to_string(EIO));
}

}  // namespace
}  // namespace parvolind
